#include "app/batch/ExcitedStatesCommand.h"

#include <cmath>
#include <ostream>
#include <sstream>

#include "app/batch/Json.h"
#include "app/batch/Options.h"
#include "app/batch/SideCommand.h"
#include "core/Analysis.h"
#include "core/Numbers.h"
#include "presenters/analyses/ExcitedStatesPresenter.h"
#include "presenters/common/MemoryView.h"
#include "presenters/common/Windows.h"

namespace korv::batch {
namespace {

void RunWindow(const ExcitedStatesOptions& o, Analysis& record, ExcitedStatesReport& r) {
  LoggingView view(korv::ui::ExcitedStatesControls(), korv::ui::ExcitedStatesCharts(), r.messages);
  korv::ui::RecordingWindows windows;
  korv::ui::ExcitedStatesPresenter presenter(record, view, &windows);
  view.AcceptProposedNames(o.outdir);
  presenter.PrepareWindow();
  r.mainSimulationCurve = presenter.UsesMainSimulation();
  if (o.dielectricConstant) {
    view.SetText("EditDielectricConstant", FormatGeneral(*o.dielectricConstant));
    presenter.EditDielectricConstantChange();
  }
  // The *.simN first: it does not depend on the evaluation.
  std::size_t before = view.errors.size();
  presenter.ButtonSaveNormalClick();
  if (view.errors.size() > before) {
    r.exitStatus = 1;
    r.failure = view.errors.back();
    return;
  }
  if (!view.IsEnabled("ButtonSaveNormal")) r.files.emplace_back("simN", presenter.Engine().SimNFileName);

  before = view.errors.size();
  presenter.ButtonAutoClick();
  const auto& e = presenter.Engine();
  r.dielectricConstant = record.DielectricConstant;
  r.trials = e.Trials;
  r.evaluated = !e.Trials.empty() && korv::excited::ChooseTrial(e.TrialDeviation) >= 0;
  r.valid = r.evaluated && e.ExcitedResultValid;
  if (r.evaluated) {
    r.chosenTrial = korv::excited::ChooseTrial(e.TrialDeviation);
    r.highestLevel = e.HighestLevel;
    r.density = e.ExcitedDensity;
    r.energyLevel = e.ExcitedEnergyLevel;
    r.compensatingDensity = e.ExcitedCompensatingDensity;
    r.deviation = e.TrialDeviation[r.chosenTrial];
  }
  if (!r.valid) {
    r.exitStatus = 1;
    r.failure = view.errors.size() > before ? view.errors.back() : "the evaluation gave no result";
    return;
  }
  before = view.errors.size();
  presenter.ButtonSaveExcitedStatesClick();
  if (view.errors.size() > before || view.IsEnabled("ButtonSaveExcitedStates")) {
    r.exitStatus = 1;
    r.failure = view.errors.size() > before ? view.errors.back() : "the *.exc file was not saved";
    return;
  }
  r.files.emplace_back("exc", e.ExcFileName);
}

}  // namespace

ExcitedStatesOptions ParseExcitedStates(const std::vector<std::string>& args) {
  ExcitedStatesOptions o;
  ParseCommandArgs("excited-states", args, o.input, o.outdir, o.road, o.json, o.quiet,
                   [&](const std::string& arg, const std::function<std::string()>& value) {
                     if (arg == "--dielectric-constant") {
                       const std::string v = value();
                       double x = 0;
                       if (!TryParseReal(v, x)) throw UsageError("option " + arg + ": '" + v + "' is not a number");
                       o.dielectricConstant = x;  // the window itself refuses one that is not positive
                     } else if (arg == "--after-h1") {
                       o.afterH1 = true;
                     } else {
                       return false;
                     }
                     return true;
                   });
  RequireInput("excited-states", o.input);
  return o;
}

ExcitedStatesReport RunExcitedStates(const ExcitedStatesOptions& options) {
  ExcitedStatesReport report;
  const AnalyzeOptions road = RoadAnalyzeOptions(options.input, options.outdir, options.road);
  RoadEnd end;
  end.stopAfterH1 = options.afterH1;
  end.then = [&](Analysis& record, AnalyzeReport& r) {
    // The window needs H1 only; a later step of the road that failed does not stop it.
    if (r.analyses.empty()) return;
    RunWindow(options, record, report);
  };
  report.road = RunAnalyze(road, end);
  if (report.road.exitStatus == 2 || report.road.analyses.empty()) {
    report.exitStatus = report.road.exitStatus == 0 ? 1 : report.road.exitStatus;
    report.failure = report.road.failure.empty() ? "H1 was not evaluated" : report.road.failure;
  }
  return report;
}

std::string ExcitedSummaryText(const ExcitedStatesReport& r) {
  std::ostringstream out;
  out << "Measurement:    " << r.road.input << "\n";
  out << "Semiconductor:  " << r.road.semiconductor << " (" << r.road.conductionType << ")\n";
  if (!r.road.analyses.empty()) {
    const AnalysisResult& h1 = r.road.analyses.front();
    out << "H1 (Fermi-Dirac): density " << FormatPattern(h1.density, "0.00E+00") << " cm^-3, level "
        << FormatPattern(h1.energyLevel, "0.####") << " eV, compensating density "
        << FormatPattern(h1.temporaryCompensatingDensity, "0.00E+00") << " cm^-3\n";
  }
  out << "Dielectric constant: " << FormatGeneral(r.dielectricConstant)
      << "; Fermi-Dirac curve: " << (r.mainSimulationCurve ? "the main simulation" : "the window's own simulation")
      << "\n\n";
  if (!r.trials.empty()) {
    out << "trial  r   start  density [cm^-3]  level [eV]  comp. [cm^-3]  deviation\n";
    for (std::size_t i = 0; i < r.trials.size(); ++i) {
      const auto& t = r.trials[i];
      out << Padded(std::to_string(i), 7) << Padded(std::to_string(t.highestLevel), 4)
          << Padded(std::to_string(t.start), 7);
      if (!t.succeeded) {
        out << "failed: " << t.message << "\n";
        continue;
      }
      out << Padded(FormatPattern(t.density, "0.00E+00"), 17) << Padded(FormatPattern(t.level, "0.####"), 12)
          << Padded(FormatPattern(t.compensatingDensity, "0.00E+00"), 15)
          << (std::isfinite(t.deviation) ? FormatPattern(t.deviation, "0.00E+00") : "-")
          << (static_cast<int>(i) == r.chosenTrial ? "  <- chosen" : "") << (t.valid ? "" : "  (out of range)") << "\n";
    }
  }
  if (r.valid)
    out << "\nWith excited states (trial " << r.chosenTrial << ", r = " << r.highestLevel << "): density "
        << FormatPattern(r.density, "0.00E+00") << " cm^-3, level " << FormatPattern(r.energyLevel, "0.####")
        << " eV, compensating density " << FormatPattern(r.compensatingDensity, "0.00E+00") << " cm^-3\n";
  if (!r.road.messages.empty() || !r.messages.empty()) {
    out << "\nMessages:\n";
    PrintMessageLines(out, r.road.messages);
    PrintMessageLines(out, r.messages);
  }
  out << "\nFiles written:\n";
  PrintFileLines(out, r.road.files);
  PrintFileLines(out, r.files);
  return out.str();
}

std::string ExcitedJsonText(const ExcitedStatesReport& r) {
  Json j;
  j.BeginObject();
  j.Key("input").String(r.road.input);
  j.Key("conduction_type").String(r.road.conductionType);
  j.Key("semiconductor").String(r.road.semiconductor);
  if (!r.road.analyses.empty()) {
    const AnalysisResult& h1 = r.road.analyses.front();
    j.Key("h1").BeginObject();
    j.Key("density").Number(h1.density);
    j.Key("energy_level").Number(h1.energyLevel);
    j.Key("temporary_compensating_density").Number(h1.temporaryCompensatingDensity);
    j.Key("eref").Number(h1.eref);
    j.Key("peak_temperature").Number(h1.peakTemperature);
    j.Key("degeneracy_factor").Number(h1.degeneracyFactor);
    j.EndObject();
  }
  j.Key("dielectric_constant").Number(r.dielectricConstant);
  j.Key("main_simulation_curve").Bool(r.mainSimulationCurve);
  j.Key("evaluated").Bool(r.evaluated);
  j.Key("valid").Bool(r.valid);
  if (r.evaluated) {
    j.Key("chosen").BeginObject();
    j.Key("trial").Integer(r.chosenTrial);
    j.Key("highest_level").Integer(r.highestLevel);
    j.Key("density").Number(r.density);
    j.Key("energy_level").Number(r.energyLevel);
    j.Key("compensating_density").Number(r.compensatingDensity);
    j.Key("deviation").Number(r.deviation);
    j.EndObject();
  }
  j.Key("trials").BeginArray();
  for (const auto& t : r.trials) {
    j.BeginObject();
    j.Key("highest_level").Integer(t.highestLevel);
    j.Key("start").Integer(t.start);
    j.Key("succeeded").Bool(t.succeeded);
    j.Key("valid").Bool(t.valid);
    j.Key("message").String(t.message);
    j.Key("density").Number(t.density);
    j.Key("energy_level").Number(t.level);
    j.Key("compensating_density").Number(t.compensatingDensity);
    j.Key("deviation").Number(t.deviation);
    j.EndObject();
  }
  j.EndArray();
  WriteMessages(j, {&r.road.messages, &r.messages});
  WriteFiles(j, {&r.road.files, &r.files});
  if (r.exitStatus != 0) j.Key("error").String(r.failure);
  j.EndObject();
  return j.Text() + "\n";
}

int ExcitedStatesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto options = ParseOrComplain([&] { return ParseExcitedStates(args); }, err);
  if (!options) return 2;
  const ExcitedStatesReport report = RunExcitedStates(*options);
  return PrintOutcome(
      report.exitStatus, report.failure, options->json, options->quiet, [&] { return ExcitedJsonText(report); },
      [&] { return ExcitedSummaryText(report); }, out, err);
}

}  // namespace korv::batch
