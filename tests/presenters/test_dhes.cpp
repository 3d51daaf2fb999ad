// The DHES window's logic on the in-memory view: prepare, the peak commands and their
// enabling, the sum, the curves, save, figure and print.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "numerics/PipelineFixture.h"
#include "presenters/analyses/DhesPresenter.h"
#include "presenters/common/MemoryView.h"

using namespace korv::ui;
namespace ser = korv::ui::dhesseries;

namespace {

class DhesWindow : public ::testing::Test {
 protected:
  DhesWindow() : view(DhesControls(), DhesCharts()), window(record, view) {
    record.ProgramCaption = "KORV Ver. 1.51";
    dir = std::filesystem::temp_directory_path() / ("korv_dhes_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
  }
  ~DhesWindow() override { std::filesystem::remove_all(dir); }

  // The two-site 4H-SiC measurement up to its Fermi level.
  void Load(const std::string& name = "07_sic4h_n_N_two_sites.nT") {
    korv::test::LoadMeasurement(record, "datasets/" + name);
    const std::string json = "datasets/" + name.substr(0, name.rfind('.')) + ".json";
    korv::test::RunSplineAndFermiLevel(record, korv::test::JsonNumber(json, "dos_coefficient"));
    record.ExperimentalDataFile = (dir / name).string();
  }

  // Every button that is enabled now.
  std::set<std::string> Enabled() const {
    std::set<std::string> on;
    for (const auto& c : DhesControls())
      if (c.kind == ControlKind::Button && view.IsEnabled(c.name)) on.insert(c.name);
    return on;
  }
  static std::set<std::string> Names(std::initializer_list<const char*> names) {
    return std::set<std::string>(names.begin(), names.end());
  }
  int Points(int series) const { return view.PointCount(kDhesChart, series); }
  bool Click(const std::string& control) { return window.Invoke(control + "Click"); }

  Analysis record;
  MemoryView view;
  DhesPresenter window;
  std::filesystem::path dir;
};

TEST_F(DhesWindow, PrepareShowsTheSignalAndOnlyThePeakOneCommands) {
  Load();
  record.SampleNumber = "SiC-07";
  window.PrepareWindow();
  EXPECT_EQ(view.caption, "Differential Hall Effect Spectroscopy (DHES)    SiC-07");
  EXPECT_EQ(view.Text("LabelSampleNumber"), "SiC-07");
  EXPECT_EQ(view.Text("LabelVerDHES"), "KORV Ver. 1.51");
  EXPECT_EQ(Enabled(),
            Names({"ButtonPreviousPeak1", "ButtonNextPeak1", "ButtonEvaluation1", "ButtonPrintDHES", "ButtonHelp"}));
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(view.Text(DhesName("LabelDHESE", k)), "0");
    EXPECT_EQ(view.Text(DhesName("LabelDHESD", k)), "0");
  }
  EXPECT_EQ(Points(ser::kSignal), record.GridCount - 1);
  EXPECT_EQ(Points(ser::kMarker), 1);
  for (int s = 1; s <= ser::kSum; ++s) {
    if (s != ser::kMarker) {
      EXPECT_EQ(Points(s), 0) << s;
    }
  }
  EXPECT_EQ(view.BottomTitle(kDhesChart), "Fermi Level from Conduction Band  [eV]");
  EXPECT_EQ(view.LeftTitle(kDhesChart), "DHES  [cm^-3]");
  EXPECT_TRUE(view.IsVisible("LabelNType") && view.IsVisible("ImageG2") && view.IsVisible("ImageTDHESn"));
  EXPECT_FALSE(view.IsVisible("LabelPType") || view.IsVisible("ImageG4") || view.IsVisible("ImageNA1"));
  EXPECT_EQ(window.State().DopantDegeneracy, 2.0);

  record.ConductionType = "p-type";
  window.PrepareWindow();
  EXPECT_EQ(view.BottomTitle(kDhesChart), "Fermi Level from Valence Band  [eV]");
  EXPECT_TRUE(view.IsVisible("LabelPType") && view.IsVisible("ImageG4") && view.IsVisible("ImageEA3"));
  EXPECT_FALSE(view.IsVisible("LabelNType") || view.IsVisible("ImageDHESDonorLevel"));
  EXPECT_EQ(window.State().DopantDegeneracy, 4.0);
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(DhesWindow, PreviousPeakAtIndexZeroChangesNothing) {
  Load();
  window.PrepareWindow();
  view.SetEnabled("ButtonSum", true);  // a state the command would change if it ran
  const auto before = Enabled();
  const auto marker = view.Series(kDhesChart, ser::kMarker);
  EXPECT_TRUE(Click("ButtonPreviousPeak1"));
  EXPECT_EQ(Enabled(), before);
  EXPECT_EQ(view.Series(kDhesChart, ser::kMarker), marker);
  EXPECT_EQ(window.State().DhesPeakIndex[0], 0);
}

TEST_F(DhesWindow, EnablingThroughTheCommands) {
  Load();
  window.PrepareWindow();
  ASSERT_TRUE(Click("ButtonNextPeak1"));
  EXPECT_EQ(Enabled(),
            Names({"ButtonPreviousPeak1", "ButtonNextPeak1", "ButtonEvaluation1", "ButtonPrintDHES", "ButtonHelp"}));
  ASSERT_TRUE(Click("ButtonEvaluation1"));
  EXPECT_EQ(Enabled(), Names({"ButtonPreviousPeak1", "ButtonNextPeak1", "ButtonEvaluation1", "ButtonClear1",
                              "ButtonPreviousPeak2", "ButtonNextPeak2", "ButtonEvaluation2", "ButtonDraw1", "ButtonSum",
                              "ButtonSaveDHES", "ButtonPrintDHES", "ButtonHelp"}));
  EXPECT_EQ(Points(ser::kMarker + 1), 1) << "peak 2's marker at its own position";
  ASSERT_TRUE(Click("ButtonDraw1"));
  EXPECT_FALSE(view.IsEnabled("ButtonDraw1"));
  EXPECT_EQ(Points(ser::kApproximate), record.GridCount - 1);

  ASSERT_TRUE(Click("ButtonNextPeak2"));
  ASSERT_TRUE(Click("ButtonNextPeak2"));
  ASSERT_TRUE(Click("ButtonEvaluation2"));
  const auto two =
      Names({"ButtonPreviousPeak1", "ButtonNextPeak1", "ButtonEvaluation1", "ButtonClear1", "ButtonPreviousPeak2",
             "ButtonNextPeak2", "ButtonEvaluation2", "ButtonClear2", "ButtonPreviousPeak3", "ButtonNextPeak3",
             "ButtonEvaluation3", "ButtonDraw2", "ButtonSum", "ButtonSaveDHES", "ButtonPrintDHES", "ButtonHelp"});
  EXPECT_EQ(Enabled(), two);

  // Clear 2: peak 2 keeps its navigation, everything after it goes.
  ASSERT_TRUE(Click("ButtonClear2"));
  EXPECT_EQ(Enabled(),
            Names({"ButtonPreviousPeak1", "ButtonNextPeak1", "ButtonEvaluation1", "ButtonClear1", "ButtonPreviousPeak2",
                   "ButtonNextPeak2", "ButtonEvaluation2", "ButtonSaveDHES", "ButtonPrintDHES", "ButtonHelp"}));
  EXPECT_EQ(Points(ser::kTheoretical + 1), 0);
  EXPECT_EQ(Points(ser::kMarker + 1), 1);
  EXPECT_EQ(Points(ser::kTheoretical), record.GridCount - 1) << "peak 1 stays";
  EXPECT_FALSE(window.State().Evaluated[1]);

  // Save, then the figure.
  view.AcceptProposedNames();
  ASSERT_TRUE(Click("ButtonSaveDHES"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveDHES"));
  EXPECT_TRUE(view.IsEnabled("ButtonSaveFigureDHES"));
  ASSERT_TRUE(Click("ButtonSaveFigureDHES"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureDHES"));

  // Clear 1: back to the state after opening, the marker of peak 1 stays.
  ASSERT_TRUE(Click("ButtonEvaluation1"));
  ASSERT_TRUE(Click("ButtonClear1"));
  EXPECT_EQ(Enabled(),
            Names({"ButtonPreviousPeak1", "ButtonNextPeak1", "ButtonEvaluation1", "ButtonPrintDHES", "ButtonHelp"}));
  EXPECT_EQ(Points(ser::kMarker), 1);
  EXPECT_EQ(Points(ser::kMarker + 1), 0);
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(DhesWindow, MovingPeakOneDiscardsEveryPeakAndDisablesSave) {
  Load();
  window.PrepareWindow();
  Click("ButtonNextPeak1");
  Click("ButtonEvaluation1");
  Click("ButtonNextPeak2");
  Click("ButtonNextPeak2");
  Click("ButtonEvaluation2");
  ASSERT_TRUE(window.State().Evaluated[1]);
  ASSERT_NE(view.Text("LabelDHESD2"), "0");
  Click("ButtonSum");

  ASSERT_TRUE(Click("ButtonNextPeak1"));
  EXPECT_FALSE(window.State().Evaluated[0] || window.State().Evaluated[1]);
  EXPECT_FALSE(view.IsEnabled("ButtonSaveDHES"));
  EXPECT_FALSE(view.IsEnabled("ButtonSum"));
  EXPECT_FALSE(view.IsEnabled("ButtonNextPeak2"));
  for (int s : {ser::kTheoretical, ser::kTheoretical + 1, ser::kMarker + 1, ser::kSum}) EXPECT_EQ(Points(s), 0) << s;
  EXPECT_EQ(view.Text("LabelDHESE1"), "0");
  EXPECT_EQ(view.Text("LabelDHESD2"), "0");
}

TEST_F(DhesWindow, EvaluationShowsTheEstimatesAndTheSumIsDrawnOnce) {
  Load();
  window.PrepareWindow();
  Click("ButtonNextPeak1");
  Click("ButtonEvaluation1");
  const auto& s = window.State();
  EXPECT_EQ(view.Text("LabelDHESE1"), korv::FormatPattern(s.DhesPeakLevel[0], "0.####"));
  EXPECT_EQ(view.Text("LabelDHESD1"), korv::FormatPattern(s.DhesPeakDensity[0], "0.00E+00"));
  EXPECT_EQ(view.Text("LabelDHESD1").substr(4), "E+16");

  ASSERT_TRUE(Click("ButtonSum"));
  ASSERT_TRUE(Click("ButtonSum"));
  EXPECT_EQ(Points(ser::kSum), record.GridCount - 1);
  EXPECT_EQ(view.notices, std::vector<std::string>(2, kDhesSumNotice));
  EXPECT_TRUE(view.IsEnabled("ButtonSum"));
  // Nothing that is not finite reaches the chart.
  for (int series = 0; series <= ser::kSum; ++series)
    for (const auto& [x, y] : view.Series(kDhesChart, series))
      EXPECT_TRUE(std::isfinite(x) && std::isfinite(y)) << series;
}

TEST_F(DhesWindow, SaveProposesTheNamesAndAFailedWriteStaysUnsaved) {
  Load();
  window.PrepareWindow();
  Click("ButtonNextPeak1");
  Click("ButtonEvaluation1");

  view.saveAnswers.push_back((dir / "missing" / "x.DHES").string());
  ASSERT_TRUE(Click("ButtonSaveDHES"));
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_TRUE(view.IsEnabled("ButtonSaveDHES"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureDHES"));
  EXPECT_EQ(window.State().DhesFileName, "");

  view.AcceptProposedNames();
  ASSERT_TRUE(Click("ButtonSaveDHES"));
  const auto& save = view.fileDialogs.back().dialog;
  EXPECT_EQ(save.fileName, (dir / "07_sic4h_n_N_two_sites.DHES").string());
  EXPECT_EQ(save.filter, "DHES (*.DHES)|*.DHES|All Files (*.*)|*.*|Figure (*.bmp)|*.bmp");
  EXPECT_EQ(save.filterIndex, 1);
  EXPECT_TRUE(std::filesystem::exists(save.fileName));
  EXPECT_EQ(window.State().DhesFileName, save.fileName);

  ASSERT_TRUE(Click("ButtonSaveFigureDHES"));
  const auto& figure = view.fileDialogs.back().dialog;
  EXPECT_EQ(figure.fileName, (dir / "07_sic4h_n_N_two_sitesDHES.bmp").string());
  EXPECT_EQ(figure.filterIndex, 3);
  EXPECT_EQ(view.savedImages.back(), figure.fileName);

  // A name without extension gets ".DHES".
  Click("ButtonEvaluation1");
  view.saveAnswers.push_back((dir / "plain").string());
  Click("ButtonSaveDHES");
  EXPECT_TRUE(std::filesystem::exists(dir / "plain.DHES"));
}

TEST_F(DhesWindow, PrintAndHelpGoToTheirHooks) {
  Load();
  window.PrepareWindow();
  int prints = 0, helps = 0;
  window.printWindow = [&] {
    ++prints;
    return true;
  };
  window.showHelp = [&] { ++helps; };
  Click("ButtonPrintDHES");
  Click("ButtonHelp");
  EXPECT_EQ(prints, 1);
  EXPECT_EQ(helps, 1);
  EXPECT_THROW(window.Invoke("ButtonNextPeak5Click"), std::invalid_argument);
}

TEST_F(DhesWindow, GridOfOnePointOpensWithoutSignal) {
  record.SplineTemperature = {77};
  record.SplineConcentration = {1e15};
  record.FermiLevel = {0.05};
  record.GridCount = 1;
  record.ConductionType = "n-type";
  window.PrepareWindow();
  EXPECT_EQ(Points(ser::kSignal), 0);
  EXPECT_EQ(Points(ser::kMarker), 0);
  EXPECT_EQ(Enabled(), Names({"ButtonPrintDHES", "ButtonHelp"}));
  window.ButtonNextPeakClick(1);
  window.ButtonPreviousPeakClick(1);
  window.ButtonEvaluationClick(1);
  window.ButtonSumClick();
  EXPECT_EQ(Points(ser::kSum), 0);
  EXPECT_LE(view.errors.size(), 1u);

  // A grid shorter than its count: an error box, no signal.
  view.ClearLog();
  record.GridCount = 5;
  window.PrepareWindow();
  EXPECT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(Points(ser::kSignal), 0);
}

}  // namespace
