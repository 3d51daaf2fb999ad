// The spline file (*.spl, "Data for Analysis"): the smoothed concentration on the grid.
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
constexpr const char* kTitle = "% Data for Hall-Effect Analysis";
constexpr const char* kColumns = "% Temperature [K]   Majority-Carrier Concentration [cm^-3] ";
constexpr const char* kFile = "spline file";
}  // namespace

bool Analysis::SaveSplineFile() {
  files::RequirePath(AnalysisDataFile, kFile);
  files::RequireLength(SplineTemperature.size(), GridCount, kFile, "the temperature grid");
  files::RequireLength(SplineConcentration.size(), GridCount, kFile, "the spline");
  TextFileWriter w;
  w.Line(kTitle);
  header::WriteVersionLine(w, *this);
  header::WriteFileLines(w, *this, header::Stage::Spline);
  header::WriteSampleBlock(w, *this);
  header::WriteRemarkLine(w, *this);
  header::WriteSplineBlock(w, *this);
  w.Line(kColumns);
  for (int j = 0; j < GridCount; ++j)
    w.Line(FormatPoint(SplineTemperature[j]) + "     " + FormatPoint(SplineConcentration[j]));
  w.Commit(AnalysisDataFile);
  return true;
}

bool Analysis::LoadSplineFile() {
  TextFileReader r(AnalysisDataFile);
  for (int line = 1; line <= 5; ++line) r.NextLine();  // title, version and file lines
  header::SampleBlock sample = header::ReadSampleBlock(r);
  std::string remark = r.NextValue(2);
  const header::SplineBlock spline = header::ReadSplineBlock(r);
  r.NextLine();  // column names

  std::vector<double> points = ReadPoints(r, spline.GridCount, {"temperature", "concentration"});
  std::vector<double> t(points.size() / 2), n(points.size() / 2);
  for (std::size_t j = 0; j < t.size(); ++j) {
    t[j] = points[2 * j];
    n[j] = points[2 * j + 1];
  }

  sample.Remark = std::move(remark);
  sample.ApplyTo(*this);
  spline.ApplyTo(*this);
  SplineTemperature = std::move(t);
  SplineConcentration = std::move(n);
  return true;
}
