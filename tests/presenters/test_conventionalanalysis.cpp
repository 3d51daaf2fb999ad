// The windows of the conventional analyses over an in-memory view: prepare step, range
// commands, evaluation, net-density checks, saves and figures with their proposed names,
// the enabling states and the confirmation dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MainFixture.h"
#include "analyses/OneImpurity.h"
#include "core/Numbers.h"
#include "presenters/analyses/DonorAcceptorPresenter.h"
#include "presenters/analyses/OneImpurityPresenter.h"
#include "presenters/common/MemoryView.h"

namespace korv::ui {
using korv::FormatHeaderReal;
using korv::FormatPattern;
namespace {

using testing::TempFolder;

// A compensated measurement (one donor or acceptor, one compensating dopant) in a record
// as the main window leaves it after the Fermi level.
void FillRecord(Analysis& a, const std::string& type, const std::string& file) {
  a.ConductionType = type;
  a.SampleNumber = "S-9";
  a.ProgramCaption = "KORV Ver. 1.51";
  a.ExperimentalDataFile = file;
  a.DosCoefficient = 5.25e15;
  a.EffectiveMass = 1.08;
  a.EquivalentMinima = 6;
  a.Temperature.clear();
  a.Concentration.clear();
  const double ND = 1e16, NA = 2e15, E = 0.045, g = type == "n-type" ? 2 : 4;
  for (double T = 30; T <= 300; T *= 1.08) {
    const double kT = phys::KT(T), Nc = a.DosCoefficient * std::pow(T, 1.5);
    const double K = Nc / g * std::exp(-E / kT), b = NA + K, c = -K * (ND - NA);
    a.Temperature.push_back(T);
    a.Concentration.push_back((-b + std::sqrt(b * b - 4 * c)) / 2);
  }
  a.DataCount = static_cast<int>(a.Temperature.size());
}

class OneImpurityWindow : public ::testing::Test {
 protected:
  void Prepare(const std::string& type = "n-type") {
    FillRecord(record, type, folder / "s1.nT");
    presenter.PrepareWindow();
  }
  void Click(const std::string& c) { ASSERT_TRUE(presenter.Invoke(c + "Click")) << c << " is not enabled"; }
  int Points(const char* chart, int s) const { return view.PointCount(chart, s); }

  TempFolder folder{"cno"};
  Analysis record;
  MemoryView view{ConventionalAnalysisControls(), ConventionalAnalysisCharts()};
  OneImpurityPresenter presenter{record, view};
};

TEST_F(OneImpurityWindow, PrepareShowsTheTypeSetAndTheWholeRange) {
  for (const std::string type : {"n-type", "p-type"}) {
    SCOPED_TRACE(type);
    Prepare(type);
    const bool n = type == "n-type";
    EXPECT_EQ(view.caption, n ? "Only One Donor  (S-9)" : "Only One Acceptor  (S-9)");
    for (const auto& c : ConventionalAnalysisNTypeSet()) EXPECT_EQ(view.IsVisible(c), n) << c;
    for (const auto& c : ConventionalAnalysisPTypeSet()) EXPECT_EQ(view.IsVisible(c), !n) << c;
    const double A = n ? std::sqrt(5.25e15 * 0.5) : std::sqrt(5.25e15) * 0.5;
    EXPECT_EQ(view.Text(n ? "LabelAN" : "LabelAP"), FormatPattern(A, "0.0E+00"));
    EXPECT_EQ(view.LeftTitle(kOneImpurityChart1), n ? "n(T)/T^3/4  [cm^-3 K^-0.75]" : "p(T)/T^3/4  [cm^-3 K^-0.75]");
    EXPECT_EQ(view.LeftTitle(kOneImpurityChart2), n ? "n(T)  [cm^-3]" : "p(T)  [cm^-3]");
    EXPECT_EQ(view.Text("LabelSampleNumber"), "S-9");
    EXPECT_EQ(Points(kOneImpurityChart1, oneimpurity::kMeasured), record.DataCount);
    EXPECT_EQ(Points(kOneImpurityChart2, oneimpurity::kMeasured), record.DataCount);
    EXPECT_EQ(view.Text("LabelLow"), FormatPattern(1000 / record.Temperature.back(), "#0.000"));
    EXPECT_EQ(view.Text("LabelHigh"), FormatPattern(1000 / record.Temperature.front(), "#0.000"));
    EXPECT_EQ(view.Series(kOneImpurityChart1, oneimpurity::kLowEnd).at(0).first, 1000 / record.Temperature.front());
    EXPECT_FALSE(view.IsEnabled("SaveConventionalAnalysis"));
    EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureOnlyOne1"));
    EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureOnlyOne2"));
    EXPECT_TRUE(view.IsEnabled("ButtonAnalysis"));
    EXPECT_EQ(view.Text("LabelEnergyLevel"), "0");
  }
}

TEST_F(OneImpurityWindow, RangeCommandsClampRefuseAndAlwaysClearTheResults) {
  Prepare();
  const int last = record.DataCount - 1;
  Click("ButtonAnalysis");
  ASSERT_NE(view.Text("LabelEnergyLevel"), "0");
  // At both ends the range cannot grow: it stays, and the results are cleared.
  Click("ButtonDecreaseLow");
  EXPECT_EQ(presenter.Results().Range().IndexHighestTemperature(), last);
  EXPECT_EQ(view.Text("LabelEnergyLevel"), "0");
  EXPECT_EQ(view.Text("LabelDensity"), "0");
  EXPECT_EQ(Points(kOneImpurityChart1, oneimpurity::kLine), 0);
  EXPECT_EQ(view.Text("LabelComment1"), "");
  EXPECT_TRUE(view.IsEnabled("SaveConventionalAnalysis"));  // the enabling stays as it was
  EXPECT_EQ(Points(kOneImpurityChart2, oneimpurity::kLine),
            static_cast<int>(presenter.Results().CurveTemperature.size()));
  Click("ButtonIncreaseHigh");
  EXPECT_EQ(presenter.Results().Range().IndexLowestTemperature(), 0);
  // Narrowed to two points, it refuses to narrow further from either side.
  for (int i = 0; i < last; ++i) Click("ButtonIncreaseLow");
  EXPECT_EQ(presenter.Results().Range().IndexHighestTemperature(), 1);
  Click("ButtonDecreaseHigh");
  EXPECT_EQ(presenter.Results().Range().IndexLowestTemperature(), 0);
  EXPECT_EQ(view.Text("LabelLow"), FormatPattern(1000 / record.Temperature[1], "#0.000"));
  ASSERT_EQ(view.Series(kOneImpurityChart1, oneimpurity::kHighEnd).size(), 1u);
  EXPECT_EQ(view.Series(kOneImpurityChart1, oneimpurity::kHighEnd)[0].first, 1000 / record.Temperature[1]);
  Click("ButtonAnalysis");
  EXPECT_NEAR(std::abs(presenter.Results().CorrelationCoefficient), 1, 1e-9);
}

TEST_F(OneImpurityWindow, EvaluationSaveAndFiguresFollowTheLifecycle) {
  Prepare();
  view.AcceptProposedNames();
  Click("ButtonAnalysis");
  const auto& r = presenter.Results();
  EXPECT_EQ(view.Text("LabelEnergyLevel"), FormatPattern(r.ObtainedLevel, "0.####"));
  EXPECT_EQ(view.Text("LabelDensity"), FormatPattern(r.ObtainedDensity, "0.00E+00"));
  EXPECT_EQ(view.Text("LabelComment1"), r.Comment1);
  EXPECT_EQ(Points(kOneImpurityChart1, oneimpurity::kLine), 2);
  EXPECT_GT(Points(kOneImpurityChart2, oneimpurity::kLine), 100);
  EXPECT_TRUE(view.IsEnabled("SaveConventionalAnalysis"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureOnlyOne1"));

  Click("SaveConventionalAnalysis");
  ASSERT_EQ(view.fileDialogs.size(), 1u);
  EXPECT_EQ(view.fileDialogs[0].dialog.fileName, folder / "s1.CNO");
  EXPECT_EQ(view.fileDialogs[0].dialog.filter, kCnoFilter);
  EXPECT_EQ(view.fileDialogs[0].dialog.filterIndex, 1);
  EXPECT_TRUE(std::filesystem::exists(folder / "s1.CNO"));
  EXPECT_FALSE(view.IsEnabled("SaveConventionalAnalysis"));
  EXPECT_TRUE(view.IsEnabled("ButtonSaveFigureOnlyOne1"));
  EXPECT_TRUE(view.IsEnabled("ButtonSaveFigureOnlyOne2"));

  Click("ButtonSaveFigureOnlyOne1");
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "s1CNO1.bmp");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 3);
  EXPECT_TRUE(std::filesystem::exists(folder / "s1CNO1.bmp"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureOnlyOne1"));
  EXPECT_TRUE(view.IsEnabled("ButtonSaveFigureOnlyOne2"));
  Click("ButtonSaveFigureOnlyOne2");
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "s1CNO2.bmp");
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(OneImpurityWindow, FailedSavesReportTheReasonAndChangeNoState) {
  Prepare();
  Click("ButtonAnalysis");
  view.saveAnswers.push_back(folder / "missing/s1.CNO");
  Click("SaveConventionalAnalysis");
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("s1.CNO"), std::string::npos) << view.errors[0];
  EXPECT_TRUE(view.IsEnabled("SaveConventionalAnalysis"));
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureOnlyOne1"));
  EXPECT_TRUE(presenter.Results().CnoFileName.empty());

  view.saveAnswers.push_back(folder / "s1.CNO");
  Click("SaveConventionalAnalysis");
  view.saveAnswers.push_back(folder / "missing/s1CNO1.bmp");
  Click("ButtonSaveFigureOnlyOne1");
  EXPECT_EQ(view.errors.size(), 2u);
  EXPECT_TRUE(view.IsEnabled("ButtonSaveFigureOnlyOne1"));
  // Cancelling does nothing.
  view.saveAnswers.push_back(std::nullopt);
  Click("ButtonSaveFigureOnlyOne1");
  EXPECT_TRUE(view.IsEnabled("ButtonSaveFigureOnlyOne1"));
}

TEST_F(OneImpurityWindow, DegenerateRangeShowsAMessageAndNoNumbers) {
  FillRecord(record, "n-type", folder / "s1.nT");
  record.Temperature[1] = record.Temperature[0];
  presenter.PrepareWindow();
  for (int i = 0; i < record.DataCount - 2; ++i) Click("ButtonIncreaseLow");
  Click("ButtonAnalysis");
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("one temperature"), std::string::npos) << view.errors[0];
  EXPECT_EQ(view.Text("LabelEnergyLevel"), "0");
  EXPECT_EQ(view.Text("LabelDensity"), "0");
  EXPECT_EQ(Points(kOneImpurityChart1, oneimpurity::kLine), 0);
  EXPECT_FALSE(view.IsEnabled("SaveConventionalAnalysis"));
  EXPECT_EQ(view.cursor, Cursor::Normal);
}

class DonorAcceptorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    presenter.showConfirmation = [this](bool n) { confirmations.push_back(n); };
  }
  void Prepare(const std::string& type = "n-type") {
    FillRecord(record, type, folder / "s1.nT");
    presenter.PrepareWindow();
  }
  void Click(const std::string& c) { ASSERT_TRUE(presenter.Invoke(c + "Click")) << c << " is not enabled"; }
  int Points(const char* chart, int s) const { return view.PointCount(chart, s); }

  TempFolder folder{"cnc"};
  Analysis record;
  MemoryView view{ConventionalAnalysis2Controls(), ConventionalAnalysis2Charts()};
  DonorAcceptorPresenter presenter{record, view};
  std::vector<bool> confirmations;
};

TEST_F(DonorAcceptorWindow, PrepareShowsTheTypeSetAndProposesTheNetDensity) {
  for (const std::string type : {"n-type", "p-type"}) {
    SCOPED_TRACE(type);
    Prepare(type);
    const bool n = type == "n-type";
    EXPECT_EQ(view.caption, "One Donor and One acceptor  (S-9)");
    for (const auto& c : ConventionalAnalysis2NTypeSet()) EXPECT_EQ(view.IsVisible(c), n) << c;
    for (const auto& c : ConventionalAnalysis2PTypeSet()) EXPECT_EQ(view.IsVisible(c), !n) << c;
    EXPECT_EQ(view.Text("LabelG"), n ? "2" : "4");
    EXPECT_EQ(view.Text("LabelMass"), "1.08");
    EXPECT_EQ(view.LeftTitle(kDonorAcceptorChart1), n ? "n(T)  [cm^-3]" : "p(T)  [cm^-3]");
    // y = n(T)/T^1.5 times a density ratio: cm^-3 K^-1.5.
    EXPECT_EQ(view.LeftTitle(kDonorAcceptorChart2), "y  [cm^-3 K^-1.5]");
    EXPECT_EQ(view.Text("EditNetDensity"), FormatPattern(record.Concentration.back(), "0.00E-00"));
    EXPECT_EQ(Points(kDonorAcceptorChart1, donoracceptor::kMeasured), record.DataCount);
    // Every point lies below the last one here, which is not below itself.
    EXPECT_EQ(Points(kDonorAcceptorChart2, donoracceptor::kY), record.DataCount - 1);
    EXPECT_FALSE(view.IsEnabled("ButtonSave"));
    EXPECT_EQ(view.Text("LabelGMass"), "");
  }
  EXPECT_EQ(view.Text("LabelMc"), "6");  // from the n-type round; hidden for p-type
}

// The confirmation dialog points the user to the "open circles" of the first chart.
TEST(DonorAcceptorCharts, TheMeasuredPointsAreTheOpenCirclesTheDialogNames) {
  const auto& label = ConfirmationControls().front();
  ASSERT_NE(label.caption.find("(open circles)"), std::string::npos);
  const SeriesStyle& measured = ConventionalAnalysis2Charts().front().series[donoracceptor::kMeasured];
  EXPECT_EQ(measured.marker, Marker::Circle);
  EXPECT_TRUE(measured.whiteFill);
}

TEST_F(DonorAcceptorWindow, NetDensityIsCheckedBeforeTheSearch) {
  Prepare();
  struct Case {
    std::string text, message;
  } cases[] = {
      {"0", kNetDensityMissing},
      {"abc", "'abc' is not a valid floating point value"},
      {"", "'' is not a valid floating point value"},
      {"-1e16", kNetDensityTooSmall},
      {FormatHeaderReal(record.Concentration.front()), kNetDensityTooSmall},  // not greater than n_0
  };
  for (const auto& c : cases) {
    view.errors.clear();
    view.SetText("EditNetDensity", c.text);
    Click("ButtonEvaluation");
    ASSERT_EQ(view.errors.size(), 1u) << c.text;
    EXPECT_EQ(view.errors[0], c.message);
  }
  EXPECT_EQ(presenter.Results().NetDensity, record.Concentration.front());  // a typed non-zero value is kept
  EXPECT_TRUE(confirmations.empty());
  EXPECT_FALSE(view.IsEnabled("ButtonSave"));
  EXPECT_EQ(view.Text("LabelDonorDensity"), "0");
}

// A net density outside 1e5 to 1e23 cm^-3 is refused by name, and the refusal clears the
// results of the evaluation before it and disables their save.
TEST_F(DonorAcceptorWindow, NetDensityOutsideItsRangeClearsThePreviousResults) {
  Prepare();
  for (const char* text : {"1e300", "1e24", "1e4", "-1e300"}) {
    SCOPED_TRACE(text);
    view.SetText("EditNetDensity", "8E15");
    view.ClearLog();
    Click("ButtonEvaluation");
    ASSERT_TRUE(view.errors.empty()) << view.errors[0];
    ASSERT_TRUE(view.IsEnabled("ButtonSave"));
    view.SetText("EditNetDensity", text);
    Click("ButtonEvaluation");
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0], "The net density must lie between 1E5 and 1E23 cm^-3 (it is " +
                                  korv::FormatGeneral(korv::ParseReal(text)) + ").");
    EXPECT_FALSE(view.IsEnabled("ButtonSave"));
    for (const char* label : {"LabelDonorDensity", "LabelAcceptorDensity", "LabelEnergyLevel"})
      EXPECT_EQ(view.Text(label), "0") << label;
    EXPECT_EQ(Points(kDonorAcceptorChart2, donoracceptor::kLine), 0);
  }
}

TEST_F(DonorAcceptorWindow, EvaluationShowsResultsAndTheConfirmationEveryTime) {
  Prepare();
  view.SetText("EditNetDensity", "8E15");
  Click("ButtonEvaluation");
  ASSERT_TRUE(view.errors.empty()) << view.errors[0];
  const auto& r = presenter.Results();
  EXPECT_NEAR(r.FoundCompensatingDensity / 2e15, 1, 0.025);
  EXPECT_EQ(view.Text("LabelDonorDensity"), FormatPattern(r.MajorityDensity, "0.00000000E+00"));
  EXPECT_EQ(view.Text("LabelAcceptorDensity"), FormatPattern(r.FoundCompensatingDensity, "0.00000000E+00"));
  EXPECT_EQ(view.Text("LabelEnergyLevel"), FormatPattern(r.ObtainedLevel, "0.####"));
  EXPECT_EQ(view.Text("LabelGMass"), FormatPattern(r.MassFactor, "0.00E+00"));
  EXPECT_EQ(Points(kDonorAcceptorChart2, donoracceptor::kLine), 2);
  EXPECT_EQ(Points(kDonorAcceptorChart1, donoracceptor::kSimulated), static_cast<int>(r.CurveTemperature.size()));
  EXPECT_TRUE(view.IsEnabled("ButtonSave"));
  EXPECT_EQ(confirmations, std::vector<bool>{true});

  const std::vector<std::string> labels{view.Text("LabelDonorDensity"), view.Text("LabelAcceptorDensity"),
                                        view.Text("LabelEnergyLevel"), view.Text("LabelGMass")};
  Click("ButtonEvaluation");
  EXPECT_EQ(confirmations.size(), 2u);
  EXPECT_EQ(labels, (std::vector<std::string>{view.Text("LabelDonorDensity"), view.Text("LabelAcceptorDensity"),
                                              view.Text("LabelEnergyLevel"), view.Text("LabelGMass")}));

  // A range command clears the results, keeps the mass factor and the Save enabling.
  Click("ButtonIncreaseLow");
  EXPECT_EQ(view.Text("LabelDonorDensity"), "0");
  EXPECT_EQ(Points(kDonorAcceptorChart1, donoracceptor::kSimulated), 0);
  EXPECT_EQ(Points(kDonorAcceptorChart2, donoracceptor::kLine), 0);
  EXPECT_EQ(view.Text("LabelGMass"), labels[3]);
  EXPECT_TRUE(view.IsEnabled("ButtonSave"));
}

TEST_F(DonorAcceptorWindow, TooFewUsablePointsGiveAMessageWithoutConfirmation) {
  Prepare();
  // Only the lowest-temperature point lies below this net density.
  view.SetText("EditNetDensity", FormatHeaderReal(record.Concentration[1]));
  Click("ButtonEvaluation");
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("fewer than two usable points"), std::string::npos) << view.errors[0];
  EXPECT_TRUE(confirmations.empty());
  EXPECT_EQ(view.Text("LabelDonorDensity"), "0");
  EXPECT_FALSE(view.IsEnabled("ButtonSave"));
}

TEST_F(DonorAcceptorWindow, SaveProposesTheNamesAndEnablesTheFigures) {
  Prepare("p-type");
  view.AcceptProposedNames();
  view.SetText("EditNetDensity", "8E15");
  Click("ButtonEvaluation");
  EXPECT_EQ(confirmations, std::vector<bool>{false});
  Click("ButtonSave");
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "s1.CNC");
  EXPECT_EQ(view.fileDialogs.back().dialog.filter, kCncFilter);
  std::ifstream in(folder / "s1.CNC", std::ios::binary);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "% One Donor and One Acceptor\r");
  EXPECT_FALSE(view.IsEnabled("ButtonSave"));
  Click("ButtonSaveFigureDonorAcceptor2");
  EXPECT_EQ(view.fileDialogs.back().dialog.fileName, folder / "s1CNC2.bmp");
  EXPECT_EQ(view.fileDialogs.back().dialog.filterIndex, 3);
  EXPECT_FALSE(view.IsEnabled("ButtonSaveFigureDonorAcceptor2"));
  EXPECT_TRUE(view.IsEnabled("ButtonSaveFigureDonorAcceptor1"));
}

TEST(Confirmation, PTypeEndsTheSentenceAfterTheDegeneracyPicture) {
  MemoryView view{ConfirmationControls(), {}};
  OneDonorOneAcceptorConfirmationPresenter dialog(view);
  EXPECT_EQ(view.caption, "Confirmation");
  dialog.Prepare(false);
  EXPECT_EQ(view.Text("LabelAnd"), ".");
  EXPECT_EQ(view.Text("LabelPeriod"), "");
  EXPECT_FALSE(view.IsVisible("ImageMc"));
  EXPECT_TRUE(view.IsVisible("ImageNAND1"));
  EXPECT_FALSE(view.IsVisible("ImageNDNA2"));
  EXPECT_TRUE(view.IsVisible("ImageGMass"));
  dialog.Prepare(true);
  EXPECT_EQ(view.Text("LabelAnd"), "and");
  EXPECT_EQ(view.Text("LabelPeriod"), ".");
  EXPECT_TRUE(view.IsVisible("ImageMc"));
  EXPECT_TRUE(view.IsVisible("ImageGMassMc"));
  dialog.ButtonOKClick();
  EXPECT_TRUE(view.closed);
}

}  // namespace
}  // namespace korv::ui
