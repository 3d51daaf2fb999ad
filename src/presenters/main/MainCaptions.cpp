#include "presenters/main/MainCaptions.h"

#include <algorithm>
#include <string>

#include "core/Numbers.h"
#include "presenters/main/MainCharts.h"

namespace korv::ui {

int GridLength(const Analysis& a) {
  const std::size_t n = std::min(a.SplineTemperature.size(), a.SplineConcentration.size());
  return std::clamp(a.GridCount, 0, static_cast<int>(n));
}

void SetLeftTitle(View& view, const std::string& chart, const std::string& title) {
  view.SetAxisTitles(chart, MainChart(chart).bottom.title, title);
}

int ConductionKind(const Analysis& a) {
  if (a.ConductionType == "n-type") return 1;
  if (a.ConductionType == "p-type") return 2;
  return 0;
}

void ShowConductionCaptions(const Analysis& a, View& view, int type) {
  static const char* const concentration[] = {"Free Carrier Concentration  [cm^-3]", "Electron Concentration  [cm^-3]",
                                              "Hole Concentration  [cm^-3]"};
  static const char* const fermi[] = {"Fermi Level  [eV]", "Fermi Level from Conduction Band  [eV]",
                                      "Fermi Level from Valence Band  [eV]"};
  static const char* const majority[] = {"Majority-Carrier Concentration  [cm^-3]", "Electron Concentarion  [cm^-3]",
                                         "Hole Concentarion  [cm^-3]"};
  SetLeftTitle(view, "ChartExperimentalLinear", concentration[type]);
  SetLeftTitle(view, "ChartExperimentalLog", concentration[type]);
  SetLeftTitle(view, "ChartFermiLevel", fermi[type]);
  SetLeftTitle(view, "ChartSimulationReverseT", majority[type]);
  SetLeftTitle(view, "ChartSimulationT", majority[type]);

  const bool n = type != 2, p = type != 1;  // which members a neutral window shows too
  // Density and energy symbols: neutral, donor (n) and acceptor (p) members.
  auto symbols = [&](const std::string& prefix, int j) {
    view.SetVisible(prefix + "N" + std::to_string(j), type == 0);
    view.SetVisible(prefix + "ND" + std::to_string(j), type == 1);
    view.SetVisible(prefix + "NA" + std::to_string(j), type == 2);
    view.SetVisible(prefix + "DE" + std::to_string(j), type == 0);
    view.SetVisible(prefix + "DED" + std::to_string(j), type == 1);
    view.SetVisible(prefix + "DEA" + std::to_string(j), type == 2);
  };
  for (int k = 1; k <= 3; ++k)
    for (int j = 1; j <= k; ++j) symbols("ImageH" + std::to_string(k), j);
  for (int j = 1; j <= 3; ++j) symbols("ImageS", j);

  view.SetVisible("ImageN0kT32", type == 0);
  view.SetVisible("ImageNC0kT32", type == 1);
  view.SetVisible("ImageNV0kT32", type == 2);
  view.SetVisible("ImageMassElectron", n);
  view.SetVisible("ImageEquivalentMinima", n);
  view.SetVisible("ImageEffectiveDensityOfStatesN", n);
  view.SetVisible("ImageMassHole", p);
  view.SetVisible("ImageEffectiveDensityOfStatesP", p);
  view.SetVisible("ImageFermiLevelN", n);
  view.SetVisible("ImageFermiLevelP", p);
  for (int k = 1; k <= 3; ++k) {
    view.SetVisible("ImageNdH" + std::to_string(k), n);
    view.SetVisible("ImageNaH" + std::to_string(k), p);
  }
  view.SetVisible("ImageSimulationN", n);
  view.SetVisible("ImageSimulationP", p);

  const std::string nText = n ? "n-type" : "", pText = p ? "p-type" : "";
  view.SetText("LabelFermiConductionTypeN", nText);
  view.SetText("LabelFermiLevelConductionTypeN", nText);
  view.SetText("LabelSDonor", nText);
  view.SetText("LabelFermiConductionTypeP", pText);
  view.SetText("LabelFermiLevelConductionTypeP", pText);
  view.SetText("LabelSAcceptor", pText);
  for (int k = 1; k <= 3; ++k) {
    view.SetText("LabelDonorH" + std::to_string(k), nText);
    view.SetText("LabelAcceptorH" + std::to_string(k), pText);
  }
  ShowFunctionCaptions(a, view, type);
}

void ShowFunctionCaptions(const Analysis& a, View& view, int type) {
  if (a.FunctionType != 1 && a.FunctionType != 2) return;
  const bool S = (a.FunctionType == 1);
  const std::string f = S ? "S" : "H";
  static const char* const suffix[] = {"", "n", "p"};
  for (int k = 1; k <= 3; ++k) {
    const std::string K = std::to_string(k);
    SetLeftTitle(view, "ChartH" + K, S ? f + K + "(T,E_ref) [cm^-3 eV^-1]" : f + K + "(T,E_ref) [cm^-6 eV^-2.5]");
    view.SetText("TabSheet" + std::to_string(k + 2), f + K + "(T,E_ref)");
    view.SetText("ButtonSaveH" + K, "Save Obtained Results (*." + f + K + ")");
    view.SetText("GroupBoxH" + K, "Calculate " + f + K + "(T,E_ref)");
    for (const char* g : {"H", "S"})
      for (int t = 0; t < 3; ++t) view.SetVisible(std::string("Image") + g + K + suffix[t], f == g && t == type);
    if (k >= 2) {
      view.SetVisible("ImageH" + K + "Com", !S && type == 0);
      view.SetVisible("ImageH" + K + "ComN", !S && type == 1);
      view.SetVisible("ImageH" + K + "ComP", !S && type == 2);
      view.SetVisible("ImageS" + K + "Com", S);
    }
  }
}

void PlotMeasurement(const Analysis& a, View& view) {
  const char* charts[] = {"ChartExperimentalLinear", "ChartExperimentalLog", "ChartSimulationReverseT",
                          "ChartSimulationT"};
  for (const char* c : charts) {
    view.ClearSeries(c, series::kMeasured);
    view.ClearSeries(c, series::kCurve);
  }
  const std::size_t n = std::min({a.Temperature.size(), a.Concentration.size(), a.Reliability.size()});
  for (std::size_t i = 0; i < n; ++i) {
    if (!(a.Reliability[i] >= 0.9)) continue;
    const double T = a.Temperature[i], c = a.Concentration[i];
    view.AddPoint("ChartExperimentalLinear", series::kMeasured, T, c);
    view.AddPoint("ChartExperimentalLog", series::kMeasured, T, c);
    if (T != 0) view.AddPoint("ChartSimulationReverseT", series::kMeasured, 1000.0 / T, c);
    view.AddPoint("ChartSimulationT", series::kMeasured, T, c);
  }
}

void PlotSpline(const Analysis& a, View& view) {
  const int n = GridLength(a);
  for (const char* c : {"ChartExperimentalLinear", "ChartExperimentalLog"}) {
    view.ClearSeries(c, series::kCurve);
    for (int i = 0; i < n; ++i) view.AddPoint(c, series::kCurve, a.SplineTemperature[i], a.SplineConcentration[i]);
  }
}

void PlotFermiLevel(const Analysis& a, View& view) {
  view.ClearSeries("ChartFermiLevel", series::kFermi);
  const int n = std::min(GridLength(a), static_cast<int>(a.FermiLevel.size()));
  for (int i = 0; i < n; ++i) view.AddPoint("ChartFermiLevel", series::kFermi, a.SplineTemperature[i], a.FermiLevel[i]);
}

bool PeakIsInner(const Analysis& a, int k) {
  const int p = a.PeakIndex[k - 1];
  return p > 0 && p < GridLength(a) - 1;
}

void PlotH(const Analysis& a, View& view, int k) {
  const std::string chart = "ChartH" + std::to_string(k);
  view.ClearSeries(chart, series::kH);
  if (a.HValues.size() < static_cast<std::size_t>(k)) return;
  const auto& row = a.HValues[k - 1];
  const int n = std::min(GridLength(a), static_cast<int>(row.size()));
  for (int i = 0; i < n; ++i) view.AddPoint(chart, series::kH, a.SplineTemperature[i], row[i]);
}

void MarkPeak(const Analysis& a, View& view, int k) {
  const std::string chart = "ChartH" + std::to_string(k), K = std::to_string(k);
  view.ClearSeries(chart, series::kPeak);
  const int p = a.PeakIndex[k - 1];
  const auto& row = a.HValues[k - 1];
  if (p < 0 || p >= GridLength(a) || p >= static_cast<int>(row.size())) return;
  view.SetText("LabelPeakT" + K, FormatGeneral(a.SplineTemperature[p]));
  view.SetText("LabelPeakV" + K, FormatPattern(row[p], main_format::kDensity));
  view.AddPoint(chart, series::kPeak, a.SplineTemperature[p], row[p]);
}

void PlotExperimentalH(const Analysis& a, View& view, int k, bool allPoints) {
  const std::string chart = "ChartH" + std::to_string(k);
  if (a.ExperimentalH.size() < static_cast<std::size_t>(k)) return;
  const auto& row = a.ExperimentalH[k - 1];
  const std::size_t n = std::min({a.Temperature.size(), a.Reliability.size(), row.size()});
  for (std::size_t i = 0; i < n; ++i)
    if (allPoints || a.Reliability[i] > 0.95) view.AddPoint(chart, series::kExperimentalH, a.Temperature[i], row[i]);
}

void FillSimulatedH(const Analysis& a, View& view, int k) {
  const std::string chart = "ChartH" + std::to_string(k);
  view.ClearSeries(chart, series::kSimulatedH);
  if (a.SimulatedH.size() < static_cast<std::size_t>(k)) return;
  const auto [lo, hi] = view.SeriesYRange(chart, series::kH);
  const bool upper = k > 1 || a.DeveloperOptionsHidden;
  const auto& row = a.SimulatedH[k - 1];
  const int n = std::min(GridLength(a), static_cast<int>(row.size()));
  for (int i = 0; i < n; ++i) {
    const double v = row[i];
    if (v > lo && (!upper || v < hi)) view.AddPoint(chart, series::kSimulatedH, a.SplineTemperature[i], v);
  }
}

}  // namespace korv::ui
