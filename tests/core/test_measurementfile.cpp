#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Analysis.h"
#include "core/Error.h"
#include "support/Files.h"
#include "support/SampleComparison.h"

namespace fs = std::filesystem;

namespace {

class MeasurementFile : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return folder_.File(name); }
  std::string write(const std::string& name, const std::string& text) const { return folder_.Write(name, text); }
  static std::string read(const std::string& p) { return korv::test::ReadBytes(p); }
  korv::test::TempFolder folder_{"mf"};
  fs::path dir_ = folder_.Path();
};

void fillMeasurement(Analysis& a) {
  a.VersionInformation = "Version 1.51 (2004/6/2)";
  a.OriginalFile = "C:\\data\\raw.txt";
  a.MeasurementName = "Si:P van der Pauw";
  a.MeasurementDate = "2024/11/04";
  a.AnalysisName = "first look";
  a.AnalysisDate = "2026/12/10";
  a.SampleNumber = "Si-P-01";
  a.Semiconductor = "Si";
  a.ConductionType = "n-type";
  a.Thickness = 380;
  a.MagneticField = 0.5;
  a.Current = 1e-3;
  a.Remark = "remark with  two blanks";
  a.Temperature = {20.04, 77.5, 299.98};
  a.Concentration = {1.23456789e13, 5e15, 9.87654321e15};
  a.Reliability = {1, 0.5, 0};
  a.DataCount = 3;
}

// A measurement file as the program writes it, with the points given as text.
std::string fileText(const std::string& count, const std::string& points, const std::string& thickness = "380") {
  return "% Data of Hall-Effect Measurement\r\n"
         "% Version Information: v\r\n"
         "% Original file: orig.txt\r\n"
         "% Experimental data file: /somewhere/else.nT\r\n"
         "% Name of measurement: name\r\n"
         "% Date of measurement: date\r\n"
         "% Name of analysis: an\r\n"
         "% Date of Analysis: ad\r\n"
         "% Sample number: 7\r\n"
         "% Semiconductor: GaAs\r\n"
         "% Conduction type: p-type\r\n"
         "% Sample thickness [micron]: " +
         thickness +
         "\r\n"
         "% Magnetic Field [T]: 1\r\n"
         "% Current [A]: 1E-5\r\n"
         "% Number of data: " +
         count +
         "\r\n"
         "% a remark\r\n"
         "% Temperature [K]   Majority-Carrier Concentration [cm^-3]   Reliability   \r\n" +
         points;
}

}  // namespace

TEST_F(MeasurementFile, WritesTheExactLayout) {
  Analysis a;
  fillMeasurement(a);
  a.ExperimentalDataFile = path("sample.nT");
  ASSERT_TRUE(a.SaveMeasurementFile());
  const std::string expected =
      "% Data of Hall-Effect Measurement\r\n"
      "% Version Information: Version 1.51 (2004/6/2)\r\n"
      "% Original file: C:\\data\\raw.txt\r\n"
      "% Experimental data file: " +
      path("sample.nT") +
      "\r\n"
      "% Name of measurement: Si:P van der Pauw\r\n"
      "% Date of measurement: 2024/11/04\r\n"
      "% Name of analysis: first look\r\n"
      "% Date of Analysis: 2026/12/10\r\n"
      "% Sample number: Si-P-01\r\n"
      "% Semiconductor: Si\r\n"
      "% Conduction type: n-type\r\n"
      "% Sample thickness [micron]: 380\r\n"
      "% Magnetic Field [T]: 0.5\r\n"
      "% Current [A]: 0.001\r\n"
      "% Number of data: 3\r\n"
      "% remark with  two blanks\r\n"
      "% Temperature [K]   Majority-Carrier Concentration [cm^-3]   Reliability   \r\n"
      "20.04     1.23457e+13     1\r\n"
      "77.5     5e+15     0.5\r\n"
      "299.98     9.87654e+15     0\r\n";
  EXPECT_EQ(read(path("sample.nT")), expected);
}

TEST_F(MeasurementFile, RoundTripRestoresEveryFieldAndPoint) {
  Analysis a;
  fillMeasurement(a);
  a.ExperimentalDataFile = path("sample.nT");
  ASSERT_TRUE(a.SaveMeasurementFile());

  Analysis b;
  b.ExperimentalDataFile = path("sample.nT");
  ASSERT_TRUE(b.LoadMeasurementFile());
  EXPECT_EQ(b.OriginalFile, a.OriginalFile);
  korv::test::ExpectSameSample(b, a);
  ASSERT_EQ(b.DataCount, 3);
  ASSERT_EQ(b.Temperature.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(b.Temperature[i], a.Temperature[i], 5e-6 * a.Temperature[i]);
    EXPECT_NEAR(b.Concentration[i], a.Concentration[i], 5e-6 * a.Concentration[i]);
    EXPECT_EQ(b.Reliability[i], a.Reliability[i]);
  }
}

TEST_F(MeasurementFile, ReadsByPositionNotByLabel) {
  std::string text = fileText("2", "10 1e15 1\n20 2e15 1\n");
  // A label one character short shifts the value by one character.
  text.replace(text.find("% Sample number: 7"), 18, "% Sample number:77");
  Analysis a;
  a.ExperimentalDataFile = write("shifted.pT", text);
  ASSERT_TRUE(a.LoadMeasurementFile());
  EXPECT_EQ(a.SampleNumber, "7");
  EXPECT_EQ(a.ExperimentalDataFile, path("shifted.pT"));  // line 4 never overrides the path opened
  EXPECT_EQ(a.ConductionType, "p-type");
  EXPECT_EQ(a.Current, 1e-5);
  EXPECT_EQ(a.Remark, "a remark");
}

TEST_F(MeasurementFile, PointsMaySpanOrShareLines) {
  struct Case {
    const char* points;
  };
  for (Case c :
       {Case{"10 1e15\n1 20\n2e15 1\n"}, Case{"10 1e15 1 20 2e15 1"}, Case{"10\n1e15\n1\n\n20\t2e15\r\n1\r\n"}}) {
    Analysis a;
    a.ExperimentalDataFile = write("points.nT", fileText("2", c.points));
    ASSERT_TRUE(a.LoadMeasurementFile()) << c.points;
    ASSERT_EQ(a.Temperature.size(), 2u);
    EXPECT_EQ(a.Temperature[1], 20);
    EXPECT_EQ(a.Concentration[1], 2e15);
    EXPECT_EQ(a.Reliability[1], 1);
  }
}

TEST_F(MeasurementFile, LfOnlyAndZeroPoints) {
  std::string text = fileText("0", "");
  std::string lf;
  for (char ch : text)
    if (ch != '\r') lf += ch;
  Analysis a;
  a.ExperimentalDataFile = write("empty.nT", lf);
  ASSERT_TRUE(a.LoadMeasurementFile());
  EXPECT_EQ(a.DataCount, 0);
  EXPECT_TRUE(a.Temperature.empty());
  EXPECT_EQ(a.Semiconductor, "GaAs");
}

// Every load error: the text of the failing conversion, then the file, the line, the
// label or value expected there and what the line holds. "{f}" stands for the file.
TEST_F(MeasurementFile, BadFilesFailWithAMessageAndLeaveTheRecordAlone) {
  struct Case {
    const char* name;
    std::string text;
    std::string message;
  };
  std::string huge(1000, 'x');
  std::string renamed = fileText("2", "10 1e15 1 20 2e15 1");
  renamed.replace(renamed.find("% Sample thickness [micron]: 380"), 32, "% Thickness [um]: 10");
  const Case cases[] = {
      {"thickness", fileText("2", "10 1e15 1 20 2e15 1", "abc"),
       "'abc' is not a valid floating point value. In line 12 of '{f}': expected '% Sample thickness [micron]: ' and "
       "a number, found '% Sample thickness [micron]: abc'."},
      {"renamed label", renamed,
       "'' is not a valid floating point value. In line 12 of '{f}': expected '% Sample thickness [micron]: ' and a "
       "number, found '% Thickness [um]: 10'."},
      {"nan", fileText("2", "10 1e15 1 20 2e15 1", "nan"),
       "'nan' is not a valid floating point value. In line 12 of '{f}': expected '% Sample thickness [micron]: ' and "
       "a number, found '% Sample thickness [micron]: nan'."},
      {"count", fileText("two", "10 1e15 1"),
       "'two' is not a valid integer value. In line 15 of '{f}': expected '% Number of data: ' and a whole number, "
       "found '% Number of data: two'."},
      {"negative", fileText("-5", ""),
       "The number of data in the file is negative (-5). In line 15 of '{f}': expected '% Number of data: ' and a "
       "count of 0 or more, found '% Number of data: -5'."},
      {"truncated", fileText("3", "10 1e15 1 20 2e15"),
       "The file ends after 1 of 3 points. In line 18 of '{f}': expected the reliability of point 2, found the end "
       "of the file."},
      {"truncated after a line end", fileText("60", "10 1e15 1\r\n20 2e15 1\r\n"),
       "The file ends after 2 of 60 points. In line 20 of '{f}': expected the temperature of point 3, found the end "
       "of the file (it ends after line 19)."},
      {"huge count", fileText("2000000000", "10 1e15 1"),
       "The file ends after 1 of 2000000000 points. In line 18 of '{f}': expected the temperature of point 2, found "
       "the end of the file."},
      {"bad point", fileText("2", "10 1e15 1\r\n20 inf 1\r\n"),
       "'inf' is not a valid floating point value. In line 19 of '{f}': expected the concentration of point 2 (a "
       "number), found '20 inf 1'."},
      {"empty", "",
       "'' is not a valid floating point value. In line 12 of '{f}': expected '% Sample thickness [micron]: ' and a "
       "number, found the end of the file (the file is empty)."},
      {"binary", std::string("\0\1\2\3\n\xff\xfe", 7),
       "'' is not a valid floating point value. In line 12 of '{f}': expected '% Sample thickness [micron]: ' and a "
       "number, found the end of the file (it ends after line 2)."},
      {"long lines", huge + "\n" + huge + "\n" + huge,
       "'' is not a valid floating point value. In line 12 of '{f}': expected '% Sample thickness [micron]: ' and a "
       "number, found the end of the file (it ends after line 3)."},
  };
  for (const auto& c : cases) {
    Analysis a;
    a.Temperature = {1};
    a.Concentration = {2};
    a.Reliability = {3};
    a.DataCount = 1;
    a.Semiconductor = "before";
    a.ExperimentalDataFile = write("bad.nT", c.text);
    std::string expected = c.message;
    expected.replace(expected.find("{f}"), 3, a.ExperimentalDataFile);
    try {
      a.LoadMeasurementFile();
      ADD_FAILURE() << c.name << ": loaded";
    } catch (const korv::Error& e) {
      EXPECT_EQ(std::string(e.what()), expected) << c.name;
    }
    EXPECT_EQ(a.Semiconductor, "before") << c.name;
    EXPECT_EQ(a.DataCount, 1) << c.name;
    EXPECT_EQ(a.Temperature.size(), 1u) << c.name;
    EXPECT_EQ(a.OriginalFile, "") << c.name;
    EXPECT_EQ(read(a.ExperimentalDataFile), c.text) << c.name;  // a load never writes
  }
}

// Line ends converted twice (CR CR LF) and blanks after a value do not reach the record:
// "Si\r" would match no material and quietly change the analysis.
TEST_F(MeasurementFile, StrayCarriageReturnsAndTrailingBlanksAreDropped) {
  struct Case {
    const char* name;
    std::string (*convert)(const std::string&);
  };
  const Case cases[] = {
      {"CR CR LF",
       [](const std::string& t) {
         std::string out;
         for (char ch : t) out += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
         return out;
       }},
      {"blanks and tabs before CR LF",
       [](const std::string& t) {
         std::string out;
         for (std::size_t i = 0; i < t.size(); ++i)
           out += t.compare(i, 2, "\r\n") == 0 ? std::string(" \t ") + t[i] : std::string(1, t[i]);
         return out;
       }},
  };
  for (const auto& c : cases) {
    std::string text = fileText("2", "10 1e15 1\r\n20 2e15 0.5\r\n");
    text.replace(text.find("GaAs"), 4, "Si");
    Analysis a;
    a.ExperimentalDataFile = write("stray.nT", c.convert(text));
    ASSERT_TRUE(a.LoadMeasurementFile()) << c.name;
    EXPECT_EQ(a.Semiconductor, "Si") << c.name;
    EXPECT_EQ(a.ConductionType, "p-type") << c.name;
    EXPECT_EQ(a.MeasurementName, "name") << c.name;
    EXPECT_EQ(a.SampleNumber, "7") << c.name;
    EXPECT_EQ(a.Remark, "a remark") << c.name;
    EXPECT_EQ(a.OriginalFile, "orig.txt") << c.name;
    EXPECT_EQ(a.Current, 1e-5) << c.name;
    ASSERT_EQ(a.DataCount, 2) << c.name;
    EXPECT_EQ(a.Reliability, (std::vector<double>{1, 0.5})) << c.name;
  }
}

// The messages a load shows through the record's port.
class NoticeLog : public korv::Messages {
 public:
  void Error(const std::string& text) override { errors.push_back(text); }
  void Notice(const std::string& text) override { notices.push_back(text); }
  std::vector<std::string> errors, notices;
};

// Points after the announced count are not read, and the load says how many there were.
TEST_F(MeasurementFile, PointsAfterTheAnnouncedCountAreReportedNotSilentlyDropped) {
  struct Case {
    const char* name;
    std::string points;
    std::string notice;  // "" for none; "{f}" stands for the file
  };
  const Case cases[] = {
      {"exact", "10 1e15 1\r\n20 2e15 1\r\n", ""},
      {"one more point", "10 1e15 1\r\n20 2e15 1\r\n30 3e15 1\r\n",
       "The file '{f}' holds more than '% Number of data: 2' announces: 1 point after line 19 were not read."},
      {"three more points and a loose value", "10 1e15 1\r\n20 2e15 1\r\n30 3e15 1\r\n40 4e15 1\r\n50 5e15 1\r\n60\r\n",
       "The file '{f}' holds more than '% Number of data: 2' announces: 3 points and 1 value after line 19 were not "
       "read."},
  };
  for (const auto& c : cases) {
    NoticeLog log;
    Analysis a;
    a.AttachPorts(nullptr, &log);
    a.ExperimentalDataFile = write("more.nT", fileText("2", c.points));
    ASSERT_TRUE(a.LoadMeasurementFile()) << c.name;
    EXPECT_EQ(a.DataCount, 2) << c.name;
    EXPECT_EQ(a.Temperature, (std::vector<double>{10, 20})) << c.name;
    std::string expected = c.notice;
    if (!expected.empty()) expected.replace(expected.find("{f}"), 3, a.ExperimentalDataFile);
    EXPECT_EQ(log.notices, expected.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected})
        << c.name;
    EXPECT_TRUE(log.errors.empty()) << c.name;
  }
}

TEST_F(MeasurementFile, MissingFileOrFolderSaysSo) {
  for (const std::string& p : {path("missing.nT"), dir_.string()}) {
    Analysis a;
    a.ExperimentalDataFile = p;
    try {
      a.LoadMeasurementFile();
      ADD_FAILURE() << p;
    } catch (const korv::Error& e) {
      EXPECT_NE(std::string(e.what()).find("Cannot open file '" + p + "'"), std::string::npos) << e.what();
    }
  }
}

TEST_F(MeasurementFile, FailedSaveReportsAndKeepsTheOldFile) {
  Analysis a;
  fillMeasurement(a);
  const std::string target = write("kept.nT", "old content");
  a.ExperimentalDataFile = target;
  if (::getuid() != 0) {  // root writes into read-only folders
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    try {
      a.SaveMeasurementFile();
      ADD_FAILURE() << "saved into a read-only folder";
    } catch (const korv::Error& e) {
      EXPECT_NE(std::string(e.what()).find("Cannot write file '" + target + "'"), std::string::npos);
    }
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(read(target), "old content");
  }
  // A folder in place of the file, and a folder that does not exist.
  for (const std::string& p : {dir_.string(), path("no/such/folder/x.nT")}) {
    a.ExperimentalDataFile = p;
    EXPECT_THROW(a.SaveMeasurementFile(), korv::Error) << p;
  }
  // Fewer points than the count claims.
  a.ExperimentalDataFile = target;
  a.DataCount = 4;
  EXPECT_THROW(a.SaveMeasurementFile(), korv::Error);
  EXPECT_EQ(read(target), "old content");
  // No temporary files are left behind.
  int entries = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 1);
}
