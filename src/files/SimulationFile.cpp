// The simulation file (*.simH, *.simS): simulated concentration and Fermi level on
// the grid with the levels and the compensating density that produced them.
#include <string>

#include "core/Analysis.h"
#include "core/HeaderBlocks.h"
#include "core/Numbers.h"
#include "core/TextFile.h"
#include "files/ResultFiles.h"

using namespace korv;

bool Analysis::SaveSimulationFile() {
  constexpr const char* kFile = "simulation file";
  files::RequirePath(SimulationFile, kFile);
  files::RequireLength(SplineTemperature.size(), GridCount, kFile, "the temperature grid");
  files::RequireLength(SimulatedConcentration.size(), GridCount, kFile, "the simulated concentration");
  files::RequireLength(SimulatedFermiLevel.size(), GridCount, kFile, "the simulated Fermi level");

  constexpr const char* kOrdinal[3] = {"First", "Second", "Third"};
  TextFileWriter w;
  // sic: stored files and their readers rely on this spelling
  w.Line("% Simulation of Majority-Carrier Concentartion (Auto-evaluation version)");
  header::WriteVersionLine(w, *this);
  w.Line("% Function Type: " + files::FunctionText(FunctionType));
  header::WriteFileLines(w, *this, header::Stage::FermiLevel);
  // Every level is written; one left out of the simulation with density 0.
  for (int s = 0; s < 3; ++s) {
    w.Line("% " + std::string(kOrdinal[s]) +
           " density [cm^-3]: " + FormatHeaderReal((SimUseLevel[s] ? SimDensity[s] : 0.0)));
    w.Line("% " + std::string(kOrdinal[s]) + " energy level [eV]: " + FormatHeaderReal(SimEnergyLevel[s]));
  }
  // sic: stored files and their readers rely on this spelling
  w.Line("% Compenating density [cm^-3]: " + FormatHeaderReal((SimUseCompensation ? SimCompensatingDensity : 0.0)));
  w.Line("% Temperature [K]   Simulated carrier concentration [cm^-3]   Simulated Fermi level [eV] ");
  for (int j = 0; j < GridCount; ++j)
    w.Line(FormatPoint(SplineTemperature[j]) + "     " + FormatPoint(SimulatedConcentration[j]) + "     " +
           FormatPoint(SimulatedFermiLevel[j]));
  w.Commit(SimulationFile);
  return true;
}
