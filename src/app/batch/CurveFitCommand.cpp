#include "app/batch/CurveFitCommand.h"

#include <ostream>
#include <sstream>

#include "analyses/CurveFitting.h"
#include "app/batch/AnalyzeCommand.h"
#include "app/batch/Json.h"
#include "app/batch/Options.h"
#include "app/batch/SideCommand.h"
#include "core/Analysis.h"
#include "core/Numbers.h"
#include "presenters/analyses/CurveFittingPresenter.h"
#include "presenters/common/MemoryView.h"

namespace korv::batch {
namespace {

using korv::curvefit::FitParameters;
using korv::curvefit::FitResult;

struct Outcome {
  AnalyzeReport road;
  FitParameters starting;
  std::optional<FitResult> fit;
  std::optional<korv::analyses::RelativeFitResult> relative;
  double lowTemperature = 0, highTemperature = 0;
  int exitStatus = 0;
  std::string failure;
};

void fail(Outcome& o, int status, const std::string& reason) {
  o.exitStatus = status;
  o.failure = reason;
}

Outcome run(const CurveFitOptions& opt) {
  Outcome o;
  const AnalyzeOptions road = RoadAnalyzeOptions(opt.input, opt.outdir, opt.road);
  Analysis record;
  o.road = RunAnalyze(road, record);
  if (o.road.exitStatus != 0) {
    fail(o, o.road.exitStatus, o.road.failure);
    return o;
  }
  if (record.SimulationFile.empty()) {
    fail(o, 1, "the simulation was not saved, so the curve-fitting window is not available");
    return o;
  }

  LoggingView view(korv::ui::CurveFittingControls(), korv::ui::CurveFittingCharts(), o.road.messages);
  korv::ui::CurveFittingPresenter window(record, view);
  window.PrepareWindow();
  if (!view.errors.empty()) return fail(o, 1, view.errors.back()), o;
  o.starting = window.Starting();
  const int M = window.Points().Count();
  const int low = opt.lowIndex.value_or(0), high = opt.highIndex.value_or(M - 1);
  if (M < 2) return fail(o, 1, "fewer than two measured points have a reliability above 0.95"), o;
  if (low < 0 || high > M - 1 || low >= high)
    return fail(o, 2,
                "the fit range " + std::to_string(low) + ".." + std::to_string(high) +
                    " does not lie within the fit points 0.." + std::to_string(M - 1) + " with two points or more"),
           o;
  // The window's own range commands; each moves one end by one point.
  while (window.FitLow() < low) window.ButtonIncreaseLowClick();
  while (window.FitHigh() > high) window.ButtonDecreaseHighClick();
  if (opt.compensatingDensity) view.SetText("EditCFCDensity", *opt.compensatingDensity);
  o.lowTemperature = window.Points().temperature[window.FitLow()];
  o.highTemperature = window.Points().temperature[window.FitHigh()];

  if (opt.relative) {
    view.SetChecked("RadioButtonAbsolute", false);
    view.SetChecked("RadioButtonRelative", true);
    window.RadioButtonDeviationClick();
    if (opt.statistics) view.SetText("ComboBoxStatistics", *opt.statistics);
    for (int k = 1; k <= 3; ++k)
      if (opt.excitedAll) view.SetText("ComboBoxExcited" + std::to_string(k), *opt.excitedAll);
    for (const auto& [row, choice] : opt.excitedRows) view.SetText("ComboBoxExcited" + std::to_string(row), choice);
    if (opt.excitedDegeneracy) view.SetText("ComboBoxExcitedDegeneracy", *opt.excitedDegeneracy);
    if (opt.dielectricConstant) view.SetText("EditDielectric", *opt.dielectricConstant);
    if (opt.starts) window.SetStarts(*opt.starts);
    if (opt.levels) view.SetText("ComboBoxLevels", *opt.levels);
  }
  const std::size_t before = view.errors.size();
  window.ButtonCurveFittingClick();
  if (view.errors.size() > before) return fail(o, 1, view.errors.back()), o;
  // Each merge leaves one level fewer, so at most two rounds for three levels.
  for (int round = 0; opt.mergeUnresolved && round < 3 && view.IsEnabled("ButtonMerge"); ++round) {
    window.ButtonMergeClick();
    if (view.errors.size() > before) return fail(o, 1, view.errors.back()), o;
  }
  o.fit = window.LastFit();
  o.relative = window.LastRelativeFit();
  view.AcceptProposedNames(opt.outdir);
  window.ButtonSaveClick();
  if (view.errors.size() > before) return fail(o, 1, view.errors.back()), o;
  if (window.SavedFile().empty()) return fail(o, 1, "the curve fitting file was not saved"), o;
  o.road.files.emplace_back("cft", window.SavedFile());
  return o;
}

void valueAndError(Json& j, double value, const std::optional<double>& error) {
  j.BeginObject();
  j.Key("value").Number(value);
  j.Key("standard_error");
  if (error)
    j.Number(*error);
  else
    j.Null();
  j.EndObject();
}

std::string jsonText(const Outcome& o) {
  Json j;
  j.BeginObject();
  j.Key("input").String(o.road.input);
  j.Key("starting").BeginObject();
  j.Key("levels").BeginArray();
  for (const auto& d : o.starting.dopants) {
    j.BeginObject();
    j.Key("density").Number(d.density);
    j.Key("energy_level").Number(d.level);
    j.Key("g").Number(d.g);
    j.EndObject();
  }
  j.EndArray();
  j.Key("compensating_density").Number(o.starting.compensatingDensity);
  j.EndObject();
  if (o.fit) {
    const FitResult& r = *o.fit;
    const int L = static_cast<int>(r.adjusted.dopants.size());
    auto error = [&](int i) {
      return i < static_cast<int>(r.standardErrors.size()) ? r.standardErrors[i] : std::nullopt;
    };
    j.Key("adjusted").BeginObject();
    j.Key("levels").BeginArray();
    for (int k = 0; k < L; ++k) {
      const auto& d = r.adjusted.dopants[k];
      j.BeginObject();
      j.Key("density");
      valueAndError(j, d.density, error(1 + k));
      j.Key("energy_level");
      valueAndError(j, d.level, error(1 + L + k));
      j.Key("g").Number(d.g);
      if (o.relative) {
        j.Key("excited_states");
        if (d.excited >= 2)
          j.Integer(d.excited);
        else
          j.Null();
      }
      j.EndObject();
    }
    j.EndArray();
    j.Key("compensating_density");
    valueAndError(j, r.adjusted.compensatingDensity, error(0));
    j.EndObject();
    j.Key("deviation_before").Number(r.deviationBefore);
    j.Key("deviation_after").Number(r.deviationAfter);
    j.Key("accepted_steps").Integer(r.acceptedSteps);
    j.Key("fit_range_K").BeginArray().Number(o.lowTemperature).Number(o.highTemperature).EndArray();
    j.Key("deviation").String(o.relative ? "relative" : "absolute");
    if (!o.relative) j.Key("converged").Bool(r.converged);
    if (o.relative) {
      const auto& rel = *o.relative;
      j.Key("reduced_chi2");
      if (rel.reducedChi2)
        j.Number(*rel.reducedChi2);
      else
        j.Null();
      j.Key("merges").Integer(rel.merges);
      j.Key("statistics")
          .String(rel.physics.statistics == korv::analyses::Statistics::FermiDirac ? "fermi-dirac" : "boltzmann");
      j.Key("starts").BeginObject();
      j.Key("tried").Integer(rel.startsTried);
      j.Key("agreeing").Integer(rel.startsAgreeing);
      j.EndObject();
      j.Key("candidates").BeginArray();
      for (const auto& c : rel.candidates) {
        j.BeginObject();
        j.Key("levels").Integer(c.levels);
        j.Key("S").Number(c.S);
        j.Key("reduced_chi2");
        if (c.reducedChi2)
          j.Number(*c.reducedChi2);
        else
          j.Null();
        j.Key("bic").Number(c.bic);
        j.Key("chosen").Bool(c.chosen);
        j.EndObject();
      }
      j.EndArray();
      j.Key("residuals").BeginArray();
      for (std::size_t i = 0; i < rel.residual.size() && i < rel.residualTemperature.size(); ++i) {
        j.BeginObject();
        j.Key("temperature").Number(rel.residualTemperature[i]);
        j.Key("ln_ratio").Number(rel.residual[i]);
        j.EndObject();
      }
      j.EndArray();
      j.Key("notices").BeginArray();
      for (const auto& text : rel.notices) j.String(text);
      j.EndArray();
      // Pairs and single levels by their index in "levels"; a compensating density at its
      // bound is listed with an empty pair.
      j.Key("unresolved").BeginArray();
      for (const auto& u : rel.unresolved) {
        j.BeginObject();
        j.Key("levels").BeginArray();
        if (u.first >= 0) j.Integer(u.first);
        if (u.second >= 0 && (u.second != u.first || !u.parameters.empty())) j.Integer(u.second);
        j.EndArray();
        if (!u.parameters.empty()) {
          j.Key("parameters").BeginArray();
          for (const auto& name : u.parameters) j.String(name);
          j.EndArray();
        }
        j.Key("reason").String(u.reason);
        j.EndObject();
      }
      if (rel.compensationAtBound) {
        j.BeginObject();
        j.Key("levels").BeginArray().EndArray();
        j.Key("parameter").String("compensating_density");
        j.Key("reason").String("compensating density at a bound of the fit");
        j.EndObject();
      }
      j.EndArray();
    }
  } else {
    j.Key("adjusted").Null();
  }
  WriteMessages(j, {&o.road.messages});
  WriteFiles(j, {&o.road.files});
  if (o.exitStatus != 0) j.Key("error").String(o.failure);
  j.EndObject();
  return j.Text() + "\n";
}

std::string withError(double value, const std::optional<double>& error, const char* pattern) {
  return FormatPattern(value, pattern) + " +- " + (error ? FormatPattern(*error, "0.0E+00") : std::string("-"));
}

std::string summaryText(const Outcome& o) {
  std::ostringstream out;
  out << "Measurement:  " << o.road.input << "\n";
  out << "Starting:     ";
  for (const auto& d : o.starting.dopants)
    out << FormatPattern(d.density, "0.00E+00") << " cm^-3 at " << FormatPattern(d.level, "0.####") << " eV; ";
  out << "N_com " << FormatPattern(o.starting.compensatingDensity, "0.00E+00") << " cm^-3\n";
  if (o.fit) {
    const FitResult& r = *o.fit;
    const int L = static_cast<int>(r.adjusted.dopants.size());
    auto error = [&](int i) {
      return i < static_cast<int>(r.standardErrors.size()) ? r.standardErrors[i] : std::nullopt;
    };
    // "1 iteration", "2 iterations".
    auto counted = [](int n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); };
    if (o.relative)
      out << "Adjusted (relative deviation, bounded; " << counted(r.acceptedSteps, "iteration") << ", "
          << counted(o.relative->merges, "merge") << ", ";
    else
      out << "Adjusted (" << counted(r.acceptedSteps, "accepted step") << ", ";
    out << FormatPoint(o.lowTemperature) << " K to " << FormatPoint(o.highTemperature) << " K):\n";
    for (int k = 0; k < L; ++k)
      out << "  density " << withError(r.adjusted.dopants[k].density, error(1 + k), "0.00E+00") << " cm^-3, level "
          << withError(r.adjusted.dopants[k].level, error(1 + L + k), "0.#####") << " eV\n";
    out << "  N_com   " << withError(r.adjusted.compensatingDensity, error(0), "0.00E+00") << " cm^-3\n";
    if (!o.relative && !r.converged) out << "  (" << korv::curvefit::kNotConverged << ")\n";
    out << "Deviation:    " << (o.relative ? "relative, " : "absolute, ") << FormatPoint(r.deviationBefore) << " -> "
        << FormatPoint(r.deviationAfter) << "\n";
    if (o.relative) {
      const auto& rel = *o.relative;
      out << "Reduced chi2: " << (rel.reducedChi2 ? FormatPoint(*rel.reducedChi2) : std::string("-")) << "\n";
      out << "Statistics:   "
          << (rel.physics.statistics == korv::analyses::Statistics::FermiDirac ? "Fermi-Dirac" : "Boltzmann")
          << "; starts tried/agreeing " << rel.startsTried << "/" << rel.startsAgreeing << "\n";
      for (std::size_t k = 0; k < rel.dopants.size(); ++k)
        if (rel.dopants[k].excited >= 2)
          out << "  level " << k + 1 << ": excited states up to r_max = " << rel.dopants[k].excited << "\n";
      for (const auto& c : rel.candidates)
        out << "  K = " << c.levels << ": S " << FormatPoint(c.S) << ", BIC " << FormatPattern(c.bic, "0.0")
            << (c.chosen ? " (chosen)" : "") << "\n";
      for (const auto& u : rel.unresolved) {
        out << "  not resolved by these data: ";
        if (u.first < 0 && u.second < 0)
          out << "the fit";
        else
          out << "level " << u.first + 1
              << (u.second >= 0 && u.second != u.first ? " and " + std::to_string(u.second + 1) : std::string());
        out << " (" << u.reason << ")\n";
      }
      for (const auto& text : rel.notices) out << "  notice: " << text << "\n";
      if (rel.compensationAtBound) out << "  not resolved by these data: N_com (at a bound of the fit)\n";
    }
  }
  if (!o.road.messages.empty()) {
    out << "Messages:\n";
    PrintMessageLines(out, o.road.messages);
  }
  out << "Files written:\n";
  PrintFileLines(out, o.road.files);
  return out.str();
}

int index(const std::string& option, const std::string& v) {
  int i = 0;
  if (!TryParseInt(v, i) || i < 0) throw UsageError("option " + option + ": '" + v + "' is not an index from 0 up");
  return i;
}

// One choice: "auto", "none" (off) or r_max 2..10, as the window's combo box shows it.
std::string excitedChoice(const std::string& option, const std::string& v) {
  if (v == "auto") return "auto";
  if (v == "none" || v == "off") return "off";
  int r = 0;
  if (!TryParseInt(v, r) || r < 2 || r > korv::analyses::kMaxExcited)
    throw UsageError("option " + option + ": '" + v + "' is not auto, none or an r_max from 2 to 10");
  return std::to_string(r);
}

// "auto", "none", "4" for every row, or "1:auto,3:4" for single rows.
void parseExcited(const std::string& option, const std::string& v, CurveFitOptions& o) {
  if (v.find(':') == std::string::npos) {
    o.excitedAll = excitedChoice(option, v);
    return;
  }
  std::size_t from = 0;
  while (from <= v.size()) {
    const std::size_t comma = std::min(v.find(',', from), v.size());
    const std::string item = v.substr(from, comma - from);
    const std::size_t colon = item.find(':');
    int row = 0;
    if (colon == std::string::npos || !TryParseInt(item.substr(0, colon), row) || row < 1 || row > 3)
      throw UsageError("option " + option + ": '" + item + "' is not ROW:CHOICE with a row from 1 to 3");
    o.excitedRows.emplace_back(row, excitedChoice(option, item.substr(colon + 1)));
    from = comma + 1;
  }
}

}  // namespace

CurveFitOptions ParseCurveFit(const std::vector<std::string>& args) {
  CurveFitOptions o;
  ParseCommandArgs("curve-fit", args, o.input, o.outdir, o.road, o.json, o.quiet,
                   [&](const std::string& arg, const std::function<std::string()>& value) {
                     if (arg == "--low-index") {
                       o.lowIndex = index(arg, value());
                     } else if (arg == "--high-index") {
                       o.highIndex = index(arg, value());
                     } else if (arg == "--compensating-density") {
                       const std::string v = value();
                       double x = 0;
                       if (!TryParseReal(v, x)) throw UsageError("option " + arg + ": '" + v + "' is not a number");
                       o.compensatingDensity = v;
                     } else if (arg == "--relative") {
                       o.relative = true;
                     } else if (arg == "--merge-unresolved") {
                       o.mergeUnresolved = true;
                     } else if (arg == "--statistics") {
                       const std::string v = value();
                       if (v == "fermi-dirac")
                         o.statistics = "Fermi-Dirac";
                       else if (v == "boltzmann")
                         o.statistics = "Boltzmann";
                       else
                         throw UsageError("option " + arg + ": '" + v + "' is neither fermi-dirac nor boltzmann");
                     } else if (arg == "--excited-states") {
                       parseExcited(arg, value(), o);
                     } else if (arg == "--excited-degeneracy") {
                       const std::string v = value();
                       if (v != "g-r2" && v != "r2")
                         throw UsageError("option " + arg + ": '" + v + "' is neither g-r2 nor r2");
                       o.excitedDegeneracy = v;
                     } else if (arg == "--dielectric-constant") {
                       const std::string v = value();
                       double x = 0;
                       if (!TryParseReal(v, x) || !(x > 0))
                         throw UsageError("option " + arg + ": '" + v + "' is not a number above 0");
                       o.dielectricConstant = v;
                     } else if (arg == "--starts") {
                       const std::string v = value();
                       int x = 0;
                       if (!TryParseInt(v, x) || x < 12)
                         throw UsageError("option " + arg + ": '" + v + "' is not a whole number of 12 or more");
                       o.starts = x;
                     } else if (arg == "--levels") {
                       const std::string v = value();
                       if (v != "auto" && v != "1" && v != "2" && v != "3")
                         throw UsageError("option " + arg + ": '" + v + "' is neither auto nor 1, 2 or 3");
                       o.levels = v;
                     } else {
                       return false;
                     }
                     return true;
                   });
  if (o.lowIndex.has_value() != o.highIndex.has_value()) throw UsageError("give --low-index and --high-index together");
  if (o.mergeUnresolved && !o.relative) throw UsageError("--merge-unresolved needs --relative");
  if (!o.relative && (o.statistics || o.excitedAll || !o.excitedRows.empty() || o.excitedDegeneracy ||
                      o.dielectricConstant || o.starts || o.levels))
    throw UsageError(
        "--statistics, --excited-states, --excited-degeneracy, --dielectric-constant, --starts and "
        "--levels need --relative");
  RequireInput("curve-fit", o.input);
  return o;
}

int RunCurveFitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto opt = ParseOrComplain([&] { return ParseCurveFit(args); }, err);
  if (!opt) return 2;
  const Outcome o = run(*opt);
  return PrintOutcome(
      o.exitStatus, o.failure, opt->json, opt->quiet, [&] { return jsonText(o); }, [&] { return summaryText(o); }, out,
      err);
}

}  // namespace korv::batch
