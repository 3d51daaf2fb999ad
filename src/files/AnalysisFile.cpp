// Result files of the successive analyses: *.H1 to *.H3 (or *.S1 to *.S3) on the grid,
// and their experimental counterparts *.H1E to *.H3E at the measured points. One writer
// serves all six; the analysis slot and the kind decide the lines that differ.
#include <string>

#include "core/Analysis.h"
#include "core/Error.h"
#include "core/HeaderBlocks.h"
#include "core/Numbers.h"
#include "core/TextFile.h"
#include "files/ResultFiles.h"

using namespace korv;

namespace {

constexpr const char* kOrdinal[3] = {"First", "Second", "Third"};
constexpr const char* kUnit = " [cm^-6 eV^-2.5]";

enum class Kind { Grid, Experimental };

// "H1", "H2", "H3": the labels name the H function also in S-function files.
std::string label(int k) { return "H" + std::to_string(k + 1); }

std::string fileDescription(const Analysis& a, int k, Kind kind) {
  std::string name = (a.FunctionType == 1 ? "S" : "H") + std::to_string(k + 1);
  return kind == Kind::Experimental ? "experimental " + name + " file" : name + " result file";
}

void checkSlot(int k) {
  if (k < 0 || k > 2) throw Error("There is no analysis " + std::to_string(k + 1) + " to save.");
}

void writeLine(TextFileWriter& w, const std::string& labelText, double value) {
  w.Line(labelText + FormatHeaderReal(value));
}

void writeHeader(TextFileWriter& w, const Analysis& a, int k, Kind kind) {
  w.Line("% " + std::string(kOrdinal[k]) + " Analysis (Automatic Evaluation Version " + a.AutoEvaluationType + " )");
  header::WriteVersionLine(w, a);
  w.Line("% Function Type: " + files::FunctionText(a.FunctionType));
  header::WriteFileLines(w, a, header::Stage::FermiLevel);
  // Name lines: the files of the earlier analyses, then this file.
  const std::string& own = kind == Kind::Grid ? a.AnalysisFile[k] : a.ExperimentalAnalysisFile[k];
  if (kind == Kind::Experimental && k == 0) {
    w.Line("% Experimental H1 file: " + own);
  } else {
    for (int s = 0; s < k; ++s) w.Line("% " + label(s) + " file: " + a.AnalysisFile[s]);
    w.Line("% " + label(k) + " file: " + own);
  }
  header::WriteSampleBlock(w, a);
  header::WriteRemarkLine(w, a);
  header::WriteSplineBlock(w, a);
  header::WriteDensityOfStatesBlock(w, a);

  const std::string h = label(k);
  const int peak = a.PeakIndex[k];
  w.Line(files::DashLine());
  w.Line("% Conditions for analysis of " + h + " ");
  w.Line(files::DashLine());
  writeLine(w, "% E_ref for " + h + " [eV]: ", a.Eref[k]);
  writeLine(w, "% Peak temperature of " + h + " [K]: ", a.SplineTemperature[peak]);
  writeLine(w, "% Peak value of " + h + kUnit + ": ", a.HValues[k][peak]);
  if (kind == Kind::Experimental && k == 0) return;  // the experimental H1 file stops at the peak value
  writeLine(w, "% Degeneracy factor for " + h + ": ", a.DegeneracyFactor[k]);
  writeLine(w, "% Check temperature of " + h + " [K]: ", a.CheckTemperature[k]);
}

// Everything a writer reads must be there: the stage of a short row was cleared.
void checkPeak(const Analysis& a, int k, const std::string& file) {
  if (a.HValues.size() <= static_cast<std::size_t>(k))
    throw Error("Cannot save the " + file + ": " + label(k) + " has not been calculated.");
  const int peak = a.PeakIndex[k];
  if (peak < 0 || static_cast<std::size_t>(peak) >= a.SplineTemperature.size() ||
      static_cast<std::size_t>(peak) >= a.HValues[k].size())
    throw Error("Cannot save the " + file + ": the peak of " + label(k) + " lies outside the grid.");
}

}  // namespace

bool Analysis::SaveAnalysisFile(int k) {
  checkSlot(k);
  const std::string file = fileDescription(*this, k, Kind::Grid);
  files::RequirePath(AnalysisFile[k], file);
  checkPeak(*this, k, file);
  files::RequireLength(SplineTemperature.size(), GridCount, file, "the temperature grid");
  files::RequireLength(HValues[k].size(), GridCount, file, label(k));
  files::RequireLength(SimulatedH.size() > static_cast<std::size_t>(k) ? SimulatedH[k].size() : 0, GridCount, file,
                       "the simulated " + label(k));

  TextFileWriter w;
  writeHeader(w, *this, k, Kind::Grid);
  w.Line(files::DashLine());
  w.Line("% Obtained results ");
  w.Line(files::DashLine());
  for (int s = 0; s <= k; ++s) {
    writeLine(w, "% " + std::string(kOrdinal[s]) + " density [cm^-3]: ", Density[s]);
    writeLine(w, "% " + std::string(kOrdinal[s]) + " energy level [eV]: ", EnergyLevel[s]);
  }
  writeLine(w, "% temporary compensating density [cm^-3]: ", TemporaryCompensatingDensity[k]);
  // sic: stored files and their readers rely on this spelling
  writeLine(w, "% Compenating density [cm^-3]: ", CompensatingDensity);
  const std::string h = label(k) + "(T,E_ref)";
  w.Line("% Temperature [K]   " + h + kUnit + "   simulated " + h + kUnit + " ");
  for (int j = 0; j < GridCount; ++j)
    w.Line(FormatPoint(SplineTemperature[j]) + "     " + FormatPoint(HValues[k][j]) + "     " +
           FormatPoint(SimulatedH[k][j]));
  w.Commit(AnalysisFile[k]);
  return true;
}

bool Analysis::SaveExperimentalAnalysisFile(int k) {
  checkSlot(k);
  const std::string file = fileDescription(*this, k, Kind::Experimental);
  files::RequirePath(ExperimentalAnalysisFile[k], file);
  checkPeak(*this, k, file);
  files::RequireLength(Temperature.size(), DataCount, file, "the measurement");
  files::RequireLength(Concentration.size(), DataCount, file, "the measurement");
  files::RequireLength(Reliability.size(), DataCount, file, "the measurement");
  files::RequireLength(ExperimentalH.size() > static_cast<std::size_t>(k) ? ExperimentalH[k].size() : 0, DataCount,
                       file, label(k) + " at the measured points");

  TextFileWriter w;
  writeHeader(w, *this, k, Kind::Experimental);
  const std::string h = (k == 0 ? "experimental " : "Experimental ") + label(k) + "(T,E_ref)";
  w.Line("% Temperature [K]   Concentration [cm^-3]   " + h + kUnit + "   reliability ");
  for (int i = 0; i < DataCount; ++i)
    w.Line(FormatPoint(Temperature[i]) + "     " + FormatPoint(Concentration[i]) + "     " +
           FormatPoint(ExperimentalH[k][i]) + "     " + FormatPoint(Reliability[i]));
  w.Commit(ExperimentalAnalysisFile[k]);
  return true;
}
