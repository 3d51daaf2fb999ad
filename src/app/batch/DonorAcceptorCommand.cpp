// korv-batch donor-acceptor: the window "One Donor and One Acceptor" after the saved
// Fermi level, with the net density typed into its edit.
#include "app/batch/MainRoad.h"
#include "app/batch/RangeWindowCommand.h"
#include "presenters/analyses/DonorAcceptorPresenter.h"

namespace korv::batch {

ConventionalReport RunDonorAcceptor(const ConventionalOptions& options) {
  using namespace korv::ui;
  ConventionalReport r;
  r.options = options;
  FermiRoad road(options.input, options.outdir, {options.smoothness, options.mass, options.minima}, r);
  if (!road.Run()) return r;

  LoggingView view(ConventionalAnalysis2Controls(), ConventionalAnalysis2Charts(), r.messages);
  DonorAcceptorPresenter window(road.Record(), view);
  window.showConfirmation = [&](bool) { r.confirmationShown = true; };
  if (!OpenConventionalWindow(road, view, window, Window::DonorAcceptor, "MenuInverseTCom", r)) return r;

  view.SetText("EditNetDensity", *options.netDensity);
  if (!EvaluateConventional(road, view, window, "ButtonEvaluationClick",
                            {"LabelG", "LabelMass", "LabelMc", "LabelLow", "LabelHigh", "EditNetDensity",
                             "LabelDonorDensity", "LabelAcceptorDensity", "LabelEnergyLevel", "LabelGMass"},
                            r))
    return r;
  const auto& a = window.Results();
  r.values = {{"net_density", a.NetDensity},
              {"degeneracy_factor", a.DopantDegeneracy},
              {"slope", a.FitSlope},
              {"intercept", a.FitIntercept},
              {"correlation_coefficient", a.CorrelationCoefficient},
              {"energy_level", a.ObtainedLevel},
              {"majority_density", a.MajorityDensity},
              {"compensating_density", a.FoundCompensatingDensity},
              {"donor_density", a.DonorDensity},
              {"acceptor_density", a.AcceptorDensity},
              {"mass_factor", a.MassFactor}};
  r.simulatedPoints = static_cast<int>(a.CurveTemperature.size());
  SaveConventional(road, view, window, "ButtonSaveClick", "Save is not available", a.CncFileName, "CNC", r);
  return r;
}

}  // namespace korv::batch
