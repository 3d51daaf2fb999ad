// In-memory window for the data-entry and report presenters: knows the window's control
// list and grids, rejects unknown names, records messages, dialogs and prints, and answers
// file dialogs from queued replies.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/Ports.h"
#include "presenters/View.h"

namespace korv::test {

class FakeDataView : public korv::ui::View {
 public:
  struct GridSize {
    int rows = 0;
    int columns = 0;
  };

  explicit FakeDataView(const std::vector<korv::ui::Control>& controls, std::map<std::string, GridSize> grids = {})
      : grids_(std::move(grids)) {
    for (const auto& c : controls) {
      if (!state_.emplace(c.name, State{c.kind, c.caption}).second) ADD_FAILURE() << "control twice: " << c.name;
    }
    for (const auto& [name, size] : grids_) {
      if (!state_.count(name)) ADD_FAILURE() << "grid not in the control list: " << name;
      cells_[name].assign(size.rows, std::vector<std::string>(size.columns));
    }
  }

  void SetEnabled(const std::string& c, bool e) override { at(c).enabled = e; }
  bool IsEnabled(const std::string& c) const override { return at(c).enabled; }
  void SetVisible(const std::string& c, bool v) override { at(c).visible = v; }
  bool IsVisible(const std::string& c) const override { return at(c).visible; }
  void SetText(const std::string& c, const std::string& t) override { at(c).text = t; }
  std::string Text(const std::string& c) const override { return at(c).text; }
  void SetChecked(const std::string& c, bool v) override { at(c).checked = v; }
  bool IsChecked(const std::string& c) const override { return at(c).checked; }

  void ClearSeries(const std::string& c, int) override { nochart(c); }
  void AddPoint(const std::string& c, int, double, double) override { nochart(c); }
  int PointCount(const std::string& c, int) const override { return nochart(c), 0; }
  std::pair<double, double> SeriesYRange(const std::string& c, int) const override {
    return nochart(c), std::pair{0.0, 0.0};
  }
  void SetAxisTitles(const std::string& c, const std::string&, const std::string&) override { nochart(c); }
  bool SaveChartImage(const std::string& c, const std::string&, std::string&) override { return nochart(c), false; }

  std::optional<std::string> AskOpenFile(const korv::ui::FileDialog& d) override {
    openDialogs.push_back(d);
    return next(openReplies);
  }
  std::optional<std::string> AskSaveFile(const korv::ui::FileDialog& d) override {
    saveDialogs.push_back(d);
    return next(saveReplies);
  }
  void ShowError(const std::string& t) override { errors.push_back(t); }
  void ShowNotice(const std::string& t) override { notices.push_back(t); }
  bool AskYesNo(const std::string& t) override {
    questions.push_back(t);
    return false;
  }
  void SetCursor(korv::ui::Cursor) override {}

  void SetCaption(const std::string& c) override { caption = c; }
  void CloseWindow() override { ++closed; }
  void SetItems(const std::string& c, const std::vector<std::string>& items) override {
    if (at(c).kind != korv::ui::ControlKind::ComboBox) throw std::logic_error("not a combo box: " + c);
    items_[c] = items;
  }
  void SetCell(const std::string& g, int r, int col, const std::string& t) override { cell(g, r, col) = t; }
  std::string Cell(const std::string& g, int r, int col) const override {
    return const_cast<FakeDataView*>(this)->cell(g, r, col);
  }
  void Clipboard(const std::string& c, korv::ui::ClipboardAction a) override {
    at(c);
    clipboard.emplace_back(c, a);
  }
  bool PrintText(const std::string& title, const std::string& text) override {
    prints.emplace_back(title, text);
    return printAnswer;
  }

  korv::Progress& ProgressPort() override { return progress_; }
  korv::Messages& MessagesPort() override { return messages_; }

  const std::vector<std::string>& Items(const std::string& c) const { return items_.at(c); }
  bool Knows(const std::string& c) const { return state_.count(c) != 0; }

  // Replies and records.
  std::deque<std::optional<std::string>> openReplies, saveReplies;
  std::vector<korv::ui::FileDialog> openDialogs, saveDialogs;
  std::vector<std::string> errors, notices, questions;
  std::vector<std::pair<std::string, korv::ui::ClipboardAction>> clipboard;
  std::vector<std::pair<std::string, std::string>> prints;
  bool printAnswer = true;
  std::string caption;
  int closed = 0;

 private:
  struct State {
    korv::ui::ControlKind kind;
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
  };
  State& at(const std::string& c) {
    auto it = state_.find(c);
    if (it == state_.end()) throw std::logic_error("unknown control: " + c);
    return it->second;
  }
  const State& at(const std::string& c) const { return const_cast<FakeDataView*>(this)->at(c); }
  void nochart(const std::string& c) const { throw std::logic_error("no chart in this window: " + c); }
  std::string& cell(const std::string& g, int r, int c) {
    auto it = cells_.find(g);
    if (it == cells_.end()) throw std::logic_error("unknown grid: " + g);
    if (r < 0 || r >= static_cast<int>(it->second.size()) || c < 0 || c >= static_cast<int>(it->second[r].size()))
      throw std::logic_error("cell out of the grid: " + g + " " + std::to_string(r) + "," + std::to_string(c));
    return it->second[r][c];
  }
  static std::optional<std::string> next(std::deque<std::optional<std::string>>& q) {
    if (q.empty()) return std::nullopt;
    auto v = q.front();
    q.pop_front();
    return v;
  }

  std::map<std::string, State> state_;
  std::map<std::string, GridSize> grids_;
  std::map<std::string, std::vector<std::vector<std::string>>> cells_;
  std::map<std::string, std::vector<std::string>> items_;
  korv::NullProgress progress_;
  korv::NullMessages messages_;
};

}  // namespace korv::test
