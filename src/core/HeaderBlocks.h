// The header blocks that the measurement file and every result file share, and their
// position-based reading. A value line is a fixed label (with its trailing blank)
// followed by the value; readers remove the label's length, whatever the line holds.
#pragma once

#include <string>

#include "core/Analysis.h"
#include "core/TextFile.h"

namespace korv::header {

// Labels of the value lines, exactly as written.
inline constexpr const char* kVersion = "% Version Information: ";
inline constexpr const char* kOriginalFile = "% Original file: ";
inline constexpr const char* kExperimentalDataFile = "% Experimental data file: ";
inline constexpr const char* kAnalysisDataFile = "% File of data for analysis: ";
inline constexpr const char* kFermiLevelFile = "% Fermi level file: ";
inline constexpr const char* kMeasurementName = "% Name of measurement: ";
inline constexpr const char* kMeasurementDate = "% Date of measurement: ";
inline constexpr const char* kAnalysisName = "% Name of analysis: ";
inline constexpr const char* kAnalysisDate = "% Date of Analysis: ";
inline constexpr const char* kSampleNumber = "% Sample number: ";
inline constexpr const char* kSemiconductor = "% Semiconductor: ";
inline constexpr const char* kConductionType = "% Conduction type: ";
inline constexpr const char* kThickness = "% Sample thickness [micron]: ";
inline constexpr const char* kMagneticField = "% Magnetic Field [T]: ";
inline constexpr const char* kCurrent = "% Current [A]: ";
inline constexpr const char* kDataCount = "% Number of data: ";
inline constexpr const char* kFirstIndex = "% Index of beginning data: ";
inline constexpr const char* kLastIndex = "% Index of ending data: ";
inline constexpr const char* kGridCount = "% Number of data for analysis: ";
inline constexpr const char* kSmoothness = "% Smoothness: ";
inline constexpr const char* kEffectiveMass = "% Effective mass: ";
inline constexpr const char* kEquivalentMinima = "% Equivalent minima: ";
inline constexpr const char* kDosCoefficient = "% Effective density of states/T^(3/2): ";

// How far down the stage chain a file lies: it decides which file lines it carries.
enum class Stage { Measurement, Spline, FermiLevel };

void WriteVersionLine(TextFileWriter& w, const Analysis& a);
// "% Original file: ", "% Experimental data file: ", and from the spline stage on
// "% File of data for analysis: ", from the Fermi-level stage on "% Fermi level file: ".
void WriteFileLines(TextFileWriter& w, const Analysis& a, Stage stage);
// Lines 5 to 15 of the measurement file.
void WriteSampleBlock(TextFileWriter& w, const Analysis& a);
void WriteRemarkLine(TextFileWriter& w, const Analysis& a);
void WriteSplineBlock(TextFileWriter& w, const Analysis& a);
void WriteDensityOfStatesBlock(TextFileWriter& w, const Analysis& a);

// The sample block of a record and of every file, with the remark line that follows it:
// as read back (texts as they stand, numbers converted) or as a window's form holds it.
struct SampleBlock {
  std::string MeasurementName, MeasurementDate, AnalysisName, AnalysisDate, SampleNumber, Semiconductor, ConductionType;
  double Thickness = 0, MagneticField = 0, Current = 0;
  int DataCount = 0;
  std::string Remark;
  static SampleBlock Of(const Analysis& a);
  void ApplyTo(Analysis& a) const;
};
// Reads the eleven lines of the sample block. Throws korv::Error for a number that is not
// one, naming the line.
SampleBlock ReadSampleBlock(TextFileReader& r);

// The spline block as read back.
struct SplineBlock {
  int FirstIndex = 0, LastIndex = 0, GridCount = 0;
  double Smoothness = 0;
  void ApplyTo(Analysis& a) const;
};
// Reads the four lines of the spline block. Throws korv::Error, naming the line, for a
// number that is not one or a negative number of data for analysis.
SplineBlock ReadSplineBlock(TextFileReader& r);

// Value of the next line with its label length removed and its trailing blanks dropped,
// converted. A number that is not one throws korv::Error naming the line, the label and
// what the line holds.
double ReadRealValue(TextFileReader& r, const char* label);
int ReadIntValue(TextFileReader& r, const char* label);
std::string ReadTextValue(TextFileReader& r, const char* label);

}  // namespace korv::header
