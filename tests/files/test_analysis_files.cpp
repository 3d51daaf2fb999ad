// The H1 to H3 result files, their experimental counterparts and the simulation file.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "FilesFixture.h"
#include "core/Analysis.h"
#include "core/Error.h"

using namespace korv::test;

namespace {

class AnalysisFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FillRecord(a);
    for (int k = 0; k < 3; ++k) {
      a.AnalysisFile[k] = dir.File("s1.H" + std::to_string(k + 1));
      a.ExperimentalAnalysisFile[k] = dir.File("s1.H" + std::to_string(k + 1) + "E");
    }
    a.SimulationFile = dir.File("s1.simH");
  }
  // Lines 2 to 7 and the sample, remark, spline and density-of-states blocks around `names`.
  std::vector<std::string> header(const std::string& title, const std::vector<std::string>& names) const {
    std::vector<std::string> lines = {title,
                                      "% Version Information: Version 1.51 (2004/6/2)",
                                      "% Function Type: H(T,Eref)=n(T)^2*exp(Eref/kT)/(kT)^2.5",
                                      "% Original file: C:/data/orig.txt",
                                      "% Experimental data file: /data/s1.nT",
                                      "% File of data for analysis: /data/s1.spl",
                                      "% Fermi level file: /data/s1.fl"};
    Append(lines, names);
    Append(lines, SampleBlockLines());
    lines.push_back("% annealed 30 min");
    Append(lines, SplineBlockLines());
    Append(lines, DensityOfStatesBlockLines());
    return lines;
  }
  TempFolder dir{"files"};
  Analysis a;
};

// The H2 file in full: every difference from H1 shows in it.
TEST_F(AnalysisFiles, SecondAnalysisFileLineByLine) {
  ASSERT_TRUE(a.SaveAnalysisFile(1));
  std::vector<std::string> expected = header("% Second Analysis (Automatic Evaluation Version Type-B )",
                                             {"% H1 file: " + a.AnalysisFile[0], "% H2 file: " + a.AnalysisFile[1]});
  Append(expected, {kDash,
                    "% Conditions for analysis of H2 ",
                    kDash,
                    "% E_ref for H2 [eV]: 0.12",
                    "% Peak temperature of H2 [K]: 50.2",
                    "% Peak value of H2 [cm^-6 eV^-2.5]: 3.3E30",
                    "% Degeneracy factor for H2: 2",
                    "% Check temperature of H2 [K]: 120",
                    kDash,
                    "% Obtained results ",
                    kDash,
                    "% First density [cm^-3]: 1E16",
                    "% First energy level [eV]: 0.045",
                    "% Second density [cm^-3]: 2E15",
                    "% Second energy level [eV]: 0.15",
                    "% temporary compensating density [cm^-3]: -20000000000000",
                    "% Compenating density [cm^-3]: 100000000000000",
                    "% Temperature [K]   H2(T,E_ref) [cm^-6 eV^-2.5]   simulated H2(T,E_ref) [cm^-6 eV^-2.5] ",
                    "50     1.1e+30     1e+30",
                    "50.1     2.2e+30     2e+30",
                    "50.2     3.3e+30     3.12346e+30"});
  ExpectLines(ReadCrLfLines(a.AnalysisFile[1]), expected);
}

TEST_F(AnalysisFiles, ExperimentalFirstAnalysisFileLineByLine) {
  ASSERT_TRUE(a.SaveExperimentalAnalysisFile(0));
  std::vector<std::string> expected = header("% First Analysis (Automatic Evaluation Version Type-B )",
                                             {"% Experimental H1 file: " + a.ExperimentalAnalysisFile[0]});
  Append(expected,
         {kDash, "% Conditions for analysis of H1 ", kDash, "% E_ref for H1 [eV]: 0.045",
          "% Peak temperature of H1 [K]: 50.1", "% Peak value of H1 [cm^-6 eV^-2.5]: 2E30",
          "% Temperature [K]   Concentration [cm^-3]   experimental H1(T,E_ref) [cm^-6 eV^-2.5]   reliability ",
          "50     1.5e+13     1     1", "100     2.25e+15     2     1", "200     8e+15     3     0.5",
          "300     1e+16     4     0"});
  ExpectLines(ReadCrLfLines(a.ExperimentalAnalysisFile[0]), expected);
}

struct FileShape {
  int k;
  bool experimental;
  std::vector<std::string> names;  // name lines after "% Fermi level file: "
  int headerLines;                 // lines before the first point
  std::vector<std::string> tail;   // the lines just before the points, ending with the column line
};

// The six writers differ only in these lines.
TEST_F(AnalysisFiles, SixFilesDifferInTheirOwnLinesOnly) {
  const std::string d = dir.File("s1.H");
  const std::vector<FileShape> shapes = {
      {0,
       false,
       {"% H1 file: " + d + "1"},
       44,
       {"% First density [cm^-3]: 1E16", "% First energy level [eV]: 0.045",
        "% temporary compensating density [cm^-3]: 100000000000000", "% Compenating density [cm^-3]: 100000000000000",
        "% Temperature [K]   H1(T,E_ref) [cm^-6 eV^-2.5]   simulated H1(T,E_ref) [cm^-6 eV^-2.5] "}},
      {2,
       false,
       {"% H1 file: " + a.AnalysisFile[0], "% H2 file: " + a.AnalysisFile[1], "% H3 file: " + d + "3"},
       50,
       {"% Third density [cm^-3]: 300000000000000", "% Third energy level [eV]: 0.35",
        "% temporary compensating density [cm^-3]: 0", "% Compenating density [cm^-3]: 100000000000000",
        "% Temperature [K]   H3(T,E_ref) [cm^-6 eV^-2.5]   simulated H3(T,E_ref) [cm^-6 eV^-2.5] "}},
      {1,
       true,
       {"% H1 file: " + a.AnalysisFile[0], "% H2 file: " + d + "2E"},
       38,
       {"% Degeneracy factor for H2: 2", "% Check temperature of H2 [K]: 120",
        "% Temperature [K]   Concentration [cm^-3]   Experimental H2(T,E_ref) [cm^-6 eV^-2.5]   reliability "}},
      {2,
       true,
       {"% H1 file: " + a.AnalysisFile[0], "% H2 file: " + a.AnalysisFile[1], "% H3 file: " + d + "3E"},
       39,
       {"% E_ref for H3 [eV]: 0.3", "% Peak temperature of H3 [K]: 50", "% Peak value of H3 [cm^-6 eV^-2.5]: 4E29",
        "% Degeneracy factor for H3: 4", "% Check temperature of H3 [K]: 250",
        "% Temperature [K]   Concentration [cm^-3]   Experimental H3(T,E_ref) [cm^-6 eV^-2.5]   reliability "}},
  };
  const char* ordinal[] = {"First", "Second", "Third"};
  for (const auto& s : shapes) {
    SCOPED_TRACE("analysis " + std::to_string(s.k + 1) + (s.experimental ? " experimental" : ""));
    ASSERT_TRUE(s.experimental ? a.SaveExperimentalAnalysisFile(s.k) : a.SaveAnalysisFile(s.k));
    auto lines = ReadCrLfLines(s.experimental ? a.ExperimentalAnalysisFile[s.k] : a.AnalysisFile[s.k]);
    ASSERT_EQ(lines.size(), s.headerLines + (s.experimental ? 4u : 3u));
    EXPECT_EQ(lines[0], std::string("% ") + ordinal[s.k] + " Analysis (Automatic Evaluation Version Type-B )");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 7, lines.begin() + 7 + s.names.size()), s.names);
    EXPECT_EQ(lines[7 + s.names.size()], "% Name of measurement: Hall run 7");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + s.headerLines - s.tail.size(), lines.begin() + s.headerLines),
              s.tail);
    EXPECT_EQ(lines.back(), s.experimental
                                ? "300     1e+16     " + std::string(s.k == 1 ? "8" : "12.5") + "     0"
                                : "50.2     " + std::string(s.k == 0 ? "3e+30     2.9e+30" : "6e+29     5e+29"));
  }
}

// An H2 file written before H3 exists names only the H1 and H2 files.
TEST_F(AnalysisFiles, SecondFileBeforeThirdAnalysis) {
  a.AnalysisFile[2].clear();
  a.ClearThirdAnalysis();
  ASSERT_TRUE(a.SaveAnalysisFile(1));
  auto lines = ReadCrLfLines(a.AnalysisFile[1]);
  EXPECT_EQ(lines[8], "% H2 file: " + a.AnalysisFile[1]);
  EXPECT_EQ(lines[9], "% Name of measurement: Hall run 7");
}

struct FunctionCase {
  int functionType;
  const char* text;
};

// S-function files keep the H labels and units; only the function line changes.
TEST_F(AnalysisFiles, FunctionTypeLine) {
  const FunctionCase cases[] = {{1, "S(T,Eref)=n(T)*exp(Eref/kT)/kT"},
                                {2, "H(T,Eref)=n(T)^2*exp(Eref/kT)/(kT)^2.5"},
                                {0, "Unknown"},
                                {3, "Unknown"}};
  for (const auto& c : cases) {
    a.FunctionType = c.functionType;
    ASSERT_TRUE(a.SaveAnalysisFile(0));
    ASSERT_TRUE(a.SaveSimulationFile());
    for (const auto& path : {a.AnalysisFile[0], a.SimulationFile}) {
      auto lines = ReadCrLfLines(path);
      ASSERT_GT(lines.size(), 3u);
      EXPECT_EQ(lines[2], std::string("% Function Type: ") + c.text) << path;
    }
    auto lines = ReadCrLfLines(a.AnalysisFile[0]);
    EXPECT_EQ(lines[33], "% Peak value of H1 [cm^-6 eV^-2.5]: 2E30");
    EXPECT_EQ(lines[43], "% Temperature [K]   H1(T,E_ref) [cm^-6 eV^-2.5]   simulated H1(T,E_ref) [cm^-6 eV^-2.5] ");
  }
}

TEST_F(AnalysisFiles, SimulationFileLineByLine) {
  ASSERT_TRUE(a.SaveSimulationFile());
  // The second level took no part in the simulation and is stated with density 0;
  // the negative compensating density keeps its sign.
  ExpectLines(
      ReadCrLfLines(a.SimulationFile),
      {"% Simulation of Majority-Carrier Concentartion (Auto-evaluation version)",
       "% Version Information: Version 1.51 (2004/6/2)", "% Function Type: H(T,Eref)=n(T)^2*exp(Eref/kT)/(kT)^2.5",
       "% Original file: C:/data/orig.txt", "% Experimental data file: /data/s1.nT",
       "% File of data for analysis: /data/s1.spl", "% Fermi level file: /data/s1.fl", "% First density [cm^-3]: 1E16",
       "% First energy level [eV]: 0.045", "% Second density [cm^-3]: 0", "% Second energy level [eV]: 0.15",
       "% Third density [cm^-3]: 300000000000000", "% Third energy level [eV]: 0.35",
       "% Compenating density [cm^-3]: -50000000000000",
       "% Temperature [K]   Simulated carrier concentration [cm^-3]   Simulated Fermi level [eV] ",
       "50     1.4e+13     0.049", "50.1     1.51e+13     0.0499", "50.2     1.52e+13     0.05"});
}

// A cleared stage leaves its row shorter than the grid, or its peak off the grid.
TEST_F(AnalysisFiles, WritersRefuseClearedStages) {
  struct Case {
    const char* what;
    void (*spoil)(Analysis&);
    bool (Analysis::*save)(int);
    int k;
  };
  const Case cases[] = {
      {"H2 cleared",
       [](Analysis& r) {
         r.ClearSecondAnalysis();
         r.PeakIndex[1] = 2;
       },
       &Analysis::SaveAnalysisFile, 1},
      {"simulated H1 cleared", [](Analysis& r) { Analysis::ClearArray(r.SimulatedH[0]); }, &Analysis::SaveAnalysisFile,
       0},
      {"peak beyond the grid", [](Analysis& r) { r.PeakIndex[2] = 3; }, &Analysis::SaveAnalysisFile, 2},
      {"negative peak", [](Analysis& r) { r.PeakIndex[0] = -1; }, &Analysis::SaveExperimentalAnalysisFile, 0},
      {"experimental H1 cleared",
       [](Analysis& r) {
         r.ClearFirstAnalysis();
         r.ExperimentalAnalysisFile[0] = "x";
       },
       &Analysis::SaveExperimentalAnalysisFile, 0},
      {"rows missing", [](Analysis& r) { r.HValues.clear(); }, &Analysis::SaveAnalysisFile, 0},
      {"fewer points than DataCount", [](Analysis& r) { r.DataCount = 5; }, &Analysis::SaveExperimentalAnalysisFile, 1},
      {"no fourth analysis", [](Analysis&) {}, &Analysis::SaveAnalysisFile, 3},
  };
  for (const auto& c : cases) {
    Analysis r;
    FillRecord(r);
    for (int k = 0; k < 3; ++k) {
      r.AnalysisFile[k] = dir.File("refused.H" + std::to_string(k + 1));
      r.ExperimentalAnalysisFile[k] = dir.File("refused.H" + std::to_string(k + 1) + "E");
    }
    c.spoil(r);
    EXPECT_THROW((r.*c.save)(c.k), korv::Error) << c.what;
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    ADD_FAILURE() << "left a file behind: " << entry.path();

  Analysis::ClearArray(a.SimulatedConcentration);
  EXPECT_THROW(a.SaveSimulationFile(), korv::Error);
}

TEST_F(AnalysisFiles, EmptyPathNamesTheFile) {
  struct Case {
    std::string* path;
    std::function<void()> save;
    const char* named;
  };
  const Case cases[] = {
      {&a.AnalysisFile[1], [&] { a.SaveAnalysisFile(1); }, "H2 result file"},
      {&a.ExperimentalAnalysisFile[2], [&] { a.SaveExperimentalAnalysisFile(2); }, "experimental H3 file"},
      {&a.SimulationFile, [&] { a.SaveSimulationFile(); }, "simulation file"},
  };
  for (const auto& c : cases) {
    c.path->clear();
    try {
      c.save();
      ADD_FAILURE() << c.named << " saved without a name";
    } catch (const korv::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
    }
  }
  a.FunctionType = 1;
  try {
    a.SaveAnalysisFile(1);
  } catch (const korv::Error& e) {
    EXPECT_NE(std::string(e.what()).find("S2 result file"), std::string::npos) << e.what();
  }
}

}  // namespace
