#include "presenters/analyses/RangeWindowPresenter.h"

#include "presenters/common/SideWindow.h"
#include "presenters/main/MainPresenter.h"

namespace korv::ui {

RangeWindowPresenter::RangeWindowPresenter(const Analysis& record, View& view, const Names& names)
    : record_(record), view_(view), names_(names) {
  view_.SetText(names_.version, record_.ProgramCaption);
  view_.SetEnabled(names_.save, false);
  view_.SetEnabled(names_.figure1, false);
  view_.SetEnabled(names_.figure2, false);
}

void RangeWindowPresenter::moveRange(void (conventional::FittingRange::*step)(), bool highEnd) {
  RunCommand(view_, [&] {
    (range().*step)();
    if (highEnd)
      showHighEnd();
    else
      showLowEnd();
    clearResults();
  });
}

void RangeWindowPresenter::ButtonDecreaseLowClick() { moveRange(&conventional::FittingRange::DecreaseLow, true); }

void RangeWindowPresenter::ButtonIncreaseLowClick() { moveRange(&conventional::FittingRange::IncreaseLow, true); }

void RangeWindowPresenter::ButtonDecreaseHighClick() { moveRange(&conventional::FittingRange::DecreaseHigh, false); }

void RangeWindowPresenter::ButtonIncreaseHighClick() { moveRange(&conventional::FittingRange::IncreaseHigh, false); }

void RangeWindowPresenter::saveResults() {
  RunCommand(view_, [&] {
    const auto path = view_.AskSaveFile(
        FileDialog{"", names_.filter, 1, ReplaceExtension(record_.ExperimentalDataFile, names_.extension)});
    if (!path) return;
    writeResults(*path);
    view_.SetEnabled(names_.save, false);
    view_.SetEnabled(names_.figure1, true);
    view_.SetEnabled(names_.figure2, true);
  });
}

void RangeWindowPresenter::saveFigure(int k) {
  const char* button = k == 1 ? names_.figure1 : names_.figure2;
  const char* chart = k == 1 ? names_.chart1 : names_.chart2;
  const char* suffix = k == 1 ? names_.suffix1 : names_.suffix2;
  RunCommand(view_, [&] {
    if (SaveChartFigure(view_, FileDialog{"", names_.filter, 3, ReplaceExtension(resultFileName(), suffix)}, chart))
      view_.SetEnabled(button, false);
  });
}

void RangeWindowPresenter::print() {
  RunCommand(view_, [&] {
    if (printWindow) printWindow();
  });
}

void RangeWindowPresenter::help() {
  if (showHelp) showHelp();
}

}  // namespace korv::ui
