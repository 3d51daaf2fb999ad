#include "analyses/OneImpurity.h"

#include <cmath>

#include "core/Error.h"
#include "core/HeaderBlocks.h"
#include "core/Numbers.h"

namespace korv::conventional {

void LineSums::Add(double x, double y) {
  ++count;
  sx += x;
  sy += y;
  sxx += x * x;
  sxy += x * y;
  syy += y * y;
}

namespace {

enum class FitFault { None, TooFew, OneTemperature, EqualValues, NotFinite };

FitFault fitSums(const LineSums& s, LineFit& fit) {
  if (s.count < 2) return FitFault::TooFew;
  const double M = s.count;
  if (!std::isfinite(s.sx) || !std::isfinite(s.sy) || !std::isfinite(s.sxx) || !std::isfinite(s.sxy) ||
      !std::isfinite(s.syy))
    return FitFault::NotFinite;
  const double D = s.sx * s.sx - s.sxx * M;
  const double xSpread = s.sxx * M - s.sx * s.sx;
  const double ySpread = s.syy * M - s.sy * s.sy;
  if (!(xSpread > 0) || D == 0) return FitFault::OneTemperature;
  if (!(ySpread > 0)) return FitFault::EqualValues;
  LineFit f;
  f.slope = (s.sx * s.sy - s.sxy * M) / D;
  f.intercept = (s.sx * s.sxy - s.sy * s.sxx) / D;
  f.correlation = (s.sxy * M - s.sx * s.sy) / std::sqrt(xSpread) / std::sqrt(ySpread);
  if (!std::isfinite(f.slope) || !std::isfinite(f.intercept) || !std::isfinite(f.correlation))
    return FitFault::NotFinite;
  fit = f;
  return FitFault::None;
}

}  // namespace

bool TryFitSums(const LineSums& s, LineFit& fit) { return fitSums(s, fit) == FitFault::None; }

LineFit FitSums(const LineSums& s) {
  LineFit fit;
  switch (fitSums(s, fit)) {
    case FitFault::None:
      return fit;
    case FitFault::TooFew:
      throw Error("The fitting range holds fewer than two usable points: no straight line can be fitted.");
    case FitFault::OneTemperature:
      throw Error("All points of the fitting range lie at one temperature: no straight line can be fitted.");
    case FitFault::EqualValues:
      throw Error("All values of the fitting range are equal: the correlation coefficient is not defined.");
    case FitFault::NotFinite:
      break;
  }
  throw Error("The fit of the fitting range gives a value that is not a finite number.");
}

double SolveFermiLevel(const std::function<double(double E)>& residual) {
  double lower = 0, upper = kUpperLevel, mid = 0;
  for (int i = 0; i < kBisections; ++i) {
    mid = (lower + upper) * 0.5;
    const double atLower = residual(lower);
    const double atMid = residual(mid);
    if (atMid == 0) break;
    if (atLower * atMid > 0)
      lower = mid;
    else
      upper = mid;
  }
  return mid;
}

std::vector<double> InverseTemperatureGrid(double first, double limit) {
  if (!(first > 0) || !std::isfinite(first))
    throw Error("The simulation needs a positive first temperature, not " + FormatGeneral(first) + " K.");
  // Points from 1/first down to 1/limit (or to 0 when the limit is not positive).
  const double span = limit > 0 ? 1 / first - 1 / limit : 1 / first;
  if (span / kInverseStep > static_cast<double>(kMaxCurvePoints))
    throw Error("The first temperature " + FormatGeneral(first) +
                " K is too low for the simulation grid of 1e-5 K^-1 in 1/T.");
  std::vector<double> grid;
  double T = first;
  for (;;) {
    grid.push_back(T);
    const double inverse = 1 / T - kInverseStep;
    // At 1e5 K and above the next step would leave the positive temperatures.
    if (!(inverse > 0)) break;
    const double next = 1 / inverse;
    if (!(next < limit)) break;
    T = next;
  }
  return grid;
}

void FittingRange::Reset(int count) {
  count_ = count;
  low_ = 0;
  high_ = count - 1;
}

void FittingRange::DecreaseLow() {
  high_ += 1;
  if (high_ >= count_) high_ = count_ - 1;
}

void FittingRange::IncreaseLow() {
  if (high_ - 1 > low_) high_ -= 1;
}

void FittingRange::DecreaseHigh() {
  if (low_ + 1 < high_) low_ += 1;
}

void FittingRange::IncreaseHigh() {
  low_ -= 1;
  if (low_ < 0) low_ = 0;
}

Measurement TakeMeasurement(const Analysis& a) {
  Measurement m;
  const std::size_t count = std::min(a.Temperature.size(), a.Concentration.size());
  const std::size_t n = a.DataCount > 0 ? std::min<std::size_t>(count, static_cast<std::size_t>(a.DataCount)) : 0;
  if (n < 2) throw Error("The analysis needs a measurement of at least two points.");
  m.T.assign(a.Temperature.begin(), a.Temperature.begin() + static_cast<std::ptrdiff_t>(n));
  m.n.assign(a.Concentration.begin(), a.Concentration.begin() + static_cast<std::ptrdiff_t>(n));
  for (std::size_t i = 0; i < n; ++i)
    if (!(m.T[i] > 0) || !std::isfinite(m.T[i]) || !std::isfinite(m.n[i]))
      throw Error("The analysis needs positive temperatures; point " + std::to_string(i + 1) + " has " +
                  FormatGeneral(m.T[i]) + " K.");
  return m;
}

std::string Separator(int hyphens) { return "% " + std::string(static_cast<std::size_t>(hyphens), '-') + " "; }

// ---- Shared by both analyses -------------------------------------------------------

void RangeFitAnalysis::takeLine(const LineFit& fit) {
  const double x1 = 1000 / data_.T[range_.IndexHighestTemperature()];
  const double x2 = 1000 / data_.T[range_.IndexLowestTemperature()];
  const double y1 = std::exp(fit.slope * x1 + fit.intercept), y2 = std::exp(fit.slope * x2 + fit.intercept);
  if (!std::isfinite(y1) || !std::isfinite(y2))
    throw Error("The fitted line leaves the range of numbers at the ends of the fitting range.");
  FitSlope = fit.slope;
  FitIntercept = fit.intercept;
  CorrelationCoefficient = fit.correlation;
  LineX1 = x1;
  LineY1 = y1;
  LineX2 = x2;
  LineY2 = y2;
}

void RangeFitAnalysis::clearLine() {
  FitSlope = FitIntercept = CorrelationCoefficient = 0;
  LineX1 = LineY1 = LineX2 = LineY2 = 0;
}

void RangeFitAnalysis::simulate(double first, double limit,
                                const std::function<double(double E, double kT, double Nc)>& residual) {
  std::vector<double> temperatures = InverseTemperatureGrid(first, limit);
  std::vector<double> concentrations;
  concentrations.reserve(temperatures.size());
  for (double T : temperatures) {
    const double kT = KT(T);
    const double Nc = dosCoefficient_ * std::pow(T, 1.5);
    const double E = SolveFermiLevel([&](double e) { return residual(e, kT, Nc); });
    const double n = Nc * std::exp(-E / kT);
    if (!std::isfinite(n)) throw Error("The simulated concentration at " + FormatGeneral(T) + " K is not finite.");
    concentrations.push_back(n);
  }
  CurveTemperature = std::move(temperatures);
  CurveConcentration = std::move(concentrations);
}

void RangeFitAnalysis::writeHeadLines(TextFileWriter& w, const Analysis& a, const std::string& title,
                                      const std::string& fileLine, double degeneracy) const {
  namespace h = korv::header;
  w.Line(title);
  h::WriteVersionLine(w, a);
  h::WriteFileLines(w, a, h::Stage::FermiLevel);
  w.Line(fileLine);
  h::WriteSampleBlock(w, a);
  h::WriteRemarkLine(w, a);
  h::WriteDensityOfStatesBlock(w, a);
  w.Line("% Degeneracy factor: " + FormatHeaderReal(degeneracy));
  w.Line(Separator(60));
  w.Line("% Conditions for analysis ");
  w.Line(Separator(60));
  const int low = range_.IndexLowestTemperature(), high = range_.IndexHighestTemperature();
  w.Line("% Lowest temperature [K]: " + FormatHeaderReal(data_.T[low]));
  w.Line("% Index Of lowest temperature: " + std::to_string(low));
  w.Line("% Highest temperature [K]: " + FormatHeaderReal(data_.T[high]));
  w.Line("% Index Of highest temperature: " + std::to_string(high));
}

void RangeFitAnalysis::writeLineLines(TextFileWriter& w, const std::string& quantity, double level) const {
  w.Line("% ln(" + quantity + ") = a*(1000/T) + b ");
  w.Line("% Slope: " + FormatHeaderReal(FitSlope));
  w.Line("% Intersection: " + FormatHeaderReal(FitIntercept));
  w.Line("% Correlation coefficient: " + FormatHeaderReal(CorrelationCoefficient));
  w.Line((nType_ ? "% Donor level [eV]: " : "% Acceptor level [eV]: ") + FormatHeaderReal(level));
}

void RangeFitAnalysis::writeCurveLines(TextFileWriter& w) const {
  w.Line("% temperature [K]  Concentration [cm^-3] ");
  for (std::size_t i = 0; i < CurveTemperature.size() && i < CurveConcentration.size(); ++i)
    w.Line(FormatPoint(CurveTemperature[i]) + "   " + FormatPoint(CurveConcentration[i]));
}

// ---- One impurity ------------------------------------------------------------------

void OneImpurityAnalysis::Prepare(const Analysis& a) {
  Measurement data = TakeMeasurement(a);
  const bool nType = a.ConductionType == "n-type";
  const double N0 = a.DosCoefficient;
  const double A = nType ? std::sqrt(N0 * 0.5) : std::sqrt(N0) * 0.5;
  if (!(A > 0) || !std::isfinite(A))
    throw Error("The effective density of states/T^(3/2) must be positive, not " + FormatGeneral(N0) + ".");
  data_ = std::move(data);
  nType_ = nType;
  dosCoefficient_ = N0;
  CoefficientA = A;
  DopantDegeneracy = nType ? 2.0 : 4.0;
  range_.Reset(data_.Count());
  ClearResults();
  CurveTemperature.clear();
  CurveConcentration.clear();
}

void OneImpurityAnalysis::ClearResults() {
  ObtainedDensity = ObtainedLevel = 0;
  clearLine();
  Comment1.clear();
  Comment2.clear();
  Comment3.clear();
}

void OneImpurityAnalysis::FitLine() {
  ClearResults();
  LineSums sums;
  for (int i = range_.IndexLowestTemperature(); i <= range_.IndexHighestTemperature(); ++i)
    sums.Add(1000 / data_.T[i], std::log(data_.n[i] / std::pow(data_.T[i], 0.75)));
  takeLine(FitSums(sums));
}

void OneImpurityAnalysis::EvaluateImpurity() {
  const double level = -2000 * kBoltzmann * FitSlope / kCharge;
  const double root = std::exp(FitIntercept) / CoefficientA;
  const double density = root * root;
  if (!std::isfinite(level) || !std::isfinite(density) || !(density > 0))
    throw Error("The obtained density is not a finite positive number: please choose another fitting range.");
  ObtainedLevel = level;
  ObtainedDensity = density;
  const std::string dopant = nType_ ? "donor" : "acceptor";
  const std::string curve = nType_ ? "n(T)-1000/T" : "p(T)-1000/T";
  if (ObtainedDensity > 1e20)
    Comment1 = "The obtained " + dopant + " density may not be reasonable, because it is too high.";
  else
    Comment1 =
        "Please compare the obtained " + dopant + " density with the density in the saturation range of " + curve + ".";
  Comment2 = "This is because the density in the saturation range of " + curve + " indicates a reasonable " + dopant +
             " density.";
  Comment3 = "When the obtained " + dopant + " density is not reasonable, the obtained " + dopant +
             " level is not reliable either.";
}

double OneImpurityAnalysis::NeutralityResidual(double E, double kT, double Nc) const {
  return ObtainedDensity / (DopantDegeneracy * std::exp((ObtainedLevel - E) / kT) + 1) - Nc * std::exp(-E / kT);
}

void OneImpurityAnalysis::SimulateConcentration() {
  simulate(data_.T[0], 1000, [this](double E, double kT, double Nc) { return NeutralityResidual(E, kT, Nc); });
}

void OneImpurityAnalysis::Evaluate() {
  try {
    FitLine();
    EvaluateImpurity();
    SimulateConcentration();
  } catch (...) {
    ClearResults();
    throw;
  }
}

TextFileWriter OneImpurityAnalysis::CnoLines(const Analysis& a, const std::string& path) {
  TextFileWriter w;
  writeHeadLines(w, a, "% Only One Impurity", "% Conventional Analysis file: " + path, DopantDegeneracy);
  w.Line(Separator(56));
  w.Line("% Obtained results ");
  w.Line(Separator(56));
  writeLineLines(w, "n", ObtainedLevel);
  w.Line((nType_ ? "% Donor density [cm^-3]: " : "% Acceptor density [cm^-3]: ") + FormatHeaderReal(ObtainedDensity));
  w.Line("% " + Comment1);
  w.Line("% " + Comment2);
  w.Line("% " + Comment3);
  writeCurveLines(w);
  return w;
}

void OneImpurityAnalysis::WriteCnoFile(const Analysis& a, const std::string& path) {
  CnoLines(a, path).Commit(path);
  CnoFileName = path;
}

}  // namespace korv::conventional
