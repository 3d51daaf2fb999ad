#include "batch/Dhes.h"

#include <filesystem>
#include <iostream>
#include <sstream>

#include "batch/Json.h"
#include "batch/Options.h"
#include "core/Hallanalysis.h"
#include "core/Numbers.h"
#include "presenters/Dhes.h"
#include "presenters/MainCharts.h"
#include "presenters/MainControls.h"
#include "presenters/Mainpresenter.h"
#include "presenters/MemoryView.h"
#include "presenters/Windows.h"

namespace korv::batch {
namespace {

using korv::ui::MemoryView;

// Presses of one peak beyond which a script is surely wrong.
constexpr int kMaxPresses = 10000;

// An in-memory window whose boxes are also logged in order.
class LoggedView : public MemoryView {
 public:
  LoggedView(const std::vector<korv::ui::Control>& controls, const std::vector<korv::ui::ChartSpec>& charts,
             std::vector<std::string>& log)
      : MemoryView(controls, charts), log_(log) {}
  void ShowError(const std::string& text) override {
    log_.push_back(text);
    MemoryView::ShowError(text);
  }
  void ShowNotice(const std::string& text) override {
    log_.push_back(text);
    MemoryView::ShowNotice(text);
  }

 private:
  std::vector<std::string>& log_;
};

class DhesRoad {
 public:
  DhesRoad(const DhesOptions& o, DhesReport& r)
      : o_(o),
        r_(r),
        mainView_(korv::ui::MainControlList(), korv::ui::MainCharts(), r.messages),
        main_(a_),
        dhesView_(korv::ui::DhesControls(), korv::ui::DhesCharts(), r.messages),
        dhes_(a_, dhesView_) {
    main_.Attach(mainView_, windows_);
    main_.FormCreate(true);
  }

  void Run() {
    if (!load()) return;
    const std::string folder = o_.outdir;
    if (!folder.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(folder, ec);
      if (ec || !std::filesystem::is_directory(folder)) return fail(2, "cannot use the output folder '" + folder + "'");
    }
    mainView_.AcceptProposedNames(folder);
    dhesView_.AcceptProposedNames(folder);

    mainView_.SetText("EditSmoothness", FormatGeneral(o_.road.smoothness));
    if (!step("ButtonCalcSpline") || !save("ButtonSaveSpline", "spl", a_.AnalysisDataFile)) return;
    if (!step("ButtonInputChangeInformation")) return;
    if (o_.road.mass) mainView_.SetText("EditMass", FormatGeneral(*o_.road.mass));
    if (o_.road.minima) mainView_.SetText("EditEquivalentMinima", FormatGeneral(*o_.road.minima));
    if (!step("ButtonCalcEffectiveDensityOfStates") || !step("ButtonCalcFermiLevel") ||
        !save("ButtonSaveFermiLevel", "fl", a_.FermiLevelFile))
      return;
    if (!step("MenuDHES")) return;
    // What the program's window does when the main window shows it.
    std::size_t before = dhesView_.errors.size();
    dhes_.PrepareWindow();
    if (dhesView_.errors.size() > before) return fail(1, dhesView_.errors.back());

    const auto& s = dhes_.State();
    for (int k = 1; k <= o_.peaks; ++k) {
      const std::string n = std::to_string(k);
      if (!dhesView_.IsEnabled("ButtonNextPeak" + n))
        return fail(1, "the commands of peak " + n + " are not available (the signal is empty)");
      int presses = 0;
      if (o_.presses) {
        for (; presses < (*o_.presses)[k - 1]; ++presses) click("ButtonNextPeak" + n);
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
      before = dhesView_.errors.size();
      if (!click("ButtonEvaluation" + n) || dhesView_.errors.size() > before || !s.Evaluated[k - 1])
        return fail(1, dhesView_.errors.size() > before ? dhesView_.errors.back() : "peak " + n + " was not evaluated");
      DhesPeakResult p;
      p.index = s.DhesPeakIndex[k - 1];
      p.presses = presses;
      p.temperature = a_.SplineTemperature[p.index];
      p.abscissa = s.DhesAbscissa[p.index];
      p.signal = s.DhesSignal[p.index];
      p.level = s.DhesPeakLevel[k - 1];
      p.density = s.DhesPeakDensity[k - 1];
      r_.peaks.push_back(p);
    }
    before = dhesView_.errors.size();
    if (!click("ButtonSaveDHES") || dhesView_.errors.size() > before || s.DhesFileName.empty())
      return fail(1, dhesView_.errors.size() > before ? dhesView_.errors.back() : "the DHES file was not saved");
    r_.files.emplace_back("DHES", s.DhesFileName);
  }

 private:
  void fail(int status, const std::string& reason) {
    r_.exitStatus = status;
    r_.failure = reason;
  }

  bool load() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(o_.input, ec)) return fail(2, "cannot open '" + o_.input + "': no such file"), false;
    if (fs::is_directory(o_.input, ec)) return fail(2, "cannot open '" + o_.input + "': it is a folder"), false;
    mainView_.openAnswers.push_back(o_.input);
    std::size_t before = mainView_.errors.size();
    main_.ButtonLoadExperimentalClick();
    if (mainView_.errors.size() > before)
      return fail(2, "cannot read '" + o_.input + "': " + mainView_.errors.back()), false;
    if (a_.DataCount < 2) return fail(2, "cannot analyse '" + o_.input + "': it holds fewer than two points"), false;
    r_.conductionType = a_.ConductionType;
    r_.semiconductor = a_.Semiconductor;
    return true;
  }

  bool step(const std::string& control) {
    std::size_t before = mainView_.errors.size();
    if (!main_.Invoke(control + "Click")) return fail(1, control + " is not available at this point"), false;
    if (mainView_.errors.size() > before) return fail(1, mainView_.errors.back()), false;
    return true;
  }

  bool save(const std::string& control, const std::string& kind, const std::string& field) {
    if (!step(control)) return false;
    if (field.empty()) return fail(1, control + " did not save a file"), false;
    r_.files.emplace_back(kind, field);
    return true;
  }

  bool click(const std::string& control) { return dhes_.Invoke(control + "Click"); }

  const DhesOptions& o_;
  DhesReport& r_;
  Analysis a_;
  LoggedView mainView_;
  korv::ui::RecordingWindows windows_;
  korv::ui::TFormMainPresenter main_;
  LoggedView dhesView_;
  korv::ui::DhesPresenter dhes_;
};

std::string padded(const std::string& s, std::size_t width) {
  return s + std::string(width > s.size() ? width - s.size() : 0, ' ');
}

}  // namespace

DhesOptions ParseDhesOptions(const std::vector<std::string>& args) {
  DhesOptions o;
  bool peaksGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError("option " + arg + " needs a value");
      return args[++i];
    };
    if (TakeRoadOption(arg, value, o.road)) {
    } else if (arg == "--peaks") {
      const std::string& v = value();
      if (!TryParseInt(v, o.peaks) || o.peaks < 1 || o.peaks > korv::dhes::kPeaks)
        throw UsageError("option --peaks: '" + v + "' is not a number of peaks from 1 to 4");
      peaksGiven = true;
    } else if (arg == "--presses") {
      const std::string& v = value();
      std::vector<int> presses;
      std::size_t from = 0;
      for (;;) {
        const std::size_t comma = v.find(',', from);
        const std::string part = v.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
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
    } else if (arg == "--outdir") {
      o.outdir = value();
    } else if (arg == "--json") {
      o.json = true;
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      throw UsageError("unknown option " + arg + " for dhes");
    } else if (o.input.empty()) {
      o.input = arg;
    } else {
      throw UsageError("dhes takes one measurement file, got also '" + arg + "'");
    }
  }
  if (o.input.empty()) throw UsageError("dhes needs a measurement file (*.nT or *.pT)");
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
  DhesRoad(options, report).Run();
  return report;
}

std::string DhesSummaryText(const DhesReport& r) {
  std::ostringstream out;
  out << "Measurement:    " << r.options.input << "\n";
  out << "Semiconductor:  " << r.semiconductor << " (" << r.conductionType << ")\n\n";
  out << "peak  index  presses  T [K]    Fermi level [eV]  DHES [cm^-3]  level [eV]  density [cm^-3]\n";
  for (std::size_t k = 0; k < r.peaks.size(); ++k) {
    const auto& p = r.peaks[k];
    out << padded(std::to_string(k + 1), 6) << padded(std::to_string(p.index), 7)
        << padded(std::to_string(p.presses), 9) << padded(FormatGeneral(p.temperature), 9)
        << padded(FormatPattern(p.abscissa, "0.####"), 18) << padded(FormatPattern(p.signal, "0.00E+00"), 14)
        << padded(FormatPattern(p.level, "0.####"), 12) << FormatPattern(p.density, "0.00E+00") << "\n";
  }
  if (r.peaks.empty()) out << "(no peak was evaluated)\n";
  if (!r.messages.empty()) {
    out << "\nMessages:\n";
    for (const auto& m : r.messages) out << "  " << m << "\n";
  }
  if (!r.files.empty()) {
    out << "\nFiles written:\n";
    for (const auto& [kind, path] : r.files) out << "  " << padded(kind, 5) << path << "\n";
  }
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
  j.Key("messages").BeginArray();
  for (const auto& m : r.messages) j.String(m);
  j.EndArray();
  j.Key("files").BeginObject();
  for (const auto& [kind, path] : r.files) j.Key(kind).String(path);
  j.EndObject();
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
  DhesOptions options;
  try {
    options = ParseDhesOptions(args);
  } catch (const UsageError& e) {
    std::cerr << "korv-batch: " << e.what() << "\n";
    return 2;
  }
  DhesReport report;
  try {
    report = RunDhes(options);
  } catch (const std::exception& e) {
    std::cerr << "korv-batch: " << e.what() << "\n";
    return 1;
  }
  if (report.exitStatus == 2) {
    std::cerr << "korv-batch: " << report.failure << "\n";
    return 2;
  }
  // --json wins over --quiet, as in every command.
  if (options.json)
    std::cout << DhesJsonText(report);
  else if (!options.quiet)
    std::cout << DhesSummaryText(report);
  if (report.exitStatus != 0) std::cerr << "korv-batch: " << report.failure << "\n";
  return report.exitStatus;
}

}  // namespace korv::batch
