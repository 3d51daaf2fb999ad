// What the one-impurity and the donor-acceptor windows share: the four commands of the
// fitting range, the save of the result file that unlocks the two figures, the figures
// themselves, printing and help. Each window names its controls and supplies its range
// ends, its results and its file.
#pragma once

#include <functional>
#include <string>

#include "analyses/OneImpurity.h"
#include "core/Analysis.h"
#include "presenters/common/View.h"

namespace korv::ui {

// The four buttons of the fitting range.
inline constexpr const char* kRangeButtons[] = {"ButtonDecreaseLow", "ButtonIncreaseLow", "ButtonDecreaseHigh",
                                                "ButtonIncreaseHigh"};

class RangeWindowPresenter {
 public:
  virtual ~RangeWindowPresenter() = default;

  // One step of the fitting range each, then its moved end shown and the results cleared.
  void ButtonDecreaseLowClick();
  void ButtonIncreaseLowClick();
  void ButtonDecreaseHighClick();
  void ButtonIncreaseHighClick();

  // Printer set-up and printing of the window's image (false when cancelled), and the
  // help window; the program sets them.
  std::function<bool()> printWindow;
  std::function<void()> showHelp;

 protected:
  struct Names {
    const char* version;  // label of the program caption
    const char* save;     // the command that saves the result file
    const char* figure1;  // the figure buttons and their charts
    const char* figure2;
    const char* chart1;
    const char* chart2;
    const char* filter;     // of the save dialogs: the result file first, figures third
    const char* extension;  // of the result file, ".CNO"
    const char* suffix1;    // of the figures, "CNO1.bmp"
    const char* suffix2;
  };

  // Shows the program caption; saving and the figures start disabled.
  RangeWindowPresenter(const Analysis& record, View& view, const Names& names);

  // The save dialog proposing the data file's name with the result extension; after a
  // written file saving is off and the figures on. A failed write leaves all as it was.
  void saveResults();
  // The figure of chart 1 or 2, proposed beside the saved file; its button goes off once
  // the figure is written.
  void saveFigure(int k);
  void print();
  void help();

  virtual conventional::FittingRange& range() = 0;
  virtual void showHighEnd() = 0;
  virtual void showLowEnd() = 0;
  virtual void clearResults() = 0;
  virtual void writeResults(const std::string& path) = 0;
  virtual const std::string& resultFileName() const = 0;

  const Analysis& record_;
  View& view_;

 private:
  void moveRange(void (conventional::FittingRange::*step)(), bool highEnd);

  Names names_;
};

}  // namespace korv::ui
