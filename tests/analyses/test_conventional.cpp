// The one-impurity and donor-acceptor analyses: line fits, range commands, evaluation,
// simulation grid, Fermi-level bisection and the two result files.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "analyses/DonorAcceptor.h"
#include "analyses/OneImpurity.h"
#include "core/Error.h"
#include "core/Numbers.h"

namespace korv::conventional {
namespace {

// A measurement whose n/T^(3/4) lies exactly on ln(y) = a*(1000/T) + b.
void FillOnLine(Analysis& a, const std::vector<double>& T, double slope, double intercept,
                const std::string& type = "n-type") {
  a.ConductionType = type;
  a.DosCoefficient = 5.25e15;
  a.DataCount = static_cast<int>(T.size());
  a.Temperature = T;
  a.Concentration.clear();
  for (double t : T) a.Concentration.push_back(std::pow(t, 0.75) * std::exp(slope * 1000 / t + intercept));
}

// Moves the range of `r` to low..high with the window's own commands.
void SetRange(FittingRange& r, int low, int high) {
  while (r.IndexHighestTemperature() > high) r.IncreaseLow();
  while (r.IndexLowestTemperature() < low) r.DecreaseHigh();
}

TEST(LineFit, TwoPointsGiveCorrelationOfOneAndALineThroughBoth) {
  for (double slope : {-0.3, 0.2}) {
    Analysis a;
    FillOnLine(a, {40, 50, 60, 80}, slope, 30);
    a.Concentration[1] *= 1.7;  // off the line: only the two chosen points count
    OneImpurityAnalysis o;
    o.Prepare(a);
    SetRange(o.Range(), 2, 3);
    o.FitLine();
    EXPECT_NEAR(o.CorrelationCoefficient, slope < 0 ? -1 : 1, 1e-9) << slope;
    // x = 1000/T falls with T, ln(n/T^0.75) = slope*x + b; the correlation is of x and y.
    EXPECT_NEAR(o.FitSlope, slope, 1e-9);
    EXPECT_NEAR(o.LineX1, 1000.0 / 80, 1e-12);
    EXPECT_NEAR(o.LineY1, a.Concentration[3] / std::pow(80, 0.75), 1e-9 * o.LineY1);
    EXPECT_NEAR(o.LineY2, a.Concentration[2] / std::pow(60, 0.75), 1e-9 * o.LineY2);
  }
}

TEST(LineFit, DegenerateSumsGiveAMessageInsteadOfNumbers) {
  struct Case {
    const char* what;
    std::vector<std::pair<double, double>> points;
    const char* message;
  } cases[] = {
      {"one point", {{1, 2}}, "fewer than two usable points"},
      {"no point", {}, "fewer than two usable points"},
      {"one temperature", {{2, 1}, {2, 3}, {2, 5}}, "lie at one temperature"},
      {"equal values", {{1, 4}, {2, 4}, {3, 4}}, "are equal"},
      {"infinite value", {{1, 4}, {2, -INFINITY}}, "not a finite number"},
  };
  for (const auto& c : cases) {
    LineSums s;
    for (auto [x, y] : c.points) s.Add(x, y);
    LineFit fit;
    EXPECT_FALSE(TryFitSums(s, fit)) << c.what;
    try {
      FitSums(s);
      ADD_FAILURE() << c.what << " gave a line";
    } catch (const korv::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
    }
  }
}

TEST(FittingRange, CommandsRefuseAndClampAtBothEnds) {
  // Start: 0..4 of five points. Each row: command, expected low and high after it.
  struct Step {
    void (FittingRange::*command)();
    int low, high;
  } steps[] = {
      {&FittingRange::DecreaseLow, 0, 4},   // at N-1: clamped
      {&FittingRange::IncreaseHigh, 0, 4},  // at 0: clamped
      {&FittingRange::IncreaseLow, 0, 3},  {&FittingRange::IncreaseLow, 0, 2},
      {&FittingRange::IncreaseLow, 0, 1},  {&FittingRange::IncreaseLow, 0, 1},  // would meet the low end: refused
      {&FittingRange::DecreaseHigh, 0, 1},                                      // would meet the high end: refused
      {&FittingRange::DecreaseLow, 0, 2},  {&FittingRange::DecreaseHigh, 1, 2},
      {&FittingRange::DecreaseHigh, 1, 2}, {&FittingRange::IncreaseHigh, 0, 2},
  };
  FittingRange r;
  r.Reset(5);
  int row = 0;
  for (const auto& s : steps) {
    (r.*s.command)();
    EXPECT_EQ(r.IndexLowestTemperature(), s.low) << "step " << row;
    EXPECT_EQ(r.IndexHighestTemperature(), s.high) << "step " << row;
    ++row;
  }
}

TEST(OneImpurity, DensityCommentChangesStrictlyAbove1e20) {
  Analysis a;
  FillOnLine(a, {40, 50, 60}, -0.2, 30);
  OneImpurityAnalysis o;
  o.Prepare(a);
  o.FitSlope = -0.2;
  o.FitIntercept = 0;
  o.CoefficientA = 1e-10;  // density (1/1e-10)^2 = 1e20 exactly
  o.EvaluateImpurity();
  ASSERT_EQ(o.ObtainedDensity, 1e20);
  EXPECT_EQ(o.Comment1,
            "Please compare the obtained donor density with the density in the saturation range of n(T)-1000/T.");
  o.CoefficientA = 1e-10 * (1 - 1e-12);
  o.EvaluateImpurity();
  ASSERT_GT(o.ObtainedDensity, 1e20);
  EXPECT_EQ(o.Comment1, "The obtained donor density may not be reasonable, because it is too high.");
  EXPECT_EQ(o.Comment3,
            "When the obtained donor density is not reasonable, the obtained donor level is not reliable either.");
}

TEST(OneImpurity, RecoversLevelAndDensityOfAnExactFreezeOut) {
  // n/T^0.75 = A sqrt(N) exp(-E/(2kT)): slope a = -E q/(2000 k), b = ln(A sqrt(N)).
  const double E = 0.045, N = 1e16, N0 = 5.25e15, A = std::sqrt(N0 * 0.5);
  Analysis a;
  FillOnLine(a, {30, 35, 40, 45, 50}, -E * kCharge / (2000 * kBoltzmann), std::log(A * std::sqrt(N)));
  OneImpurityAnalysis o;
  o.Prepare(a);
  EXPECT_EQ(o.CoefficientA, A);
  EXPECT_EQ(o.DopantDegeneracy, 2);
  o.Evaluate();
  EXPECT_NEAR(o.ObtainedLevel, E, 1e-12);
  EXPECT_NEAR(o.ObtainedDensity, N, 1e-6 * N);
  ASSERT_FALSE(o.CurveTemperature.empty());
  EXPECT_EQ(o.CurveTemperature.front(), 30);
  EXPECT_LT(o.CurveTemperature.back(), 1000);
  // At 30 K the simulated one-donor curve meets the freeze-out line it came from.
  EXPECT_NEAR(o.CurveConcentration.front() / a.Concentration.front(), 1, 0.02);
  for (double n : o.CurveConcentration) ASSERT_TRUE(std::isfinite(n) && n > 0);

  // p-type: g = 4 and A = sqrt(N0)/2.
  FillOnLine(a, {30, 35, 40}, -0.2, 30, "p-type");
  o.Prepare(a);
  EXPECT_EQ(o.DopantDegeneracy, 4);
  EXPECT_EQ(o.CoefficientA, std::sqrt(5.25e15) * 0.5);
  o.Evaluate();
  EXPECT_EQ(o.Comment2,
            "This is because the density in the saturation range of p(T)-1000/T indicates a reasonable acceptor "
            "density.");
}

TEST(OneImpurity, DegenerateRangeClearsResultsAndKeepsTheCurve) {
  Analysis a;
  FillOnLine(a, {40, 40, 60, 80}, -0.2, 30);
  OneImpurityAnalysis o;
  o.Prepare(a);
  o.Evaluate();
  const auto curve = o.CurveConcentration;
  SetRange(o.Range(), 0, 1);  // two points at 40 K
  EXPECT_THROW(o.Evaluate(), korv::Error);
  EXPECT_EQ(o.ObtainedDensity, 0);
  EXPECT_EQ(o.ObtainedLevel, 0);
  EXPECT_EQ(o.CorrelationCoefficient, 0);
  EXPECT_TRUE(o.Comment1.empty());
  EXPECT_EQ(o.CurveConcentration, curve);
}

TEST(SimulationGrid, StepsOf1e5InInverseTemperatureWithTheirEnds) {
  // A first temperature at or above the limit: the starting point only.
  EXPECT_EQ(InverseTemperatureGrid(1000, 1000), std::vector<double>{1000});
  EXPECT_EQ(InverseTemperatureGrid(2000, 1000), std::vector<double>{2000});
  // At 1e5 K and above 1/T - 1e-5 is not positive: one point, and the loop ends.
  EXPECT_EQ(InverseTemperatureGrid(1e5, 1e9), std::vector<double>{1e5});
  EXPECT_EQ(InverseTemperatureGrid(2e5, 1e9), std::vector<double>{2e5});
  // Two measured temperatures closer than one step: one simulated point.
  EXPECT_EQ(InverseTemperatureGrid(300, 300.5).size(), 1u);
  const auto g = InverseTemperatureGrid(100, 110);
  ASSERT_GT(g.size(), 2u);
  EXPECT_NEAR(1 / g[0] - 1 / g[1], 1e-5, 1e-15);
  EXPECT_LT(g.back(), 110);
  EXPECT_GE(1 / (1 / g.back() - 1e-5), 110);
  EXPECT_THROW(InverseTemperatureGrid(0, 1000), korv::Error);
  EXPECT_THROW(InverseTemperatureGrid(1e-4, 1000), korv::Error);  // 1e9 points
}

TEST(OneImpurity, FirstTemperatureOf1000KSimulatesOnePoint) {
  Analysis a;
  FillOnLine(a, {1000, 1100, 1200}, -0.2, 30);
  OneImpurityAnalysis o;
  o.Prepare(a);
  o.Evaluate();
  EXPECT_EQ(o.CurveTemperature, std::vector<double>{1000});
  EXPECT_EQ(o.CurveConcentration.size(), 1u);
}

TEST(FermiLevel, BisectsThirtyTimesOrStopsOnAnExactZero) {
  int calls = 0;
  const double root = 0.123456;
  double E = SolveFermiLevel([&](double e) {
    ++calls;
    return e - root;
  });
  EXPECT_EQ(calls, 60);  // lower and mid in each of 30 iterations
  EXPECT_NEAR(E, root, 1.5 / (1 << 29));
  calls = 0;
  E = SolveFermiLevel([&](double e) {
    ++calls;
    return e - 0.375;  // the second midpoint
  });
  EXPECT_EQ(E, 0.375);
  EXPECT_EQ(calls, 4);
}

// A compensated n-type measurement from the neutrality of one donor and one acceptor.
void FillCompensated(Analysis& a, double ND, double NA, double E, const std::string& type = "n-type") {
  a.ConductionType = type;
  a.DosCoefficient = 5.25e15;
  a.Temperature.clear();
  a.Concentration.clear();
  const double g = type == "n-type" ? 2 : 4;
  for (double T = 30; T <= 300; T *= 1.08) {
    const double kT = KT(T), Nc = a.DosCoefficient * std::pow(T, 1.5);
    // n (n + NA) / (ND - NA - n) = (Nc/g) exp(-E/kT)
    const double K = Nc / g * std::exp(-E / kT);
    const double b = NA + K, c = -K * (ND - NA);
    a.Temperature.push_back(T);
    a.Concentration.push_back((-b + std::sqrt(b * b - 4 * c)) / 2);
  }
  a.DataCount = static_cast<int>(a.Temperature.size());
}

TEST(DonorAcceptor, SearchRecoversTheCompensationOfAnExactModel) {
  Analysis a;
  FillCompensated(a, 1e16, 2e15, 0.045);
  DonorAcceptorAnalysis d;
  d.Prepare(a);
  EXPECT_EQ(d.NetDensity, a.Concentration.back());
  d.NetDensity = 8e15;
  EXPECT_NEAR(d.TrialDensity(0), 8e12, 8e12 * 1e-13);
  EXPECT_NEAR(d.TrialDensity(600), 8e18, 8e18 * 1e-13);
  d.Evaluate();
  EXPECT_NEAR(d.FoundCompensatingDensity / 2e15, 1, 0.025);  // within a trial step of 0.01 decade
  EXPECT_NEAR(d.MajorityDensity, 8e15 + d.FoundCompensatingDensity, 1);
  EXPECT_EQ(d.DonorDensity, d.MajorityDensity);
  EXPECT_EQ(d.AcceptorDensity, d.FoundCompensatingDensity);
  EXPECT_NEAR(d.ObtainedLevel, 0.045, 5e-4);
  // exp(b) = N0/g: the mass factor is N0/(g * 4.83e15).
  EXPECT_NEAR(FreeElectronDosCoefficient(), 4.8296e15, 0.0001e15);
  EXPECT_NEAR(d.MassFactor, 5.25e15 / 2 / FreeElectronDosCoefficient(), 0.02);
  EXPECT_LT(d.CorrelationCoefficient, -0.9999);
  EXPECT_EQ(d.CurveTemperature.front(), a.Temperature.front());
  EXPECT_LT(d.CurveTemperature.back(), a.Temperature.back());

  // Evaluated again without a change: the same numbers.
  const double c = d.FoundCompensatingDensity, e = d.ObtainedLevel, r = d.CorrelationCoefficient;
  const auto curve = d.CurveConcentration;
  d.Evaluate();
  EXPECT_EQ(d.FoundCompensatingDensity, c);
  EXPECT_EQ(d.ObtainedLevel, e);
  EXPECT_EQ(d.CorrelationCoefficient, r);
  EXPECT_EQ(d.CurveConcentration, curve);
}

TEST(DonorAcceptor, PTypeSwapsTheDensitiesAndUsesG4) {
  Analysis a;
  FillCompensated(a, 2e16, 4e15, 0.045, "p-type");
  DonorAcceptorAnalysis d;
  d.Prepare(a);
  EXPECT_EQ(d.DopantDegeneracy, 4);
  d.NetDensity = 1.6e16;
  d.Evaluate();
  EXPECT_EQ(d.AcceptorDensity, d.MajorityDensity);
  EXPECT_EQ(d.DonorDensity, d.FoundCompensatingDensity);
  EXPECT_NEAR(d.FoundCompensatingDensity / 4e15, 1, 0.025);
}

TEST(DonorAcceptor, PointsAtOrAboveTheNetDensityAreLeftOut) {
  Analysis a;
  FillCompensated(a, 1e16, 2e15, 0.045);
  DonorAcceptorAnalysis d;
  d.Prepare(a);
  d.NetDensity = a.Concentration[5];
  EXPECT_FALSE(d.Usable(5));
  EXPECT_TRUE(d.Usable(4));
  EXPECT_FALSE(d.Usable(6));
  // Only points 0..4 remain: the fit uses five points, the first trial among them.
  LineFit fit;
  EXPECT_TRUE(d.FitLineY(d.TrialDensity(0), fit));
  d.NetDensity = a.Concentration[1];  // only point 0 below it
  EXPECT_FALSE(d.FitLineY(d.TrialDensity(0), fit));
  try {
    d.Evaluate();
    ADD_FAILURE() << "a one-point fit gave results";
  } catch (const korv::Error& e) {
    EXPECT_NE(std::string(e.what()).find("fewer than two usable points"), std::string::npos) << e.what();
  }
  EXPECT_EQ(d.ObtainedLevel, 0);
  EXPECT_EQ(d.MajorityDensity, 0);
}

TEST(ResultFiles, CnoAndCncLinesWithTheSharedHeader) {
  Analysis a;
  FillCompensated(a, 1e16, 2e15, 0.045);
  a.VersionInformation = "KORV Ver. 1.51";
  a.ExperimentalDataFile = "/d/s1.nT";
  a.FermiLevelFile = "/d/s1.fl";
  a.SampleNumber = "S-7";
  a.Remark = "remark";
  a.DensityOfStatesRemark = "Si";
  OneImpurityAnalysis o;
  o.Prepare(a);
  SetRange(o.Range(), 0, 8);
  o.Evaluate();
  const auto cno = o.CnoLines(a, "/d/s1.CNO").Lines();
  ASSERT_EQ(cno.size(), 44 + o.CurveTemperature.size());
  EXPECT_EQ(cno[0], "% Only One Impurity");
  EXPECT_EQ(cno[1], "% Version Information: KORV Ver. 1.51");
  EXPECT_EQ(cno[5], "% Fermi level file: /d/s1.fl");
  EXPECT_EQ(cno[6], "% Conventional Analysis file: /d/s1.CNO");
  EXPECT_EQ(cno[11], "% Sample number: S-7");
  EXPECT_EQ(cno[18], "% remark");
  EXPECT_EQ(cno[22], "% Si");
  EXPECT_EQ(cno[23], "% Degeneracy factor: 2");
  EXPECT_EQ(cno[24], "% " + std::string(60, '-') + " ");
  EXPECT_EQ(cno[28], "% Index Of lowest temperature: 0");
  EXPECT_EQ(cno[30], "% Index Of highest temperature: 8");
  EXPECT_EQ(cno[31], "% " + std::string(56, '-') + " ");
  EXPECT_EQ(cno[32], "% Obtained results ");
  EXPECT_EQ(cno[34], "% ln(n) = a*(1000/T) + b ");
  EXPECT_EQ(cno[38].substr(0, 20), "% Donor level [eV]: ");
  EXPECT_EQ(cno[40], "% " + o.Comment1);
  EXPECT_EQ(cno[43], "% temperature [K]  Concentration [cm^-3] ");
  EXPECT_EQ(cno[44], "30   " + FormatPoint(o.CurveConcentration[0]));

  DonorAcceptorAnalysis d;
  d.Prepare(a);
  d.NetDensity = 8e15;
  d.Evaluate();
  const auto cnc = d.CncLines(a, "/d/s1.CNC").Lines();
  ASSERT_EQ(cnc.size(), 43 + d.CurveTemperature.size());
  EXPECT_EQ(cnc[0], "% One Donor and One Acceptor");
  EXPECT_EQ(cnc[6], "% One donor and one acceptor file: /d/s1.CNC");
  EXPECT_EQ(cnc[31], "% " + std::string(60, '-') + " ");
  EXPECT_EQ(cnc[32], "% Obateind results ");
  EXPECT_EQ(cnc[34], "% ln(y) = a*(1000/T) + b ");
  EXPECT_EQ(cnc[39], "% Donor density [cm^-3]: " + FormatHeaderReal(d.MajorityDensity));
  EXPECT_EQ(cnc[40], "% Acceptor density [cm^-3]: " + FormatHeaderReal(d.FoundCompensatingDensity));
  EXPECT_EQ(cnc[41], "% (m*/m0)^3/2*(Mc/g) : " + FormatHeaderReal(d.MassFactor));
  EXPECT_EQ(cnc[42], "% temperature [K]  Concentration [cm^-3] ");
  const std::string text = d.CncLines(a, "/d/s1.CNC").Text();
  EXPECT_EQ(text.substr(0, 30), "% One Donor and One Acceptor\r\n");

  // A file that cannot be written: an error naming it, and no file name taken.
  EXPECT_THROW(d.WriteCncFile(a, "/nonexistent-folder/x.CNC"), korv::Error);
  EXPECT_TRUE(d.CncFileName.empty());
}

}  // namespace
}  // namespace korv::conventional
