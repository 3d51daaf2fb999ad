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
      // Pairs and single levels by their index in "levels"; a compensating density at its
      // bound is listed with an empty pair.
      j.Key("unresolved").BeginArray();
      for (const auto& u : rel.unresolved) {
        j.BeginObject();
        j.Key("levels").BeginArray().Integer(u.first);
        if (u.second >= 0) j.Integer(u.second);
        j.EndArray();
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
      for (const auto& u : rel.unresolved)
        out << "  not resolved by these data: level " << u.first + 1
            << (u.second >= 0 ? " and " + std::to_string(u.second + 1) : std::string()) << " (" << u.reason << ")\n";
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
                     } else {
                       return false;
                     }
                     return true;
                   });
  if (o.lowIndex.has_value() != o.highIndex.has_value()) throw UsageError("give --low-index and --high-index together");
  if (o.mergeUnresolved && !o.relative) throw UsageError("--merge-unresolved needs --relative");
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
