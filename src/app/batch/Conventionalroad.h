// The main window's road up to the saved Fermi level, as korv-batch analyze walks it,
// for the side windows that open from there. Every box the main window or a side window
// shows is logged in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "batch/Conventional.h"
#include "core/Hallanalysis.h"
#include "presenters/Mainpresenter.h"
#include "presenters/MemoryView.h"
#include "presenters/Windows.h"

namespace korv::batch {

// An in-memory window that logs its boxes.
class LoggingView : public korv::ui::MemoryView {
 public:
  LoggingView(const std::vector<korv::ui::Control>& controls, const std::vector<korv::ui::ChartSpec>& charts,
              std::vector<std::string>& log)
      : MemoryView(controls, charts), log_(log) {}
  void ShowError(const std::string& text) override {
    log_.push_back(text);
    MemoryView::ShowError(text);
  }
  void ShowNotice(const std::string& text) override {
    log_.push_back(text);
    MemoryView::ShowNotice(text);
  }

 private:
  std::vector<std::string>& log_;
};

// The main window's side windows: Show runs `opened` for the window shown.
class SideWindows : public korv::ui::RecordingWindows {
 public:
  std::function<void(korv::ui::Window)> opened;
  void Show(korv::ui::Window w) override {
    RecordingWindows::Show(w);
    if (opened) opened(w);
  }
};

class FermiRoad {
 public:
  FermiRoad(const ConventionalOptions& options, ConventionalReport& report);
  // Load, spline and its file, density of states, Fermi level and its file. False (with
  // the report's status and reason) when a step failed.
  bool Run();
  // Clicks the main window's menu item; false when it is not available.
  bool OpenFromMenu(const std::string& menuItem);

  Analysis& Record() { return a_; }
  const std::string& Folder() const { return o_.outdir; }
  void Fail(int status, const std::string& reason);

 private:
  bool step(const std::string& control);
  bool save(const std::string& control, const std::string& kind, const std::string& field);

  const ConventionalOptions& o_;
  ConventionalReport& r_;
  Analysis a_;
  LoggingView view_;

 public:
  SideWindows windows;

 private:
  korv::ui::TFormMainPresenter presenter_;
};

// Moves a window's range to low..high (indices of the measured points) with its own four
// range commands, through `click` ("ButtonIncreaseLow", ...). `low` and `high` read the
// window's current range. False when the range could not be reached.
bool ReachRange(int targetLow, int targetHigh, const std::function<int()>& low, const std::function<int()>& high,
                const std::function<bool(const std::string&)>& click, int count);

}  // namespace korv::batch
