// The donor-acceptor analysis: one majority dopant compensated by one dopant of the other
// kind. For a given net density the compensating density is searched for which
// ln(n(n+c)/(net-n)/T^1.5) against 1000/T is the best straight line; the line gives the
// level of the majority dopant and the mass factor, and the densities give a simulated n(T).
#pragma once

#include <string>
#include <vector>

#include "analyses/OneImpurity.h"

namespace korv::conventional {

// Trials of the search: c = net * 10^(-3 + 0.01 i), i = 0 .. 600.
inline constexpr int kCompensationTrials = 601;

class DonorAcceptorAnalysis : public RangeFitAnalysis {
 public:
  // Reads the record (PrepareWindow): the whole range, the net density proposed as the
  // concentration at the highest temperature, no results.
  void Prepare(const Analysis& a);

  // Densities, level and fit back to 0 (mass factor and the y points stay).
  void ClearResults();

  // The trial compensating density of search step i.
  double TrialDensity(int i) const;
  // Whether point i enters the fit and the y plot (NetDensity > n_i).
  bool Usable(int i) const { return NetDensity > data_.n[i]; }
  // y_i = n_i (n_i + c) / (NetDensity - n_i) / T_i^1.5.
  double Y(int i, double c) const;
  // The line through ln(y) of the usable points of the range for compensating density c;
  // false when the points give no line (fewer than two, one temperature, equal values).
  bool FitLineY(double c, LineFit& fit) const;
  // The most negative correlation over the 601 trials (the smaller c on ties); keeps
  // FoundCompensatingDensity when no trial gives a negative one. Then the line of the
  // chosen density and its end points. Throws korv::Error when that line is degenerate.
  void SearchCompensation();

  // "Evaluation" after the net density has been checked and stored: the search, the
  // densities, level and mass factor, and the simulation, as one transaction: on an
  // error the results are cleared and the simulated curve is kept.
  void Evaluate();
  // n(T) from T_0 up to the last grid point below the highest measured temperature.
  void SimulateConcentration();
  double NeutralityResidual(double E, double kT, double Nc) const;

  TextFileWriter CncLines(const Analysis& a, const std::string& path) const;
  // Writes the *.CNC file; throws korv::Error naming the file and the reason.
  void WriteCncFile(const Analysis& a, const std::string& path);

  double NetDensity = 0;
  double DonorDensity = 0, AcceptorDensity = 0;
  double ObtainedLevel = 0;
  double MajorityDensity = 0;
  double FoundCompensatingDensity = 0;
  double MassFactor = 0;
  std::string CncFileName;
  double DopantDegeneracy = 2;
};

// N_C/T^(3/2) in cm^-3 K^-3/2 for m* = m0 and one minimum (about 4.8296e15).
double FreeElectronDosCoefficient();

}  // namespace korv::conventional
