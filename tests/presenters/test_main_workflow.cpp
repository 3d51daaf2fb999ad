// The main window's step-by-step workflow: the enabling state machine over a scripted
// road, and the edge cases of the measurement, spline, density-of-states and Fermi stages.
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "MainFixture.h"
#include "core/Numbers.h"

namespace korv::ui::testing {
namespace {

// Every control whose enabled state the state tables of the workflow and the analysis name.
const std::vector<std::string> kStateControls = {"ButtonInputData",
                                                 "ButtonLoadExperimental",
                                                 "ButtonSeeInformation",
                                                 "EditSmoothness",
                                                 "EditFermiLevelComment",
                                                 "ButtonChangeData",
                                                 "ButtonCalcSpline",
                                                 "ButtonSaveSpline",
                                                 "ButtonSaveFigureConcentration1",
                                                 "ButtonSaveFigureConcentration2",
                                                 "LoadSpline",
                                                 "LoadFermiLevel",
                                                 "ButtonInputChangeInformation",
                                                 "EditMass",
                                                 "EditEquivalentMinima",
                                                 "EditEffectiveDensityOfStates",
                                                 "ButtonCalcEffectiveDensityOfStates",
                                                 "ButtonCalcFermiLevel",
                                                 "ButtonSaveFermiLevel",
                                                 "ButtonSaveFigureFermi",
                                                 "ButtonSaveExperimentalFermiLevelData",
                                                 "ButtonCalcH1",
                                                 "ButtonDecreaseErefH1",
                                                 "ButtonDecreaseErefH1Precise",
                                                 "ButtonIncreaseErefH1",
                                                 "ButtonIncreaseErefH1Precise",
                                                 "ButtonCalculationH1Precise",
                                                 "ButtonEvaluation1",
                                                 "ButtonDecreasePeakH1",
                                                 "ButtonIncreasePeakH1",
                                                 "ButtonSaveH1",
                                                 "ButtonSaveFigureH1",
                                                 "ButtonSaveExperimentalH1Data",
                                                 "ButtonCalcH2",
                                                 "ButtonUseNegativeNcom",
                                                 "ButtonEvaluation2",
                                                 "ButtonDecreasePeakH2",
                                                 "ButtonIncreasePeakH2",
                                                 "ButtonSaveH2",
                                                 "ButtonSaveFigureH2",
                                                 "ButtonSaveExperimentalH2Data",
                                                 "ButtonCalcH3",
                                                 "ButtonEvaluation3",
                                                 "ButtonDecreasePeakH3",
                                                 "ButtonIncreasePeakH3",
                                                 "ButtonSaveH3",
                                                 "ButtonSaveFigureH3",
                                                 "ButtonSaveExperimentalH3Data",
                                                 "ButtonSimulation",
                                                 "ButtonSaveSimulation",
                                                 "ButtonSaveFigureSimulation1",
                                                 "ButtonSaveFigureSimulation2",
                                                 "ButtonSeeResults",
                                                 "MenuInverseT",
                                                 "MenuInverseTCom",
                                                 "MenuDHES",
                                                 "MenuExcitedStates",
                                                 "MenuDXCenter",
                                                 "MenuCurveFitting",
                                                 "ButtonFineAdjustment"};

std::set<std::string> words(const std::string& text) {
  std::set<std::string> out;
  std::istringstream in(text);
  for (std::string w; in >> w;) out.insert(w);
  return out;
}

const char* const kAlways =
    "ButtonInputData ButtonLoadExperimental ButtonSeeInformation EditSmoothness EditFermiLevelComment ";
const char* const kH1Start =
    " ButtonCalcH1 ButtonDecreaseErefH1 ButtonDecreaseErefH1Precise ButtonIncreaseErefH1 ButtonIncreaseErefH1Precise "
    "ButtonCalculationH1Precise ";

class StateMachine : public MainWindow {
 protected:
  struct Step {
    std::string name;
    std::function<void()> act;
    std::string enabled;  // the controls of kStateControls that are enabled afterwards
  };

  void Run(const std::vector<Step>& road) {
    for (const auto& step : road) {
      step.act();
      ASSERT_TRUE(view.errors.empty()) << step.name << ": " << view.errors.front();
      const auto expected = words(step.enabled);
      for (const auto& w : expected) ASSERT_TRUE(std::count(kStateControls.begin(), kStateControls.end(), w)) << w;
      for (const auto& c : kStateControls)
        EXPECT_EQ(On(c), expected.count(c) > 0) << "after " << step.name << ": " << c;
    }
  }
};

// A whole analysis of a two-donor GaN measurement that reaches H3, and the way back.
TEST_F(StateMachine, FollowsTheRoadFromLoadToTheSavedSimulationAndBack) {
  view.AcceptProposedNames();
  const std::string A = kAlways, H1 = kH1Start;
  const std::string fermiReady = A +
                                 "ButtonChangeData ButtonCalcSpline ButtonSaveFigureConcentration1 "
                                 "ButtonSaveFigureConcentration2 LoadSpline ButtonInputChangeInformation EditMass "
                                 "EditEquivalentMinima EditEffectiveDensityOfStates ButtonCalcFermiLevel "
                                 "ButtonSaveFigureFermi ButtonSaveExperimentalFermiLevelData ButtonSimulation "
                                 "MenuInverseT MenuInverseTCom MenuDHES" +
                                 H1;
  const std::string h1Saved = fermiReady +
                              " ButtonSaveFigureH1 ButtonSaveExperimentalH1Data ButtonDecreasePeakH1 "
                              "ButtonIncreasePeakH1 MenuExcitedStates ButtonCalcH2";
  const std::string h2Saved = h1Saved +
                              " ButtonUseNegativeNcom ButtonDecreasePeakH2 ButtonIncreasePeakH2 "
                              "ButtonSaveExperimentalH2Data ButtonSaveFigureH2 ButtonCalcH3";
  const std::string h3Saved =
      h2Saved + " ButtonDecreasePeakH3 ButtonIncreasePeakH3 ButtonSaveExperimentalH3Data ButtonSaveFigureH3";
  Run({
      {"start", [] {}, A},
      {"load", [&] { Load("13_gan_n_two_donors.nT"); }, A + "ButtonChangeData ButtonCalcSpline LoadSpline"},
      {"spline", [&] { Click("ButtonCalcSpline"); },
       A + "ButtonChangeData ButtonCalcSpline ButtonSaveSpline LoadSpline"},
      {"save spline", [&] { Click("ButtonSaveSpline"); },
       A + "ButtonChangeData ButtonCalcSpline ButtonSaveFigureConcentration1 ButtonSaveFigureConcentration2 "
           "LoadSpline ButtonInputChangeInformation ButtonCalcFermiLevel ButtonSimulation"},
      {"input or change", [&] { Click("ButtonInputChangeInformation"); },
       A + "ButtonChangeData ButtonCalcSpline ButtonSaveFigureConcentration1 ButtonSaveFigureConcentration2 "
           "LoadSpline ButtonInputChangeInformation EditMass EditEquivalentMinima EditEffectiveDensityOfStates "
           "ButtonCalcEffectiveDensityOfStates ButtonSimulation"},
      {"density of states", [&] { Click("ButtonCalcEffectiveDensityOfStates"); },
       A + "ButtonChangeData ButtonCalcSpline ButtonSaveFigureConcentration1 ButtonSaveFigureConcentration2 "
           "LoadSpline ButtonInputChangeInformation EditMass EditEquivalentMinima EditEffectiveDensityOfStates "
           "ButtonCalcFermiLevel ButtonSimulation"},
      {"Fermi level", [&] { Click("ButtonCalcFermiLevel"); },
       A + "ButtonChangeData ButtonCalcSpline ButtonSaveFigureConcentration1 ButtonSaveFigureConcentration2 "
           "LoadSpline ButtonInputChangeInformation EditMass EditEquivalentMinima EditEffectiveDensityOfStates "
           "ButtonCalcFermiLevel ButtonSaveFermiLevel ButtonSimulation"},
      {"save Fermi level", [&] { Click("ButtonSaveFermiLevel"); }, fermiReady},
      {"H1", [&] { Click("ButtonCalcH1"); },
       fermiReady + " ButtonEvaluation1 ButtonDecreasePeakH1 ButtonIncreasePeakH1 ButtonSaveExperimentalH1Data"},
      {"evaluation 1", [&] { Click("ButtonEvaluation1"); },
       fermiReady + " ButtonSaveH1 ButtonDecreasePeakH1 ButtonIncreasePeakH1 ButtonSaveExperimentalH1Data "
                    "MenuExcitedStates"},
      {"save H1", [&] { Click("ButtonSaveH1"); }, h1Saved},
      {"H2", [&] { Click("ButtonCalcH2"); },
       h1Saved + " ButtonUseNegativeNcom ButtonEvaluation2 ButtonDecreasePeakH2 ButtonIncreasePeakH2 "
                 "ButtonSaveExperimentalH2Data"},
      {"evaluation 2", [&] { Click("ButtonEvaluation2"); },
       h1Saved + " ButtonUseNegativeNcom ButtonSaveH2 ButtonDecreasePeakH2 ButtonIncreasePeakH2 "
                 "ButtonSaveExperimentalH2Data"},
      {"save H2", [&] { Click("ButtonSaveH2"); }, h2Saved},
      {"H3", [&] { Click("ButtonCalcH3"); },
       h2Saved + " ButtonEvaluation3 ButtonDecreasePeakH3 ButtonIncreasePeakH3 ButtonSaveExperimentalH3Data"},
      {"evaluation 3", [&] { Click("ButtonEvaluation3"); },
       h2Saved + " ButtonSaveH3 ButtonDecreasePeakH3 ButtonIncreasePeakH3 ButtonSaveExperimentalH3Data"},
      {"save H3", [&] { Click("ButtonSaveH3"); }, h3Saved},
      {"simulation", [&] { Click("ButtonSimulation"); }, h3Saved + " ButtonSaveSimulation"},
      {"save simulation", [&] { Click("ButtonSaveSimulation"); },
       h3Saved + " ButtonSaveFigureSimulation1 ButtonSaveFigureSimulation2 MenuCurveFitting ButtonFineAdjustment"},
      // Backward: a new Fermi level clears the analyses; a new spline clears everything after it.
      {"Fermi level again", [&] { Click("ButtonCalcFermiLevel"); },
       A + "ButtonChangeData ButtonCalcSpline ButtonSaveFigureConcentration1 ButtonSaveFigureConcentration2 "
           "LoadSpline ButtonInputChangeInformation EditMass EditEquivalentMinima EditEffectiveDensityOfStates "
           "ButtonCalcFermiLevel ButtonSaveFermiLevel ButtonSimulation MenuInverseT MenuInverseTCom MenuDHES"},
      {"spline again", [&] { Click("ButtonCalcSpline"); },
       A + "ButtonChangeData ButtonCalcSpline ButtonSaveSpline LoadSpline ButtonSimulation"},
      {"all clear", [&] { presenter.AllClearMainClick(); }, A},
  });
}

TEST_F(StateMachine, InputDataFromTheKeyboardReachesDataWithoutTheSplineMenu) {
  windows.dataSources.push_back(DataSource::Keyboard);
  const std::string file = WriteMeasurement("typed.nT", "n-type", {50, 100, 150}, {1e14, 1e15, 2e15}, {1, 1, 1});
  bool keyboard = false;
  windows.dataSheet = [&](bool k) {
    keyboard = k && presenter.KeyboardEntryRequested();
    record.ExperimentalDataFile = file;  // the sheet wrote the file and read it back
    return record.LoadMeasurementFile();
  };
  Run({{"input data", [&] { Click("ButtonInputData"); }, std::string(kAlways) + "ButtonChangeData ButtonCalcSpline"}});
  EXPECT_TRUE(keyboard);
  EXPECT_FALSE(presenter.KeyboardEntryRequested());
  EXPECT_FALSE(presenter.SheetDataSaved());
  EXPECT_EQ(Text("LabelFilenameExperimentalData"), file);
  EXPECT_EQ(Text("PanelSampleNumber"), "S-1");
  EXPECT_EQ(view.PointCount("ChartExperimentalLog", 0), 3);
  EXPECT_EQ(Text("EditGH1"), "2");  // n-type degeneracy default
  EXPECT_EQ(view.LeftTitle("ChartExperimentalLinear"), "Electron Concentration  [cm^-3]");
}

TEST_F(StateMachine, InputDataWithoutSavingLeavesNoMeasurement) {
  windows.dataSources.push_back(DataSource::Conversion);
  Run({{"input data", [&] { Click("ButtonInputData"); }, std::string(kAlways) + "ButtonChangeData"}});
  EXPECT_TRUE(windows.Called("Conversion"));
  EXPECT_EQ(view.PointCount("ChartExperimentalLinear", 0), 0);
}

TEST_F(StateMachine, LoadingAMeasurementFileThatIsNotOneShowsTheErrorAndStaysEmpty) {
  const std::string bad = folder / "bad.nT";
  {
    std::ofstream out(bad);
    out << "% nothing here\n";
  }
  LoadFile(bad);
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(record.ExperimentalDataFile, "");
  for (const auto& c : kStateControls) EXPECT_EQ(On(c), words(kAlways).count(c) > 0) << c;
}

// Whatever tab the last measurement ended on, a new one opens on its data; a cancelled
// load leaves the tab where it was.
TEST_F(MainWindow, LoadingANewMeasurementGoesToTheFirstTab) {
  ToH1Saved("01_si_n_P_lightcomp.nT");
  view.SetCurrentPage(kMainPageControl, "TabSheet4");
  view.openAnswers.push_back(std::nullopt);
  presenter.ButtonLoadExperimentalClick();
  EXPECT_EQ(view.currentPage, "TabSheet4");
  Load("02_si_p_B_comp20.pT");
  EXPECT_EQ(view.currentPage, "TabSheet1");
}

// ---- Measured points, spline, change data ----------------------------------------------------

TEST_F(MainWindow, PlotsOnlyPointsOfReliabilityAtLeastNineTenths) {
  const std::string file = WriteMeasurement("r.nT", "n-type", {40, 50, 60, 80, 100}, {1e14, 2e14, 4e14, 8e14, 1e15},
                                            {0.9, 0.89, 1, 0, 0.95});
  LoadFile(file);
  ASSERT_TRUE(view.errors.empty());
  const MemoryView::Points expected = {{40, 1e14}, {60, 4e14}, {100, 1e15}};
  EXPECT_EQ(view.Series("ChartExperimentalLinear", 0), expected);
  EXPECT_EQ(view.Series("ChartExperimentalLog", 0), expected);
  EXPECT_EQ(view.Series("ChartSimulationT", 0), expected);
  const MemoryView::Points reverse = {{1000.0 / 40, 1e14}, {1000.0 / 60, 4e14}, {1000.0 / 100, 1e15}};
  EXPECT_EQ(view.Series("ChartSimulationReverseT", 0), reverse);
}

TEST_F(MainWindow, AMeasurementWithoutReliablePointsIsAcceptedButNotPlotted) {
  LoadFile(WriteMeasurement("r.pT", "p-type", {40, 50, 60, 80}, {1e14, 2e14, 4e14, 8e14}, {0.5, 0.89, 0.1, 0.8}));
  ASSERT_TRUE(view.errors.empty());
  EXPECT_EQ(record.DataCount, 4);
  for (const char* c :
       {"ChartExperimentalLinear", "ChartExperimentalLog", "ChartSimulationReverseT", "ChartSimulationT"})
    EXPECT_EQ(view.PointCount(c, 0), 0) << c;
  EXPECT_TRUE(On("ButtonCalcSpline"));
  EXPECT_EQ(view.LeftTitle("ChartSimulationT"), "Hole Concentarion  [cm^-3]");
  EXPECT_EQ(Text("EditGH3"), "4");
}

TEST_F(MainWindow, ASecondSplineReplacesTheFirstAndClearsEverythingAfterIt) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  const int grid = record.GridCount;
  const std::vector<double> first = record.SplineConcentration;
  view.SetText("EditSmoothness", "50");
  Click("ButtonCalcSpline");
  ASSERT_TRUE(view.errors.empty());
  EXPECT_NE(record.SplineConcentration, first);
  for (const char* c : {"ChartExperimentalLinear", "ChartExperimentalLog"}) {
    ASSERT_EQ(view.PointCount(c, 1), grid) << c;
    EXPECT_EQ(view.Series(c, 1).back().second, record.SplineConcentration[grid - 1]) << c;
  }
  for (const char* c : {"ButtonSaveFigureConcentration1", "ButtonSaveFigureConcentration2", "ButtonCalcFermiLevel",
                        "ButtonSaveFermiLevel", "ButtonCalcH1", "ButtonEvaluation1", "LoadFermiLevel", "MenuDHES"})
    EXPECT_FALSE(On(c)) << c;
  EXPECT_EQ(view.PointCount("ChartFermiLevel", 0), 0);
  EXPECT_EQ(view.PointCount("ChartH1", 0), 0);
  EXPECT_EQ(Text("LabelFilenameFermiLevel"), "");
  EXPECT_EQ(record.FermiLevel.size(), 1u);  // the record's Fermi stage is cleared too
  EXPECT_EQ(record.Smoothness, 50);
}

TEST_F(MainWindow, ChangeDataClosedWithoutSavingChangesNothing) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  const auto before = Snapshot();
  const auto spline = record.SplineConcentration;
  const auto fermi = record.FermiLevel;
  windows.dataSheet = [](bool) { return false; };
  Click("ButtonChangeData");
  EXPECT_TRUE(windows.Called("DataSheet"));
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(record.SplineConcentration, spline);
  EXPECT_EQ(record.FermiLevel, fermi);
}

TEST_F(MainWindow, ChangeDataSavedReplotsAndClearsFromTheSpline) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  windows.dataSheet = [&](bool keyboard) {
    EXPECT_FALSE(keyboard);
    record.Reliability[0] = 0.5;  // the user unflagged a point and saved
    return true;
  };
  const int points = view.PointCount("ChartExperimentalLinear", 0);
  Click("ButtonChangeData");
  EXPECT_EQ(view.PointCount("ChartExperimentalLinear", 0), points - 1);
  EXPECT_TRUE(On("ButtonCalcSpline"));
  EXPECT_FALSE(On("ButtonSaveSpline"));
  EXPECT_FALSE(On("LoadSpline"));
  EXPECT_FALSE(On("ButtonCalcFermiLevel"));
  EXPECT_FALSE(On("ButtonCalcH1"));
  EXPECT_TRUE(On("ButtonSaveFigureConcentration1"));  // unchanged by "Change Data"
  EXPECT_EQ(view.PointCount("ChartExperimentalLinear", 1), 0);
  EXPECT_FALSE(presenter.SheetDataSaved());
}

TEST_F(MainWindow, ATextThatIsNoNumberEndsTheSplineCalculation) {
  Load("01_si_n_P_lightcomp.nT");
  view.SetText("EditSmoothness", "5e3x");
  const auto before = Snapshot();
  Click("ButtonCalcSpline");
  ASSERT_EQ(view.errors, std::vector<std::string>{"'5e3x' is not a valid floating point value"});
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(view.cursor, Cursor::Normal);
}

TEST_F(MainWindow, ACancelledDialogEndsTheCommand) {
  Load("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcSpline");
  const auto before = Snapshot();
  view.saveAnswers.push_back(std::nullopt);
  Click("ButtonSaveSpline");
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(record.AnalysisDataFile, "");
}

// ---- Material and density of states --------------------------------------------------------------

TEST_F(MainWindow, SavingTheSplineShowsTheMaterialDefaults) {
  struct Case {
    const char* dataset;
    const char* mass;
    const char* minima;
    const char* dos;
    const char* semiconductor;
  };
  for (const Case& c : {Case{"01_si_n_P_lightcomp.nT", "0.32", "6", "1.02E+50", "Si"},
                        Case{"02_si_p_B_comp20.pT", "0.59", "1", "", "Si"}}) {
    view.AcceptProposedNames();
    Load(c.dataset);
    Click("ButtonCalcSpline");
    Click("ButtonSaveSpline");
    EXPECT_EQ(Text("LabelFermiSemiconductor"), c.semiconductor) << c.dataset;
    EXPECT_EQ(Text("EditMass"), c.mass) << c.dataset;
    EXPECT_EQ(Text("EditEquivalentMinima"), c.minima) << c.dataset;
    if (*c.dos) {
      EXPECT_EQ(Text("EditEffectiveDensityOfStates"), c.dos) << c.dataset;
    }
    EXPECT_FALSE(On("EditMass")) << c.dataset;
  }
}

TEST_F(MainWindow, APTypeSampleAlwaysUsesOneEquivalentMinimum) {
  struct Case {
    const char* dataset;
    const char* minima;
    double used;
  };
  std::map<std::string, std::string> shown;
  for (const Case& c : {Case{"02_si_p_B_comp20.pT", "6", 1.0}, Case{"02_si_p_B_comp20.pT", "1", 1.0},
                        Case{"01_si_n_P_lightcomp.nT", "6", 6.0}, Case{"01_si_n_P_lightcomp.nT", "1", 1.0}}) {
    view.AcceptProposedNames();
    Load(c.dataset);
    Click("ButtonCalcSpline");
    Click("ButtonSaveSpline");
    Click("ButtonInputChangeInformation");
    view.SetText("EditMass", "0.5");
    view.SetText("EditEquivalentMinima", c.minima);
    Click("ButtonCalcEffectiveDensityOfStates");
    ASSERT_TRUE(view.errors.empty()) << view.errors.front();
    EXPECT_EQ(record.EquivalentMinima, c.used) << c.dataset << " " << c.minima;
    EXPECT_EQ(record.EffectiveMass, 0.5);
    shown[std::string(c.dataset) + c.minima] = Text("EditEffectiveDensityOfStates");
  }
  EXPECT_EQ(shown["02_si_p_B_comp20.pT6"], shown["02_si_p_B_comp20.pT1"]);
  EXPECT_NE(shown["01_si_n_P_lightcomp.nT6"], shown["01_si_n_P_lightcomp.nT1"]);
  EXPECT_EQ(shown["01_si_n_P_lightcomp.nT1"],
            FormatPattern(record.DosCoefficient / std::pow(1.38054e-23, 1.5), "0.00E+00"));
}

TEST_F(MainWindow, DensityOfStatesFailuresAndTheFermiGuard) {
  view.AcceptProposedNames();
  Load("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcSpline");
  Click("ButtonSaveSpline");
  Click("ButtonInputChangeInformation");
  // The Fermi level is refused while the material inputs are open.
  presenter.ButtonCalcFermiLevelClick();
  EXPECT_EQ(view.errors, std::vector<std::string>{"Please calcutate the effective density of states first."});
  view.ClearLog();
  view.SetText("EditMass", "heavy");
  Click("ButtonCalcEffectiveDensityOfStates");
  EXPECT_EQ(view.errors, std::vector<std::string>{"'heavy' is not a valid floating point value"});
  view.ClearLog();
  view.SetText("EditMass", "-1");
  const double before = record.DosCoefficient;
  Click("ButtonCalcEffectiveDensityOfStates");
  EXPECT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(record.DosCoefficient, before);
  EXPECT_TRUE(On("ButtonCalcEffectiveDensityOfStates"));
  EXPECT_FALSE(On("ButtonCalcFermiLevel"));
}

TEST_F(MainWindow, SwitchingToTheSimulationTabEnablesTheRemarksOnlyForAShallowLevel) {
  struct Case {
    int level;
    double density;
    bool before, after;
  };
  for (const Case& c : {Case{-1, 1e15, true, false}, Case{-1, 1e15, false, false}, Case{1, 1e15, false, true},
                        Case{1, 0, false, false}, Case{2, -1e15, true, true}}) {
    presenter.SetUnreliableLevel(c.level);
    record.CompensatingDensity = c.density;
    view.SetEnabled("ButtonSeeResults", c.before);
    presenter.PageControl1Change("TabSheet5");
    EXPECT_EQ(On("ButtonSeeResults"), c.before);
    presenter.PageControl1Change("TabSheet6");
    EXPECT_EQ(On("ButtonSeeResults"), c.after) << c.level << " " << c.density << " " << c.before;
  }
}

// ---- Start-up and modes ------------------------------------------------------------------------

TEST_F(MainWindow, StartsInNormalModeWithTheOptionMenuOutOfReach) {
  EXPECT_EQ(view.caption, "Korvan (KORV) by Telmar Lab.");
  EXPECT_TRUE(record.DeveloperOptionsHidden);
  EXPECT_FALSE(record.ManualMode);
  EXPECT_EQ(record.VersionInformation, "Version 1.51 (2004/6/2)");
  EXPECT_EQ(Text("LabelVerH2"), "KORV Ver. 1.51");
  EXPECT_FALSE(view.IsVisible("OptionMain"));
  EXPECT_FALSE(presenter.Invoke("AdvancedModeClick"));
  EXPECT_FALSE(presenter.Invoke("TypeOfFunctionClick"));
  for (const char* c : {"ButtonDecreaseErefH1", "ButtonUseNegativeNcom", "LoadSpline", "DistributionFunction1",
                        "ButtonSaveExperimentalH3Data", "LabelChangePeakH2"})
    EXPECT_FALSE(view.IsVisible(c)) << c;
  EXPECT_EQ(Text("ButtonCalcH1"), "Calculation");
  EXPECT_EQ(Text("ButtonSeeResults"), "See Remarks!");
  for (const char* p : {"ImageH1", "ImageH2Com", "ImageN0kT32", "ImageMassElectron", "ImageMassHole", "ImageH3N2",
                        "ImageSDE3", "ImageNdH1", "ImageNaH1", "ImageSimulationN", "ImageSimulationP"})
    EXPECT_TRUE(view.IsVisible(p)) << p;
  for (const char* p : {"ImageH1n", "ImageS1", "ImageS2Com", "ImageH2ComN", "ImageNC0kT32", "ImageH3ND2"})
    EXPECT_FALSE(view.IsVisible(p)) << p;
}

TEST_F(AdvancedMainWindow, AdvancedModeShowsItsControlsAndMarksTheVersion) {
  EXPECT_TRUE(record.ManualMode);
  EXPECT_EQ(record.VersionInformation, "Version 1.51 (2004/6/2) [manual mode]");
  EXPECT_EQ(Text("LabelVerSim"), "KORV Ver. 1.51 [manual mode]");
  EXPECT_TRUE(view.IsVisible("OptionMain"));
  EXPECT_FALSE(On("AdvancedMode"));
  EXPECT_TRUE(On("NormalMode"));
  for (const char* c :
       {"ButtonDecreaseErefH1", "ButtonCalculationH1Precise", "ButtonUseNegativeNcom", "LoadSpline", "LoadFermiLevel",
        "DistributionFunction1", "MenuDXCenter", "TypeOfFunction", "ButtonSaveExperimentalFermiLevelData"})
    EXPECT_TRUE(view.IsVisible(c)) << c;
  EXPECT_EQ(Text("ButtonCalcH1"), "Auto Calculatoin");  // the reset's caption while manual
  // Modes change visibility and captions, never the enabled state.
  ToFermiReady("01_si_n_P_lightcomp.nT");
  std::vector<bool> enabled;
  for (const auto& c : MainControls()) enabled.push_back(On(c.name));
  Click("NormalMode");
  EXPECT_FALSE(record.ManualMode);
  EXPECT_TRUE(view.IsVisible("OptionMain"));  // developer options are not hidden here
  EXPECT_FALSE(view.IsVisible("ButtonDecreaseErefH1"));
  Click("AdvancedMode");
  EXPECT_EQ(Text("ButtonCalcH1"), "Auto Calculation");
  EXPECT_EQ(record.ProgramCaption, "KORV Ver. 1.51 [manual mode]");  // marked once only
  std::size_t i = 0;
  for (const auto& c : MainControls()) {
    if (c.name != "NormalMode" && c.name != "AdvancedMode") {
      EXPECT_EQ(On(c.name), enabled[i]) << c.name;
    }
    ++i;
  }
}

TEST_F(AdvancedMainWindow, TheMenuLoadKeepsTheAdvancedCaptionOfTheH1Button) {
  view.openAnswers.push_back(DatasetPath("01_si_n_P_lightcomp.nT"));
  Click("LoadExperimental");
  EXPECT_EQ(Text("ButtonCalcH1"), "Auto Calculatoin");
  EXPECT_TRUE(On("LoadSpline"));
  view.openAnswers.push_back(DatasetPath("01_si_n_P_lightcomp.nT"));
  Click("ButtonLoadExperimental");
  EXPECT_EQ(Text("ButtonCalcH1"), "Calculation");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 1);
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, "");
  EXPECT_EQ(view.fileDialogs.back().dialog.filter,
            "Experimental Data (*.nT or *.pT)|*.nT;*.pT|Data forAnalysis (*.spl)|*.spl|Fermi Level (*.fl)|*.fl");
}

// Loading the intermediate files: the spline file, then the Fermi-level file, each clearing
// its stage once a file is chosen.
TEST_F(AdvancedMainWindow, LoadsTheSplineAndTheFermiLevelFiles) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  const std::string spl = record.AnalysisDataFile, fl = record.FermiLevelFile;
  const int grid = record.GridCount;
  const auto before = Snapshot();
  view.openAnswers.push_back(std::nullopt);
  Click("LoadSpline");  // cancelled: nothing changes
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(record.GridCount, grid);
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 2);
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, spl);
  view.openAnswers.push_back(spl);
  Click("LoadSpline");
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(view.PointCount("ChartExperimentalLinear", 1), grid);
  EXPECT_EQ(Text("LabelFilenameSpline"), spl);
  EXPECT_EQ(Text("EditSmoothness"), "5000");
  EXPECT_FALSE(On("ButtonCalcSpline"));
  for (const char* c : {"ButtonInputChangeInformation", "ButtonCalcFermiLevel", "LoadFermiLevel", "ButtonSimulation"})
    EXPECT_TRUE(On(c)) << c;
  EXPECT_EQ(Text("EditMass"), "0.32");
  view.openAnswers.push_back(fl);
  Click("LoadFermiLevel");
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 3);
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, fl);
  EXPECT_EQ(view.PointCount("ChartFermiLevel", 0), grid);
  EXPECT_EQ(Text("LabelFilenameFermiLevel"), fl);
  EXPECT_EQ(Text("EditEffectiveDensityOfStates"), "1.0E+50");
  for (const char* c : {"ButtonCalcH1", "ButtonCalculationH1Precise", "MenuDHES", "ButtonSimulation"})
    EXPECT_TRUE(On(c)) << c;
  for (const char* c :
       {"ButtonCalcFermiLevel", "ButtonSaveFermiLevel", "ButtonCalcEffectiveDensityOfStates", "MenuExcitedStates"})
    EXPECT_FALSE(On(c)) << c;
}

TEST_F(AdvancedMainWindow, PlotsTheExperimentalFermiLevelOfReliablePoints) {
  ToFermiReady("04_si_p_Ga_badpoints.pT");
  int reliable = 0;
  for (double r : record.Reliability) reliable += r > 0.95;
  EXPECT_EQ(view.PointCount("ChartFermiLevel", 1), reliable);
  EXPECT_LT(reliable, record.DataCount);
  view.saveAnswers.push_back(folder / "x.flE");
  Click("ButtonSaveExperimentalFermiLevelData");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 13);
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "04_si_p_Ga_badpoints.flE");
  EXPECT_TRUE(std::filesystem::exists(folder / "x.flE"));
  EXPECT_FALSE(On("ButtonSaveExperimentalFermiLevelData"));
}

}  // namespace
}  // namespace korv::ui::testing
