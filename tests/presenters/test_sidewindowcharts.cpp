// The charts of the side windows as one set: a logarithmic axis whose tick labels had no
// pattern would print 1e14 as "100000000000000", unreadable beside the other windows.
#include <gtest/gtest.h>

#include "presenters/analyses/CurveFittingPresenter.h"
#include "presenters/analyses/DhesPresenter.h"
#include "presenters/analyses/DonorAcceptorPresenter.h"
#include "presenters/analyses/ExcitedStatesPresenter.h"
#include "presenters/analyses/OneImpurityPresenter.h"

namespace korv::ui {
namespace {

TEST(SideWindowCharts, EveryLogarithmicAxisHasALabelPattern) {
  const struct {
    const char* window;
    const std::vector<ChartSpec>& charts;
  } windows[] = {
      {"one impurity", ConventionalAnalysisCharts()},
      {"donor-acceptor", ConventionalAnalysis2Charts()},
      {"DHES", DhesCharts()},
      {"curve fitting", CurveFittingCharts()},
      {"excited states", ExcitedStatesCharts()},
  };
  for (const auto& w : windows)
    for (const ChartSpec& chart : w.charts)
      for (const AxisSpec* axis : {&chart.bottom, &chart.left}) {
        SCOPED_TRACE(std::string(w.window) + " " + chart.name + " " + axis->title);
        if (axis->logarithmic) EXPECT_FALSE(axis->labelPattern.empty());
      }
}

}  // namespace
}  // namespace korv::ui
