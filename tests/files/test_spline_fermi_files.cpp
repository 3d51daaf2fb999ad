// The spline file, the Fermi-level file and the experimental Fermi-level file:
// exact headers, round trips through the position-based readers, and bad input.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <functional>

#include "FilesFixture.h"
#include "core/Analysis.h"
#include "core/Error.h"
#include "support/SampleComparison.h"

using namespace korv::test;

namespace {

class SplineFermiFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FillRecord(a);
    a.AnalysisDataFile = dir.File("s1.spl");
    a.FermiLevelFile = dir.File("s1.fl");
    a.ExperimentalFermiLevelFile = dir.File("s1.flE");
  }
  void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  TempFolder dir{"files"};
  Analysis a;
};

std::vector<std::string> commonHeader(const Analysis& a, const std::string& title, bool fermiLine,
                                      const std::string& fermiFile) {
  std::vector<std::string> lines = {title, "% Version Information: Version 1.51 (2004/6/2)",
                                    "% Original file: C:/data/orig.txt", "% Experimental data file: /data/s1.nT",
                                    "% File of data for analysis: " + a.AnalysisDataFile};
  if (fermiLine) lines.push_back("% Fermi level file: " + fermiFile);
  Append(lines, SampleBlockLines());
  lines.push_back("% annealed 30 min");
  Append(lines, SplineBlockLines());
  return lines;
}

TEST_F(SplineFermiFiles, SplineFileLineByLine) {
  ASSERT_TRUE(a.SaveSplineFile());
  std::vector<std::string> expected = commonHeader(a, "% Data for Hall-Effect Analysis", false, "");
  expected.push_back("% Temperature [K]   Majority-Carrier Concentration [cm^-3] ");
  Append(expected, {"50     1.5e+13", "50.1     1.51235e+13", "50.2     1.53e+13"});
  ExpectLines(ReadCrLfLines(a.AnalysisDataFile), expected);
}

TEST_F(SplineFermiFiles, FermiLevelFilesLineByLine) {
  ASSERT_TRUE(a.SaveFermiLevelFile());
  ASSERT_TRUE(a.SaveExperimentalFermiLevelFile());
  std::vector<std::string> fl = commonHeader(a, "% Temperature dependence of Fermi level", true, a.FermiLevelFile);
  Append(fl, DensityOfStatesBlockLines());
  std::vector<std::string> flE =
      commonHeader(a, "% Temperature dependence of Fermi level", true, a.ExperimentalFermiLevelFile);
  Append(flE, DensityOfStatesBlockLines());
  ASSERT_EQ(fl.size(), 26u);

  fl.push_back("% Temperature [K]   Fermi Level [eV] ");
  Append(fl, {"50     0.05", "50.1     0.0501", "50.2     0.0502"});
  ExpectLines(ReadCrLfLines(a.FermiLevelFile), fl);

  // Every measured point, whatever its reliability; six blanks after the temperature.
  flE.push_back("% Temperature [K]   Concentration [cm-3]      Experimental Fermi Level [eV]  reliability");
  Append(flE, {"50      1.5e+13     0.05     1", "100      2.25e+15     0.12     1", "200      8e+15     0.2     0.5",
               "300      1e+16     0.25     0"});
  ExpectLines(ReadCrLfLines(a.ExperimentalFermiLevelFile), flE);
}

TEST_F(SplineFermiFiles, SplineRoundTripRestoresHeaderAndGrid) {
  a.SplineTemperature = {50, 50.1, 50.2};
  a.SplineConcentration = {1.5e13, 1.5123456789e13, 1.53e13};
  ASSERT_TRUE(a.SaveSplineFile());

  Analysis b;
  b.AnalysisDataFile = a.AnalysisDataFile;
  b.OriginalFile = "kept";
  b.ExperimentalDataFile = "kept too";
  b.Temperature = {1, 2};
  ASSERT_TRUE(b.LoadSplineFile());
  EXPECT_EQ(b.OriginalFile, "kept");
  EXPECT_EQ(b.ExperimentalDataFile, "kept too");
  EXPECT_EQ(b.AnalysisDataFile, a.AnalysisDataFile);
  ExpectSameSample(b, a);
  EXPECT_EQ(b.DataCount, a.DataCount);
  EXPECT_EQ(b.FirstIndex, a.FirstIndex);
  EXPECT_EQ(b.LastIndex, a.LastIndex);
  EXPECT_EQ(b.GridCount, a.GridCount);
  EXPECT_EQ(b.Smoothness, a.Smoothness);
  ASSERT_EQ(b.SplineTemperature.size(), 3u);
  ASSERT_EQ(b.SplineConcentration.size(), 3u);
  for (int j = 0; j < 3; ++j) {
    EXPECT_NEAR(b.SplineTemperature[j], a.SplineTemperature[j], 5e-6 * a.SplineTemperature[j]);
    EXPECT_NEAR(b.SplineConcentration[j], a.SplineConcentration[j], 5e-6 * a.SplineConcentration[j]);
  }
  EXPECT_EQ(b.SplineConcentration[1], 1.51235e13);  // six significant digits, no more
  // The measured points are not part of the file.
  EXPECT_EQ(b.Temperature, (std::vector<double>{1, 2}));
}

TEST_F(SplineFermiFiles, FermiLevelRoundTripKeepsSplineArrays) {
  ASSERT_TRUE(a.SaveFermiLevelFile());
  Analysis b;  // spline arrays as the clears leave them
  const auto temperatures = b.SplineTemperature;
  const auto concentrations = b.SplineConcentration;
  b.FermiLevelFile = a.FermiLevelFile;
  ASSERT_TRUE(b.LoadFermiLevelFile());
  EXPECT_EQ(b.SplineTemperature, temperatures);
  EXPECT_EQ(b.SplineConcentration, concentrations);
  EXPECT_EQ(b.FermiLevel, a.FermiLevel);
  EXPECT_EQ(b.GridCount, 3);
  EXPECT_EQ(b.FirstIndex, 0);
  EXPECT_EQ(b.LastIndex, 3);
  EXPECT_EQ(b.Smoothness, 5000);
  EXPECT_EQ(b.EffectiveMass, 0.32);
  EXPECT_EQ(b.EquivalentMinima, 6);
  EXPECT_EQ(b.DosCoefficient, 5.25e15);
  EXPECT_EQ(b.DensityOfStatesRemark, "from table");
  EXPECT_EQ(b.Semiconductor, "Si");
  EXPECT_EQ(b.Remark, "annealed 30 min");

  // An empty grid stays empty, too.
  Analysis c;
  c.SplineTemperature.clear();
  c.SplineConcentration.clear();
  c.FermiLevelFile = a.FermiLevelFile;
  ASSERT_TRUE(c.LoadFermiLevelFile());
  EXPECT_TRUE(c.SplineTemperature.empty());
  EXPECT_TRUE(c.SplineConcentration.empty());
  EXPECT_EQ(c.FermiLevel.size(), 3u);
}

TEST_F(SplineFermiFiles, ReadersAcceptLfAndIgnoreLineStructureOfPoints) {
  ASSERT_TRUE(a.SaveSplineFile());
  std::string text = ReadBytes(a.AnalysisDataFile);
  std::string lf;
  for (char c : text)
    if (c != '\r') lf += c;
  // Join the points onto one line: extraction does not care.
  std::size_t points = lf.find("[cm^-3] \n") + 9;
  std::string joined = lf.substr(0, points);
  for (char c : lf.substr(points)) joined += c == '\n' ? ' ' : c;
  WriteText(a.AnalysisDataFile, joined);
  Analysis b;
  b.AnalysisDataFile = a.AnalysisDataFile;
  ASSERT_TRUE(b.LoadSplineFile());
  EXPECT_EQ(b.SplineConcentration, (std::vector<double>{1.5e13, 1.51235e13, 1.53e13}));
}

// A German desktop writes and reads the same points: no decimal commas.
TEST_F(SplineFermiFiles, IndependentOfTheDesktopLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
    GTEST_SKIP() << "no German locale installed";
  a.MagneticField = 0.5;
  const bool savedOk = a.SaveSplineFile();
  Analysis b;
  b.AnalysisDataFile = a.AnalysisDataFile;
  const bool loadedOk = b.LoadSplineFile();
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_TRUE(savedOk && loadedOk);
  auto lines = ReadCrLfLines(a.AnalysisDataFile);
  EXPECT_EQ(lines[13], "% Magnetic Field [T]: 0.5");
  EXPECT_EQ(lines[23], "50.1     1.51235e+13");
  EXPECT_EQ(b.MagneticField, 0.5);
  EXPECT_EQ(b.SplineTemperature[1], 50.1);
}

// Reads by position: a label one character short shifts its value by one character.
TEST_F(SplineFermiFiles, ReaderRemovesFixedLabelLengths) {
  ASSERT_TRUE(a.SaveSplineFile());
  std::string text = ReadBytes(a.AnalysisDataFile);
  std::size_t at = text.find("% Sample number: ");
  text.replace(at, 17, "% Sample number:");
  WriteText(a.AnalysisDataFile, text);
  Analysis b;
  b.AnalysisDataFile = a.AnalysisDataFile;
  ASSERT_TRUE(b.LoadSplineFile());
  EXPECT_EQ(b.SampleNumber, "-12");
}

struct BadInput {
  const char* what;
  const char* find;     // text of the written files to replace
  const char* replace;  // its replacement
  const char* message;  // part of the error text
  const char* where;    // the part that says where: what was expected and found
  int splineLine;       // the line named in the spline file
  int fermiLine;        // and in the Fermi-level file
};

// Any fault leaves the record exactly as it was before the load; the message names the
// file, the line, what was expected there and what was found.
TEST_F(SplineFermiFiles, BadInputFailsWithoutTouchingTheRecord) {
  const BadInput cases[] = {
      {"text for a number", "% Smoothness: 5000", "% Smoothness: soft", "'soft' is not a valid floating point value",
       "expected '% Smoothness: ' and a number, found '% Smoothness: soft'.", 21, 22},
      {"grid count not an integer", "% Number of data for analysis: 3", "% Number of data for analysis: 3.5",
       "'3.5' is not a valid integer value",
       "expected '% Number of data for analysis: ' and a whole number, found '% Number of data for analysis: 3.5'.", 20,
       21},
      {"negative grid count", "% Number of data for analysis: 3", "% Number of data for analysis: -3", "negative",
       "expected '% Number of data for analysis: ' and a count of 0 or more", 20, 21},
      {"more points promised than held", "% Number of data for analysis: 3",
       "% Number of data for analysis: 2000000000", "ends after 3 of 2000000000",
       "expected the temperature of point 4, found the end of the file (it ends after line ", 26, 31},
      {"point that is not a number", "50.1     ", "50.1     1.5x ", "'1.5x", "(a number), found '50.1     1.5x ", 24,
       29},
      {"infinite point", "50.1     ", "50.1     1e999 ", "'1e999", "(a number), found '50.1     1e999 ", 24, 29},
      {"file cut after the header", "50     ", "", "ends after 0 of 3",
       "expected the temperature of point 1, found the end of the file (it ends after line ", 23, 28},
  };
  ASSERT_TRUE(a.SaveSplineFile());
  ASSERT_TRUE(a.SaveFermiLevelFile());
  for (const auto& c : cases) {
    for (bool fermi : {false, true}) {
      const std::string path = fermi ? a.FermiLevelFile : a.AnalysisDataFile;
      std::string text = ReadBytes(path);
      std::size_t at = text.find(c.find);
      ASSERT_NE(at, std::string::npos) << c.what;
      if (*c.replace)
        text.replace(at, std::string(c.find).size(), c.replace);
      else
        text.resize(at);
      const std::string bad = dir.File(fermi ? "bad.fl" : "bad.spl");
      WriteText(bad, text);

      Analysis b;
      b.Semiconductor = "before";
      b.SplineConcentration = {7};
      b.FermiLevel = {8};
      b.GridCount = 11;
      (fermi ? b.FermiLevelFile : b.AnalysisDataFile) = bad;
      try {
        fermi ? b.LoadFermiLevelFile() : b.LoadSplineFile();
        ADD_FAILURE() << c.what << " was accepted";
      } catch (const korv::Error& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find(c.message), std::string::npos) << c.what << ": " << text;
        const std::string line =
            "In line " + std::to_string(fermi ? c.fermiLine : c.splineLine) + " of '" + bad + "': ";
        EXPECT_NE(text.find(line + "expected "), std::string::npos) << c.what << ": " << text;
        EXPECT_NE(text.find(c.where), std::string::npos) << c.what << ": " << text;
      }
      EXPECT_EQ(b.Semiconductor, "before") << c.what;
      EXPECT_EQ(b.GridCount, 11) << c.what;
      EXPECT_EQ(b.SplineConcentration, std::vector<double>{7}) << c.what;
      EXPECT_EQ(b.FermiLevel, std::vector<double>{8}) << c.what;
    }
  }
}

TEST_F(SplineFermiFiles, MissingOrEmptyFilesFail) {
  Analysis b;
  b.AnalysisDataFile = dir.File("none.spl");
  EXPECT_THROW(b.LoadSplineFile(), korv::Error);
  b.FermiLevelFile = dir.File("empty.fl");
  WriteText(b.FermiLevelFile, "");
  EXPECT_THROW(b.LoadFermiLevelFile(), korv::Error);
  b.FermiLevelFile = dir.Path().string();  // a folder
  EXPECT_THROW(b.LoadFermiLevelFile(), korv::Error);
}

// A stage that was cleared leaves arrays shorter than the grid: nothing is written.
TEST_F(SplineFermiFiles, WritersRefuseShortArraysAndKeepTheOldFile) {
  ASSERT_TRUE(a.SaveSplineFile());
  ASSERT_TRUE(a.SaveFermiLevelFile());
  ASSERT_TRUE(a.SaveExperimentalFermiLevelFile());
  const std::string spl = ReadBytes(a.AnalysisDataFile), fl = ReadBytes(a.FermiLevelFile),
                    flE = ReadBytes(a.ExperimentalFermiLevelFile);
  Analysis::ClearArray(a.SplineConcentration);
  Analysis::ClearArray(a.FermiLevel);
  Analysis::ClearArray(a.ExperimentalFermiLevel);
  EXPECT_THROW(a.SaveSplineFile(), korv::Error);
  EXPECT_THROW(a.SaveFermiLevelFile(), korv::Error);
  EXPECT_THROW(a.SaveExperimentalFermiLevelFile(), korv::Error);
  EXPECT_EQ(ReadBytes(a.AnalysisDataFile), spl);
  EXPECT_EQ(ReadBytes(a.FermiLevelFile), fl);
  EXPECT_EQ(ReadBytes(a.ExperimentalFermiLevelFile), flE);
}

// The error names the file: by its kind when there is no name, else by its path.
void expectNamed(const std::function<void()>& save, const std::string& named) {
  try {
    save();
    ADD_FAILURE() << "saved: " << named;
  } catch (const korv::Error& e) {
    EXPECT_NE(std::string(e.what()).find(named), std::string::npos) << e.what();
  }
}

TEST_F(SplineFermiFiles, EmptyPathOrMissingFolderNamesTheFile) {
  a.AnalysisDataFile.clear();
  expectNamed([&] { a.SaveSplineFile(); }, "spline file");
  a.ExperimentalFermiLevelFile.clear();
  expectNamed([&] { a.SaveExperimentalFermiLevelFile(); }, "experimental Fermi-level file");
  a.FermiLevelFile = dir.File("no such folder/s1.fl");
  expectNamed([&] { a.SaveFermiLevelFile(); }, a.FermiLevelFile);
  WriteText(dir.File("plain"), "not a folder");
  a.AnalysisDataFile = dir.File("plain/s1.spl");
  expectNamed([&] { a.SaveSplineFile(); }, a.AnalysisDataFile);
}

TEST_F(SplineFermiFiles, ReadOnlyFolderNamesTheFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "folder permissions do not stop root";
  std::filesystem::create_directories(dir.Path() / "locked");
  ::chmod((dir.Path() / "locked").c_str(), 0500);
  a.ExperimentalFermiLevelFile = dir.File("locked/s1.flE");
  expectNamed([&] { a.SaveExperimentalFermiLevelFile(); }, a.ExperimentalFermiLevelFile);
  ::chmod((dir.Path() / "locked").c_str(), 0700);
}

}  // namespace

// A measurement file given where a spline or Fermi-level file belongs: the message names
// the file, the line and what stands there instead of the expected label.
TEST_F(SplineFermiFiles, AMeasurementFileInPlaceOfASplineFileNamesTheLine) {
  a.ExperimentalDataFile = dir.File("m.nT");
  a.DataCount = 0;
  ASSERT_TRUE(a.SaveMeasurementFile());
  const std::string before = ReadBytes(a.ExperimentalDataFile);
  for (bool fermi : {false, true}) {
    Analysis b;
    (fermi ? b.FermiLevelFile : b.AnalysisDataFile) = a.ExperimentalDataFile;
    try {
      fermi ? b.LoadFermiLevelFile() : b.LoadSplineFile();
      ADD_FAILURE() << "a measurement file was read as " << (fermi ? "Fermi-level" : "spline") << " file";
    } catch (const korv::Error& e) {
      const std::string line = fermi ? "14" : "13";
      const std::string found = fermi ? "% Current [A]: 1E-5" : "% Magnetic Field [T]: 0.5";
      EXPECT_EQ(std::string(e.what()),
                "'' is not a valid floating point value. In line " + line + " of '" + a.ExperimentalDataFile +
                    "': expected '% Sample thickness [micron]: ' and a number, found '" + found + "'.");
    }
  }
  EXPECT_EQ(ReadBytes(a.ExperimentalDataFile), before);
}
