#include "presenters/main/MainCaptions.h"

#include <algorithm>
#include <cmath>
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
  if (phys::IsNType(a.ConductionType)) return 1;
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

SplineResiduals SplineResidualsOf(const Analysis& a) {
  SplineResiduals r;
  const int grid = GridLength(a);
  if (grid < 2) return r;
  const auto& gt = a.SplineTemperature;
  const auto& gn = a.SplineConcentration;
  const int n = static_cast<int>(std::min({a.Temperature.size(), a.Concentration.size(), a.Reliability.size()}));
  double largest = 0;
  for (int i = std::max(a.FirstIndex, 0); i <= a.LastIndex && i < n; ++i) {
    const double t = a.Temperature[i], c = a.Concentration[i];
    // The grid is rounded inward to whole tenths: an end point up to 0.1 K outside it is
    // compared with the grid's end.
    if (!(a.Reliability[i] > 0) || !(c > 0) || !(t >= gt[0] - 0.1 && t <= gt[grid - 1] + 0.1)) continue;
    const double T = std::clamp(t, gt[0], gt[grid - 1]);
    // The grid runs in steps of 0.1 K: log-linear between its two nearest points.
    const auto upper = std::lower_bound(gt.begin(), gt.begin() + grid, T);
    const int j = std::clamp(static_cast<int>(upper - gt.begin()), 1, grid - 1);
    const double f = (T - gt[j - 1]) / (gt[j] - gt[j - 1]);
    const double s = std::exp((1 - f) * std::log(gn[j - 1]) + f * std::log(gn[j]));
    const double ratio = c / s;
    if (!std::isfinite(ratio)) continue;
    r.temperature.push_back(t);
    r.ratio.push_back(ratio);
    if (std::abs(ratio - 1) > largest) {
      largest = std::abs(ratio - 1);
      r.worst = static_cast<int>(r.ratio.size()) - 1;
    }
  }
  return r;
}

std::string SplineWarning(const Analysis& a) {
  const SplineResiduals r = SplineResidualsOf(a);
  if (r.worst < 0 || !(std::abs(r.ratio[r.worst] - 1) > kSplineTolerance)) return "";
  const double ratio = r.ratio[r.worst];
  return "The spline misses the measured points: the largest deviation is data/spline = " +
         FormatPattern(ratio, "0.000") + " (" + FormatPattern(100 * (ratio - 1), "0") + " %) at " +
         FormatPattern(r.temperature[r.worst], "0.0") + " K. A smaller smoothness than " + FormatGeneral(a.Smoothness) +
         " follows the data more closely.";
}

void PlotSplineResiduals(const Analysis& a, View& view) {
  view.ClearSeries("ChartSplineResidual", series::kResidual);
  view.ClearSeries("ChartSplineResidual", series::kUnity);
  const SplineResiduals r = SplineResidualsOf(a);
  view.AddPoints("ChartSplineResidual", series::kResidual, r.temperature, r.ratio);
  if (!r.temperature.empty())
    view.AddPoints("ChartSplineResidual", series::kUnity, {r.temperature.front(), r.temperature.back()}, {1.0, 1.0});
  view.SetText("LabelSplineWarning", SplineWarning(a));
}

namespace {

// The edit's number equals x to the three digits the tab shows.
bool Shows(const View& view, const std::string& edit, double x) {
  double v = 0;
  try {
    v = ParseReal(view.Text(edit));
  } catch (const std::exception&) {
    return false;
  }
  return std::abs(v - x) <= 5e-3 * std::abs(x);
}

}  // namespace

std::string SimulationSources(const Analysis& a, const View& view) {
  if (a.DataCount == 0) return "";
  const std::string f = a.FunctionType == 1 ? "S" : "H";
  std::string levels;
  for (int j = 1; j <= 3; ++j) {
    if (!view.IsChecked("CheckBox" + std::to_string(j))) continue;
    const std::string d = "EditSDensity" + std::to_string(j), e = "EditSEnergy" + std::to_string(j);
    const bool fromEvaluation =
        a.Density[j - 1] != 0 && Shows(view, d, a.Density[j - 1]) && Shows(view, e, a.EnergyLevel[j - 1]);
    const std::string origin = !fromEvaluation                 ? "entered"
                               : a.AnalysisFile[j - 1].empty() ? f + std::to_string(j) + ", evaluated, not saved"
                                                               : f + std::to_string(j) + ", saved";
    levels += (levels.empty() ? "" : ", ") + ("level " + std::to_string(j) + " (" + origin + ")");
  }
  std::string com = "no compensating density";
  if (view.IsChecked("CheckBox4")) {
    std::string origin = "entered";
    if (Shows(view, "EditSCDensity", a.CompensatingDensity) && a.EvaluationFinished)
      origin = "adopted by the evaluation";
    else if (Shows(view, "EditSCDensity", a.CompensatingDensity) && a.CompensationAnalysis >= 0)
      origin = "carried from " + f + std::to_string(a.CompensationAnalysis + 1);
    else
      for (int k = 2; k >= 0; --k)
        if (a.Density[k] != 0 && Shows(view, "EditSCDensity", a.TemporaryCompensatingDensity[k])) {
          origin = "temporary compensating density of " + f + std::to_string(k + 1);
          break;
        }
    com = "N_com = " + view.Text("EditSCDensity") + " cm^-3 (" + origin + ")";
  }
  return "The simulation uses " + (levels.empty() ? std::string("no level") : levels) + "; " + com + ".";
}

std::string NoPeakReason(const Analysis& a, int k) {
  std::string at;
  const int p = a.PeakIndex[k - 1];
  if (p >= 0 && p < static_cast<int>(a.SplineTemperature.size()))
    at = " (at T = " + FormatPattern(a.SplineTemperature[p], "0.0") + " K)";
  return std::string(a.FunctionType == 1 ? "S" : "H") + std::to_string(k) +
         " has no peak inside the measured range, its largest value lies at an end of the grid" + at +
         "; the data hold no freeze-out range of a level";
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
