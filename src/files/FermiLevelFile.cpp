// The Fermi-level files: *.fl on the grid (read and written) and *.flE at the
// measured points (written only).
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/Error.h"
#include "core/HeaderBlocks.h"
#include "core/Numbers.h"
#include "core/TextFile.h"
#include "files/ResultFiles.h"

using namespace korv;

namespace {
constexpr const char* kTitle = "% Temperature dependence of Fermi level";
constexpr const char* kColumns = "% Temperature [K]   Fermi Level [eV] ";
constexpr const char* kExperimentalColumns =
    "% Temperature [K]   Concentration [cm-3]      Experimental Fermi Level [eV]  reliability";

// Lines 1 to 26, shared by both files; `fermiLevelFile` is the name written on line 6.
void writeHeader(TextFileWriter& w, const Analysis& a, const std::string& fermiLevelFile) {
  w.Line(kTitle);
  header::WriteVersionLine(w, a);
  header::WriteFileLines(w, a, header::Stage::Spline);
  w.Line(std::string(header::kFermiLevelFile) + fermiLevelFile);
  header::WriteSampleBlock(w, a);
  header::WriteRemarkLine(w, a);
  header::WriteSplineBlock(w, a);
  header::WriteDensityOfStatesBlock(w, a);
}
}  // namespace

bool Analysis::SaveFermiLevelFile() {
  constexpr const char* kFile = "Fermi-level file";
  files::RequirePath(FermiLevelFile, kFile);
  files::RequireLength(SplineTemperature.size(), GridCount, kFile, "the temperature grid");
  files::RequireLength(FermiLevel.size(), GridCount, kFile, "the Fermi level");
  TextFileWriter w;
  writeHeader(w, *this, FermiLevelFile);
  w.Line(kColumns);
  for (int j = 0; j < GridCount; ++j) w.Line(FormatPoint(SplineTemperature[j]) + "     " + FormatPoint(FermiLevel[j]));
  w.Commit(FermiLevelFile);
  return true;
}

bool Analysis::SaveExperimentalFermiLevelFile() {
  constexpr const char* kFile = "experimental Fermi-level file";
  files::RequirePath(ExperimentalFermiLevelFile, kFile);
  files::RequireLength(Temperature.size(), DataCount, kFile, "the measurement");
  files::RequireLength(Concentration.size(), DataCount, kFile, "the measurement");
  files::RequireLength(Reliability.size(), DataCount, kFile, "the measurement");
  files::RequireLength(ExperimentalFermiLevel.size(), DataCount, kFile, "the Fermi level at the measured points");
  TextFileWriter w;
  writeHeader(w, *this, ExperimentalFermiLevelFile);
  w.Line(kExperimentalColumns);
  for (int i = 0; i < DataCount; ++i)
    w.Line(FormatPoint(Temperature[i]) + "      " + FormatPoint(Concentration[i]) + "     " +
           FormatPoint(ExperimentalFermiLevel[i]) + "     " + FormatPoint(Reliability[i]));
  w.Commit(ExperimentalFermiLevelFile);
  return true;
}

bool Analysis::LoadFermiLevelFile() {
  TextFileReader r(FermiLevelFile);
  for (int line = 1; line <= 6; ++line) r.NextLine();  // title, version and file lines
  header::SampleBlock sample = header::ReadSampleBlock(r);
  std::string remark = r.NextValue(2);
  const header::SplineBlock spline = header::ReadSplineBlock(r);
  double mass = header::ReadRealValue(r, header::kEffectiveMass);
  double minima = header::ReadRealValue(r, header::kEquivalentMinima);
  double dos = header::ReadRealValue(r, header::kDosCoefficient);
  std::string dosRemark = r.NextValue(2);
  r.NextLine();  // column names

  // Only the Fermi level is kept; the grid temperatures of the file are dropped.
  std::vector<double> points = ReadPoints(r, spline.GridCount, {"temperature", "Fermi level"});
  std::vector<double> level(points.size() / 2);
  for (std::size_t j = 0; j < level.size(); ++j) level[j] = points[2 * j + 1];

  sample.Remark = std::move(remark);
  sample.ApplyTo(*this);
  spline.ApplyTo(*this);
  EffectiveMass = mass;
  EquivalentMinima = minima;
  DosCoefficient = dos;
  DensityOfStatesRemark = dosRemark;
  FermiLevel = std::move(level);
  return true;
}
