// The 21-line results report: template, built form, proposed name and saving.
#include <gtest/gtest.h>

#include "FilesFixture.h"
#include "core/Analysis.h"
#include "core/Error.h"
#include "files/Report.h"

using namespace korv::test;

namespace {

TEST(Report, Template) {
  ExpectLines(korv::ReportTemplate(), {"Korvan (Automatic Evaluation Version)",
                                       "% Version Information:     ",
                                       " Function Type:            ",
                                       "Sample Number:             ",
                                       "Semiconductor:             ",
                                       "Conduction Type:           ",
                                       "Original File:             ",
                                       "File of Experimental Data: ",
                                       "Data File for Analysis:    ",
                                       "Fermi Level File:          ",
                                       "H1 File:                   ",
                                       "H2 File:                   ",
                                       "H3 File:                   ",
                                       "Obtained Results",
                                       "First Density:                    cm^-3",
                                       "First Energy Level:               eV",
                                       "Second Density:                   cm^-3",
                                       "Second Energy Level:              eV",
                                       "Third Density:                    cm^-3",
                                       "Third Energy Level:               eV",
                                       "Conpensating Density:             cm^-3"});
}

TEST(Report, BuiltFromAFinishedAnalysis) {
  Analysis a;
  FillRecord(a);
  a.EnergyLevel[1] = 0.15004999;
  a.Density[2] = 2.995e14;
  ExpectLines(korv::BuildReport(a), {"Korvan (Automatic Evaluation Version)",
                                     "% Version Information:     Version 1.51 (2004/6/2)",
                                     " Function Type:  H(T,Eref)=n(T)^2*exp(Eref/kT)/(kT)^2.5",
                                     "Sample Number:             S-12",
                                     "Semiconductor:             Si",
                                     "Conduction Type:           n-type",
                                     "Original File:             C:/data/orig.txt",
                                     "File of Experimental Data: /data/s1.nT",
                                     "Data File for Analysis:    /data/s1.spl",
                                     "Fermi Level File:          /data/s1.fl",
                                     "H1 File:                   /data/s1.H1",
                                     "H2 File:                   /data/s1.H2",
                                     "H3 File:                   /data/s1.H3",
                                     "Obtained Results",
                                     "First Density:                   1.00E+16 cm^-3",
                                     "First Energy Level:              0.0450 eV",
                                     "Second Density:                  2.00E+15 cm^-3",
                                     "Second Energy Level:             0.1500 eV",
                                     "Third Density:                   3.00E+14 cm^-3",
                                     "Third Energy Level:              0.3500 eV",
                                     "Conpensating Density:            1.00E+14 cm^-3"});
}

// Right after loading a measurement: sample and measurement file, nothing else yet.
TEST(Report, AfterLoadingAMeasurement) {
  Analysis a;
  a.SampleNumber = "S-12";
  a.Semiconductor = "GaAs";
  a.ConductionType = "p-type";
  a.ExperimentalDataFile = "/data/s1.pT";
  auto lines = korv::BuildReport(a);
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[7], "File of Experimental Data: /data/s1.pT");
  for (int i : {6, 8, 9, 10, 11, 12}) EXPECT_EQ(lines[i], korv::ReportTemplate()[i]) << i;
  for (int i : {14, 16, 18, 20}) EXPECT_NE(lines[i].find(" 0.00E+00 cm^-3"), std::string::npos) << lines[i];
  for (int i : {15, 17, 19}) EXPECT_NE(lines[i].find(" 0.0000 eV"), std::string::npos) << lines[i];
}

TEST(Report, FunctionTypeLine) {
  Analysis a;
  const std::pair<int, const char*> cases[] = {{1, " Function Type:  S(T,Eref)=n(T)*exp(Eref/kT)/kT"},
                                               {2, " Function Type:  H(T,Eref)=n(T)^2*exp(Eref/kT)/(kT)^2.5"},
                                               {7, " Function Type:  Unknown"}};
  for (const auto& [type, line] : cases) {
    a.FunctionType = type;
    EXPECT_EQ(korv::BuildReport(a)[2], line);
  }
}

TEST(Report, ProposedName) {
  struct Case {
    const char* fermiLevelFile;
    int functionType;
    const char* proposed;
  };
  const Case cases[] = {
      {"", 2, ".datH"},
      {"", 1, ".datS"},
      {"/data/s1.fl", 2, "/data/s1.datH"},
      {"/data/s1.fl", 1, "/data/s1.datS"},
      {"/data/run.7/s1", 2, "/data/run.7/s1.datH"},
      {"C:\\run.7\\s1.fl", 2, "C:\\run.7\\s1.datH"},
  };
  for (const auto& c : cases) {
    Analysis a;
    a.FermiLevelFile = c.fermiLevelFile;
    a.FunctionType = c.functionType;
    EXPECT_EQ(korv::ProposedReportName(a), c.proposed) << c.fermiLevelFile;
  }
}

TEST(Report, SavedWithCrLf) {
  TempFolder dir{"files"};
  Analysis a;
  FillRecord(a);
  const auto lines = korv::BuildReport(a);
  const std::string path = dir.File("s1.datH");
  korv::SaveReport(lines, path);
  EXPECT_EQ(ReadCrLfLines(path), lines);
  EXPECT_THROW(korv::SaveReport(lines, ""), korv::Error);
  EXPECT_THROW(korv::SaveReport(lines, dir.File("missing/s1.datH")), korv::Error);
}

}  // namespace
