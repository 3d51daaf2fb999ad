// korv-batch one-impurity: the window "Only One Impurity" after the saved Fermi level.
#include "app/batch/MainRoad.h"
#include "app/batch/RangeWindowCommand.h"
#include "presenters/analyses/OneImpurityPresenter.h"

namespace korv::batch {

ConventionalReport RunOneImpurity(const ConventionalOptions& options) {
  using namespace korv::ui;
  ConventionalReport r;
  r.options = options;
  FermiRoad road(options.input, options.outdir, {options.smoothness, options.mass, options.minima}, r);
  if (!road.Run()) return r;

  LoggingView view(ConventionalAnalysisControls(), ConventionalAnalysisCharts(), r.messages);
  OneImpurityPresenter window(road.Record(), view);
  if (!OpenConventionalWindow(road, view, window, Window::OneImpurity, "MenuInverseT", r)) return r;
  if (!EvaluateConventional(road, view, window, "ButtonAnalysisClick",
                            {"LabelAN", "LabelAP", "LabelLow", "LabelHigh", "LabelEnergyLevel", "LabelDensity",
                             "LabelComment1", "LabelComment2", "LabelComment3"},
                            r))
    return r;
  const auto& a = window.Results();
  r.values = {{"coefficient_a", a.CoefficientA},
              {"degeneracy_factor", a.DopantDegeneracy},
              {"slope", a.FitSlope},
              {"intercept", a.FitIntercept},
              {"correlation_coefficient", a.CorrelationCoefficient},
              {"energy_level", a.ObtainedLevel},
              {"density", a.ObtainedDensity}};
  r.simulatedPoints = static_cast<int>(a.CurveTemperature.size());
  SaveConventional(road, view, window, "SaveConventionalAnalysisClick", "Save (*.CNO) is not available", a.CnoFileName,
                   "CNO", r);
  return r;
}

}  // namespace korv::batch
