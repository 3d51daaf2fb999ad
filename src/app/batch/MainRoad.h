// The main window's road up to the saved Fermi level: korv-batch analyze walks on from
// there, and the side windows of the other commands open there. Every box the main window
// or a side window shows is logged in order.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/batch/Options.h"
#include "app/batch/RangeWindowCommand.h"
#include "app/batch/RoadReport.h"
#include "app/batch/SideCommand.h"
#include "core/Analysis.h"
#include "core/Error.h"
#include "presenters/common/MemoryView.h"
#include "presenters/common/Windows.h"
#include "presenters/main/MainPresenter.h"

namespace korv::batch {

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
  // `outdir` empty: every file beside the input. Without `record` and `view` the road has
  // its own, the view logging into the report's messages.
  FermiRoad(const std::string& input, const std::string& outdir, const RoadOptions& road, RoadReport& report,
            Analysis* record = nullptr, LoggingView* view = nullptr);
  // Load, then the rest of the road (ToFermiLevel). False (with the report's status and
  // reason) when a step failed.
  bool Run();
  // Loads the measurement; status 2 when it cannot be read.
  bool Load();
  // The output folder, spline and its file, density of states, Fermi level and its file.
  bool ToFermiLevel();
  // Clicks the main window's menu item; false when it is not available.
  bool OpenFromMenu(const std::string& menuItem);
  // Clicks a control; false (the road failed) when it is not available or showed an error.
  bool Step(const std::string& control);
  // Clicks a save control and lists the file it wrote, `field`, as `kind`.
  bool Save(const std::string& control, const std::string& kind, const std::string& field);

  Analysis& Record() { return a_; }
  korv::ui::MainPresenter& Presenter() { return presenter_; }
  const std::string& Folder() const { return outdir_; }
  void Fail(int status, const std::string& reason);

 private:
  std::string input_, outdir_;
  RoadOptions road_;
  RoadReport& r_;
  std::unique_ptr<Analysis> ownRecord_;
  Analysis& a_;
  std::unique_ptr<LoggingView> ownView_;
  LoggingView& view_;

 public:
  SideWindows windows;

 private:
  korv::ui::MainPresenter presenter_;
};

// Moves a window's range to low..high (indices of the measured points) with its own four
// range commands, through `click` ("ButtonIncreaseLow", ...). `low` and `high` read the
// window's current range. False when the range could not be reached.
bool ReachRange(int targetLow, int targetHigh, const std::function<int()>& low, const std::function<int()>& high,
                const std::function<bool(const std::string&)>& click, int count);

// The conventional windows ("Only One Impurity", "One Donor and One Acceptor") after the
// road: opened from `menuItem`, prepared as the main window does when it shows `which`,
// and their range moved to the one asked for. False (with the report's status and reason)
// when a step failed.
template <class Presenter>
bool OpenConventionalWindow(FermiRoad& road, LoggingView& view, Presenter& window, korv::ui::Window which,
                            const std::string& menuItem, ConventionalReport& r) {
  const ConventionalOptions& options = r.options;
  view.AcceptProposedNames(options.outdir);
  bool prepared = false;
  road.windows.opened = [&](korv::ui::Window w) {
    if (w != which) return;
    try {
      window.PrepareWindow();
      prepared = true;
    } catch (const korv::Error& e) {
      view.ShowError(e.what());
    }
  };
  if (!road.OpenFromMenu(menuItem)) return false;
  if (!prepared) return road.Fail(1, r.messages.empty() ? "the window was not opened" : r.messages.back()), false;
  r.caption = view.caption;

  const auto& a = window.Results();
  const int count = a.Data().Count();
  if (options.lowIndex && (*options.highIndex > count - 1))
    return road.Fail(2, "--high-index " + std::to_string(*options.highIndex) + " lies beyond the last point (" +
                            std::to_string(count - 1) + ")"),
           false;
  if (options.lowIndex) {
    auto click = [&](const std::string& c) { return window.Invoke(c + "Click"); };
    if (!ReachRange(
            *options.lowIndex, *options.highIndex, [&] { return a.Range().IndexLowestTemperature(); },
            [&] { return a.Range().IndexHighestTemperature(); }, click, count))
      return road.Fail(1, "the fitting range could not be reached"), false;
  }
  r.lowIndex = a.Range().IndexLowestTemperature();
  r.highIndex = a.Range().IndexHighestTemperature();
  r.lowTemperature = a.Data().T[r.lowIndex];
  r.highTemperature = a.Data().T[r.highIndex];
  return true;
}

// Presses the window's evaluation `command` once and records the `labels` shown. False
// (with the report's status and reason) when it is not available or showed an error.
template <class Presenter>
bool EvaluateConventional(FermiRoad& road, LoggingView& view, Presenter& window, const std::string& command,
                          std::initializer_list<const char*> labels, ConventionalReport& r) {
  const std::size_t before = view.errors.size();
  if (!window.Invoke(command)) return road.Fail(1, "Evaluation is not available"), false;
  const bool failed = view.errors.size() > before;
  for (const char* c : labels)
    if (view.IsVisible(c)) r.shown.emplace_back(c, view.Text(c));
  if (failed) return road.Fail(1, view.errors.back()), false;
  return true;
}

// Presses the window's save `command`; `saved` is the name of the file it wrote, listed
// as `kind`.
template <class Presenter>
void SaveConventional(FermiRoad& road, LoggingView& view, Presenter& window, const std::string& command,
                      const std::string& unavailable, const std::string& saved, const std::string& kind,
                      ConventionalReport& r) {
  const std::size_t before = view.errors.size();
  if (!window.Invoke(command)) return road.Fail(1, unavailable);
  if (view.errors.size() > before) return road.Fail(1, view.errors.back());
  if (saved.empty()) return road.Fail(1, "the *." + kind + " file was not saved");
  r.files.emplace_back(kind, saved);
}

}  // namespace korv::batch
