// The excited-states window "Influence of Excted States of Dopant" (TFormExcitedStates):
// the H1 result of the main analysis beside its Fermi-Dirac simulation on the first tab,
// and on the second the re-evaluation of density, level and compensation with the
// excited states of a hydrogen-like dopant, with its files and figures.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analyses/ExcitedStates.h"
#include "core/Analysis.h"
#include "presenters/common/View.h"
#include "presenters/common/Windows.h"

namespace korv::ui {

inline constexpr const char* kExcitedStatesCaption = "Influence of Excted States of Dopant";  // sic
inline constexpr const char* kExcitedPageControl = "PageControl1";
inline constexpr const char* kExcitedStatesFilter =
    "KORV using Fermi-Dirac Distribution (*.simN)|*.simN|KORV under consideration of excited states (*.exc)|*.exc|"
    "Figure (*.bmp)|*.bmp|Simulation of KORV under consideration of excited states|*.sie|"
    "Curve-fitting of KORV under consideration of excited states|*.cfe";

// A control of the window with the control it sits in ("" = the window, kExcitedPageControl
// for the tab pages); the Qt view lays the window out from this list.
struct ExcitedControl {
  std::string name;
  ControlKind kind;
  std::string caption;
  std::string parent;
};

const std::vector<ExcitedControl>& ExcitedStatesLayout();
const std::vector<Control>& ExcitedStatesControls();
const std::vector<ChartSpec>& ExcitedStatesCharts();

class ExcitedStatesPresenter {
 public:
  // `windows` serves "File Veiwer" and "Help" (may be null); `printWindow` the "Print" of
  // the window's image (may be empty: nothing is printed).
  ExcitedStatesPresenter(Analysis& record, View& view, Windows* windows = nullptr,
                         std::function<bool()> printWindow = nullptr);

  // Fills both tabs from the record and resets the window's results; runs the Fermi-Dirac
  // simulation when the main simulation does not cover the grid. Always succeeds.
  bool PrepareWindow();

  void ButtonAutoClick();
  void EditDielectricConstantChange();
  void ButtonSaveNormalClick();
  void ButtonSaveExcitedStatesClick();
  void ButtonSaveFigureNormal1Click();
  void ButtonSaveFigureNormal2Click();
  void ButtonSaveFigureExcitedStates1Click();
  void ButtonSaveFigureExcitedStates2Click();
  void PrintExcitedStatesClick();
  void FileVeiwerExcitedStatesClick();  // sic: the menu item's name
  void HelpExcitedStatesClick();
  void ExitExcitedStatesClick();
  void FormClose();

  const excited::ExcitedStates& Engine() const { return engine_; }
  // Whether the Fermi-Dirac curve of the first tab is the main simulation's.
  bool UsesMainSimulation() const { return usesMainSimulation_; }
  const std::vector<double>& FermiDiracCurve() const { return curveConcentration_; }

 private:
  template <class F>
  void command(F&& body);
  void clearLevelDisplay();
  void fillRange(const std::string& chart, const std::vector<double>& values);
  void measuredPoints(const std::string& chart);
  void saveFigure(const std::string& button, const std::string& chart, const std::string& file,
                  const std::string& suffix);

  Analysis& record_;
  View& view_;
  Windows* windows_;
  std::function<bool()> printWindow_;
  excited::ExcitedStates engine_;
  std::vector<double> curveConcentration_, curveFermiLevel_;
  bool usesMainSimulation_ = false;
};

}  // namespace korv::ui
