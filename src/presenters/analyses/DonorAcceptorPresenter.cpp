#include "presenters/analyses/DonorAcceptorPresenter.h"

#include <cmath>
#include <map>
#include <stdexcept>

#include "core/Error.h"
#include "core/Numbers.h"
#include "presenters/common/Commands.h"
#include "presenters/common/SideWindow.h"

namespace korv::ui {
namespace {

using K = ControlKind;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kYellow = 0xFFFF00;

// The measured points as open circles, as the confirmation dialog calls them.
SeriesStyle OpenCircles(std::uint32_t color) {
  SeriesStyle s = MakeSeriesStyle(Marker::Circle, LineStyle::None, color, 6);
  s.whiteFill = true;
  return s;
}

}  // namespace

const std::vector<Control>& ConventionalAnalysis2Controls() {
  static const std::vector<Control> controls{
      {"GroupBox1", K::GroupBox, "Analysis on the assumption of one donor and one acceptor"},
      {"LabelNType", K::Label, "n-type"},
      {"LabelPType", K::Label, "p-type"},
      {"ImageN", K::Picture, ""},
      {"ImageP", K::Picture, ""},
      {"ImageG", K::Picture, ""},
      {"Label2", K::Label, "="},
      {"LabelG", K::Label, ""},
      {"ImageMass", K::Picture, ""},
      {"LabelMass", K::Label, ""},
      {"ImageMc", K::Picture, ""},
      {"LabelMc", K::Label, ""},
      {"GroupBox2", K::GroupBox, "Curve Fitting"},
      {"Label1", K::Label, "Fitting Region"},
      {"LabelLow", K::Label, ""},
      {"Image1", K::Picture, ""},
      {"LabelHigh", K::Label, ""},
      {"ButtonDecreaseLow", K::Button, "<"},
      {"ButtonIncreaseLow", K::Button, ">"},
      {"ButtonDecreaseHigh", K::Button, "<"},
      {"ButtonIncreaseHigh", K::Button, ">"},
      {"ImageNDNA", K::Picture, ""},
      {"ImageNAND", K::Picture, ""},
      {"Label3", K::Label, "="},
      {"EditNetDensity", K::Edit, ""},
      {"Label4", K::Label, "cm^-3"},
      {"ButtonEvaluation", K::Button, "Evaluation"},
      {"GroupBox3", K::GroupBox, "Results"},
      {"ImageND", K::Picture, ""},
      {"Label5", K::Label, "="},
      {"LabelDonorDensity", K::Label, "0"},
      {"Label6", K::Label, "cm^-3"},
      {"ImageNA", K::Picture, ""},
      {"Label7", K::Label, "="},
      {"LabelAcceptorDensity", K::Label, "0"},
      {"Label8", K::Label, "cm^-3"},
      {"ImageDED", K::Picture, ""},
      {"ImageDEA", K::Picture, ""},
      {"Label9", K::Label, "="},
      {"LabelEnergyLevel", K::Label, "0"},
      {"Label10", K::Label, "eV"},
      {"ImageGMassMc", K::Picture, ""},
      {"ImageGMass", K::Picture, ""},
      {"LabelGMass", K::Label, ""},
      {"ButtonSave", K::Button, "Save"},
      {"ButtonPrint", K::Button, "Print"},
      {"ButtonHelp", K::Button, "Help"},
      {kDonorAcceptorChart1, K::Chart, ""},
      {"LabelSampleNumber", K::Label, ""},
      {"ButtonSaveFigureDonorAcceptor1", K::Button, "Save Figure (*CNC1.bmp)"},
      {kDonorAcceptorChart2, K::Chart, ""},
      {"LabelVerDonorAcceptor", K::Label, ""},
      {"ButtonSaveFigureDonorAcceptor2", K::Button, "Save Figure (*CNC2.bmp)"},
  };
  return controls;
}

const std::vector<ChartSpec>& ConventionalAnalysis2Charts() {
  static const std::vector<ChartSpec> charts{
      {kDonorAcceptorChart1,
       "",
       {"1000/T  [K^-1]", false, ""},
       {"n(T)  [cm^-3]", true, "0.00E-00"},
       {OpenCircles(kRed), MakeSeriesStyle(Marker::Cross, LineStyle::None, kLime, 9, 13, 2),
        MakeSeriesStyle(Marker::Cross, LineStyle::None, kYellow, 9, 13, 2),
        MakeSeriesStyle(Marker::None, LineStyle::Solid, kBlue, 4, 0, 2)}},
      {kDonorAcceptorChart2,
       "",
       {"1000/T  [K^-1]", false, ""},
       {"y  [cm^-3 K^-1.5]", true, "0.00E-00"},
       {MakeSeriesStyle(Marker::Circle, LineStyle::None, kRed),
        MakeSeriesStyle(Marker::None, LineStyle::Solid, kBlue, 4, 0, 2)}},
  };
  return charts;
}

const std::vector<std::string>& ConventionalAnalysis2NTypeSet() {
  static const std::vector<std::string> set{"LabelNType", "ImageN",  "ImageNDNA",   "ImageDED",
                                            "ImageMc",    "LabelMc", "ImageGMassMc"};
  return set;
}

const std::vector<std::string>& ConventionalAnalysis2PTypeSet() {
  static const std::vector<std::string> set{"LabelPType", "ImageP", "ImageNAND", "ImageDEA", "ImageGMass"};
  return set;
}

const std::vector<Control>& ConfirmationControls() {
  static const std::vector<Control> controls{
      {"Label1", K::Label,
       "Please try to coincide the simulated concentration (solid line) with the experimental data (open circles)."},
      {"Label2", K::Label, "1. Please increase the value of"},
      {"ImageNDNA1", K::Picture, ""},
      {"ImageNAND1", K::Picture, ""},
      {"Label3", K::Label, "when the simulated concentration is lower than the experimental concentration."},
      {"Label4", K::Label, "2. Please decrease the value of"},
      {"ImageNDNA2", K::Picture, ""},
      {"ImageNAND2", K::Picture, ""},
      // sic: the dialog has always read so
      {"Label5", K::Label, "when the simulated concentration is higher than the experiemental concentration."},
      {"Label6", K::Label, "Please compare the obtained "},
      {"ImageGMassMc", K::Picture, ""},
      {"ImageGMass", K::Picture, ""},
      {"Label7", K::Label, "with the value that is calculated using "},
      {"ImageMass", K::Picture, ""},
      {"Label8", K::Label, "and"},
      {"ImageG", K::Picture, ""},
      {"LabelAnd", K::Label, "and"},
      {"ImageMc", K::Picture, ""},
      {"LabelPeriod", K::Label, "."},
      {"ButtonOK", K::Button, "OK"},
  };
  return controls;
}

OneDonorOneAcceptorConfirmationPresenter::OneDonorOneAcceptorConfirmationPresenter(View& view) : view_(view) {
  view_.SetCaption("Confirmation");
}

void OneDonorOneAcceptorConfirmationPresenter::Prepare(bool n) {
  for (const char* c : {"ImageNDNA1", "ImageNDNA2", "ImageGMassMc", "ImageMc"}) view_.SetVisible(c, n);
  for (const char* c : {"ImageNAND1", "ImageNAND2", "ImageGMass"}) view_.SetVisible(c, !n);
  view_.SetText("LabelAnd", n ? "and" : ".");
  view_.SetText("LabelPeriod", n ? "." : "");
}

void OneDonorOneAcceptorConfirmationPresenter::ButtonOKClick() { view_.CloseWindow(); }

DonorAcceptorPresenter::DonorAcceptorPresenter(const Analysis& record, View& view)
    : RangeWindowPresenter(record, view,
                           Names{"LabelVerDonorAcceptor", "ButtonSave", "ButtonSaveFigureDonorAcceptor1",
                                 "ButtonSaveFigureDonorAcceptor2", kDonorAcceptorChart1, kDonorAcceptorChart2,
                                 kCncFilter, ".CNC", "CNC1.bmp", "CNC2.bmp"}) {}

void DonorAcceptorPresenter::PrepareWindow() {
  a_.Prepare(record_);
  const bool n = a_.NType();
  view_.SetCaption("One Donor and One acceptor  (" + record_.SampleNumber + ")");  // sic: lower-case "acceptor"
  view_.SetEnabled("ButtonSave", false);
  view_.SetText("LabelGMass", "");
  view_.SetText("LabelSampleNumber", record_.SampleNumber);
  for (const auto& c : ConventionalAnalysis2NTypeSet()) view_.SetVisible(c, n);
  for (const auto& c : ConventionalAnalysis2PTypeSet()) view_.SetVisible(c, !n);
  view_.SetAxisTitles(kDonorAcceptorChart1, "1000/T  [K^-1]", n ? "n(T)  [cm^-3]" : "p(T)  [cm^-3]");
  view_.SetText("LabelG", n ? "2" : "4");
  view_.SetText("LabelMass", FormatHeaderReal(record_.EffectiveMass));
  if (n) view_.SetText("LabelMc", FormatHeaderReal(record_.EquivalentMinima));
  for (const char* b : kRangeButtons) view_.SetEnabled(b, true);
  view_.SetEnabled("ButtonEvaluation", true);
  for (const char* c : {"LabelEnergyLevel", "LabelDonorDensity", "LabelAcceptorDensity"}) view_.SetText(c, "0");
  for (int s = 0; s < 4; ++s) view_.ClearSeries(kDonorAcceptorChart1, s);
  for (int s = 0; s < 2; ++s) view_.ClearSeries(kDonorAcceptorChart2, s);
  view_.SetText("EditNetDensity", FormatPattern(a_.NetDensity, "0.00E-00"));
  showHighEnd();
  showLowEnd();
  const auto& d = a_.Data();
  std::vector<double> x;
  for (double T : d.T) x.push_back(1000 / T);
  view_.AddPoints(kDonorAcceptorChart1, donoracceptor::kMeasured, x, d.n);
  fillY();
  view_.SetEnabled("ButtonSaveFigureDonorAcceptor1", false);
  view_.SetEnabled("ButtonSaveFigureDonorAcceptor2", false);
}

void DonorAcceptorPresenter::fillY() {
  view_.ClearSeries(kDonorAcceptorChart2, donoracceptor::kY);
  const auto& d = a_.Data();
  for (int i = 0; i < d.Count(); ++i)
    if (a_.Usable(i))
      AddFinitePoint(view_, kDonorAcceptorChart2, donoracceptor::kY, 1000 / d.T[i],
                     a_.Y(i, a_.FoundCompensatingDensity));
}

void DonorAcceptorPresenter::showHighEnd() {
  const auto& d = a_.Data();
  const int i = a_.Range().IndexHighestTemperature();
  ShowRangeEnd(view_, "LabelLow", kDonorAcceptorChart1, donoracceptor::kHighEnd, d.T[i], d.n[i]);
}

void DonorAcceptorPresenter::showLowEnd() {
  const auto& d = a_.Data();
  const int i = a_.Range().IndexLowestTemperature();
  ShowRangeEnd(view_, "LabelHigh", kDonorAcceptorChart1, donoracceptor::kLowEnd, d.T[i], d.n[i]);
}

void DonorAcceptorPresenter::clearResults() {
  a_.ClearResults();
  for (const char* c : {"LabelEnergyLevel", "LabelDonorDensity", "LabelAcceptorDensity"}) view_.SetText(c, "0");
  view_.ClearSeries(kDonorAcceptorChart1, donoracceptor::kSimulated);
  view_.ClearSeries(kDonorAcceptorChart2, donoracceptor::kLine);
}

void DonorAcceptorPresenter::ButtonEvaluationClick() {
  RunCommand(view_, [&] {
    const double net = ParseReal(view_.Text("EditNetDensity"));
    if (net == 0) {
      view_.ShowError(kNetDensityMissing);
      return;
    }
    if (!(std::abs(net) >= 1e5 && std::abs(net) <= 1e23)) {
      // A refused evaluation leaves no result of an earlier one to save.
      clearResults();
      view_.SetEnabled("ButtonSave", false);
      throw korv::Error("The net density must lie between 1E5 and 1E23 cm^-3 (it is " + FormatGeneral(net) + ").");
    }
    a_.NetDensity = net;
    if (!(net > a_.Data().n.front())) {
      view_.ShowError(kNetDensityTooSmall);
      return;
    }
    view_.SetCursor(Cursor::Busy);
    try {
      a_.Evaluate();
    } catch (...) {
      clearResults();
      throw;
    }
    view_.SetText("LabelEnergyLevel", FormatPattern(a_.ObtainedLevel, "0.####"));
    view_.SetText("LabelDonorDensity", FormatPattern(a_.DonorDensity, "0.00000000E+00"));
    view_.SetText("LabelAcceptorDensity", FormatPattern(a_.AcceptorDensity, "0.00000000E+00"));
    view_.SetText("LabelGMass", FormatPattern(a_.MassFactor, "0.00E+00"));
    fillY();
    ShowLine(view_, kDonorAcceptorChart2, donoracceptor::kLine, a_.LineX1, a_.LineY1, a_.LineX2, a_.LineY2);
    view_.SetEnabled("ButtonSave", true);
    view_.SetEnabled("ButtonSaveFigureDonorAcceptor1", false);
    view_.SetEnabled("ButtonSaveFigureDonorAcceptor2", false);
    ShowCurve(view_, kDonorAcceptorChart1, donoracceptor::kSimulated, a_.CurveTemperature, a_.CurveConcentration);
    view_.SetCursor(Cursor::Normal);
    if (showConfirmation) showConfirmation(a_.NType());
  });
}

void DonorAcceptorPresenter::ButtonSaveClick() { saveResults(); }

void DonorAcceptorPresenter::writeResults(const std::string& path) { a_.WriteCncFile(record_, path); }

void DonorAcceptorPresenter::ButtonSaveFigureDonorAcceptor1Click() { saveFigure(1); }

void DonorAcceptorPresenter::ButtonSaveFigureDonorAcceptor2Click() { saveFigure(2); }

void DonorAcceptorPresenter::ButtonPrintClick() { print(); }

void DonorAcceptorPresenter::ButtonHelpClick() { help(); }

bool DonorAcceptorPresenter::Invoke(const std::string& handler) {
  using P = DonorAcceptorPresenter;
  const HandlerRegistry handlers =
      MemberHandlers<P>(this, {
                                  {"ButtonDecreaseLowClick", &P::ButtonDecreaseLowClick},
                                  {"ButtonIncreaseLowClick", &P::ButtonIncreaseLowClick},
                                  {"ButtonDecreaseHighClick", &P::ButtonDecreaseHighClick},
                                  {"ButtonIncreaseHighClick", &P::ButtonIncreaseHighClick},
                                  {"ButtonEvaluationClick", &P::ButtonEvaluationClick},
                                  {"ButtonSaveClick", &P::ButtonSaveClick},
                                  {"ButtonSaveFigureDonorAcceptor1Click", &P::ButtonSaveFigureDonorAcceptor1Click},
                                  {"ButtonSaveFigureDonorAcceptor2Click", &P::ButtonSaveFigureDonorAcceptor2Click},
                                  {"ButtonPrintClick", &P::ButtonPrintClick},
                                  {"ButtonHelpClick", &P::ButtonHelpClick},
                              });
  return InvokeHandler(view_, handlers, handler);
}

}  // namespace korv::ui
