// The excited-states window's presenter over an in-memory view: prepare, "Evaluation",
// the dielectric-constant edit, the saves with their proposed names and the closing step.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MainFixture.h"
#include "analyses/ExcitedRecord.h"
#include "core/Numbers.h"
#include "presenters/analyses/ExcitedStatesPresenter.h"
#include "presenters/common/MemoryView.h"

namespace korv::ui {
namespace {

using korv::excited::kTrialFailedMessage;
using testing::TempFolder;

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

// A record as the main window leaves it after the H1 evaluation: p-type data made with
// excited states, measured points every 2 K (one unreliable), the H1 row and its
// simulated curve, the Fermi-level file name.
class ExcitedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    korv::test::FillExcitedRecord(a, dopant, 300, 420, 0.25);
    a.ProgramCaption = "KORV Ver. 1.51";
    a.ExperimentalDataFile = folder / "gan.pT";
    a.FermiLevelFile = folder / "gan.fl";
    a.SampleNumber = "S-17";
    for (int j = 0; j < a.GridCount; j += 20) {
      a.Temperature.push_back(a.SplineTemperature[j]);
      a.Concentration.push_back(a.SplineConcentration[j]);
      a.Reliability.push_back(j == 40 ? 0.5 : 1.0);
    }
    a.SimulatedH.resize(4);
    a.SimulatedH[0] = a.HValues[0];
    a.SimulatedH[0][0] *= 0.5;                // below the measured range: not drawn
    a.SimulatedConcentration.assign(1, 0.0);  // cleared: no main simulation yet
    a.SimulatedFermiLevel.assign(1, 0.0);
  }
  void Prepare() {
    presenter.PrepareWindow();
    view.ClearLog();
  }

  Analysis a;
  korv::test::HydrogenicDopant dopant;
  TempFolder folder{"exc"};
  MemoryView view{ExcitedStatesControls(), ExcitedStatesCharts()};
  RecordingWindows windows;
  ExcitedStatesPresenter presenter{a, view, &windows};
};

TEST_F(ExcitedWindow, PrepareFillsBothTabsAndResetsTheResults) {
  Prepare();
  EXPECT_EQ(view.caption, "Influence of Excted States of Dopant");
  EXPECT_EQ(view.Text("PanelFilename"), a.ExperimentalDataFile);
  EXPECT_EQ(view.Text("PanelSampleNumber"), "S-17");
  EXPECT_EQ(view.Text("LabelConductionType1"), "p-type");
  EXPECT_TRUE(view.IsVisible("ImageFermiDiracAcceptor"));
  EXPECT_FALSE(view.IsVisible("ImageFermiDiracDonor"));
  EXPECT_EQ(view.LeftTitle("ChartConcentrationExcited"), "Hole Concentration  [cm^-3]");
  EXPECT_EQ(view.Text("LabelDensity1"), "1.00E+19");
  EXPECT_EQ(view.Text("LabelEnergyLevel1"), "0.17");
  EXPECT_EQ(view.Text("LabelGValue"), "4");
  EXPECT_EQ(view.Text("LabelEref"), "0.25");
  EXPECT_EQ(view.Text("LabelPeakTemperature"), FormatPattern(a.SplineTemperature[a.PeakIndex[0]], "000.0"));
  EXPECT_EQ(view.Text("EditDielectricConstant"), "8.9");
  EXPECT_EQ(view.Text("LabelDensity"), "0");
  EXPECT_EQ(view.Text("LabelDeltaE1"), "");
  EXPECT_FALSE(view.IsVisible("ImageE2"));
  EXPECT_TRUE(view.IsEnabled("ButtonAuto"));
  EXPECT_TRUE(view.IsEnabled("ButtonSaveNormal"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveExcitedStates"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureNormal1"));
  for (const char* hidden : {"ButtonOption", "TabSheet3", "TabSheet4", "TabSheet5"})
    EXPECT_FALSE(view.IsVisible(hidden));
  EXPECT_EQ(view.PointCount("ChartH1Normal", 0), a.GridCount);
  // Strictly inside the measured range: not the halved first point, not the peak itself.
  EXPECT_EQ(view.PointCount("ChartH1Normal", 1), a.GridCount - 2);
  EXPECT_EQ(view.PointCount("ChartConcentrationNormal", 0), static_cast<int>(a.Temperature.size()) - 1);
  EXPECT_EQ(view.PointCount("ChartConcentrationExcited", 0), static_cast<int>(a.Temperature.size()) - 1);
  EXPECT_EQ(view.PointCount("ChartConcentrationNormal", 1), a.GridCount);
  EXPECT_FALSE(presenter.UsesMainSimulation());
}

TEST_F(ExcitedWindow, EvaluationShowsTheChosenTrialAndItsLevels) {
  a.DielectricConstant = 5;  // the edit wins and stays in the record
  Prepare();
  view.SetText("EditDielectricConstant", "8.9");
  presenter.ButtonAutoClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(a.DielectricConstant, 8.9);
  const auto& e = presenter.Engine();
  ASSERT_TRUE(e.ExcitedResultValid);
  const int r = e.HighestLevel;
  EXPECT_EQ(view.Text("LabelDeltaE1"), FormatPattern(13.6 * 1.5 / 8.9 / 8.9, "0.#####"));
  for (int n = 2; n <= 10; ++n) {
    const std::string s = std::to_string(n);
    EXPECT_EQ(view.IsVisible("ImageE" + s), n <= r) << n;
    EXPECT_EQ(view.IsVisible("ImageE" + s + "eV"), n <= r) << n;
    EXPECT_EQ(view.Text("LabelE" + s + "Equal"), n <= r ? "=" : "") << n;
    EXPECT_EQ(view.Text("LabelDeltaE" + s).empty(), n > r) << n;
  }
  EXPECT_EQ(view.Text("LabelEnergyLevel"), FormatPattern(e.ExcitedEnergyLevel, "0.####"));
  EXPECT_EQ(view.Text("LabelDensity"), FormatPattern(e.ExcitedDensity, "0.00E+00"));
  EXPECT_TRUE(view.IsEnabled("ButtonSaveExcitedStates"));
  EXPECT_FALSE(view.IsEnabled("ButtonAuto"));
  EXPECT_GT(view.PointCount("ChartH1Excited", 1), 0);
  EXPECT_GT(view.PointCount("ChartConcentrationExcited", 1), 0);
  EXPECT_FALSE(view.progressOpen[0] || view.progressOpen[1]);
  presenter.EditDielectricConstantChange();
  EXPECT_TRUE(view.IsEnabled("ButtonAuto"));
}

TEST_F(ExcitedWindow, BadDielectricConstantOrMassIsRefusedBeforeAnythingChanges) {
  Prepare();
  struct Case {
    std::string text;
    double mass;
    std::string message;
  };
  for (const Case& c : {Case{"abc", 1.5, "'abc' is not a valid floating point value"},
                        Case{"0", 1.5, "The dielectric constant must lie between 1 and 100 (it is 0)."},
                        Case{"-2", 1.5, "The dielectric constant must lie between 1 and 100 (it is -2)."},
                        Case{"0.5", 1.5, "The dielectric constant must lie between 1 and 100 (it is 0.5)."},
                        Case{"1e300", 1.5, "The dielectric constant must lie between 1 and 100 (it is 1E300)."},
                        Case{"8.9", 0, "The effective mass must be a positive number, not 0."},
                        Case{"8.9", -1.5, "The effective mass must be a positive number, not -1.5."}}) {
    a.EffectiveMass = c.mass;
    view.SetText("EditDielectricConstant", c.text);
    view.ClearLog();
    const int shown = view.progressShown;
    presenter.ButtonAutoClick();
    EXPECT_EQ(view.progressShown, shown);
    EXPECT_EQ(view.errors, std::vector<std::string>{c.message});
    EXPECT_EQ(a.DielectricConstant, 8.9);
    EXPECT_TRUE(view.IsEnabled("ButtonAuto"));
    EXPECT_EQ(view.cursor, Cursor::Normal);
  }
}

TEST_F(ExcitedWindow, AnS1CurveIsNotTakenForH1) {
  a.FunctionType = 1;
  Prepare();
  presenter.ButtonAutoClick();
  EXPECT_EQ(view.errors,
            std::vector<std::string>{
                "The excited states are evaluated with the H function only; analyse H1 with the H function."});
  EXPECT_TRUE(presenter.Engine().Trials.empty());
}

TEST_F(ExcitedWindow, FailedEvaluationKeepsTheCurvesAndAllowsAnotherTry) {
  // E_ref = -0.1 eV with a peak in the middle: the 1 meV model peak lies above T_p.
  a.Eref[0] = -0.1;
  a.PeakIndex[0] = 600;
  for (int j = 0; j < a.GridCount; ++j) a.HValues[0][j] = 1e40 * (2000.0 - std::abs(j - 600));
  Prepare();
  presenter.ButtonAutoClick();
  std::vector<std::string> expected(korv::excited::kTrialCount + 1, kTrialFailedMessage);
  expected.push_back("First density and energy level could not be evaluated.");
  EXPECT_EQ(view.errors, expected);
  EXPECT_TRUE(view.IsEnabled("ButtonAuto"));
  EXPECT_EQ(view.Text("LabelDensity"), "0");
  EXPECT_FALSE(view.IsEnabled("ButtonSaveExcitedStates"));
  EXPECT_EQ(view.PointCount("ChartH1Excited", 0), a.GridCount);
  EXPECT_EQ(view.cursor, Cursor::Normal);
}

TEST_F(ExcitedWindow, SavesProposeNamesFromTheFermiLevelFileAndFiguresFollowTheirFile) {
  Prepare();
  // Figures only after their result file.
  presenter.ButtonSaveFigureNormal1Click();
  view.saveAnswers.push_back(std::nullopt);  // cancelled: nothing changes
  presenter.ButtonSaveNormalClick();
  EXPECT_TRUE(view.IsEnabled("ButtonSaveNormal"));
  view.AcceptProposedNames();
  presenter.ButtonSaveNormalClick();
  ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "gan.simN");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 1);
  EXPECT_EQ(view.fileDialogs.back().dialog.filter, kExcitedStatesFilter);
  EXPECT_FALSE(view.IsEnabled("ButtonSaveNormal"));
  EXPECT_TRUE(view.IsEnabled("ButtonSaveFigureNormal1"));
  presenter.ButtonSaveFigureNormal1Click();
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "ganSimN1.bmp");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 3);
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureNormal1"));
  presenter.ButtonSaveFigureNormal2Click();
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "ganSimN2.bmp");
  EXPECT_TRUE(std::filesystem::exists(folder / "ganSimN2.bmp"));

  presenter.ButtonAutoClick();
  ASSERT_TRUE(view.IsEnabled("ButtonSaveExcitedStates"));
  view.saveAnswers.push_back(folder / "chosen.exc");
  presenter.ButtonSaveExcitedStatesClick();
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "gan.exc");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 2);
  const auto exc = FileLines(folder / "chosen.exc");
  ASSERT_GT(exc.size(), 9u);
  EXPECT_EQ(exc[8], "% H1 file: " + folder / "chosen.exc");
  EXPECT_EQ(exc.size(), 50u + (presenter.Engine().HighestLevel - 2) + a.GridCount);
  presenter.ButtonSaveFigureExcitedStates1Click();
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "chosenExc1.bmp");
  presenter.ButtonSaveFigureExcitedStates2Click();
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "chosenExc2.bmp");
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(ExcitedWindow, SimNCarriesTheOwnCurveBeforeAndTheMainSimulationAfterIt) {
  view.AcceptProposedNames();
  Prepare();
  presenter.ButtonSaveNormalClick();
  auto lines = FileLines(folder / "gan.simN");
  ASSERT_EQ(lines.size(), 43u + a.GridCount);
  const auto& own = presenter.Engine().FermiDiracConcentration;
  EXPECT_EQ(lines[43], FormatPoint(300) + "     " + FormatPoint(own[0]) + "     " +
                           FormatPoint(presenter.Engine().FermiDiracFermiLevel[0]));

  // After the main simulation: its curve, with no simulation of the window's own.
  a.SimulatedConcentration.assign(a.GridCount, 5e17);
  a.SimulatedFermiLevel.assign(a.GridCount, 0.2);
  const int shown = view.progressShown;
  Prepare();
  EXPECT_TRUE(presenter.UsesMainSimulation());
  EXPECT_EQ(view.progressShown, shown);
  presenter.ButtonSaveNormalClick();
  lines = FileLines(folder / "gan.simN");
  EXPECT_EQ(lines[43], "300     5e+17     0.2");
  EXPECT_EQ(lines.back(), "420     5e+17     0.2");
}

TEST_F(ExcitedWindow, ClosingEmptiesTheChartsAndKeepsTheLabels) {
  Prepare();
  presenter.ButtonAutoClick();
  const std::string level = view.Text("LabelEnergyLevel");
  presenter.ExitExcitedStatesClick();
  EXPECT_TRUE(view.closed);
  for (const auto& chart : ExcitedStatesCharts())
    for (int s = 0; s < 2; ++s) EXPECT_EQ(view.PointCount(chart.name, s), 0) << chart.name;
  EXPECT_EQ(view.Text("LabelEnergyLevel"), level);
  EXPECT_EQ(presenter.Engine().ExcitedSimulatedH.size(), 1u);
  presenter.FileVeiwerExcitedStatesClick();
  presenter.HelpExcitedStatesClick();
  EXPECT_TRUE(windows.Called("Show FileViewer"));
  EXPECT_TRUE(windows.Called("HelpAddress KORVWinHelp.html#excited"));
}

}  // namespace
}  // namespace korv::ui
