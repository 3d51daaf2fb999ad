// The measurement file (*.nT, *.pT): 17 header lines and one line per point.
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/Hallanalysis.h"
#include "core/Headerblocks.h"
#include "core/Numbers.h"
#include "core/Textfile.h"

using namespace korv;

namespace {
constexpr const char* kTitle = "% Data of Hall-Effect Measurement";
constexpr const char* kColumns = "% Temperature [K]   Majority-Carrier Concentration [cm^-3]   Reliability   ";
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
  r.NextLine();  // title
  r.NextLine();  // version
  std::string original = header::ReadTextValue(r, header::kOriginalFile);
  r.NextLine();  // the path stored in the file never overrides the one opened
  header::SampleBlock sample = header::ReadSampleBlock(r);
  std::string remark = r.NextValue(2);
  r.NextLine();  // column names
  if (sample.DataCount < 0)
    throw Error("The number of data in the file is negative (" + std::to_string(sample.DataCount) + ").");

  // Points across line breaks; the count in the file is not trusted for any allocation.
  std::vector<double> t, n, w;
  std::string token;
  for (int i = 0; i < sample.DataCount; ++i) {
    double values[3];
    for (double& v : values) {
      if (!r.ReadToken(token))
        throw Error("The file ends after " + std::to_string(i) + " of " + std::to_string(sample.DataCount) +
                    " points.");
      v = ParseReal(token);
    }
    t.push_back(values[0]);
    n.push_back(values[1]);
    w.push_back(values[2]);
  }

  OriginalFile = original;
  sample.Remark = std::move(remark);
  sample.ApplyTo(*this);
  Temperature.insert(Temperature.end(), t.begin(), t.end());
  Concentration.insert(Concentration.end(), n.begin(), n.end());
  Reliability.insert(Reliability.end(), w.begin(), w.end());
  return true;
}
