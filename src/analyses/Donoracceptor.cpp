#include "analyses/Donoracceptor.h"

#include <cmath>

#include "core/Error.h"
#include "core/Headerblocks.h"
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
  FitSlope = FitIntercept = CorrelationCoefficient = 0;
  LineX1 = LineY1 = LineX2 = LineY2 = 0;
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
  const LineFit fit = FitSums(sums);
  const double x1 = 1000 / data_.T[range_.IndexHighestTemperature()];
  const double x2 = 1000 / data_.T[range_.IndexLowestTemperature()];
  const double y1 = std::exp(fit.slope * x1 + fit.intercept), y2 = std::exp(fit.slope * x2 + fit.intercept);
  if (!std::isfinite(y1) || !std::isfinite(y2))
    throw Error("The fitted line leaves the range of numbers at the ends of the fitting range.");
  FoundCompensatingDensity = found;
  FitSlope = fit.slope;
  FitIntercept = fit.intercept;
  CorrelationCoefficient = fit.correlation;
  LineX1 = x1;
  LineY1 = y1;
  LineX2 = x2;
  LineY2 = y2;
}

double DonorAcceptorAnalysis::NeutralityResidual(double E, double kT, double Nc) const {
  return MajorityDensity / (DopantDegeneracy * std::exp((ObtainedLevel - E) / kT) + 1) -
         (Nc * std::exp(-E / kT) + FoundCompensatingDensity);
}

void DonorAcceptorAnalysis::SimulateConcentration() {
  std::vector<double> temperatures = InverseTemperatureGrid(data_.T.front(), data_.T.back());
  std::vector<double> concentrations;
  concentrations.reserve(temperatures.size());
  for (double T : temperatures) {
    const double kT = KT(T);
    const double Nc = dosCoefficient_ * std::pow(T, 1.5);
    const double E = SolveFermiLevel([&](double e) { return NeutralityResidual(e, kT, Nc); });
    const double n = Nc * std::exp(-E / kT);
    if (!std::isfinite(n)) throw Error("The simulated concentration at " + FormatGeneral(T) + " K is not finite.");
    concentrations.push_back(n);
  }
  CurveTemperature = std::move(temperatures);
  CurveConcentration = std::move(concentrations);
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
  namespace h = korv::header;
  TextFileWriter w;
  w.Line("% One Donor and One Acceptor");
  h::WriteVersionLine(w, a);
  h::WriteFileLines(w, a, h::Stage::FermiLevel);
  w.Line("% One donor and one acceptor file: " + path);
  h::WriteSampleBlock(w, a);
  h::WriteRemarkLine(w, a);
  h::WriteDensityOfStatesBlock(w, a);
  w.Line("% Degeneracy factor: " + FormatHeaderReal(DopantDegeneracy));
  w.Line(Separator(60));
  w.Line("% Conditions for analysis ");
  w.Line(Separator(60));
  const int low = range_.IndexLowestTemperature(), high = range_.IndexHighestTemperature();
  w.Line("% Lowest temperature [K]: " + FormatHeaderReal(data_.T[low]));
  w.Line("% Index Of lowest temperature: " + std::to_string(low));
  w.Line("% Highest temperature [K]: " + FormatHeaderReal(data_.T[high]));
  w.Line("% Index Of highest temperature: " + std::to_string(high));
  w.Line(Separator(60));
  w.Line("% Obateind results ");  // sic: files written so far carry this spelling
  w.Line(Separator(60));
  w.Line("% ln(y) = a*(1000/T) + b ");
  w.Line("% Slope: " + FormatHeaderReal(FitSlope));
  w.Line("% Intersection: " + FormatHeaderReal(FitIntercept));
  w.Line("% Correlation coefficient: " + FormatHeaderReal(CorrelationCoefficient));
  w.Line((nType_ ? "% Donor level [eV]: " : "% Acceptor level [eV]: ") + FormatHeaderReal(ObtainedLevel));
  w.Line((nType_ ? "% Donor density [cm^-3]: " : "% Acceptor density [cm^-3]: ") + FormatHeaderReal(MajorityDensity));
  w.Line((nType_ ? "% Acceptor density [cm^-3]: " : "% Donor density [cm^-3]: ") +
         FormatHeaderReal(FoundCompensatingDensity));
  w.Line((nType_ ? "% (m*/m0)^3/2*(Mc/g) : " : "% (m*/m0)^3/2*(1/g) : ") + FormatHeaderReal(MassFactor));
  w.Line("% temperature [K]  Concentration [cm^-3] ");
  for (std::size_t i = 0; i < CurveTemperature.size() && i < CurveConcentration.size(); ++i)
    w.Line(FormatPoint(CurveTemperature[i]) + "   " + FormatPoint(CurveConcentration[i]));
  return w;
}

void DonorAcceptorAnalysis::WriteCncFile(const Analysis& a, const std::string& path) {
  CncLines(a, path).Commit(path);
  CncFileName = path;
}

}  // namespace korv::conventional
