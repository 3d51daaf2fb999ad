// korv-batch one-impurity: the window "Only One Impurity" after the saved Fermi level.
#include <memory>

#include "batch/Conventional.h"
#include "batch/Conventionalroad.h"
#include "core/Error.h"
#include "presenters/Conventionalanalysis.h"

namespace korv::batch {

ConventionalReport RunOneImpurity(const ConventionalOptions& options) {
  using namespace korv::ui;
  ConventionalReport r;
  r.options = options;
  FermiRoad road(options, r);
  if (!road.Run()) return r;

  LoggingView view(ConventionalAnalysisControls(), ConventionalAnalysisCharts(), r.messages);
  ConventionalAnalysisPresenter window(road.Record(), view);
  view.AcceptProposedNames(options.outdir);
  bool prepared = false;
  road.windows.opened = [&](Window w) {
    if (w != Window::OneImpurity) return;
    try {
      window.PrepareWindow();
      prepared = true;
    } catch (const korv::Error& e) {
      view.ShowError(e.what());
    }
  };
  if (!road.OpenFromMenu("MenuInverseT")) return r;
  if (!prepared) return road.Fail(1, r.messages.empty() ? "the window was not opened" : r.messages.back()), r;
  r.caption = view.caption;

  const auto& a = window.Results();
  const int count = a.Data().Count();
  if (options.lowIndex && (*options.highIndex > count - 1))
    return road.Fail(2, "--high-index " + std::to_string(*options.highIndex) + " lies beyond the last point (" +
                            std::to_string(count - 1) + ")"),
           r;
  if (options.lowIndex) {
    auto click = [&](const std::string& c) { return window.Invoke(c + "Click"); };
    if (!ReachRange(
            *options.lowIndex, *options.highIndex, [&] { return a.Range().IndexLowestTemperature(); },
            [&] { return a.Range().IndexHighestTemperature(); }, click, count))
      return road.Fail(1, "the fitting range could not be reached"), r;
  }
  r.lowIndex = a.Range().IndexLowestTemperature();
  r.highIndex = a.Range().IndexHighestTemperature();
  r.lowTemperature = a.Data().T[r.lowIndex];
  r.highTemperature = a.Data().T[r.highIndex];

  const std::size_t before = view.errors.size();
  if (!window.Invoke("ButtonAnalysisClick")) return road.Fail(1, "Evaluation is not available"), r;
  const bool failed = view.errors.size() > before;
  for (const char* c : {"LabelAN", "LabelAP", "LabelLow", "LabelHigh", "LabelEnergyLevel", "LabelDensity",
                        "LabelComment1", "LabelComment2", "LabelComment3"})
    if (view.IsVisible(c)) r.shown.emplace_back(c, view.Text(c));
  if (failed) return road.Fail(1, view.errors.back()), r;
  r.values = {{"coefficient_a", a.CoefficientA},
              {"degeneracy_factor", a.DopantDegeneracy},
              {"slope", a.FitSlope},
              {"intercept", a.FitIntercept},
              {"correlation_coefficient", a.CorrelationCoefficient},
              {"energy_level", a.ObtainedLevel},
              {"density", a.ObtainedDensity}};
  r.simulatedPoints = static_cast<int>(a.CurveTemperature.size());

  const std::size_t beforeSave = view.errors.size();
  if (!window.Invoke("SaveConventionalAnalysisClick")) return road.Fail(1, "Save (*.CNO) is not available"), r;
  if (view.errors.size() > beforeSave) return road.Fail(1, view.errors.back()), r;
  if (a.CnoFileName.empty()) return road.Fail(1, "the *.CNO file was not saved"), r;
  r.files.emplace_back("CNO", a.CnoFileName);
  return r;
}

}  // namespace korv::batch
