// A window held in memory: it knows one list of controls and charts and refuses any
// other name, keeps every state a presenter sets, and answers the dialogs from scripted
// queues or callbacks. Tests read it back; korv-batch drives presenters through it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "presenters/common/View.h"

namespace korv::ui {

class MemoryView : public View, private korv::Progress, private korv::Messages {
 public:
  MemoryView(const std::vector<Control>& controls, const std::vector<ChartSpec>& charts);

  // ---- View -------------------------------------------------------------------------
  void SetEnabled(const std::string& control, bool enabled) override;
  bool IsEnabled(const std::string& control) const override;
  void SetVisible(const std::string& control, bool visible) override;
  bool IsVisible(const std::string& control) const override;
  void SetText(const std::string& control, const std::string& text) override;
  std::string Text(const std::string& control) const override;
  void SetChecked(const std::string& control, bool checked) override;
  bool IsChecked(const std::string& control) const override;

  void ClearSeries(const std::string& chart, int series) override;
  void AddPoint(const std::string& chart, int series, double x, double y) override;
  int PointCount(const std::string& chart, int series) const override;
  std::pair<double, double> SeriesYRange(const std::string& chart, int series) const override;
  void SetAxisTitles(const std::string& chart, const std::string& bottom, const std::string& left) override;
  // Writes a small bitmap of the chart's points.
  bool SaveChartImage(const std::string& chart, const std::string& path, std::string& error) override;

  std::optional<std::string> AskOpenFile(const FileDialog& dialog) override;
  std::optional<std::string> AskSaveFile(const FileDialog& dialog) override;
  void ShowError(const std::string& text) override;
  void ShowNotice(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  void SetCursor(Cursor cursor) override;
  void SetCaption(const std::string& caption) override;
  void CloseWindow() override;
  void SetCurrentPage(const std::string& pages, const std::string& page) override;

  korv::Progress& ProgressPort() override { return *this; }
  korv::Messages& MessagesPort() override { return *this; }

  // ---- Scripted answers -----------------------------------------------------------------
  // Answers are taken from the queue first, then from the answerer; with neither, a file
  // dialog is cancelled and a question answered "No".
  using FileAnswerer = std::function<std::optional<std::string>(const FileDialog&)>;
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<bool> yesNoAnswers;
  FileAnswerer openAnswerer;
  FileAnswerer saveAnswerer;
  std::function<bool(const std::string&)> yesNoAnswerer;
  // Save dialogs answer with the proposed name, put into `folder` when it is not empty.
  void AcceptProposedNames(const std::string& folder = "");

  // ---- What happened --------------------------------------------------------------------
  struct Dialog {
    bool save = false;
    FileDialog dialog;
    std::optional<std::string> answer;
  };
  std::vector<Dialog> fileDialogs;
  std::vector<std::string> errors;
  std::vector<std::string> notices;
  std::vector<std::string> questions;
  std::vector<std::string> savedImages;
  std::string caption;
  std::string currentPage;
  Cursor cursor = Cursor::Normal;
  bool closed = false;
  int progressShown = 0;  // Show calls
  bool progressOpen[2] = {false, false};

  using Points = std::vector<std::pair<double, double>>;
  const Points& Series(const std::string& chart, int series) const;
  std::string BottomTitle(const std::string& chart) const;
  std::string LeftTitle(const std::string& chart) const;
  bool Knows(const std::string& name) const { return controls_.count(name) > 0; }
  ControlKind Kind(const std::string& control) const;
  // Drops the log of dialogs and boxes (not the control states).
  void ClearLog();

 private:
  struct State {
    ControlKind kind;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::string text;
  };
  struct ChartState {
    std::string bottom, left;
    std::vector<Points> series;
  };
  State& control(const std::string& name);
  const State& control(const std::string& name) const;
  ChartState& chart(const std::string& name);
  const ChartState& chart(const std::string& name) const;
  Points& seriesOf(const std::string& chart, int series);

  // korv::Progress and korv::Messages
  void Show(korv::ProgressBar bar, int maximum) override;
  void Step(korv::ProgressBar bar, int steps) override;
  void Close(korv::ProgressBar bar) override;
  void Error(const std::string& text) override { ShowError(text); }
  void Notice(const std::string& text) override { ShowNotice(text); }

  std::map<std::string, State> controls_;
  std::map<std::string, ChartState> charts_;
};

}  // namespace korv::ui
