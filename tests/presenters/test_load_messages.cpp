// What "Load Data" in the main window makes of malformed and foreign measurement files:
// the record it leaves, the message it shows and the material the analysis then uses.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "MainFixture.h"

namespace korv::ui::testing {
namespace {

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Replaces every occurrence of `from` in `text`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

struct LoadCase {
  const char* what;
  std::string (*change)(const std::string&);  // the dataset's bytes to the file's
  const char* notice;                         // shown on load ("" for none), "{f}" the file
  const char* error;                          // start of the error shown ("" for none)
  const char* mass;                           // "EditMass" after the spline was saved ("" when not loaded)
  const char* minima;                         // and "EditEquivalentMinima"
};

class LoadMessages : public MainWindow, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadMessages, ShowWhereAndKeepThePhysics) {
  const LoadCase& c = GetParam();
  const std::string file = folder / "sample.nT";
  {
    std::ofstream out(file, std::ios::binary);
    out << c.change(readBytes(DatasetPath("01_si_n_P_lightcomp.nT")));
  }
  const std::string before = readBytes(file);
  view.AcceptProposedNames();
  LoadFile(file);
  std::string notice = c.notice;
  if (const auto at = notice.find("{f}"); at != std::string::npos) notice.replace(at, 3, file);
  EXPECT_EQ(view.notices, notice.empty() ? std::vector<std::string>{} : std::vector<std::string>{notice});
  if (*c.error) {
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0].rfind(c.error, 0), 0u) << view.errors[0];
    EXPECT_NE(view.errors[0].find(" of '" + file + "': expected "), std::string::npos) << view.errors[0];
    EXPECT_TRUE(record.Temperature.empty());
    EXPECT_FALSE(On("ButtonCalcSpline"));
  } else {
    ASSERT_TRUE(view.errors.empty()) << view.errors[0];
    EXPECT_EQ(record.ConductionType, "n-type");
    Click("ButtonCalcSpline");
    Click("ButtonSaveSpline");
    EXPECT_EQ(Text("EditMass"), c.mass);
    EXPECT_EQ(Text("EditEquivalentMinima"), c.minima);
  }
  EXPECT_EQ(readBytes(file), before);  // a load never writes
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadMessages,
    ::testing::Values(
        LoadCase{"as written", [](const std::string& t) { return t; }, "", "", "0.32", "6"},
        LoadCase{"CR CR LF", [](const std::string& t) { return replaced(t, "\r\n", "\r\r\n"); }, "", "", "0.32", "6"},
        LoadCase{"blanks after the values",
                 [](const std::string& t) {
                   return replaced(replaced(t, "% Semiconductor: Si\r\n", "% Semiconductor: Si  \r\n"), "n-type\r\n",
                                   "n-type\t \r\n");
                 },
                 "", "", "0.32", "6"},
        LoadCase{
            "unknown semiconductor",
            [](const std::string& t) { return replaced(t, "% Semiconductor: Si\r\n", "% Semiconductor: Silicon\r\n"); },
            "The semiconductor 'Silicon' is not in the material table: the effective mass 1, the equivalent minima "
            "1 and the default dielectric constant are used.",
            "", "1", "1"},
        LoadCase{
            "more points than the count",
            [](const std::string& t) { return replaced(t, "% Number of data: 60\r\n", "% Number of data: 58\r\n"); },
            "The file '{f}' holds more than '% Number of data: 58' announces: 2 points after line 75 were not read.",
            "", "0.32", "6"},
        LoadCase{"renamed thickness label",
                 [](const std::string& t) {
                   return replaced(t, "% Sample thickness [micron]: 380", "% Thickness [um]: 10");
                 },
                 "", "'' is not a valid floating point value. In line 12 of '", "", ""},
        LoadCase{"one point short", [](const std::string& t) { return t.substr(0, t.rfind("\r\n", t.size() - 3) + 2); },
                 "", "The file ends after 59 of 60 points. In line 77 of '", "", ""}));

}  // namespace
}  // namespace korv::ui::testing
