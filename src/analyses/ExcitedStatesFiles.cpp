// The files of the excited-states window: *.simN (the Fermi-Dirac curve of the first
// result) and *.exc (the result with excited states and its curves).
#include <string>

#include "analyses/ExcitedStates.h"
#include "core/Error.h"
#include "core/HeaderBlocks.h"
#include "core/Numbers.h"
#include "core/TextFile.h"
#include "files/ResultFiles.h"

namespace korv::excited {

namespace {

constexpr double kQ = 1.6021e-19;
constexpr double kBoltzmann = 1.38054e-23;

// Lines from the measurement name down to the density-of-states remark.
void WriteSampleToDensityOfStates(TextFileWriter& w, const Analysis& a) {
  header::WriteSampleBlock(w, a);
  header::WriteRemarkLine(w, a);
  header::WriteSplineBlock(w, a);
  header::WriteDensityOfStatesBlock(w, a);
}

void WriteH1Conditions(TextFileWriter& w, const Analysis& a) {
  const int p = a.PeakIndex[0];
  w.Line(files::DashLine());
  w.Line("% Conditions for analysis of H1 ");
  w.Line(files::DashLine());
  w.Line("% E_ref for H1 [eV]: " + FormatHeaderReal(a.Eref[0]));
  w.Line("% Peak temperature of H1 [K]: " + FormatHeaderReal(a.SplineTemperature[p]));
  w.Line("% Peak value of H1 [cm^-6 eV^-2.5]: " + FormatHeaderReal(a.HValues[0][p]));
  w.Line("% Degeneracy factor for H1: " + FormatHeaderReal(a.DegeneracyFactor[0]));
  w.Line("% Check temperature of H1 [K]: " + FormatHeaderReal(a.CheckTemperature[0]));
}

std::string Row(std::initializer_list<double> values) {
  std::string line;
  for (double v : values) {
    if (!line.empty()) line += "     ";
    line += FormatPoint(v);
  }
  return line;
}

}  // namespace

bool ExcitedStates::WriteSimNFile(const std::string& path, const Array& concentration, const Array& fermiLevel) const {
  constexpr const char* kFile = "simulation file (*.simN)";
  const Analysis& a = record_;
  CheckInputs();
  files::RequirePath(path, kFile);
  files::RequireLength(concentration.size(), a.GridCount, kFile, "the simulated concentration");
  files::RequireLength(fermiLevel.size(), a.GridCount, kFile, "the simulated Fermi level");

  TextFileWriter w;
  w.Line("% Simulation of Majority-Carrier Concentartion (Auto-evaluation version)");  // sic: kept as the files read
  header::WriteVersionLine(w, a);
  w.Line("% KORV for deep dopants");
  w.Line(std::string("% Function Type: ") + files::kHFunctionText);
  header::WriteFileLines(w, a, header::Stage::FermiLevel);
  WriteSampleToDensityOfStates(w, a);
  WriteH1Conditions(w, a);
  w.Line(files::DashLine());
  // The H1 result of the main analysis, in spite of the wording of the title.
  w.Line("% Obtained results with the influence of the excited states");
  w.Line(files::DashLine());
  w.Line("% Density [cm^-3]: " + FormatHeaderReal(a.Density[0]));
  w.Line("% Energy level [eV]: " + FormatHeaderReal(a.EnergyLevel[0]));
  w.Line("% Compenating density [cm^-3]: " + FormatHeaderReal(a.TemporaryCompensatingDensity[0]));  // sic
  w.Line("% Temperature [K]   Simulated carrier concentration [cm^-3]   Simulated Fermi level [eV] ");
  for (int j = 0; j < a.GridCount; ++j) w.Line(Row({a.SplineTemperature[j], concentration[j], fermiLevel[j]}));
  w.Commit(path);
  return true;
}

bool ExcitedStates::WriteExcFile(const std::string& path) {
  constexpr const char* kFile = "excited-states file (*.exc)";
  const Analysis& a = record_;
  CheckInputs();
  files::RequirePath(path, kFile);
  const int grid = a.GridCount;
  files::RequireLength(ExcitedSimulatedH.size(), grid, kFile, "the simulated H1");
  files::RequireLength(ExcitedSimulatedConcentration.size(), grid, kFile, "the simulated concentration");
  files::RequireLength(ExcitedSimulatedFermiLevel.size(), grid, kFile, "the simulated Fermi level");
  if (HighestLevel < 1 || static_cast<int>(HydrogenicLevels.size()) < HighestLevel)
    throw korv::Error("The excited-states file cannot be written: the hydrogen-like levels are missing.");

  Array averageEnergy(grid);
  for (int j = 0; j < grid; ++j)
    averageEnergy[j] = AverageExcitedEnergy(kBoltzmann * a.SplineTemperature[j] / kQ, ExcitedEnergyLevel);

  TextFileWriter w;
  w.Line("% First Analysis (Automatic Evaluation Version " + a.AutoEvaluationType + " )");
  header::WriteVersionLine(w, a);
  w.Line("% KORV with consideration of infulence of excited states on majority carrier conncentration");  // sic
  w.Line("% With the average energy level");
  header::WriteFileLines(w, a, header::Stage::FermiLevel);
  w.Line("% H1 file: " + path);
  WriteSampleToDensityOfStates(w, a);
  WriteH1Conditions(w, a);
  w.Line(files::DashLine());
  w.Line("% Energies of the excited states");
  w.Line(files::DashLine());
  w.Line("% Ground state energy without core corrections [eV]: " + FormatHeaderReal(HydrogenicLevels[0]));
  for (int m = 1; m <= HighestLevel - 1; ++m)
    w.Line("% " + std::to_string(m) + " Excited state energy [eV]: " + FormatHeaderReal(HydrogenicLevels[m]));
  w.Line(files::DashLine());
  w.Line("% Obtained results with the influence of the excited states");
  w.Line(files::DashLine());
  w.Line("% Density [cm^-3]: " + FormatHeaderReal(ExcitedDensity));
  w.Line("% Energy level [eV]: " + FormatHeaderReal(ExcitedEnergyLevel));
  w.Line("% Compensating density [cm^-3]: " + FormatHeaderReal(ExcitedCompensatingDensity));
  if (a.ConductionType == "n-type")
    w.Line("% T    H1(T,E_ref)      sim H1(T,E_ref)   sim n(T)    sim E_F  sim E_ex  ");
  else
    w.Line("% T    H1(T,E_ref)      sim H1(T,E_ref)   sim p(T)    sim E_F  sim E_ex  ");
  w.Line("% [K]  [cm^-6 eV^-2.5]  [cm^-6 eV^-2.5]   [cm^-3]     [eV]     [eV] ");
  for (int j = 0; j < grid; ++j)
    w.Line(Row({a.SplineTemperature[j], a.HValues[0][j], ExcitedSimulatedH[j], ExcitedSimulatedConcentration[j],
                ExcitedSimulatedFermiLevel[j], averageEnergy[j]}));
  w.Commit(path);
  return true;
}

}  // namespace korv::excited
