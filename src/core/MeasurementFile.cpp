// The measurement file (*.nT, *.pT): 17 header lines and one line per point.
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/Error.h"
#include "core/HeaderBlocks.h"
#include "core/Numbers.h"
#include "core/TextFile.h"

using namespace korv;

namespace {
constexpr const char* kTitle = "% Data of Hall-Effect Measurement";
constexpr const char* kColumns = "% Temperature [K]   Majority-Carrier Concentration [cm^-3]   Reliability   ";
// Header and points into `a`; throws korv::Error naming the line that does not read.
bool readMeasurement(TextFileReader& r, Analysis& a);
}  // namespace

bool Analysis::SaveMeasurementFile() {
  if (DataCount < 0 || static_cast<std::size_t>(DataCount) > Temperature.size() ||
      static_cast<std::size_t>(DataCount) > Concentration.size() ||
      static_cast<std::size_t>(DataCount) > Reliability.size())
    throw Error("The measurement holds fewer points than its number of data (" + std::to_string(DataCount) + ").");
  TextFileWriter w;
  w.Line(kTitle);
  header::WriteVersionLine(w, *this);
  header::WriteFileLines(w, *this, header::Stage::Measurement);
  header::WriteSampleBlock(w, *this);
  header::WriteRemarkLine(w, *this);
  w.Line(kColumns);
  for (int i = 0; i < DataCount; ++i)
    w.Line(FormatPoint(Temperature[i]) + "     " + FormatPoint(Concentration[i]) + "     " +
           FormatPoint(Reliability[i]));
  w.Commit(ExperimentalDataFile);
  return true;
}

bool Analysis::LoadMeasurementFile() {
  TextFileReader r(ExperimentalDataFile);
  return readMeasurement(r, *this);
}

bool Analysis::LoadMeasurementText(const std::string& text) {
  TextFileReader r = TextFileReader::FromText(text);
  return readMeasurement(r, *this);
}

namespace {
bool readMeasurement(TextFileReader& r, Analysis& a) {
  r.NextLine();  // title
  r.NextLine();  // version
  std::string original = header::ReadTextValue(r, header::kOriginalFile);
  r.NextLine();  // the path stored in the file never overrides the one opened
  header::SampleBlock sample = header::ReadSampleBlock(r);
  if (sample.DataCount < 0)
    r.Fail("The number of data in the file is negative (" + std::to_string(sample.DataCount) + ").",
           "'" + std::string(header::kDataCount) + "' and a count of 0 or more");
  const std::string countLine = r.CurrentLine();
  std::string remark = r.NextValue(2);
  r.NextLine();  // column names

  // Points across line breaks; the count in the file is not trusted for any allocation.
  std::vector<double> points = ReadPoints(r, sample.DataCount, {"temperature", "concentration", "reliability"});
  const std::string unread = UnreadPointsNote(r, 3, countLine);

  a.OriginalFile = original;
  sample.Remark = std::move(remark);
  sample.ApplyTo(a);
  for (std::size_t i = 0; i + 2 < points.size(); i += 3) {
    a.Temperature.push_back(points[i]);
    a.Concentration.push_back(points[i + 1]);
    a.Reliability.push_back(points[i + 2]);
  }
  if (!unread.empty()) a.messages().Notice(unread);
  return true;
}
}  // namespace
