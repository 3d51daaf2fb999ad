// The main window keeps no result beyond the data it was made from and loses no work to a
// cancelled dialog: captions after the resets, cancelled loads, the remark level, peak
// steps, the function type, the negative-density toggle and the release notes.
#include <filesystem>
#include <functional>

#include "MainFixture.h"
#include "core/Numbers.h"

namespace korv::ui::testing {
namespace {

std::string density(double v) { return FormatPattern(v, "0.00E+00"); }

class Stale : public MainWindow {
 public:
  // The Fermi tab's conduction-type labels joined, and the Fermi chart's axis.
  std::string FermiType() const { return Text("LabelFermiConductionTypeN") + Text("LabelFermiConductionTypeP"); }
};

class AdvancedStale : public Stale {
 protected:
  void SetUp() override {
    presenter.Attach(view, windows);
    presenter.FormCreate(false);
  }
};

// ---- The Fermi tab follows the conduction type after every reset -------------------------------

TEST_F(Stale, TheFermiTabKeepsTheConductionTypeThroughEveryReset) {
  struct Case {
    const char* dataset;
    const char* type;
    const char* axis;
  };
  for (const Case& c : {Case{"01_si_n_P_lightcomp.nT", "n-type", "Fermi Level from Conduction Band  [eV]"},
                        Case{"02_si_p_B_comp20.pT", "p-type", "Fermi Level from Valence Band  [eV]"}}) {
    SCOPED_TRACE(c.dataset);
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"load", [&] { Load(c.dataset); }},
        {"spline", [&] { Click("ButtonCalcSpline"); }},
        {"save spline", [&] { Click("ButtonSaveSpline"); }},
        {"Fermi level", [&] { Click("ButtonCalcFermiLevel"); }},
        {"spline again", [&] { Click("ButtonCalcSpline"); }},
        {"change data (saved)",
         [&] {
           windows.dataSheet = [](bool) { return true; };
           Click("ButtonChangeData");
         }},
    };
    view.AcceptProposedNames();
    for (const auto& [name, act] : steps) {
      act();
      ASSERT_TRUE(view.errors.empty()) << name << ": " << view.errors.front();
      EXPECT_EQ(FermiType(), c.type) << "after " << name;
      EXPECT_EQ(Text("LabelFermiLevelConductionTypeN") + Text("LabelFermiLevelConductionTypeP"), c.type) << name;
      EXPECT_EQ(view.LeftTitle("ChartFermiLevel"), c.axis) << "after " << name;
    }
    windows.dataSheet = nullptr;
  }
}

TEST_F(Stale, InputDataThatSavedShowsTheConductionTypeOfTheNewMeasurement) {
  Load("01_si_n_P_lightcomp.nT");
  const std::string file =
      WriteMeasurement("typed.pT", "p-type", {50, 100, 150, 200}, {1e14, 1e15, 2e15, 3e15}, {1, 1, 1, 1});
  windows.dataSources.push_back(DataSource::Keyboard);
  windows.dataSheet = [&](bool) {
    EXPECT_EQ(record.SampleNumber, "");  // a keyboard entry starts from an empty header
    record.ExperimentalDataFile = file;
    return record.LoadMeasurementFile();
  };
  Click("ButtonInputData");
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(record.DataCount, 4);
  EXPECT_EQ(FermiType(), "p-type");
  EXPECT_EQ(view.LeftTitle("ChartFermiLevel"), "Fermi Level from Valence Band  [eV]");
  EXPECT_EQ(Text("EditGH1"), "4");
  EXPECT_TRUE(On("ButtonCalcSpline"));
}

// ---- A cancelled dialog destroys nothing --------------------------------------------------------

TEST_F(AdvancedStale, ACancelledLoadOrEntryLeavesTheAnalysisAsItWas) {
  struct Case {
    const char* name;
    std::function<void(Stale&)> cancel;
  };
  const std::vector<Case> cases = {
      {"Load Data",
       [](Stale& t) {
         t.view.openAnswers.push_back(std::nullopt);
         t.Click("ButtonLoadExperimental");
       }},
      {"Load Data (menu)",
       [](Stale& t) {
         t.view.openAnswers.push_back(std::nullopt);
         t.Click("LoadExperimental");
       }},
      {"Input Data, no source", [](Stale& t) { t.Click("ButtonInputData"); }},
      {"Input Data, keyboard closed",
       [](Stale& t) {
         t.windows.dataSources.push_back(DataSource::Keyboard);
         t.windows.dataSheet = [](bool) { return false; };
         t.Click("ButtonInputData");
       }},
      {"Input Data, conversion closed",
       [](Stale& t) {
         t.windows.dataSources.push_back(DataSource::Conversion);
         t.windows.conversion = [] { return false; };
         t.Click("ButtonInputData");
       }},
      {"Load Spline",
       [](Stale& t) {
         t.view.openAnswers.push_back(std::nullopt);
         t.Click("LoadSpline");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    presenter.AllClearMainClick();
    view.openAnswers.clear();
    ToFermiReady("01_si_n_P_lightcomp.nT");
    Click("ButtonCalcH1");
    Click("ButtonEvaluation1");
    const auto before = Snapshot();
    const int grid = record.GridCount;
    const std::string sample = record.SampleNumber, fermi = record.FermiLevelFile;
    const double level = record.EnergyLevel[0];
    c.cancel(*this);
    EXPECT_TRUE(view.errors.empty());
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(record.GridCount, grid);
    EXPECT_EQ(record.SampleNumber, sample);
    EXPECT_EQ(record.FermiLevelFile, fermi);
    EXPECT_EQ(record.EnergyLevel[0], level);
  }
}

TEST_F(AdvancedStale, ACancelledFermiLevelLoadKeepsTheFermiLevel) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  const auto before = Snapshot();
  const auto fermi = record.FermiLevel;
  view.openAnswers.push_back(std::nullopt);
  Click("LoadSpline");  // enables "Fermi Level (*.fl)" only after a loaded spline
  ASSERT_EQ(Snapshot(), before);
  view.openAnswers.push_back(record.AnalysisDataFile);
  Click("LoadSpline");
  view.openAnswers.push_back(std::nullopt);
  const auto loaded = Snapshot();
  Click("LoadFermiLevel");
  EXPECT_EQ(Snapshot(), loaded);
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 3);
}

// ---- Everything derived from a stage goes with it ------------------------------------------------

// An H2 level below the lowest-temperature energy leaves a remark level; a new H1 calculation
// takes it away, so "See Remarks!" can never act on an H2 that no longer exists.
TEST_F(Stale, ANewH1DropsTheRemarkLevelOfTheOldH2) {
  ToH1Saved("13_gan_n_two_donors.nT");
  Click("ButtonCalcH2");
  presenter.Pipeline().evaluate = [](Analysis& a, int k) {
    const bool ok = a.Evaluate(k);
    if (k == 1) a.EnergyLevel[1] = a.LowestKT / 2;
    return ok;
  };
  Click("ButtonEvaluation2");  // "Continue" in the remarks
  ASSERT_EQ(presenter.UnreliableLevel(), 1);
  presenter.Pipeline().evaluate = [](Analysis& a, int k) { return a.Evaluate(k); };
  Click("ButtonCalcH1");
  EXPECT_EQ(presenter.UnreliableLevel(), -1);
  record.CompensatingDensity = 1e15;
  presenter.PageControl1Change("TabSheet6");
  EXPECT_FALSE(On("ButtonSeeResults"));
}

TEST_F(Stale, TheRemarkLevelOfH1SurvivesAnH2Calculation) {
  ToFermiReady("13_gan_n_two_donors.nT");
  Click("ButtonCalcH1");
  presenter.Pipeline().evaluate = [](Analysis& a, int k) {
    const bool ok = a.Evaluate(k);
    if (k == 0) a.EnergyLevel[0] = a.LowestKT / 2;
    return ok;
  };
  Click("ButtonEvaluation1");
  ASSERT_EQ(presenter.UnreliableLevel(), 0);
  Click("ButtonSaveH1");
  Click("ButtonCalcH2");
  EXPECT_EQ(presenter.UnreliableLevel(), 0);  // H1 is still the analysis it came from
}

// Advanced mode: a step to another peak after an evaluation takes the evaluation and every
// later analysis away, as a new calculation does; the H file can never pair the new peak
// with the old density.
TEST_F(AdvancedStale, APeakStepInvalidatesTheEvaluationAndEverythingAfterIt) {
  ToH1Saved("13_gan_n_two_donors.nT");
  Click("ButtonCalcH2");
  Click("ButtonEvaluation2");
  ASSERT_TRUE(On("ButtonSaveH2"));
  const std::string h1 = Text("LabelDensity1");
  // A peak step in H2 leaves H1 alone and clears H2's evaluation.
  if (!presenter.Invoke("ButtonDecreasePeakH2Click") || !view.errors.empty()) {
    view.ClearLog();
    Click("ButtonIncreasePeakH2");
  }
  EXPECT_FALSE(On("ButtonSaveH2"));
  EXPECT_EQ(Text("LabelDensity2"), "0");
  EXPECT_EQ(Text("LabelDensity1"), h1);
  EXPECT_FALSE(On("ButtonCalcH3"));
  EXPECT_TRUE(On("ButtonSaveFigureH1"));

  // A peak step in H1 clears the H1 evaluation and the whole H2 tab.
  Click("ButtonDecreasePeakH1");
  if (!view.errors.empty()) {
    view.ClearLog();
    Click("ButtonIncreasePeakH1");
  }
  EXPECT_FALSE(On("ButtonSaveH1"));
  EXPECT_EQ(Text("LabelDensity1"), "0");
  EXPECT_EQ(Text("LabelFilenameH1"), "");
  EXPECT_FALSE(On("ButtonCalcH2"));
  EXPECT_EQ(view.PointCount("ChartH2", 0), 0);
  EXPECT_FALSE(On("MenuExcitedStates"));
  EXPECT_FALSE(view.IsChecked("CheckBox1"));
}

// ---- The function type follows the state table -----------------------------------------------

TEST_F(AdvancedStale, TheFunctionTypeEnablesH1OnlyWithASavedFermiLevel) {
  view.AcceptProposedNames();
  Load("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcSpline");
  Click("ButtonSaveSpline");
  windows.functionClicks.push_back({1});
  Click("TypeOfFunction");
  EXPECT_FALSE(On("ButtonCalcH1"));  // a spline of thousands of points, but no Fermi level
  Click("ButtonCalcFermiLevel");
  windows.functionClicks.push_back({1});
  Click("TypeOfFunction");
  EXPECT_FALSE(On("ButtonCalcH1"));  // calculated, not yet saved
  Click("ButtonSaveFermiLevel");
  windows.functionClicks.push_back({1});
  Click("TypeOfFunction");
  EXPECT_TRUE(On("ButtonCalcH1"));
  Click("ButtonCalcH1");
  Click("ButtonEvaluation1");
  Click("ButtonSaveH1");
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "01_si_n_P_lightcomp.S1");
}

TEST_F(Stale, SaveDialogsProposeANameFromTheLatestFile) {
  view.AcceptProposedNames();
  Load("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcSpline");
  Click("ButtonSaveSpline");
  // No H1 file yet: a level typed in, and the name comes from the spline file.
  view.SetChecked("CheckBox1", true);
  view.SetText("EditSDensity1", "1E16");
  view.SetText("EditSEnergy1", "0.045");
  Click("ButtonSimulation");
  Click("ButtonSaveSimulation");
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "01_si_n_P_lightcomp.simH");
  Click("ButtonSaveFigureSimulation1");
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "01_si_n_P_lightcompSimH1.bmp");
  for (const auto& d : view.fileDialogs) {
    const std::string name = std::filesystem::path(d.dialog.fileName).filename().string();
    EXPECT_TRUE(name.empty() || name.front() != '.') << d.dialog.fileName;
  }
}

// ---- The negative-density toggle, its caption and the carried density ---------------------------

TEST_F(AdvancedStale, TheNegativeDensityFlagFollowsItsCaptionAndTheCarry) {
  ToH1Saved("07_sic4h_n_N_two_sites.nT");
  // The H2 automatic retry: E_ref 0 and a peak between half the H1 check index and the H1 peak.
  presenter.Pipeline().calculateH = [](Analysis& a, int k) {
    const bool ok = a.CalculateH(k);
    if (ok && k == 1) {
      a.Eref[1] = 0;
      a.PeakIndex[1] = a.PeakIndex[0];
      a.CheckIndex[0] = a.PeakIndex[0];
    }
    return ok;
  };
  view.notices.clear();  // the spline's notice of a missed point
  Click("ButtonCalcH2");
  EXPECT_EQ(view.notices, std::vector<std::string>{"Calculation of reasonable H2 is carried out again."});
  EXPECT_TRUE(record.SecondAttempt);
  EXPECT_EQ(Text("ButtonCalcH2"), "Calculation again");
  EXPECT_FALSE(presenter.NegativeNcomInUse());
  Click("ButtonCalcH2");  // the second attempt uses the negative H1 density
  EXPECT_FALSE(record.SecondAttempt);
  EXPECT_TRUE(presenter.NegativeNcomInUse());
  EXPECT_EQ(Text("ButtonUseNegativeNcom"), "Do not Use Negative Value");
  EXPECT_EQ(record.CompensationAnalysis, 0);
  EXPECT_TRUE(record.RecalculationRequested);
  EXPECT_EQ(Text("LabelComDensityH2"), density(record.CompensatingDensity));

  // A new H1 drops the carry, and the flag and the caption with it.
  presenter.Pipeline().calculateH = [](Analysis& a, int k) { return a.CalculateH(k); };
  Click("ButtonCalcH1");
  EXPECT_EQ(record.CompensationAnalysis, -1);
  EXPECT_FALSE(presenter.NegativeNcomInUse());
  EXPECT_EQ(Text("ButtonUseNegativeNcom"), "Use Negative Compensating Density");
}

// ---- Information on the latest version ----------------------------------------------------------

TEST_F(Stale, TheLatestVersionInformationIsTheBundledReleaseNotes) {
  Click("Information");
  EXPECT_EQ(windows.calls.back(), std::string("HelpAddress ") + kReleaseNotesPage);
  const std::filesystem::path notes = std::filesystem::path(KORV_TEST_DATA) / ".." / ".." / "docs" / kReleaseNotesPage;
  EXPECT_TRUE(std::filesystem::exists(notes)) << notes;
}

}  // namespace
}  // namespace korv::ui::testing
