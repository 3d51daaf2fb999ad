#include "presenters/main/MainCharts.h"

#include <stdexcept>

namespace korv::ui {
namespace {

SeriesStyle points(Marker marker, std::uint32_t color, bool whiteFill = false) {
  SeriesStyle s;
  s.marker = marker;
  s.color = color;
  s.whiteFill = whiteFill;
  return s;
}

SeriesStyle line(std::uint32_t color) {
  SeriesStyle s;
  s.line = LineStyle::Solid;
  s.color = color;
  return s;
}

AxisSpec axis(const std::string& title, bool log = false, const std::string& pattern = "") {
  return AxisSpec{title, log, pattern};
}

ChartSpec hChart(int k) {
  const std::string s = std::to_string(k);
  SeriesStyle peak = points(Marker::Square, kLime);
  if (k == 1) peak.verticalSize = 8;
  return ChartSpec{"ChartH" + s,
                   "",
                   axis("Temperature  [K]"),
                   axis("H" + s + "(T,E_ref) [cm^-6 eV^-2.5]", false, "0.0#E+00"),
                   {line(kBlack), line(kRed), peak, points(Marker::Circle, kGreen, true)}};
}

std::vector<ChartSpec> build() {
  const std::string concentration = "Free Carrier Concentration  [cm^-3]";
  const std::string majority = "Majority-Carrier Concentration  [cm^-3]";
  std::vector<ChartSpec> c;
  c.push_back({"ChartExperimentalLinear",
               "Linear",
               axis("Temperature [K]"),
               axis(concentration, false, "0.0E+00"),
               {points(Marker::Circle, kRed), line(kBlack)}});
  c.push_back({"ChartExperimentalLog",
               "Semilog",
               axis("Temperature  [K]"),
               axis(concentration, true, "0.0E+00"),
               {points(Marker::Circle, kRed), line(kBlack)}});
  c.push_back({"ChartSplineResidual",
               "Data / spline",
               axis("Temperature  [K]"),
               axis("n_data / n_spline"),
               {points(Marker::Circle, kRed), line(kBlack)}});
  c.push_back({"ChartFermiLevel",
               "",
               axis("Temperature  [K]"),
               axis("Fermi Level  [eV]"),
               {line(kBlack), points(Marker::Circle, kRed, true)}});
  for (int k = 1; k <= 3; ++k) c.push_back(hChart(k));
  c.push_back({"ChartSimulationReverseT",
               "",
               axis("1000/T  [K^-1]"),
               axis(majority, true, "0.0#E+00"),
               {points(Marker::Circle, kRed), line(kBlack)}});
  c.push_back({"ChartSimulationT",
               "",
               axis("Temperature  [K]"),
               axis(majority, true, "0.0#E+00"),
               {points(Marker::Circle, kRed), line(kBlack)}});
  return c;
}

}  // namespace

const std::vector<ChartSpec>& MainCharts() {
  static const std::vector<ChartSpec> charts = build();
  return charts;
}

const ChartSpec& MainChart(const std::string& name) {
  for (const auto& c : MainCharts())
    if (c.name == name) return c;
  throw std::logic_error("No chart named " + name);
}

}  // namespace korv::ui
