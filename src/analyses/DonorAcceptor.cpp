#include "analyses/DonorAcceptor.h"

#include <cmath>

#include "core/Error.h"
#include "core/Numbers.h"

namespace korv::conventional {

double FreeElectronDosCoefficient() {
  return 2 * std::pow(2 * kPi * kElectronMass * kBoltzmann / (kPlanck * kPlanck), 1.5) * 1e-6;
}

void DonorAcceptorAnalysis::Prepare(const Analysis& a) {
  Measurement data = TakeMeasurement(a);
  data_ = std::move(data);
  nType_ = a.ConductionType == "n-type";
  dosCoefficient_ = a.DosCoefficient;
  DopantDegeneracy = nType_ ? 2.0 : 4.0;
  range_.Reset(data_.Count());
  ClearResults();
  MassFactor = 0;
  NetDensity = data_.n.back();
  FoundCompensatingDensity = 0;
  CurveTemperature.clear();
  CurveConcentration.clear();
}

void DonorAcceptorAnalysis::ClearResults() {
  ObtainedLevel = DonorDensity = AcceptorDensity = MajorityDensity = FoundCompensatingDensity = 0;
  clearLine();
}

double DonorAcceptorAnalysis::TrialDensity(int i) const {
  return std::pow(10.0, std::log10(NetDensity) - 3 + 0.01 * i);
}

double DonorAcceptorAnalysis::Y(int i, double c) const {
  const double n = data_.n[i];
  return n * (n + c) / (NetDensity - n) / std::pow(data_.T[i], 1.5);
}

bool DonorAcceptorAnalysis::FitLineY(double c, LineFit& fit) const {
  LineSums sums;
  for (int i = range_.IndexLowestTemperature(); i <= range_.IndexHighestTemperature(); ++i)
    if (Usable(i)) sums.Add(1000 / data_.T[i], std::log(Y(i, c)));
  return TryFitSums(sums, fit);
}

void DonorAcceptorAnalysis::SearchCompensation() {
  double best = 0;
  double found = FoundCompensatingDensity;
  for (int i = 0; i < kCompensationTrials; ++i) {
    const double c = TrialDensity(i);
    LineFit fit;
    if (!FitLineY(c, fit)) continue;
    if (best > fit.correlation) {
      found = c;
      best = fit.correlation;
    }
  }
  // The line of the chosen density, with the reason when it is none.
  LineSums sums;
  for (int i = range_.IndexLowestTemperature(); i <= range_.IndexHighestTemperature(); ++i)
    if (Usable(i)) sums.Add(1000 / data_.T[i], std::log(Y(i, found)));
  takeLine(FitSums(sums));
  FoundCompensatingDensity = found;
}

double DonorAcceptorAnalysis::NeutralityResidual(double E, double kT, double Nc) const {
  return MajorityDensity / (DopantDegeneracy * std::exp((ObtainedLevel - E) / kT) + 1) -
         (Nc * std::exp(-E / kT) + FoundCompensatingDensity);
}

void DonorAcceptorAnalysis::SimulateConcentration() {
  simulate(data_.T.front(), data_.T.back(),
           [this](double E, double kT, double Nc) { return NeutralityResidual(E, kT, Nc); });
}

void DonorAcceptorAnalysis::Evaluate() {
  try {
    SearchCompensation();
    const double majority = NetDensity + FoundCompensatingDensity;
    const double level = -1000 * kBoltzmann * FitSlope / kCharge;
    const double mass = std::exp(FitIntercept) / FreeElectronDosCoefficient();
    if (!std::isfinite(majority) || !std::isfinite(level) || !std::isfinite(mass))
      throw Error("The obtained results are not finite numbers: please check the net density and the fitting range.");
    MajorityDensity = majority;
    ObtainedLevel = level;
    MassFactor = mass;
    DonorDensity = nType_ ? MajorityDensity : FoundCompensatingDensity;
    AcceptorDensity = nType_ ? FoundCompensatingDensity : MajorityDensity;
    SimulateConcentration();
  } catch (...) {
    ClearResults();
    throw;
  }
}

TextFileWriter DonorAcceptorAnalysis::CncLines(const Analysis& a, const std::string& path) const {
  TextFileWriter w;
  writeHeadLines(w, a, "% One Donor and One Acceptor", "% One donor and one acceptor file: " + path, DopantDegeneracy);
  w.Line(Separator(60));
  w.Line("% Obateind results ");  // sic: files written so far carry this spelling
  w.Line(Separator(60));
  writeLineLines(w, "y", ObtainedLevel);
  w.Line((nType_ ? "% Donor density [cm^-3]: " : "% Acceptor density [cm^-3]: ") + FormatHeaderReal(MajorityDensity));
  w.Line((nType_ ? "% Acceptor density [cm^-3]: " : "% Donor density [cm^-3]: ") +
         FormatHeaderReal(FoundCompensatingDensity));
  w.Line((nType_ ? "% (m*/m0)^3/2*(Mc/g) : " : "% (m*/m0)^3/2*(1/g) : ") + FormatHeaderReal(MassFactor));
  writeCurveLines(w);
  return w;
}

void DonorAcceptorAnalysis::WriteCncFile(const Analysis& a, const std::string& path) {
  CncLines(a, path).Commit(path);
  CncFileName = path;
}

}  // namespace korv::conventional
