#include "presenters/analyses/DhesPresenter.h"

#include <stdexcept>

#include "core/Error.h"
#include "core/Numbers.h"
#include "presenters/common/SideWindow.h"
#include "presenters/main/MainPresenter.h"

namespace korv::ui {
namespace {

using korv::dhes::kPeaks;
namespace ser = dhesseries;

const char* const kOrdinal[kPeaks] = {"First Peak", "Second Peak", "Third Peak", "Fourth Peak"};
const char* const kColour[kPeaks] = {"Red", "Green", "Aqua", "Blue"};
const std::uint32_t kSeriesColour[kPeaks] = {0xFF0000, 0x00FF00, 0x00FFFF, 0x0000FF};
constexpr std::uint32_t kFuchsia = 0xFF00FF;

const char* kDensityPattern = "0.00E+00";
const char* kLevelPattern = "0.####";

bool hasExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

}  // namespace

std::string DhesName(const char* stem, int k) { return std::string(stem) + std::to_string(k); }

const std::vector<Control>& DhesControls() {
  static const std::vector<Control> controls = [] {
    std::vector<Control> c{
        {"GroupBox1", ControlKind::GroupBox, "DHES"},
        {"LabelNType", ControlKind::Label, "n-type"},
        {"LabelPType", ControlKind::Label, "p-type"},
        {"ImageDHESn", ControlKind::Picture, ""},
        {"ImageDHESp", ControlKind::Picture, ""},
        // sic: the window's own spelling
        {"Label1", ControlKind::Label, "Detemine Density and Energy Level Using Peaks"},
        {"ImageDHESDonorLevel", ControlKind::Picture, ""},
        {"ImageDHESDonorDensity", ControlKind::Picture, ""},
        {"ImageDHESAcceptorLevel", ControlKind::Picture, ""},
        {"ImageDHESAcceptorDensity", ControlKind::Picture, ""},
        {"ImageG2", ControlKind::Picture, ""},
        {"ImageG4", ControlKind::Picture, ""},
        {"Label22", ControlKind::Label, "Theoretical DHES"},
        {"ImageTDHESn", ControlKind::Picture, ""},
        {"ImageTDHESp", ControlKind::Picture, ""},
        {"LabelSampleNumber", ControlKind::Label, ""},
        {"LabelVerDHES", ControlKind::Label, ""},
        {"ButtonHelp", ControlKind::Button, "Help"},
        // sic: the window's own spelling
        {"GroupBox2", ControlKind::GroupBox, "Deterimination of Denisy and energy Level"},
        {"ButtonSum", ControlKind::Button, "Sum of each Signal"},
        {"Label28", ControlKind::Label, "Fuchsia-color line"},
        {"ButtonSaveDHES", ControlKind::Button, "Save (*.DHES)"},
        {"ButtonPrintDHES", ControlKind::Button, "Print"},
        {"Label23", ControlKind::Label, "Draw Approximate DHES"},
        {"ImageADHESn", ControlKind::Picture, ""},
        {"ImageADHESp", ControlKind::Picture, ""},
        {kDhesChart, ControlKind::Chart, ""},
        {"ButtonSaveFigureDHES", ControlKind::Button, "Save Figure (*DHES.bmp)"},
    };
    for (int k = 1; k <= kPeaks; ++k) {
      const std::string colour = kColour[k - 1];
      c.push_back({DhesName("LabelPeak", k), ControlKind::Label, kOrdinal[k - 1]});
      c.push_back({DhesName("LabelPoint", k), ControlKind::Label, colour + " Point"});
      c.push_back({DhesName("LabelLine", k), ControlKind::Label, colour + " Line"});
      c.push_back({DhesName("ButtonPreviousPeak", k), ControlKind::Button, "Previous Peak"});
      c.push_back({DhesName("ButtonNextPeak", k), ControlKind::Button, "Next Peak"});
      c.push_back({DhesName("ButtonEvaluation", k), ControlKind::Button, "Evaluation"});
      c.push_back({DhesName("ButtonClear", k), ControlKind::Button, "Clear"});
      c.push_back({DhesName("ImageED", k), ControlKind::Picture, ""});
      c.push_back({DhesName("ImageEA", k), ControlKind::Picture, ""});
      c.push_back({DhesName("LabelDHESE", k), ControlKind::Label, "0"});
      c.push_back({DhesName("ImageND", k), ControlKind::Picture, ""});
      c.push_back({DhesName("ImageNA", k), ControlKind::Picture, ""});
      c.push_back({DhesName("LabelDHESD", k), ControlKind::Label, "0"});
      c.push_back({DhesName("ButtonDraw", k), ControlKind::Button, kOrdinal[k - 1]});
      c.push_back({DhesName("LabelBroken", k), ControlKind::Label, colour + " Broken Line"});
    }
    return c;
  }();
  return controls;
}

const std::vector<ChartSpec>& DhesCharts() {
  static const std::vector<ChartSpec> charts = [] {
    ChartSpec c;
    c.name = kDhesChart;
    c.left = AxisSpec{"DHES  [cm^-3]", false, "0.00E-00"};
    c.bottom = AxisSpec{"Fermi Level from Conduction Band  [eV]", false, ""};
    c.series.push_back(SeriesStyle{Marker::None, LineStyle::Solid, kBlack});
    for (auto colour : kSeriesColour) c.series.push_back(SeriesStyle{Marker::None, LineStyle::Solid, colour});
    for (auto colour : kSeriesColour)
      c.series.push_back(SeriesStyle{Marker::Circle, LineStyle::None, colour, false, 8});
    for (auto colour : kSeriesColour) c.series.push_back(SeriesStyle{Marker::None, LineStyle::Dotted, colour});
    c.series.push_back(SeriesStyle{Marker::None, LineStyle::Solid, kFuchsia, false, 4, 0, 2});
    return std::vector<ChartSpec>{c};
  }();
  return charts;
}

DhesPresenter::DhesPresenter(const Analysis& record, View& view) : a_(record), view_(view) {
  auto& h = handlers_;
  for (int k = 1; k <= kPeaks; ++k) {
    h[DhesName("ButtonPreviousPeak", k) + "Click"] = [this, k] { ButtonPreviousPeakClick(k); };
    h[DhesName("ButtonNextPeak", k) + "Click"] = [this, k] { ButtonNextPeakClick(k); };
    h[DhesName("ButtonEvaluation", k) + "Click"] = [this, k] { ButtonEvaluationClick(k); };
    h[DhesName("ButtonClear", k) + "Click"] = [this, k] { ButtonClearClick(k); };
    h[DhesName("ButtonDraw", k) + "Click"] = [this, k] { ButtonDrawClick(k); };
  }
  h["ButtonSumClick"] = [this] { ButtonSumClick(); };
  h["ButtonSaveDHESClick"] = [this] { ButtonSaveDHESClick(); };
  h["ButtonSaveFigureDHESClick"] = [this] { ButtonSaveFigureDHESClick(); };
  h["ButtonPrintDHESClick"] = [this] { ButtonPrintDHESClick(); };
  h["ButtonHelpClick"] = [this] { ButtonHelpClick(); };
  view_.SetText("LabelVerDHES", a_.ProgramCaption);
}

bool DhesPresenter::Invoke(const std::string& handler) {
  return InvokeHandler(view_, handlers_, handler, [](const auto& run) { run(); });
}

void DhesPresenter::command(const std::function<void()>& body) {
  try {
    body();
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  } catch (const std::out_of_range& e) {
    view_.ShowError(e.what());
  }
}

// ---- Pieces shared by the commands ------------------------------------------------------

void DhesPresenter::peakCommands(int k, bool enabled) {
  for (const char* stem : {"ButtonPreviousPeak", "ButtonNextPeak", "ButtonEvaluation"}) en(DhesName(stem, k), enabled);
}

void DhesPresenter::labelsZeroFrom(int k) {
  for (int j = k; j <= kPeaks; ++j) {
    view_.SetText(DhesName("LabelDHESE", j), "0");
    view_.SetText(DhesName("LabelDHESD", j), "0");
  }
}

// ResetPeaksFrom(k) with the series of the curves it empties.
void DhesPresenter::clearCurvesFrom(int k) {
  korv::dhes::ResetPeaksFrom(s_, k - 1);
  for (int j = k; j <= kPeaks; ++j) {
    view_.ClearSeries(kDhesChart, ser::kTheoretical + j - 1);
    view_.ClearSeries(kDhesChart, ser::kApproximate + j - 1);
  }
  view_.ClearSeries(kDhesChart, ser::kSum);
}

// The marker of peak k, at its current position.
void DhesPresenter::marker(int k) {
  const int series = ser::kMarker + k - 1;
  view_.ClearSeries(kDhesChart, series);
  const int p = s_.DhesPeakIndex[k - 1];
  if (p >= 0 && p < s_.Count()) view_.AddPoint(kDhesChart, series, s_.DhesAbscissa[p], s_.DhesSignal[p]);
}

void DhesPresenter::afterSearch(int k) {
  clearCurvesFrom(k);
  for (int j = k; j <= kPeaks; ++j) en(DhesName("ButtonClear", j), false);
  labelsZeroFrom(k);
  for (int j = k + 1; j <= kPeaks; ++j) peakCommands(j, false);
  for (int j = k; j <= kPeaks; ++j) en(DhesName("ButtonDraw", j), false);
  if (k <= 3) en("ButtonSum", false);
  if (k == 1) en("ButtonSaveDHES", false);
  marker(k);
  for (int j = k + 1; j <= kPeaks; ++j) view_.ClearSeries(kDhesChart, ser::kMarker + j - 1);
}

// ---- Prepare ------------------------------------------------------------------------------

void DhesPresenter::PrepareWindow() {
  view_.SetCaption(kDhesCaption + a_.SampleNumber);
  view_.SetText("LabelSampleNumber", a_.SampleNumber);
  view_.SetText("LabelVerDHES", a_.ProgramCaption);

  const bool n = a_.ConductionType == "n-type";
  korv::dhes::ResetPeaksFrom(s_, 0);
  s_.DopantDegeneracy = korv::dhes::DegeneracyOf(a_.ConductionType);
  for (const char* c : {"LabelNType", "ImageDHESn", "ImageDHESDonorLevel", "ImageDHESDonorDensity", "ImageG2",
                        "ImageTDHESn", "ImageADHESn"})
    view_.SetVisible(c, n);
  for (const char* c : {"LabelPType", "ImageDHESp", "ImageDHESAcceptorLevel", "ImageDHESAcceptorDensity", "ImageG4",
                        "ImageTDHESp", "ImageADHESp"})
    view_.SetVisible(c, !n);
  for (int k = 1; k <= kPeaks; ++k) {
    view_.SetVisible(DhesName("ImageED", k), n);
    view_.SetVisible(DhesName("ImageND", k), n);
    view_.SetVisible(DhesName("ImageEA", k), !n);
    view_.SetVisible(DhesName("ImageNA", k), !n);
  }
  view_.SetAxisTitles(kDhesChart, n ? "Fermi Level from Conduction Band  [eV]" : "Fermi Level from Valence Band  [eV]",
                      "DHES  [cm^-3]");

  for (int k = 1; k <= kPeaks; ++k) {
    peakCommands(k, false);
    en(DhesName("ButtonClear", k), false);
    en(DhesName("ButtonDraw", k), false);
  }
  for (const char* c : {"ButtonSum", "ButtonSaveDHES", "ButtonSaveFigureDHES"}) en(c, false);
  en("ButtonPrintDHES", true);
  labelsZeroFrom(1);

  for (int series = 0; series <= ser::kSum; ++series) view_.ClearSeries(kDhesChart, series);
  s_.DhesPeakIndex.fill(0);
  s_.DhesSignal.clear();
  s_.DhesAbscissa.clear();
  command([&] { korv::dhes::CalculateDhes(a_, s_); });
  view_.AddPoints(kDhesChart, ser::kSignal, s_.DhesAbscissa, s_.DhesSignal);
  marker(1);
  // Without a signal (a grid of one point) there is no peak to look for.
  peakCommands(1, s_.Count() > 0);
}

// ---- Peak commands --------------------------------------------------------------------------

void DhesPresenter::ButtonPreviousPeakClick(int k) {
  if (k < 1 || k > kPeaks || s_.Count() == 0 || s_.DhesPeakIndex[k - 1] < 1) return;
  s_.DhesPeakIndex[k - 1] = korv::dhes::FindPreviousPeak(s_.DhesSignal, s_.DhesPeakIndex[k - 1]);
  afterSearch(k);
}

void DhesPresenter::ButtonNextPeakClick(int k) {
  if (k < 1 || k > kPeaks || s_.Count() == 0) return;
  s_.DhesPeakIndex[k - 1] = korv::dhes::FindNextPeak(s_.DhesSignal, s_.DhesPeakIndex[k - 1]);
  afterSearch(k);
}

void DhesPresenter::ButtonEvaluationClick(int k) {
  if (k < 1 || k > kPeaks) return;
  command([&] {
    // Everything is computed first, so that a failure leaves the window as it was.
    korv::dhes::DhesState next = s_;
    korv::dhes::ResetPeaksFrom(next, k - 1);
    korv::dhes::EstimatePeak(a_, next, k - 1);
    next.TheoreticalDhes[k - 1] = korv::dhes::CalculateTheoreticalDhes(a_, next, k - 1);

    clearCurvesFrom(k);
    s_ = std::move(next);
    for (int j = k + 1; j <= kPeaks; ++j) view_.ClearSeries(kDhesChart, ser::kMarker + j - 1);
    en(DhesName("ButtonClear", k), true);
    labelsZeroFrom(k);
    for (int j = k + 1; j <= kPeaks; ++j) {
      peakCommands(j, false);
      en(DhesName("ButtonClear", j), false);
    }
    if (k <= 3) en("ButtonSum", true);

    view_.SetText(DhesName("LabelDHESE", k), FormatPattern(s_.DhesPeakLevel[k - 1], kLevelPattern));
    view_.SetText(DhesName("LabelDHESD", k), FormatPattern(s_.DhesPeakDensity[k - 1], kDensityPattern));
    view_.AddPoints(kDhesChart, ser::kTheoretical + k - 1, s_.DhesAbscissa, s_.TheoreticalDhes[k - 1]);

    en("ButtonSaveDHES", true);
    en(DhesName("ButtonDraw", k), true);
    if (k <= 3) {
      peakCommands(k + 1, true);
      marker(k + 1);
      for (int j = k + 1; j <= kPeaks; ++j) en(DhesName("ButtonDraw", j), false);
    }
  });
}

void DhesPresenter::ButtonClearClick(int k) {
  if (k < 1 || k > kPeaks) return;
  clearCurvesFrom(k);
  for (int j = k + 1; j <= kPeaks; ++j) view_.ClearSeries(kDhesChart, ser::kMarker + j - 1);
  for (int j = k; j <= kPeaks; ++j) en(DhesName("ButtonClear", j), false);
  labelsZeroFrom(k);
  for (int j = k + 1; j <= kPeaks; ++j) peakCommands(j, false);
  if (k <= 3) en("ButtonSum", false);
  for (int j = k; j <= kPeaks; ++j) en(DhesName("ButtonDraw", j), false);
  if (k == 1) en("ButtonSaveDHES", false);
}

void DhesPresenter::ButtonDrawClick(int k) {
  if (k < 1 || k > kPeaks || !s_.Evaluated[k - 1]) return;
  command([&] {
    auto values = korv::dhes::CalculateApproximateDhes(a_, s_, k - 1);
    s_.ApproximateDhes[k - 1] = std::move(values);
    const int series = ser::kApproximate + k - 1;
    view_.ClearSeries(kDhesChart, series);
    view_.AddPoints(kDhesChart, series, s_.DhesAbscissa, s_.ApproximateDhes[k - 1]);
    en(DhesName("ButtonDraw", k), false);
  });
}

void DhesPresenter::ButtonSumClick() {
  s_.DhesSum = korv::dhes::SumOfSignals(s_);
  view_.ClearSeries(kDhesChart, ser::kSum);
  view_.AddPoints(kDhesChart, ser::kSum, s_.DhesAbscissa, s_.DhesSum);
  view_.ShowNotice(kDhesSumNotice);
}

// ---- Files and print ------------------------------------------------------------------------

void DhesPresenter::ButtonSaveDHESClick() {
  command([&] {
    FileDialog dialog{"Save", kDhesFilter, 1, ReplaceExtension(a_.ExperimentalDataFile, ".DHES")};
    auto chosen = view_.AskSaveFile(dialog);
    if (!chosen) return;
    std::string path = *chosen;
    if (!hasExtension(path)) path += ".DHES";
    korv::dhes::WriteDhesFile(a_, s_, path);
    s_.DhesFileName = path;
    en("ButtonSaveDHES", false);
    en("ButtonSaveFigureDHES", true);
  });
}

void DhesPresenter::ButtonSaveFigureDHESClick() {
  command([&] {
    FileDialog dialog{"Save", kDhesFilter, 3, ReplaceExtension(s_.DhesFileName, "DHES.bmp")};
    if (SaveChartFigure(view_, dialog, kDhesChart)) en("ButtonSaveFigureDHES", false);
  });
}

void DhesPresenter::ButtonPrintDHESClick() {
  if (printWindow) printWindow();
}

void DhesPresenter::ButtonHelpClick() {
  if (showHelp) showHelp();
}

}  // namespace korv::ui
