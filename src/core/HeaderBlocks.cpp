#include "core/HeaderBlocks.h"

#include <cstring>

#include "core/Numbers.h"

namespace korv::header {

void WriteVersionLine(TextFileWriter& w, const Analysis& a) { w.Line(std::string(kVersion) + a.VersionInformation); }

void WriteFileLines(TextFileWriter& w, const Analysis& a, Stage stage) {
  w.Line(std::string(kOriginalFile) + a.OriginalFile);
  w.Line(std::string(kExperimentalDataFile) + a.ExperimentalDataFile);
  if (stage != Stage::Measurement) w.Line(std::string(kAnalysisDataFile) + a.AnalysisDataFile);
  if (stage == Stage::FermiLevel) w.Line(std::string(kFermiLevelFile) + a.FermiLevelFile);
}

void WriteSampleBlock(TextFileWriter& w, const Analysis& a) {
  w.Line(std::string(kMeasurementName) + a.MeasurementName);
  w.Line(std::string(kMeasurementDate) + a.MeasurementDate);
  w.Line(std::string(kAnalysisName) + a.AnalysisName);
  w.Line(std::string(kAnalysisDate) + a.AnalysisDate);
  w.Line(std::string(kSampleNumber) + a.SampleNumber);
  w.Line(std::string(kSemiconductor) + a.Semiconductor);
  w.Line(std::string(kConductionType) + a.ConductionType);
  w.Line(std::string(kThickness) + FormatHeaderReal(a.Thickness));
  w.Line(std::string(kMagneticField) + FormatHeaderReal(a.MagneticField));
  w.Line(std::string(kCurrent) + FormatHeaderReal(a.Current));
  w.Line(std::string(kDataCount) + std::to_string(a.DataCount));
}

void WriteRemarkLine(TextFileWriter& w, const Analysis& a) { w.Line("% " + a.Remark); }

void WriteSplineBlock(TextFileWriter& w, const Analysis& a) {
  w.Line(std::string(kFirstIndex) + std::to_string(a.FirstIndex));
  w.Line(std::string(kLastIndex) + std::to_string(a.LastIndex));
  w.Line(std::string(kGridCount) + std::to_string(a.GridCount));
  w.Line(std::string(kSmoothness) + FormatHeaderReal(a.Smoothness));
}

void WriteDensityOfStatesBlock(TextFileWriter& w, const Analysis& a) {
  w.Line(std::string(kEffectiveMass) + FormatHeaderReal(a.EffectiveMass));
  w.Line(std::string(kEquivalentMinima) + FormatHeaderReal(a.EquivalentMinima));
  w.Line(std::string(kDosCoefficient) + FormatHeaderReal(a.DosCoefficient));
  w.Line("% " + a.DensityOfStatesRemark);
}

std::string ReadTextValue(TextFileReader& r, const char* label) { return r.NextValue(std::strlen(label)); }

double ReadRealValue(TextFileReader& r, const char* label) {
  const std::string text = ReadTextValue(r, label);
  double value = 0;
  if (!TryParseReal(text, value))
    r.Fail("'" + Printable(text) + "' is not a valid floating point value",
           "'" + std::string(label) + "' and a number");
  return value;
}

int ReadIntValue(TextFileReader& r, const char* label) {
  const std::string text = ReadTextValue(r, label);
  int value = 0;
  if (!TryParseInt(text, value))
    r.Fail("'" + Printable(text) + "' is not a valid integer value", "'" + std::string(label) + "' and a whole number");
  return value;
}

SampleBlock ReadSampleBlock(TextFileReader& r) {
  SampleBlock s;
  s.MeasurementName = ReadTextValue(r, kMeasurementName);
  s.MeasurementDate = ReadTextValue(r, kMeasurementDate);
  s.AnalysisName = ReadTextValue(r, kAnalysisName);
  s.AnalysisDate = ReadTextValue(r, kAnalysisDate);
  s.SampleNumber = ReadTextValue(r, kSampleNumber);
  s.Semiconductor = ReadTextValue(r, kSemiconductor);
  s.ConductionType = ReadTextValue(r, kConductionType);
  s.Thickness = ReadRealValue(r, kThickness);
  s.MagneticField = ReadRealValue(r, kMagneticField);
  s.Current = ReadRealValue(r, kCurrent);
  s.DataCount = ReadIntValue(r, kDataCount);
  return s;
}

SplineBlock ReadSplineBlock(TextFileReader& r) {
  SplineBlock s;
  s.FirstIndex = ReadIntValue(r, kFirstIndex);
  s.LastIndex = ReadIntValue(r, kLastIndex);
  s.GridCount = ReadIntValue(r, kGridCount);
  if (s.GridCount < 0)
    r.Fail("The number of data for analysis in the file is negative (" + std::to_string(s.GridCount) + ").",
           "'" + std::string(kGridCount) + "' and a count of 0 or more");
  s.Smoothness = ReadRealValue(r, kSmoothness);
  return s;
}

void SplineBlock::ApplyTo(Analysis& a) const {
  a.FirstIndex = FirstIndex;
  a.LastIndex = LastIndex;
  a.GridCount = GridCount;
  a.Smoothness = Smoothness;
}

void SampleBlock::ApplyTo(Analysis& a) const {
  a.MeasurementName = MeasurementName;
  a.MeasurementDate = MeasurementDate;
  a.AnalysisName = AnalysisName;
  a.AnalysisDate = AnalysisDate;
  a.SampleNumber = SampleNumber;
  a.Semiconductor = Semiconductor;
  a.ConductionType = ConductionType;
  a.Thickness = Thickness;
  a.MagneticField = MagneticField;
  a.Current = Current;
  a.DataCount = DataCount;
  a.Remark = Remark;
}

SampleBlock SampleBlock::Of(const Analysis& a) {
  SampleBlock s;
  s.MeasurementName = a.MeasurementName;
  s.MeasurementDate = a.MeasurementDate;
  s.AnalysisName = a.AnalysisName;
  s.AnalysisDate = a.AnalysisDate;
  s.SampleNumber = a.SampleNumber;
  s.Semiconductor = a.Semiconductor;
  s.ConductionType = a.ConductionType;
  s.Thickness = a.Thickness;
  s.MagneticField = a.MagneticField;
  s.Current = a.Current;
  s.DataCount = a.DataCount;
  s.Remark = a.Remark;
  return s;
}

}  // namespace korv::header
