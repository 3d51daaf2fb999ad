// The one-impurity window "Only One Donor" / "Only One Acceptor"
// (TFormConventionalAnalysis): the Arrhenius fit of a range of the freeze-out range, its
// results and comments, the simulated n(T), the *.CNO file, two figures and printing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analyses/OneImpurity.h"
#include "core/Analysis.h"
#include "presenters/analyses/RangeWindowPresenter.h"
#include "presenters/common/View.h"

namespace korv::ui {

inline constexpr const char* kCnoFilter = "No Compensation (*.CNO)|*.CNO|All Files (*.*)|*.*|Figure (*.bmp)|*.bmp";
inline constexpr const char* kOneImpurityChart1 = "ChartConventionalAnalysis1";
inline constexpr const char* kOneImpurityChart2 = "ChartConventionalAnalysis2";

// Series indices of the two charts.
namespace oneimpurity {
inline constexpr int kMeasured = 0;  // left: n/T^(3/4); right: n
inline constexpr int kLine = 1;      // left: fitted line; right: simulated n
inline constexpr int kHighEnd = 2;   // left: the highest-temperature end of the range
inline constexpr int kLowEnd = 3;    // left: the lowest-temperature end of the range
}  // namespace oneimpurity

const std::vector<Control>& ConventionalAnalysisControls();
const std::vector<ChartSpec>& ConventionalAnalysisCharts();
// The pictures and labels that only one conduction type shows.
const std::vector<std::string>& ConventionalAnalysisNTypeSet();
const std::vector<std::string>& ConventionalAnalysisPTypeSet();

class OneImpurityPresenter : public RangeWindowPresenter {
 public:
  // Shows the program caption; the record must outlive the presenter.
  OneImpurityPresenter(const Analysis& record, View& view);

  // The prepare step before every showing. Throws korv::Error for a record the analysis
  // cannot work on (the caller shows it and does not show the window).
  void PrepareWindow();

  void ButtonAnalysisClick();
  void SaveConventionalAnalysisClick();
  void ButtonSaveFigureOnlyOne1Click();
  void ButtonSaveFigureOnlyOne2Click();
  void PrintConventionalAnalysisClick();
  void ExitConventionalAnalysisClick();
  void Help2Click();

  // Runs the handler of that name ("ButtonAnalysisClick") when its control is enabled
  // and shown; false when it is not. Throws std::invalid_argument for an unknown name.
  bool Invoke(const std::string& handler);

  const conventional::OneImpurityAnalysis& Results() const { return a_; }

 private:
  conventional::FittingRange& range() override { return a_.Range(); }
  void clearResults() override;
  void showHighEnd() override;
  void showLowEnd() override;
  void writeResults(const std::string& path) override;
  const std::string& resultFileName() const override { return a_.CnoFileName; }

  conventional::OneImpurityAnalysis a_;
};

}  // namespace korv::ui
