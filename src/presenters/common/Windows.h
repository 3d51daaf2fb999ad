// What the main window asks of the rest of the program: the side windows it prepares,
// shows and closes, and the modal dialogs it runs. The Qt program implements it with the
// real windows; tests and korv-batch use RecordingWindows, which logs every call and
// answers from scripted queues.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "presenters/data/RemarksTexts.h"

namespace korv::ui {

// Modeless windows. Show = the window's prepare step (it reads the record) and show.
enum class Window {
  OneImpurity,               // Only One Impurity
  DonorAcceptor,             // One Donor and One Acceptor
  Dhes,                      // DHES
  ExcitedStates,             // Consideration of Excited States
  CurveFitting,              // Curve Fitting
  FileViewer,                // its text cleared before it is shown
  SampleCondition,           // refreshed before it is shown
  ObtainedResults,           // cleared, shown, then the report rebuilt
  InformationSemiconductor,  // filled and shown
  Help,                      // help viewer
};

const char* WindowName(Window w);

// Choices of the data-source dialog "How to input data".
enum class DataSource { None, Keyboard, Conversion };

class Windows {
 public:
  virtual ~Windows() = default;

  virtual void Show(Window w) = 0;
  // Closing a window that is not shown does nothing.
  virtual void Close(Window w) = 0;

  // The reports: sample-condition labels from the record; the obtained-results text
  // cleared and rebuilt; the obtained-results window back to its initial text.
  virtual void RefreshSampleCondition() = 0;
  virtual void RebuildObtainedResults() = 0;
  virtual void ResetObtainedResults() = 0;

  // Modal dialogs.
  virtual DataSource AskDataSource() = 0;
  // The data sheet; keyboardEntry opens it with an empty grid. True when it wrote a
  // measurement file and read it back into the record.
  virtual bool ShowDataSheet(bool keyboardEntry) = 0;
  // The format conversion; true when it wrote a measurement file and read it back.
  virtual bool ShowConversion() = 0;
  virtual RemarksChoice ShowRemarks(const RemarksTexts& remarks) = 0;
  // "Caution" with its "OK".
  virtual void ShowCaution() = 0;
  // The option dialogs: every change of the combo box text and every click of a radio
  // button is passed on at once; there is no OK or Cancel.
  virtual void ShowAutomaticEvaluationType(const std::string& current,
                                           const std::function<void(const std::string&)>& changed) = 0;
  virtual void ShowFunctionType(int current, const std::function<void(int)>& chosen) = 0;
  virtual void ShowAbout() = 0;
  // Points the help viewer at an address and shows it.
  virtual void ShowHelpAddress(const std::string& address) = 0;
  // Printer set-up; on OK the main window's image is printed. False when cancelled.
  virtual bool PrintMainWindow() = 0;
  // Closes the main window, which ends the program.
  virtual void CloseMainWindow() = 0;
};

inline const char* WindowName(Window w) {
  switch (w) {
    case Window::OneImpurity:
      return "OneImpurity";
    case Window::DonorAcceptor:
      return "DonorAcceptor";
    case Window::Dhes:
      return "Dhes";
    case Window::ExcitedStates:
      return "ExcitedStates";
    case Window::CurveFitting:
      return "CurveFitting";
    case Window::FileViewer:
      return "FileViewer";
    case Window::SampleCondition:
      return "SampleCondition";
    case Window::ObtainedResults:
      return "ObtainedResults";
    case Window::InformationSemiconductor:
      return "InformationSemiconductor";
    case Window::Help:
      return "Help";
  }
  return "?";
}

// Logs every call as a line ("Show Dhes", "Close CurveFitting", "Remarks 1", ...) and
// answers the dialogs from queues; an empty queue gives the cautious answer (no data
// source, nothing saved, "Continue"). The hooks let a test or a script act in place of
// the data sheet and the conversion, for example by loading a measurement file.
class RecordingWindows : public Windows {
 public:
  std::vector<std::string> calls;
  std::deque<DataSource> dataSources;
  std::deque<RemarksChoice> remarksChoices;
  std::deque<std::vector<int>> functionClicks;           // radio clicks of each function-type dialog
  std::deque<std::vector<std::string>> evaluationTypes;  // combo texts of each evaluation-type dialog
  std::function<bool(bool keyboardEntry)> dataSheet;
  std::function<bool()> conversion;
  std::vector<bool> shown = std::vector<bool>(10, false);
  RemarksTexts lastRemarks;

  void Show(Window w) override {
    log(std::string("Show ") + WindowName(w));
    shown[static_cast<int>(w)] = true;
  }
  void Close(Window w) override {
    if (!shown[static_cast<int>(w)]) return;
    log(std::string("Close ") + WindowName(w));
    shown[static_cast<int>(w)] = false;
  }
  bool IsShown(Window w) const { return shown[static_cast<int>(w)]; }
  void RefreshSampleCondition() override { log("RefreshSampleCondition"); }
  void RebuildObtainedResults() override { log("RebuildObtainedResults"); }
  void ResetObtainedResults() override { log("ResetObtainedResults"); }
  DataSource AskDataSource() override {
    log("AskDataSource");
    return pop(dataSources, DataSource::None);
  }
  bool ShowDataSheet(bool keyboardEntry) override {
    log(keyboardEntry ? "DataSheet keyboard" : "DataSheet");
    return dataSheet ? dataSheet(keyboardEntry) : false;
  }
  bool ShowConversion() override {
    log("Conversion");
    return conversion ? conversion() : false;
  }
  RemarksChoice ShowRemarks(const RemarksTexts& remarks) override {
    log("Remarks " + std::to_string(remarks.level));
    lastRemarks = remarks;
    return pop(remarksChoices, RemarksChoice::Continue);
  }
  void ShowCaution() override { log("Caution"); }
  void ShowAutomaticEvaluationType(const std::string& current,
                                   const std::function<void(const std::string&)>& changed) override {
    log("AutomaticEvaluationType " + current);
    for (const auto& text : pop(evaluationTypes, {})) changed(text);
  }
  void ShowFunctionType(int current, const std::function<void(int)>& chosen) override {
    log("FunctionType " + std::to_string(current));
    for (int v : pop(functionClicks, {})) chosen(v);
  }
  void ShowAbout() override { log("About"); }
  void ShowHelpAddress(const std::string& address) override { log("HelpAddress " + address); }
  bool PrintMainWindow() override {
    log("Print");
    return true;
  }
  void CloseMainWindow() override { log("CloseMainWindow"); }

  bool Called(const std::string& line) const {
    for (const auto& c : calls)
      if (c == line) return true;
    return false;
  }

 private:
  void log(const std::string& line) { calls.push_back(line); }
  template <class T>
  static T pop(std::deque<T>& q, T fallback) {
    if (q.empty()) return fallback;
    T v = q.front();
    q.pop_front();
    return v;
  }
};

}  // namespace korv::ui
