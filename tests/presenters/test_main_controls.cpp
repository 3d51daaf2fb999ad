// The main window's control list and chart specs: names, captions, containers, styles.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "presenters/common/MemoryView.h"
#include "presenters/main/MainCharts.h"
#include "presenters/main/MainControls.h"
#include "presenters/main/MainPresenter.h"

namespace korv::ui {
namespace {

std::map<std::string, MainControl> byName() {
  std::map<std::string, MainControl> m;
  for (const auto& c : MainControls()) m[c.name] = c;
  return m;
}

TEST(MainControls, NamesAreUniqueAndEveryContainerIsListedBeforeItsControls) {
  std::set<std::string> seen;
  for (const auto& c : MainControls()) {
    EXPECT_TRUE(seen.insert(c.name).second) << "duplicate " << c.name;
    if (c.parent.empty() || c.parent == kMainPageControl || c.parent == kMainMenuBar) continue;
    ASSERT_TRUE(seen.count(c.parent)) << c.name << " sits in " << c.parent << ", which is not listed before it";
    const auto kind = byName().at(c.parent).kind;
    EXPECT_TRUE(kind == ControlKind::Tab || kind == ControlKind::GroupBox || kind == ControlKind::MenuItem)
        << c.parent << " cannot hold " << c.name;
  }
}

TEST(MainControls, CaptionsAndPlacesAreTheWindowsOwn) {
  struct Case {
    const char *name, *caption, *parent;
  };
  const Case cases[] = {
      {"TabSheet1", "Carrier Concentration", "PageControl1"},
      {"TabSheet2", "Fermi Level", "PageControl1"},
      {"TabSheet3", "H1(T,E_ref)", "PageControl1"},
      {"TabSheet6", "Simulation", "PageControl1"},
      {"GroupBox1", "Experimental Date", "TabSheet1"},
      {"ButtonLoadExperimental", "Load Data (*.pT or *.nT)", "GroupBox1"},
      {"EditSmoothness", "5000", "GroupBox2"},
      {"ButtonSaveSpline", "Save (*.spl)", "GroupBox2"},
      {"ButtonSaveFigureConcentration2", "Save Figure (Con2.bmp)", "TabSheet1"},
      {"LabelEquivalentMinima", "Number of Equivalent Minima in Conduction Band", "GroupBox3"},
      {"EditEffectiveDensityOfStates", "9.4E49", "GroupBox3"},
      {"ButtonCalcEffectiveDensityOfStates", "Calculate Effective Density Of States", "GroupBox3"},
      {"ButtonSaveFermiLevel", "Save Temperature Dependence of Fermi Level (*.fl)", "GroupBox4"},
      {"ButtonSaveExperimentalFermiLevelData", "Save experimental Fermi level data", "TabSheet2"},
      {"ButtonDecreaseErefH1", "<<", "GroupBoxH1"},
      {"ButtonIncreaseErefH1Precise", ">", "GroupBoxH1"},
      {"GroupBox7", "Detemine Density and Energy Level", "TabSheet3"},
      {"GroupBox10", "Determine Density and Energy Level", "TabSheet4"},
      {"ButtonSaveExperimentalH1Data", "Save experimentral H1 data (*.H1E)", "TabSheet3"},
      {"ButtonSaveExperimentalH2Data", "Save experimental H2 data (*.H2E)", "TabSheet4"},
      {"ButtonUseNegativeNcom", "Use Negative Compensating Density", "GroupBoxH2"},
      {"ButtonSaveH3", "Save Obtained Results (*.H3)", "GroupBox13"},
      {"ButtonSeeResults", "See Remarks", "GroupBox14"},
      {"GroupBox15", "Simulate Temperature Dependence of Majority-Carrier Concentration", "TabSheet6"},
      {"ButtonFineAdjustment", "Fine Adjustment of densities and energy levels (Curve-fitting)", "GroupBox15"},
      {"ButtonSaveFigureSimulation2", "Save Figure (*SimH2.bmp)", "TabSheet6"},
      {"LoadSpline", "Data for Analysis(*.spl)", "FileMain"},
      {"TypeOfFunction", "Type of Function to be evaluated", "OptionMain"},
      {"MenuInverseTCom", "One Donor and One Acceptor", "OtherAnalysesMain"},
      {"Information", "Information on Latest Version", "HelpMain"},
      {"InformationSemiconductor", "Information on Semiconductors", "InformationMain"},
  };
  const auto m = byName();
  for (const auto& c : cases) {
    ASSERT_TRUE(m.count(c.name)) << c.name;
    EXPECT_EQ(m.at(c.name).caption, c.caption) << c.name;
    EXPECT_EQ(m.at(c.name).parent, c.parent) << c.name;
  }
}

TEST(MainControls, MenusKeepTheirOrder) {
  std::vector<std::string> file;
  for (const auto& c : MainControls())
    if (c.parent == "FileMain") file.push_back(c.name + "=" + c.caption);
  const std::vector<std::string> expected = {"LoadExperimental=Experimental Data (*.pT or *.nT)",
                                             "LoadSpline=Data for Analysis(*.spl)",
                                             "LoadFermiLevel=Fermi Level (*.fl)",
                                             "N1=-",
                                             "AllClearMain=All Clear",
                                             "N2=-",
                                             "PrintMain=Print",
                                             "N3=-",
                                             "ExitMain=Exit"};
  EXPECT_EQ(file, expected);
  std::vector<std::string> menus;
  for (const auto& c : MainControls())
    if (c.parent == kMainMenuBar) menus.push_back(c.caption);
  EXPECT_EQ(menus, (std::vector<std::string>{"File", "Data", "Option", "Distribution Function", "Other Analyses",
                                             "Help", "Information"}));
}

TEST(MainControls, EveryPictureFamilyIsComplete) {
  const auto m = byName();
  std::vector<std::string> names;
  for (int k = 1; k <= 3; ++k) {
    const std::string K = std::to_string(k);
    for (const char* f : {"ImageH", "ImageS"})
      for (const char* t : {"", "n", "p"}) names.push_back(f + K + t);
    names.push_back("ImageNdH" + K);
    names.push_back("ImageNaH" + K);
    for (int j = 1; j <= k; ++j)
      for (const char* sym : {"N", "ND", "NA", "DE", "DED", "DEA"})
        names.push_back("ImageH" + K + sym + std::to_string(j));
  }
  for (int j = 1; j <= 3; ++j)
    for (const char* sym : {"N", "ND", "NA", "DE", "DED", "DEA"})
      names.push_back("ImageS" + std::string(sym) + std::to_string(j));
  for (const char* n : {"ImageH2Com",
                        "ImageH2ComN",
                        "ImageH2ComP",
                        "ImageS2Com",
                        "ImageH3Com",
                        "ImageH3ComN",
                        "ImageH3ComP",
                        "ImageS3Com",
                        "ImageN0kT32",
                        "ImageNC0kT32",
                        "ImageNV0kT32",
                        "ImageMassElectron",
                        "ImageMassHole",
                        "ImageEquivalentMinima",
                        "ImageEffectiveDensityOfStatesN",
                        "ImageEffectiveDensityOfStatesP",
                        "ImageFermiLevelN",
                        "ImageFermiLevelP",
                        "ImageSimulationN",
                        "ImageSimulationP"})
    names.push_back(n);
  for (const auto& n : names) {
    ASSERT_TRUE(m.count(n)) << n;
    EXPECT_EQ(m.at(n).kind, ControlKind::Picture) << n;
  }
  EXPECT_EQ(MainPictureNames().size(), names.size());
}

TEST(MainCharts, EveryChartHasItsControlAndItsSeries) {
  const auto m = byName();
  ASSERT_EQ(MainCharts().size(), 9u);
  for (const auto& c : MainCharts()) {
    ASSERT_TRUE(m.count(c.name)) << c.name;
    EXPECT_EQ(m.at(c.name).kind, ControlKind::Chart);
  }
  struct Case {
    const char* chart;
    const char* bottom;
    bool log;
    const char* pattern;
    std::size_t series;
  };
  const Case cases[] = {{"ChartExperimentalLinear", "Temperature [K]", false, "0.0E+00", 2},
                        {"ChartExperimentalLog", "Temperature  [K]", true, "0.0E+00", 2},
                        {"ChartFermiLevel", "Temperature  [K]", false, "", 2},
                        {"ChartH2", "Temperature  [K]", false, "0.0#E+00", 4},
                        {"ChartSimulationReverseT", "1000/T  [K^-1]", true, "0.0#E+00", 2},
                        {"ChartSimulationT", "Temperature  [K]", true, "0.0#E+00", 2}};
  for (const auto& c : cases) {
    const auto& spec = MainChart(c.chart);
    EXPECT_EQ(spec.bottom.title, c.bottom) << c.chart;
    EXPECT_EQ(spec.left.logarithmic, c.log) << c.chart;
    EXPECT_EQ(spec.left.labelPattern, c.pattern) << c.chart;
    EXPECT_EQ(spec.series.size(), c.series) << c.chart;
  }
  EXPECT_EQ(MainChart("ChartExperimentalLinear").title, "Linear");
  EXPECT_EQ(MainChart("ChartExperimentalLog").title, "Semilog");
}

TEST(MainCharts, SeriesStylesFollowTheirRole) {
  const auto& h1 = MainChart("ChartH1").series;
  EXPECT_EQ(h1[0].line, LineStyle::Solid);
  EXPECT_EQ(h1[0].color, kBlack);
  EXPECT_EQ(h1[1].line, LineStyle::Solid);
  EXPECT_EQ(h1[1].color, kRed);
  EXPECT_EQ(h1[2].marker, Marker::Square);
  EXPECT_EQ(h1[2].color, kLime);
  EXPECT_EQ(h1[2].verticalSize, 8);
  EXPECT_EQ(MainChart("ChartH2").series[2].verticalSize, 0);
  EXPECT_EQ(h1[3].marker, Marker::Circle);
  EXPECT_EQ(h1[3].color, kGreen);
  EXPECT_TRUE(h1[3].whiteFill);
  const auto& fermi = MainChart("ChartFermiLevel").series;
  EXPECT_EQ(fermi[0].line, LineStyle::Solid);
  EXPECT_TRUE(fermi[1].whiteFill);
  for (const char* c : {"ChartExperimentalLinear", "ChartSimulationT"}) {
    const auto& s = MainChart(c).series;
    EXPECT_EQ(s[0].marker, Marker::Circle) << c;
    EXPECT_EQ(s[0].line, LineStyle::None) << c;
    EXPECT_EQ(s[0].color, kRed) << c;
    EXPECT_FALSE(s[0].whiteFill) << c;
    EXPECT_EQ(s[1].line, LineStyle::Solid) << c;
  }
}

TEST(MainFileNames, TheExtensionAndItsDotAreReplaced) {
  struct Case {
    const char *path, *replacement, *expected;
  };
  for (const Case& c :
       {Case{"sample.pT", ".spl", "sample.spl"}, Case{"/data/sample.pT", "Con1.bmp", "/data/sampleCon1.bmp"},
        Case{"run.2/sample.H1", "H1.bmp", "run.2/sampleH1.bmp"}, Case{"run.2/sample", ".fl", "run.2/sample.fl"},
        Case{"C:\\m.v\\s", ".spl", "C:\\m.v\\s.spl"}, Case{"x.tar.gz", ".H1", "x.tar.H1"}, Case{"", ".spl", ".spl"}})
    EXPECT_EQ(ReplaceExtension(c.path, c.replacement), c.expected) << c.path;
}

TEST(MemoryView, RefusesNamesOutsideItsList) {
  MemoryView view(MainControlList(), MainCharts());
  EXPECT_THROW(view.SetEnabled("ButtonCalcH4", true), std::logic_error);
  EXPECT_THROW(view.Text("buttonCalcH1"), std::logic_error);
  EXPECT_THROW(view.AddPoint("ChartH4", 0, 1, 1), std::logic_error);
  EXPECT_THROW(view.AddPoint("ChartH1", 4, 1, 1), std::logic_error);
  EXPECT_THROW(view.SetCurrentPage(kMainPageControl, "GroupBox1"), std::logic_error);
  EXPECT_THROW(MemoryView({{"A", ControlKind::Button, ""}, {"A", ControlKind::Label, ""}}, {}), std::logic_error);
  EXPECT_EQ(view.Text("EditSmoothness"), "5000");
  view.AddPoint("ChartH1", 1, 1, 5);
  view.AddPoint("ChartH1", 1, 2, -3);
  EXPECT_EQ(view.SeriesYRange("ChartH1", 1), std::make_pair(-3.0, 5.0));
  EXPECT_EQ(view.SeriesYRange("ChartH1", 0), std::make_pair(0.0, 0.0));
}

}  // namespace
}  // namespace korv::ui

namespace korv::ui::testing {
namespace {

// The named filter entries point at the patterns they are named after.
TEST(MainFilters, NamedEntriesHoldTheirPatterns) {
  auto pattern = [](const std::string& filter, int index) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar; (bar = filter.find('|', start)) != std::string::npos; start = bar + 1)
      parts.push_back(filter.substr(start, bar - start));
    parts.push_back(filter.substr(start));
    return parts.at(static_cast<std::size_t>(2 * index - 1));
  };
  EXPECT_EQ(pattern(kMainOpenFilter, open_filter::kMeasurement), "*.nT;*.pT");
  EXPECT_EQ(pattern(kMainOpenFilter, open_filter::kSpline), "*.spl");
  EXPECT_EQ(pattern(kMainOpenFilter, open_filter::kFermiLevel), "*.fl");
  EXPECT_EQ(pattern(kMainSaveFilter, save_filter::kSpline), "*.spl");
  EXPECT_EQ(pattern(kMainSaveFilter, save_filter::kFermiLevel), "*.fl");
  EXPECT_EQ(pattern(kMainSaveFilter, save_filter::kSimulation), "*.simH;*.simS");
  EXPECT_EQ(pattern(kMainSaveFilter, save_filter::kFigure), "*.bmp");
  EXPECT_EQ(pattern(kMainSaveFilter, save_filter::kExperimentalFermiLevel), "*.flE");
  for (int k = 1; k <= 3; ++k) {
    const std::string K = std::to_string(k);
    EXPECT_EQ(pattern(kMainSaveFilter, save_filter::kH[k - 1]), "*.H" + K);
    EXPECT_EQ(pattern(kMainSaveFilter, save_filter::kS[k - 1]), "*.S" + K);
    EXPECT_EQ(pattern(kMainSaveFilter, save_filter::kExperimentalH[k - 1]), "*.H" + K + "E");
    EXPECT_EQ(pattern(kMainSaveFilter, save_filter::kExperimentalS[k - 1]), "*.S" + K + "E");
  }
}

}  // namespace
}  // namespace korv::ui::testing
