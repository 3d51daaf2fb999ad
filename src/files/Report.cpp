#include "files/Report.h"

#include "core/Error.h"
#include "core/Numbers.h"
#include "core/TextFile.h"
#include "files/ResultFiles.h"

namespace korv {

namespace {

// Labels of lines 1 to 13; the values follow directly.
constexpr const char* kTitle = "Korvan (Automatic Evaluation Version)";
constexpr const char* kVersion = "% Version Information:     ";
constexpr const char* kFunctionTemplate = " Function Type:            ";
constexpr const char* kFunction = " Function Type:  ";
constexpr const char* kSampleNumber = "Sample Number:             ";
constexpr const char* kSemiconductor = "Semiconductor:             ";
constexpr const char* kConductionType = "Conduction Type:           ";
constexpr const char* kOriginalFile = "Original File:             ";
constexpr const char* kExperimentalDataFile = "File of Experimental Data: ";
constexpr const char* kAnalysisDataFile = "Data File for Analysis:    ";
constexpr const char* kFermiLevelFile = "Fermi Level File:          ";
constexpr const char* kAnalysisFile[3] = {
    "H1 File:                   ", "H2 File:                   ", "H3 File:                   "};
constexpr const char* kResults = "Obtained Results";
constexpr const char* kDensity[3] = {
    "First Density:                   ", "Second Density:                  ", "Third Density:                   "};
constexpr const char* kEnergy[3] = {
    "First Energy Level:              ", "Second Energy Level:             ", "Third Energy Level:              "};
// sic: stored reports rely on this spelling
constexpr const char* kCompensation = "Conpensating Density:            ";
constexpr const char* kDensityUnit = " cm^-3";
constexpr const char* kEnergyUnit = " eV";

std::string density(double value) { return FormatPattern(value, "0.00E+00"); }
std::string energy(double value) { return FormatPattern(value, "0.0000"); }

}  // namespace

std::vector<std::string> ReportTemplate() {
  std::vector<std::string> lines = {
      kTitle,           kVersion,         kFunctionTemplate,     kSampleNumber,     kSemiconductor,
      kConductionType,  kOriginalFile,    kExperimentalDataFile, kAnalysisDataFile, kFermiLevelFile,
      kAnalysisFile[0], kAnalysisFile[1], kAnalysisFile[2],      kResults};
  for (int s = 0; s < 3; ++s) {
    lines.push_back(std::string(kDensity[s]) + kDensityUnit);
    lines.push_back(std::string(kEnergy[s]) + kEnergyUnit);
  }
  lines.push_back(std::string(kCompensation) + kDensityUnit);
  return lines;
}

std::vector<std::string> BuildReport(const Analysis& a) {
  std::vector<std::string> lines;
  lines.push_back(kTitle);
  lines.push_back(kVersion + a.VersionInformation);
  lines.push_back(kFunction + files::FunctionText(a.FunctionType));
  lines.push_back(kSampleNumber + a.SampleNumber);
  lines.push_back(kSemiconductor + a.Semiconductor);
  lines.push_back(kConductionType + a.ConductionType);
  lines.push_back(kOriginalFile + a.OriginalFile);
  lines.push_back(kExperimentalDataFile + a.ExperimentalDataFile);
  lines.push_back(kAnalysisDataFile + a.AnalysisDataFile);
  lines.push_back(kFermiLevelFile + a.FermiLevelFile);
  for (int s = 0; s < 3; ++s) lines.push_back(kAnalysisFile[s] + a.AnalysisFile[s]);
  lines.push_back(kResults);
  for (int s = 0; s < 3; ++s) {
    lines.push_back(kDensity[s] + density(a.Density[s]) + kDensityUnit);
    lines.push_back(kEnergy[s] + energy(a.EnergyLevel[s]) + kEnergyUnit);
  }
  lines.push_back(kCompensation + density(a.CompensatingDensity) + kDensityUnit);
  return lines;
}

std::string ProposedReportName(const Analysis& a) {
  const std::string extension = a.FunctionType == 1 ? ".datS" : ".datH";
  const std::string& path = a.FermiLevelFile;
  // The extension is what follows the last point of the file name, not of a folder.
  std::size_t slash = path.find_last_of("/\\");
  std::size_t dot = path.find_last_of('.');
  std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string stem = (dot == std::string::npos || dot < nameStart) ? path : path.substr(0, dot);
  return stem + extension;
}

void SaveReport(const std::vector<std::string>& lines, const std::string& path) {
  files::RequirePath(path, "report");
  TextFileWriter w;
  for (const auto& line : lines) w.Line(line);
  w.Commit(path);
}

}  // namespace korv
