// Sessions: the JSON reader and writer under them, the round trip of a record after each
// stage of the road, and the refusal of bad sessions.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/Json.h"
#include "core/Session.h"
#include "numerics/PipelineFixture.h"
#include "support/Files.h"

using korv::JsonValue;

namespace {

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const korv::Error& e) {
    return e.what();
  }
  return "";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// ---- JSON ---------------------------------------------------------------------------

TEST(Json, NumbersReadBackToTheSameDoubleInAnyLocale) {
  const std::vector<double> values = {0,
                                      -0.0,
                                      0.1,
                                      5000,
                                      1.6021e-19,
                                      4.8e15,
                                      -273.15,
                                      1.0 / 3,
                                      1e300,
                                      5e-324,
                                      2.2250738585072014e-308,
                                      123456789012345678.0,
                                      0.29999999999999999};
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    const bool set = std::setlocale(LC_ALL, locale) != nullptr;
    for (double v : values) {
      const std::string text = korv::JsonNumber(v);
      EXPECT_EQ(text.find(','), std::string::npos) << locale << ": " << text;
      const JsonValue j = korv::ReadJson(text);
      ASSERT_EQ(j.type(), JsonValue::Type::Number) << text;
      EXPECT_EQ(std::signbit(j.AsNumber()), std::signbit(v)) << text;
      EXPECT_EQ(j.AsNumber(), v) << locale << (set ? "" : " (not installed)") << ": " << text;
    }
    EXPECT_EQ(korv::JsonNumber(0.5), "0.5");
    EXPECT_EQ(korv::JsonNumber(std::nan("")), "null");
  }
  std::setlocale(LC_ALL, "C");
}

TEST(Json, WrittenTextReadsBackAndWritesTheSameBytes) {
  const char* texts[] = {
      R"({"a": [1, 2.5, -3e-7], "b": {"c": "x\"y\\z\n\u00e9\u20ac\ud83d\ude00", "d": [], "e": {}}, "f": null})",
      R"([true, false, null, [[]], [{"k": 0}]])",
      "  \"\\u0001 tab\\t\"  ",
      "-0",
  };
  for (const char* t : texts) {
    const std::string once = korv::WriteJson(korv::ReadJson(t));
    EXPECT_EQ(korv::WriteJson(korv::ReadJson(once)), once) << t;
    EXPECT_NE(once.find("\r\n"), std::string::npos);
  }
  const JsonValue j = korv::ReadJson(texts[0]);
  EXPECT_EQ(j.Find("b")->Find("c")->AsString(), "x\"y\\z\n\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(j.Members()[0].first, "a");  // the order of the members is kept
  EXPECT_EQ(j.Members()[2].first, "f");
}

TEST(Json, BadTextsNameTheLineAndColumn) {
  struct Case {
    std::string text, message;
  } cases[] = {
      {"", "In line 1, column 1: expected a value, found the end of the text."},
      {"{\"a\": 1", "In line 1, column 8: expected ',' or '}', found the end of the text."},
      {"{\"a\": 1,\r\n \"b\" 2}", "In line 2, column 6: expected ':', found '2}'."},
      {"[1 2]", "In line 1, column 4: expected ',' or ']', found '2]'."},
      {"{\"a\": 1, \"a\": 2}", "In line 1, column 10: the member \"a\" is given twice."},
      {"\"\\x\"", "In line 1, column 2: expected an escape of"},
      {"\"a\nb\"", "In line 1, column 3: expected '\\n' or another escape"},
      {"\"\\ud800x\"", "expected the second half of a surrogate pair"},
      {"1e999", "In line 1, column 1: expected a number within the range of a double"},
      {"01", "In line 1, column 2: expected the end of the text, found '1'."},
      {"-", "expected a digit"},
      {"1.", "expected a digit after the decimal point"},
      {"tru", "expected a value, found 'tru'."},
      {"{} {}", "expected the end of the text"},
      {std::string(100, '[') + std::string(100, ']'), "expected at most 64 nested arrays and objects"},
  };
  for (const auto& c : cases) {
    const std::string e = errorOf([&] { korv::ReadJson(c.text); });
    EXPECT_NE(e.find(c.message), std::string::npos) << c.text << "\n  gave: " << e;
  }
}

// ---- Sessions -------------------------------------------------------------------------

constexpr const char* kDataset = "datasets/01_si_n_P_lightcomp.nT";

// The road of the main window in steps; after each, the record is saved and opened again.
class SessionRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    a.AttachPorts(&progress, &messages);
    text = korv::test::ReadBytes(korv::test::DataPath(kDataset));
    korv::test::LoadMeasurement(a, kDataset);
  }

  void toStage(int stage) {
    if (stage >= 1) {
      korv::test::RunSplineAndFermiLevel(
          a, korv::test::JsonNumber("datasets/01_si_n_P_lightcomp.json", "dos_coefficient"));
      a.AnalysisDataFile = "/data/01.spl";
      a.FermiLevelFile = "/data/01.fl";
    }
    if (stage >= 2) {
      a.DegeneracyFactor[0] = 2;
      ASSERT_TRUE(a.CalculateH(0) && a.CalculateExperimentalH(0));
      a.Evaluate(0);
      a.AnalysisFile[0] = "/data/01.H1";
      ASSERT_GT(a.HValues[0].size(), 1u);
      ASSERT_GT(a.PeakIndex[0], 0);
    }
    if (stage >= 3) {
      a.CarryCompensation(0);
      a.CalculateH(1);
    }
    if (stage >= 4) {
      a.SimUseLevel = {true, false, false, false};
      a.SimDensity[0] = a.Density[0];
      a.SimEnergyLevel[0] = a.EnergyLevel[0];
      a.SimUseCompensation = true;
      a.SimCompensatingDensity = a.CompensatingDensity;
      ASSERT_TRUE(a.Simulate());
      ASSERT_GT(a.SimulatedConcentration.size(), 1u);
    }
  }

  Analysis a;
  korv::test::RecordingProgress progress;
  korv::test::RecordingMessages messages;
  std::string text;
};

TEST_F(SessionRoad, EachStageOpensAsSavedAndSavesTheSameBytes) {
  const korv::SessionExtras extras{
      "H1",
      {{"Curve Fitting", true, korv::ReadJson(R"({"low": 3, "high": 40, "fit": [1.5e16, 0.045]})")},
       {"DHES", false, JsonValue::Object()}}};
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    std::setlocale(LC_ALL, locale);
    for (int stage = 0; stage <= 4; ++stage) {
      SCOPED_TRACE(std::string(locale) + ", stage " + std::to_string(stage));
      korv::test::LoadMeasurement(a, kDataset);
      toStage(stage);
      const std::string saved = korv::WriteSession(a, text, extras);
      const korv::Session s = korv::ReadSession(saved);
      EXPECT_EQ(s.measurementText, text);
      EXPECT_EQ(s.measurementPath, a.ExperimentalDataFile);
      EXPECT_EQ(s.extras.stage, "H1");
      ASSERT_EQ(s.extras.windows.size(), 2u);
      EXPECT_EQ(korv::WriteJson(s.extras.windows[0].settings), korv::WriteJson(extras.windows[0].settings));

      Analysis fresh;
      s.ApplyTo(fresh);
      EXPECT_EQ(korv::WriteSession(fresh, s.measurementText, s.extras), saved);
      // What the windows show comes from these, taken from the file, not recalculated.
      EXPECT_EQ(fresh.Temperature, a.Temperature);
      EXPECT_EQ(fresh.Concentration, a.Concentration);
      EXPECT_EQ(fresh.MeasurementName, a.MeasurementName);
      EXPECT_EQ(fresh.SplineTemperature, a.SplineTemperature);
      EXPECT_EQ(fresh.SplineConcentration, a.SplineConcentration);
      EXPECT_EQ(fresh.FermiLevel, a.FermiLevel);
      EXPECT_EQ(fresh.HValues, a.HValues);
      EXPECT_EQ(fresh.Eref, a.Eref);
      EXPECT_EQ(fresh.PeakIndex, a.PeakIndex);
      EXPECT_EQ(fresh.Density, a.Density);
      EXPECT_EQ(fresh.EnergyLevel, a.EnergyLevel);
      EXPECT_EQ(fresh.CompensationAnalysis, a.CompensationAnalysis);
      EXPECT_EQ(fresh.CompensatingDensity, a.CompensatingDensity);
      EXPECT_EQ(fresh.SimulatedConcentration, a.SimulatedConcentration);
      EXPECT_EQ(fresh.AnalysisFile, a.AnalysisFile);
    }
  }
  std::setlocale(LC_ALL, "C");
}

TEST_F(SessionRoad, MeasurementBytesComeBackUnchanged) {
  // Windows-1252 bytes in a remark, CR LF line ends and a trailing blank line.
  std::string latin = replaced(text, "% n-Si:P", "% Probe \xE4\xF6\xFC \x80 n-Si:P");
  std::string crlf;
  for (char c : latin) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  crlf += "\r\n";
  for (const std::string& bytes : {latin, crlf}) {
    korv::test::TempFolder folder("session");
    a.ResetAll();
    a.ExperimentalDataFile = folder.Write("m.nT", bytes);
    ASSERT_TRUE(a.LoadMeasurementFile());
    const std::string saved = korv::WriteSession(a, bytes, {});
    EXPECT_NE(saved.find("\"encoding\": \"Windows-1252\""), std::string::npos);
    const korv::Session s = korv::ReadSession(saved);
    EXPECT_EQ(s.measurementText, bytes);
    Analysis fresh;
    s.ApplyTo(fresh);
    EXPECT_EQ(fresh.Remark, a.Remark);
    EXPECT_EQ(korv::WriteSession(fresh, s.measurementText, {}), saved);
  }
}

TEST_F(SessionRoad, SavedAtomicallyWithCrLfAndOpenedFromTheFile) {
  toStage(2);
  korv::test::TempFolder folder("session");
  const std::string path = folder / "a.korv";
  korv::SaveSession(path, a, text, {"H1", {}});
  const std::string bytes = korv::test::ReadBytes(path);
  EXPECT_EQ(bytes.rfind("{\r\n  \"format\": \"korv-session\",\r\n  \"version\": 1,\r\n", 0), 0u);
  korv::test::ReadCrLfLines(path);
  const korv::Session s = korv::LoadSession(path);
  Analysis fresh;
  s.ApplyTo(fresh);
  korv::SaveSession(folder / "b.korv", fresh, s.measurementText, s.extras);
  EXPECT_EQ(korv::test::ReadBytes(folder / "b.korv"), bytes);

  EXPECT_NE(errorOf([&] {
              korv::LoadSession(folder / "none.korv");
            }).find("The session '" + folder / "none.korv" + "' cannot be opened: "),
            std::string::npos);
  folder.Write("half.korv", bytes.substr(0, bytes.size() / 2));
  EXPECT_NE(errorOf([&] { korv::LoadSession(folder / "half.korv"); }).find("found the end of the text"),
            std::string::npos);
}

TEST_F(SessionRoad, BadSessionsAreRefusedByWhatAndWhere) {
  toStage(2);
  const std::string good = korv::WriteSession(a, text, {"H1", {{"DHES", true, JsonValue::Object()}}});
  const std::string before = korv::WriteSession(a, text, {});
  struct Case {
    const char* kind;
    std::string session;
    std::string message;
  } cases[] = {
      {"truncated", good.substr(0, good.size() - 40), "found the end of the text."},
      {"not JSON", "Data of Hall-Effect Measurement", "In line 1, column 1: expected a value, found 'Data of"},
      {"another format", replaced(good, "\"korv-session\"", "\"korv-project\""),
       "The text is not a KORV session: it has no \"format\": \"korv-session\" (line 2, column 13)."},
      {"a JSON array", "[1, 2]", "it is a JSON array, not an object"},
      {"newer version", replaced(good, "\"version\": 1,", "\"version\": 3,"),
       "The session has version 3: it needs a KORV that reads session version 3 (this one reads version 1)."},
      {"version zero", replaced(good, "\"version\": 1,", "\"version\": 0,"), "session versions begin at 1"},
      {"version a string", replaced(good, "\"version\": 1,", "\"version\": \"1\","),
       "The member \"version\" (line 3, column 14) must be a whole number; it is a string."},
      {"edited by hand: unknown member", replaced(good, "\"smoothness\"", "\"smoothnes\""),
       "The member \"options.smoothnes\" "},
      {"edited by hand: unknown section", replaced(good, "\"stage\":", "\"stages\": 1, \"stage\":"),
       "The member \"stages\" (line "},
      {"edited by hand: index outside the points", replaced(good, "\"firstIndex\": ", "\"firstIndex\": 9999"),
       "The member \"spline.firstIndex\" (line "},
      {"edited by hand: spline columns of two lengths",
       replaced(good, "\"concentration\": [", "\"concentration\": [1, "), "The member \"spline.concentration\""},
      {"edited by hand: compensation from H5", replaced(good, "\"fromAnalysis\": ", "\"fromAnalysis\": 4"),
       "\"compensation.fromAnalysis\""},
      {"edited by hand: a window twice",
       replaced(good, "\"window\": \"DHES\"", "\"window\": \"DHES\", \"open\": false}, {\"window\": \"DHES\""),
       "names the window \"DHES\" a second time"},
      {"measurement no longer parses", replaced(good, "Number of data: 60", "Number of data: sixty"),
       "The measurement in the session (line 7, column 13) does not read as a measurement file: "},
      {"measurement missing", replaced(good, "\"text\":", "\"txt\":"), "\"measurement.txt\""},
      {"wrong type: number as text", replaced(good, "\"smoothness\": 5000", "\"smoothness\": \"5000\""),
       "The member \"options.smoothness\" (line "},
      {"wrong type: flag as number", replaced(good, "\"manualMode\": false", "\"manualMode\": 0"),
       "must be true or false; it is a number."},
      {"wrong type: fraction for an index", replaced(good, "\"functionType\": 2", "\"functionType\": 2.5"),
       "must be a whole number; it is 2.5."},
      {"wrong type: g factors too few", replaced(good, "\"gFactors\": [2, 1, 1, 1]", "\"gFactors\": [2, 1]"),
       "must hold 4 values; it holds 2."},
      {"wrong type: settings not an object", replaced(good, "\"settings\": {}", "\"settings\": []"),
       "The member \"windows[0].settings\""},
      {"wrong type: four analyses", replaced(good, "\"analyses\": [\r\n", "\"analyses\": [{}, \r\n"),
       "holds 4 analyses; there are at most 3"},
  };
  for (const auto& c : cases) {
    const std::string e = errorOf([&] { korv::ReadSession(c.session); });
    EXPECT_NE(e.find(c.message), std::string::npos) << c.kind << "\n  gave: " << e;
    // A refused session touches nothing of the open analysis.
    EXPECT_EQ(korv::WriteSession(a, text, {}), before) << c.kind;
  }
}

TEST_F(SessionRoad, MissingFieldsTakeTheValuesOfAFreshAnalysis) {
  toStage(1);
  std::string minimal =
      "{\"format\": \"korv-session\", \"version\": 1, \"measurement\": {\"path\": \"m.nT\", "
      "\"text\": " +
      korv::JsonEscape(text) + "}}";
  const korv::Session s = korv::ReadSession(minimal);
  s.ApplyTo(a);  // replaces the spline the record had
  EXPECT_EQ(a.DataCount, 60);
  EXPECT_EQ(a.Smoothness, 5000);
  EXPECT_EQ(a.SplineTemperature.size(), 1u);
  EXPECT_EQ(a.ExperimentalDataFile, "m.nT");
  EXPECT_TRUE(s.extras.windows.empty());
}

}  // namespace
