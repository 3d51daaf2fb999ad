// The window "Differential Hall Effect Spectroscopy (DHES)" (TFormDHES): the DHES signal of
// the record's grid against the Fermi level, four peaks found one after another with
// "Previous Peak" / "Next Peak", each evaluated into a density and a level with its
// theoretical (and on request approximate) curve, the sum of the theoretical curves, the
// *.DHES file, its figure and a print of the window.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// Relative, so that the engine header wins over the window header of the same name
// wherever the views' folder is on the include path.
#include "analyses/Dhes.h"
#include "core/Analysis.h"
#include "presenters/common/View.h"

namespace korv::ui {

inline constexpr const char* kDhesCaption = "Differential Hall Effect Spectroscopy (DHES)    ";  // four blanks
inline constexpr const char* kDhesChart = "ChartDHES";
inline constexpr const char* kDhesFilter = "DHES (*.DHES)|*.DHES|All Files (*.*)|*.*|Figure (*.bmp)|*.bmp";
inline constexpr const char* kDhesSumNotice =
    "A sum of signals should be in good agreement with the black line, if these obtained values are reasonable.";
// Where the window opens on the screen.
inline constexpr int kDhesWindowTop = 90;
inline constexpr int kDhesWindowLeft = 150;

// Series of ChartDHES.
namespace dhesseries {
inline constexpr int kSignal = 0;       // Series1
inline constexpr int kTheoretical = 1;  // Series2..5: + peak slot
inline constexpr int kMarker = 5;       // Series6..9
inline constexpr int kApproximate = 9;  // Series10..13
inline constexpr int kSum = 13;         // Series14
}  // namespace dhesseries

const std::vector<Control>& DhesControls();
const std::vector<ChartSpec>& DhesCharts();
// "ButtonNextPeak" + 2 -> "ButtonNextPeak2".
std::string DhesName(const char* stem, int k);

class DhesPresenter {
 public:
  DhesPresenter(const Analysis& record, View& view);

  // Printer set-up and print of the window's image; the help window. The program sets
  // both; without them "Print" and "Help" do nothing.
  std::function<bool()> printWindow;
  std::function<void()> showHelp;

  // The prepare step, run every time before the window is shown.
  void PrepareWindow();

  // Peak commands, k = 1 .. 4.
  void ButtonPreviousPeakClick(int k);
  void ButtonNextPeakClick(int k);
  void ButtonEvaluationClick(int k);
  void ButtonClearClick(int k);
  void ButtonDrawClick(int k);
  void ButtonSumClick();
  void ButtonSaveDHESClick();
  void ButtonSaveFigureDHESClick();
  void ButtonPrintDHESClick();
  void ButtonHelpClick();

  // Runs the handler "<control>Click" as a click would: false when the control is
  // disabled or hidden. Throws std::invalid_argument for an unknown handler.
  bool Invoke(const std::string& handler);

  const korv::dhes::DhesState& State() const { return s_; }

 private:
  void command(const std::function<void()>& body);
  void en(const std::string& control, bool enabled) { view_.SetEnabled(control, enabled); }
  void peakCommands(int k, bool enabled);
  void labelsZeroFrom(int k);
  void clearCurvesFrom(int k);
  void marker(int k);
  void afterSearch(int k);

  const Analysis& a_;
  View& view_;
  korv::dhes::DhesState s_;
  std::map<std::string, std::function<void()>> handlers_;
};

}  // namespace korv::ui
