// Golden files: one measurement of the test data walked through the whole analysis as
// the main window walks it, every file it saves compared line by line with the copy kept
// in tests/data/golden. Header lines must match byte for byte; the numbers of the point
// lines to six significant digits. KORV_UPDATE_GOLDEN=1 rewrites the kept copies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "FilesFixture.h"
#include "core/Analysis.h"
#include "core/Numbers.h"
#include "core/TextFile.h"
#include "files/Report.h"
#include "materials/MaterialTable.h"

using namespace korv::test;
namespace fs = std::filesystem;

namespace {

const std::string kStem = "13_gan_n_two_donors";

fs::path goldenFolder() { return fs::path(KORV_TEST_DATA) / "golden"; }

std::vector<std::string> tokens(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string t; in >> t;) out.push_back(t);
  return out;
}

// A point line matches when it has the same numbers to within the last printed digit.
bool samePoints(const std::string& actual, const std::string& expected) {
  if (actual == expected) return true;
  auto a = tokens(actual), e = tokens(expected);
  if (a.size() != e.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    double x, y;
    if (!korv::TryParseReal(a[i], x) || !korv::TryParseReal(e[i], y)) return false;
    if (std::abs(x - y) > 2e-5 * std::max(std::abs(x), std::abs(y)) + 1e-300) return false;
  }
  return true;
}

void compareWithGolden(const std::string& name, bool report = false) {
  SCOPED_TRACE(name);
  const fs::path golden = goldenFolder() / name;
  if (std::getenv("KORV_UPDATE_GOLDEN")) {
    fs::create_directories(goldenFolder());
    fs::copy_file(name, golden, fs::copy_options::overwrite_existing);
  }
  ASSERT_TRUE(fs::exists(golden)) << golden;
  const auto actual = ReadCrLfLines(name);
  const auto expected = ReadCrLfLines(golden.string());
  ASSERT_EQ(actual.size(), expected.size());
  int mismatches = 0;
  for (std::size_t i = 0; i < actual.size() && mismatches < 10; ++i) {
    const bool header = report || expected[i].rfind("%", 0) == 0;
    if (header ? actual[i] != expected[i] : !samePoints(actual[i], expected[i])) {
      ++mismatches;
      ADD_FAILURE() << "line " << i + 1 << "\n  written: [" << actual[i] << "]\n  golden:  [" << expected[i] << "]";
    }
  }
}

class GoldenFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::copy_file(fs::path(KORV_TEST_DATA) / "datasets" / (kStem + ".nT"), dir_.Path() / (kStem + ".nT"));
    fs::current_path(dir_.Path());  // file names in the headers stay free of the scratch folder
  }
  void TearDown() override { fs::current_path(previous_); }

  // The later stages' resets, as the main window runs them before a stage is recomputed.
  void clearFrom(int stage) {
    if (stage <= 2) a.ClearSplineStage();
    if (stage <= 3) a.ClearDensityOfStatesStage();
    if (stage <= 4) a.ClearAnalysisStages();
    if (stage <= 5) a.ClearFirstAnalysis();
    if (stage <= 6) a.ClearSecondAnalysis();
    if (stage <= 7) a.ClearThirdAnalysis();
    a.ClearSimulation();
  }

  // H calculation and evaluation of slot k; a requested recalculation carries the
  // compensating density of the first analysis into the next attempt.
  void analyse(int k, double g) {
    clearFrom(k + 6);
    for (int attempt = 0;; ++attempt) {
      ASSERT_LT(attempt, 3) << "H" << k + 1 << " asks for recalculation again and again";
      a.DegeneracyFactor[k] = g;
      bool ok = a.CalculateH(k) && a.CalculateExperimentalH(k) && a.Evaluate(k);
      if (ok) break;
      ASSERT_TRUE(a.RecalculationRequested) << "H" << k + 1 << " failed";
      a.CompensatingDensity = a.TemporaryCompensatingDensity[0];
      a.RecalculationRequested = false;
    }
    a.RecalculationRequested = false;
    clearFrom(k + 6);
  }

  void run() {
    a.VersionInformation = "Version 1.51 (2004/6/2)";
    a.ExperimentalDataFile = kStem + ".nT";
    ASSERT_TRUE(a.LoadMeasurementFile());
    clearFrom(2);

    // The spline takes the first to the last point of positive reliability.
    std::vector<int> reliable;
    for (int i = 0; i < a.DataCount; ++i)
      if (a.Reliability[i] > 0) reliable.push_back(i);
    ASSERT_FALSE(reliable.empty());
    a.FirstIndex = reliable.front();
    a.LastIndex = reliable.back();
    ASSERT_TRUE(a.CalculateSpline());
    clearFrom(3);
    a.AnalysisDataFile = kStem + ".spl";
    ASSERT_TRUE(a.SaveSplineFile());
    ASSERT_NE(korv::ApplyMaterialParameters(a), nullptr);

    ASSERT_TRUE(a.CalculateEffectiveDensityOfStates());
    ASSERT_TRUE(a.CalculateFermiLevel());
    clearFrom(4);
    a.FermiLevelFile = kStem + ".fl";
    ASSERT_TRUE(a.SaveFermiLevelFile());

    analyse(0, 2);
    a.AnalysisFile[0] = kStem + ".H1";
    ASSERT_TRUE(a.SaveAnalysisFile(0));
    ASSERT_TRUE(a.CheckSimulatedH(0)) << "the second donor should leave room for H2";
    analyse(1, 2);
    a.AnalysisFile[1] = kStem + ".H2";
    ASSERT_TRUE(a.SaveAnalysisFile(1));

    // The simulation tab holds the results as shown: densities "0.00E+00", levels "0.####".
    for (int s = 0; s < 3; ++s) {
      a.SimUseLevel[s] = s < 2;
      a.SimDensity[s] = korv::ParseReal(korv::FormatPattern(a.Density[s], "0.00E+00"));
      a.SimEnergyLevel[s] = korv::ParseReal(korv::FormatPattern(a.EnergyLevel[s], "0.####"));
    }
    a.SimUseCompensation = true;
    a.SimCompensatingDensity = korv::ParseReal(korv::FormatPattern(a.CompensatingDensity, "0.00E+00"));
    ASSERT_TRUE(a.Simulate());
    a.SimulationFile = kStem + ".simH";
    ASSERT_TRUE(a.SaveSimulationFile());
    korv::SaveReport(korv::BuildReport(a), kStem + ".datH");
  }

  Analysis a;

 private:
  TempFolder dir_{"files"};
  fs::path previous_;
};

TEST_F(GoldenFiles, TwoDonorGaNFromMeasurementToReport) {
  run();
  if (HasFatalFailure()) return;
  compareWithGolden(kStem + ".spl");
  compareWithGolden(kStem + ".fl");
  compareWithGolden(kStem + ".H1");
  compareWithGolden(kStem + ".H2");
  compareWithGolden(kStem + ".simH");
  compareWithGolden(kStem + ".datH", true);
}

}  // namespace
