#include "presenters/analyses/OneImpurityPresenter.h"

#include <cmath>
#include <map>
#include <stdexcept>

#include "core/Error.h"
#include "core/Numbers.h"
#include "presenters/common/SideWindow.h"
#include "presenters/main/MainPresenter.h"

namespace korv::ui {
namespace {

using K = ControlKind;
constexpr std::uint32_t kBlue = 0x0000FF;

}  // namespace

const std::vector<Control>& ConventionalAnalysisControls() {
  static const std::vector<Control> controls{
      {"GroupBox1", K::GroupBox, "Analysis in Freeze-out range"},
      {"LabelNType1", K::Label, "n-type"},
      {"LabelPType1", K::Label, "p-type"},
      {"ImageNT", K::Picture, ""},
      {"ImageNT34", K::Picture, ""},
      {"ImageAN", K::Picture, ""},
      {"LabelAN", K::Label, ""},
      {"ImagePT", K::Picture, ""},
      {"ImagePT34", K::Picture, ""},
      {"ImageAP", K::Picture, ""},
      {"LabelAP", K::Label, ""},
      {"Label8", K::Label, "Degenracy Factor"},  // sic: the window has always read so
      {"ImageG2", K::Picture, ""},
      {"ImageG4", K::Picture, ""},
      {"Label9", K::Label, "Condition"},
      {"ImageConditionN", K::Picture, ""},
      {"ImageConditionP", K::Picture, ""},
      {"Label1", K::Label, "Freeze-out range"},
      {"LabelLow", K::Label, ""},
      {"Image1", K::Picture, ""},
      {"LabelHigh", K::Label, ""},
      {"ButtonDecreaseLow", K::Button, "<"},
      {"ButtonIncreaseLow", K::Button, ">"},
      {"ButtonDecreaseHigh", K::Button, "<"},
      {"ButtonIncreaseHigh", K::Button, ">"},
      {"ButtonAnalysis", K::Button, "Evaluation"},
      {"GroupBox2", K::GroupBox, "Results"},
      {"LabelNType2", K::Label, "n-type"},
      {"LabelPType2", K::Label, "p-type"},
      {"ImageDED", K::Picture, ""},
      {"ImageDEA", K::Picture, ""},
      {"Label2", K::Label, "="},
      {"LabelEnergyLevel", K::Label, "0"},
      {"Label3", K::Label, "eV"},
      {"ImageND", K::Picture, ""},
      {"ImageNA", K::Picture, ""},
      {"Label4", K::Label, "="},
      {"LabelDensity", K::Label, "0"},
      {"Label5", K::Label, "cm^-3"},
      {"Label6", K::Label, "Blue line in the right-hand side's graph is"},
      {"Label7", K::Label, "simulated using the obtained results."},
      {"GroupBox3", K::GroupBox, "Commnet"},  // sic: the window has always read so
      {"LabelComment1", K::Label, ""},
      {"LabelComment2", K::Label, ""},
      {"LabelComment3", K::Label, ""},
      {kOneImpurityChart1, K::Chart, ""},
      {"LabelSampleNumber", K::Label, ""},
      {"ButtonSaveFigureOnlyOne1", K::Button, "Save Figure (*CNO1.bmp)"},
      {kOneImpurityChart2, K::Chart, ""},
      {"ButtonSaveFigureOnlyOne2", K::Button, "Save Figure (*CNO2.bmp)"},
      {"LabelVerOnlyOne", K::Label, ""},
      {"File1", K::MenuItem, "File"},
      {"SaveConventionalAnalysis", K::MenuItem, "Save (*.CNO)"},
      {"PrintConventionalAnalysis", K::MenuItem, "Print"},
      {"ExitConventionalAnalysis", K::MenuItem, "Exit"},
      {"Help1", K::MenuItem, "Help"},
      {"Help2", K::MenuItem, "Help"},
  };
  return controls;
}

const std::vector<ChartSpec>& ConventionalAnalysisCharts() {
  static const std::vector<ChartSpec> charts{
      {kOneImpurityChart1,
       "",
       {"1000/T  [K^-1]", false, ""},
       {"n(T)/T^3/4  [cm^-3 K^-0.75]", true, "0.00E-00"},
       {MakeSeriesStyle(Marker::Circle, LineStyle::None, kRed), MakeSeriesStyle(Marker::None, LineStyle::Solid, kBlack),
        MakeSeriesStyle(Marker::Cross, LineStyle::None, kLime, 7, 16, 3),
        MakeSeriesStyle(Marker::Cross, LineStyle::None, kBlue, 7, 16, 3)}},
      {kOneImpurityChart2,
       "",
       {"1000/T  [K^-1]", false, ""},
       {"n(T)  [cm^-3]", true, "0.00E-00"},
       {MakeSeriesStyle(Marker::Circle, LineStyle::None, kRed),
        MakeSeriesStyle(Marker::None, LineStyle::Solid, kBlue)}},
  };
  return charts;
}

const std::vector<std::string>& ConventionalAnalysisNTypeSet() {
  static const std::vector<std::string> set{"LabelNType1", "ImageNT",         "ImageNT34",   "ImageAN",  "LabelAN",
                                            "ImageG2",     "ImageConditionN", "LabelNType2", "ImageDED", "ImageND"};
  return set;
}

const std::vector<std::string>& ConventionalAnalysisPTypeSet() {
  static const std::vector<std::string> set{"LabelPType1", "ImagePT",         "ImagePT34",   "ImageAP",  "LabelAP",
                                            "ImageG4",     "ImageConditionP", "LabelPType2", "ImageDEA", "ImageNA"};
  return set;
}

OneImpurityPresenter::OneImpurityPresenter(const Analysis& record, View& view)
    : RangeWindowPresenter(
          record, view,
          Names{"LabelVerOnlyOne", "SaveConventionalAnalysis", "ButtonSaveFigureOnlyOne1", "ButtonSaveFigureOnlyOne2",
                kOneImpurityChart1, kOneImpurityChart2, kCnoFilter, ".CNO", "CNO1.bmp", "CNO2.bmp"}) {}

void OneImpurityPresenter::PrepareWindow() {
  a_.Prepare(record_);
  const bool n = a_.NType();
  view_.SetEnabled("SaveConventionalAnalysis", false);
  view_.SetText("LabelSampleNumber", record_.SampleNumber);
  view_.SetCaption((n ? "Only One Donor  (" : "Only One Acceptor  (") + record_.SampleNumber + ")");
  for (const auto& c : ConventionalAnalysisNTypeSet()) view_.SetVisible(c, n);
  for (const auto& c : ConventionalAnalysisPTypeSet()) view_.SetVisible(c, !n);
  view_.SetText(n ? "LabelAN" : "LabelAP", FormatPattern(a_.CoefficientA, "0.0E+00"));
  view_.SetAxisTitles(kOneImpurityChart1, "1000/T  [K^-1]",
                      n ? "n(T)/T^3/4  [cm^-3 K^-0.75]" : "p(T)/T^3/4  [cm^-3 K^-0.75]");
  view_.SetAxisTitles(kOneImpurityChart2, "1000/T  [K^-1]", n ? "n(T)  [cm^-3]" : "p(T)  [cm^-3]");
  for (const char* b : kRangeButtons) view_.SetEnabled(b, true);
  view_.SetEnabled("ButtonAnalysis", true);
  view_.SetText("LabelEnergyLevel", "0");
  view_.SetText("LabelDensity", "0");
  view_.SetEnabled("ButtonSaveFigureOnlyOne1", false);
  view_.SetEnabled("ButtonSaveFigureOnlyOne2", false);
  for (const char* c : {"LabelComment1", "LabelComment2", "LabelComment3"}) view_.SetText(c, "");
  for (int s = 0; s < 4; ++s) view_.ClearSeries(kOneImpurityChart1, s);
  for (int s = 0; s < 2; ++s) view_.ClearSeries(kOneImpurityChart2, s);
  const auto& d = a_.Data();
  std::vector<double> x, y1, y2;
  for (int i = 0; i < d.Count(); ++i) {
    x.push_back(1000 / d.T[i]);
    y1.push_back(d.n[i] / std::pow(d.T[i], 0.75));
    y2.push_back(d.n[i]);
  }
  view_.AddPoints(kOneImpurityChart1, oneimpurity::kMeasured, x, y1);
  view_.AddPoints(kOneImpurityChart2, oneimpurity::kMeasured, x, y2);
  showHighEnd();
  showLowEnd();
}

void OneImpurityPresenter::showHighEnd() {
  const auto& d = a_.Data();
  const int i = a_.Range().IndexHighestTemperature();
  ShowRangeEnd(view_, "LabelLow", kOneImpurityChart1, oneimpurity::kHighEnd, d.T[i], d.n[i] / std::pow(d.T[i], 0.75));
}

void OneImpurityPresenter::showLowEnd() {
  const auto& d = a_.Data();
  const int i = a_.Range().IndexLowestTemperature();
  ShowRangeEnd(view_, "LabelHigh", kOneImpurityChart1, oneimpurity::kLowEnd, d.T[i], d.n[i] / std::pow(d.T[i], 0.75));
}

void OneImpurityPresenter::clearResults() {
  a_.ClearResults();
  view_.SetText("LabelEnergyLevel", "0");
  view_.SetText("LabelDensity", "0");
  view_.ClearSeries(kOneImpurityChart1, oneimpurity::kLine);
  for (const char* c : {"LabelComment1", "LabelComment2", "LabelComment3"}) view_.SetText(c, "");
}

void OneImpurityPresenter::ButtonAnalysisClick() {
  RunCommand(view_, [&] {
    view_.SetCursor(Cursor::Busy);
    try {
      a_.Evaluate();
    } catch (...) {
      // The shown results go with the cleared ones; the curve and the enablings stay.
      clearResults();
      throw;
    }
    view_.SetText("LabelEnergyLevel", FormatPattern(a_.ObtainedLevel, "0.####"));
    view_.SetText("LabelDensity", FormatPattern(a_.ObtainedDensity, "0.00E+00"));
    ShowLine(view_, kOneImpurityChart1, oneimpurity::kLine, a_.LineX1, a_.LineY1, a_.LineX2, a_.LineY2);
    view_.SetText("LabelComment1", a_.Comment1);
    view_.SetText("LabelComment2", a_.Comment2);
    view_.SetText("LabelComment3", a_.Comment3);
    view_.SetEnabled("SaveConventionalAnalysis", true);
    ShowCurve(view_, kOneImpurityChart2, oneimpurity::kLine, a_.CurveTemperature, a_.CurveConcentration);
    view_.SetEnabled("ButtonSaveFigureOnlyOne1", false);
    view_.SetEnabled("ButtonSaveFigureOnlyOne2", false);
    view_.SetCursor(Cursor::Normal);
  });
}

void OneImpurityPresenter::SaveConventionalAnalysisClick() { saveResults(); }

void OneImpurityPresenter::writeResults(const std::string& path) { a_.WriteCnoFile(record_, path); }

void OneImpurityPresenter::ButtonSaveFigureOnlyOne1Click() { saveFigure(1); }

void OneImpurityPresenter::ButtonSaveFigureOnlyOne2Click() { saveFigure(2); }

void OneImpurityPresenter::PrintConventionalAnalysisClick() { print(); }

void OneImpurityPresenter::ExitConventionalAnalysisClick() { view_.CloseWindow(); }

void OneImpurityPresenter::Help2Click() { help(); }

bool OneImpurityPresenter::Invoke(const std::string& handler) {
  using P = OneImpurityPresenter;
  static const std::map<std::string, void (P::*)()> handlers{
      {"ButtonDecreaseLowClick", &P::ButtonDecreaseLowClick},
      {"ButtonIncreaseLowClick", &P::ButtonIncreaseLowClick},
      {"ButtonDecreaseHighClick", &P::ButtonDecreaseHighClick},
      {"ButtonIncreaseHighClick", &P::ButtonIncreaseHighClick},
      {"ButtonAnalysisClick", &P::ButtonAnalysisClick},
      {"SaveConventionalAnalysisClick", &P::SaveConventionalAnalysisClick},
      {"ButtonSaveFigureOnlyOne1Click", &P::ButtonSaveFigureOnlyOne1Click},
      {"ButtonSaveFigureOnlyOne2Click", &P::ButtonSaveFigureOnlyOne2Click},
      {"PrintConventionalAnalysisClick", &P::PrintConventionalAnalysisClick},
      {"ExitConventionalAnalysisClick", &P::ExitConventionalAnalysisClick},
      {"Help2Click", &P::Help2Click},
  };
  return InvokeHandler(view_, handlers, handler, [this](auto method) { (this->*method)(); });
}

}  // namespace korv::ui
