// The in-memory window of the data-entry and report presenters: the program's MemoryView
// (control list, rejected unknown names, scripted file dialogs) with what these windows
// have beyond it: string grids, combo box items, clipboard commands and text printing.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "presenters/common/MemoryView.h"

namespace korv::test {

class FakeDataView : public korv::ui::MemoryView {
 public:
  struct GridSize {
    int rows = 0;
    int columns = 0;
  };

  explicit FakeDataView(const std::vector<korv::ui::Control>& controls, std::map<std::string, GridSize> grids = {})
      : MemoryView(controls, {}) {
    std::map<std::string, int> seen;
    for (const auto& c : controls)
      if (++seen[c.name] == 2) ADD_FAILURE() << "control twice in the list: " << c.name;
    for (const auto& [name, size] : grids) {
      if (!Knows(name) || Kind(name) != korv::ui::ControlKind::Grid) ADD_FAILURE() << "not a grid: " << name;
      cells_[name].assign(size.rows, std::vector<std::string>(size.columns));
    }
  }

  std::optional<std::string> AskOpenFile(const korv::ui::FileDialog& d) override {
    openDialogs.push_back(d);
    return MemoryView::AskOpenFile(d);
  }
  std::optional<std::string> AskSaveFile(const korv::ui::FileDialog& d) override {
    saveDialogs.push_back(d);
    return MemoryView::AskSaveFile(d);
  }
  void CloseWindow() override {
    ++closeCount;
    MemoryView::CloseWindow();
  }
  void SetItems(const std::string& c, const std::vector<std::string>& items) override {
    if (Kind(c) != korv::ui::ControlKind::ComboBox) throw std::logic_error("not a combo box: " + c);
    items_[c] = items;
  }
  void SetCell(const std::string& g, int r, int col, const std::string& t) override { cell(g, r, col) = t; }
  std::string Cell(const std::string& g, int r, int col) const override {
    return const_cast<FakeDataView*>(this)->cell(g, r, col);
  }
  void SetRowCount(const std::string& g, int rows) override {
    auto it = cells_.find(g);
    if (it == cells_.end()) throw std::logic_error("unknown grid: " + g);
    const std::size_t columns = it->second.empty() ? 0 : it->second[0].size();
    it->second.resize(static_cast<std::size_t>(rows), std::vector<std::string>(columns));
  }
  int RowCount(const std::string& g) const { return static_cast<int>(cells_.at(g).size()); }
  void Clipboard(const std::string& c, korv::ui::ClipboardAction a) override {
    Kind(c);  // refuses an unknown name
    clipboard.emplace_back(c, a);
  }
  bool PrintText(const std::string& title, const std::string& text) override {
    prints.emplace_back(title, text);
    return printAnswer;
  }

  const std::vector<std::string>& Items(const std::string& c) const { return items_.at(c); }

  // Replies of the file dialogs, in order; an empty queue cancels.
  std::deque<std::optional<std::string>>& openReplies = openAnswers;
  std::deque<std::optional<std::string>>& saveReplies = saveAnswers;
  std::vector<korv::ui::FileDialog> openDialogs, saveDialogs;
  std::vector<std::pair<std::string, korv::ui::ClipboardAction>> clipboard;
  std::vector<std::pair<std::string, std::string>> prints;
  bool printAnswer = true;
  int closeCount = 0;

 private:
  std::string& cell(const std::string& g, int r, int c) {
    auto it = cells_.find(g);
    if (it == cells_.end()) throw std::logic_error("unknown grid: " + g);
    if (r < 0 || r >= static_cast<int>(it->second.size()) || c < 0 || c >= static_cast<int>(it->second[r].size()))
      throw std::logic_error("cell out of the grid: " + g + " " + std::to_string(r) + "," + std::to_string(c));
    return it->second[r][c];
  }

  std::map<std::string, std::vector<std::vector<std::string>>> cells_;
  std::map<std::string, std::vector<std::string>> items_;
};

}  // namespace korv::test
