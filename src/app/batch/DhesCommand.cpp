#include "app/batch/DhesCommand.h"

#include <iostream>
#include <sstream>

#include "app/batch/Json.h"
#include "app/batch/MainRoad.h"
#include "app/batch/Options.h"
#include "app/batch/SideCommand.h"
#include "core/Analysis.h"
#include "core/Numbers.h"
#include "presenters/analyses/DhesPresenter.h"

namespace korv::batch {
namespace {

// Presses of one peak beyond which a script is surely wrong.
constexpr int kMaxPresses = 10000;

void runWindow(const DhesOptions& o, DhesReport& r) {
  FermiRoad road(o.input, o.outdir, o.road, r);
  if (!road.Run()) return;
  LoggingView view(korv::ui::DhesControls(), korv::ui::DhesCharts(), r.messages);
  korv::ui::DhesPresenter dhes(road.Record(), view);
  view.AcceptProposedNames(o.outdir);
  if (!road.OpenFromMenu("MenuDHES")) return;
  auto fail = [&](int status, const std::string& reason) { road.Fail(status, reason); };
  auto click = [&](const std::string& control) { return dhes.Invoke(control + "Click"); };
  // What the program's window does when the main window shows it.
  std::size_t before = view.errors.size();
  dhes.PrepareWindow();
  if (view.errors.size() > before) return fail(1, view.errors.back());

  const Analysis& a = road.Record();
  const auto& s = dhes.State();
  for (int k = 1; k <= o.peaks; ++k) {
    const std::string n = std::to_string(k);
    if (!view.IsEnabled("ButtonNextPeak" + n))
      return fail(1, "the commands of peak " + n + " are not available (the signal is empty)");
    int presses = 0;
    if (o.presses) {
      for (; presses < (*o.presses)[k - 1]; ++presses) click("ButtonNextPeak" + n);
    } else {
      const int previous = k == 1 ? -1 : s.DhesPeakIndex[k - 2];
      for (;;) {
        const int from = s.DhesPeakIndex[k - 1];
        click("ButtonNextPeak" + n);
        ++presses;
        const int at = s.DhesPeakIndex[k - 1];
        // A maximum of a negative signal is no level's peak: it gives a negative density.
        if ((at > previous && s.DhesSignal[at] > 0) || at == from || at >= s.Count() - 1) break;
      }
    }
    before = view.errors.size();
    if (!click("ButtonEvaluation" + n) || view.errors.size() > before || !s.Evaluated[k - 1])
      return fail(1, view.errors.size() > before ? view.errors.back() : "peak " + n + " was not evaluated");
    DhesPeakResult p;
    p.index = s.DhesPeakIndex[k - 1];
    p.presses = presses;
    p.temperature = a.SplineTemperature[p.index];
    p.abscissa = s.DhesAbscissa[p.index];
    p.signal = s.DhesSignal[p.index];
    p.level = s.DhesPeakLevel[k - 1];
    p.density = s.DhesPeakDensity[k - 1];
    r.peaks.push_back(p);
  }
  before = view.errors.size();
  if (!click("ButtonSaveDHES") || view.errors.size() > before || s.DhesFileName.empty())
    return fail(1, view.errors.size() > before ? view.errors.back() : "the DHES file was not saved");
  r.files.emplace_back("DHES", s.DhesFileName);
}

}  // namespace

DhesOptions ParseDhesOptions(const std::vector<std::string>& args) {
  DhesOptions o;
  bool peaksGiven = false;
  ParseCommandArgs("dhes", args, o.input, o.outdir, o.road, o.json, o.quiet,
                   [&](const std::string& arg, const std::function<std::string()>& value) {
                     if (arg == "--peaks") {
                       const std::string v = value();
                       if (!TryParseInt(v, o.peaks) || o.peaks < 1 || o.peaks > korv::dhes::kPeaks)
                         throw UsageError("option --peaks: '" + v + "' is not a number of peaks from 1 to 4");
                       peaksGiven = true;
                     } else if (arg == "--presses") {
                       const std::string v = value();
                       std::vector<int> presses;
                       std::size_t from = 0;
                       for (;;) {
                         const std::size_t comma = v.find(',', from);
                         const std::string part =
                             v.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
                         int p = 0;
                         if (!TryParseInt(part, p) || p < 0 || p > kMaxPresses)
                           throw UsageError("option --presses: '" + part + "' is not a number of presses from 0 to " +
                                            std::to_string(kMaxPresses));
                         presses.push_back(p);
                         if (comma == std::string::npos) break;
                         from = comma + 1;
                       }
                       if (presses.size() > static_cast<std::size_t>(korv::dhes::kPeaks))
                         throw UsageError("option --presses gives more than 4 peaks");
                       o.presses = presses;
                     } else {
                       return false;
                     }
                     return true;
                   });
  RequireInput("dhes", o.input);
  if (o.presses) {
    if (!peaksGiven) o.peaks = static_cast<int>(o.presses->size());
    if (o.presses->size() != static_cast<std::size_t>(o.peaks))
      throw UsageError("option --presses gives " + std::to_string(o.presses->size()) + " numbers for " +
                       std::to_string(o.peaks) + " peaks");
  }
  return o;
}

DhesReport RunDhes(const DhesOptions& options) {
  DhesReport report;
  report.options = options;
  runWindow(options, report);
  return report;
}

std::string DhesSummaryText(const DhesReport& r) {
  std::ostringstream out;
  out << "Measurement:    " << r.options.input << "\n";
  out << "Semiconductor:  " << r.semiconductor << " (" << r.conductionType << ")\n\n";
  out << "peak  index  presses  T [K]    Fermi level [eV]  DHES [cm^-3]  level [eV]  density [cm^-3]\n";
  for (std::size_t k = 0; k < r.peaks.size(); ++k) {
    const auto& p = r.peaks[k];
    out << Padded(std::to_string(k + 1), 6) << Padded(std::to_string(p.index), 7)
        << Padded(std::to_string(p.presses), 9) << Padded(FormatGeneral(p.temperature), 9)
        << Padded(FormatPattern(p.abscissa, "0.####"), 18) << Padded(FormatPattern(p.signal, "0.00E+00"), 14)
        << Padded(FormatPattern(p.level, "0.####"), 12) << FormatPattern(p.density, "0.00E+00") << "\n";
  }
  if (r.peaks.empty()) out << "(no peak was evaluated)\n";
  PrintMessagesAndFiles(out, r.messages, r.files);
  return out.str();
}

std::string DhesJsonText(const DhesReport& r) {
  Json j;
  j.BeginObject();
  j.Key("input").String(r.options.input);
  j.Key("inputs").BeginObject();
  j.Key("file").String(r.options.input);
  j.Key("peaks").Integer(r.options.peaks);
  j.Key("presses");
  if (r.options.presses) {
    j.BeginArray();
    for (int p : *r.options.presses) j.Integer(p);
    j.EndArray();
  } else {
    j.Null();
  }
  j.Key("outdir").String(r.options.outdir);
  j.EndObject();
  j.Key("conduction_type").String(r.conductionType);
  j.Key("semiconductor").String(r.semiconductor);
  j.Key("peaks").BeginArray();
  for (const auto& p : r.peaks) {
    j.BeginObject();
    j.Key("index").Integer(p.index);
    j.Key("presses").Integer(p.presses);
    j.Key("temperature").Number(p.temperature);
    j.Key("abscissa").Number(p.abscissa);
    j.Key("signal").Number(p.signal);
    j.Key("level").Number(p.level);
    j.Key("density").Number(p.density);
    j.EndObject();
  }
  j.EndArray();
  WriteMessages(j, {&r.messages});
  WriteFiles(j, {&r.files});
  j.Key("file");
  if (!r.files.empty() && r.files.back().first == "DHES")
    j.String(r.files.back().second);
  else
    j.Null();
  if (r.exitStatus != 0) j.Key("error").String(r.failure);
  j.EndObject();
  return j.Text() + "\n";
}

int RunDhesCommand(const std::vector<std::string>& args) {
  const auto options = ParseOrComplain([&] { return ParseDhesOptions(args); }, std::cerr);
  if (!options) return 2;
  DhesReport report;
  try {
    report = RunDhes(*options);
  } catch (const std::exception& e) {
    PrintFailure(e.what(), std::cerr);
    return 1;
  }
  return PrintOutcome(
      report.exitStatus, report.failure, options->json, options->quiet, [&] { return DhesJsonText(report); },
      [&] { return DhesSummaryText(report); }, std::cout, std::cerr);
}

}  // namespace korv::batch
