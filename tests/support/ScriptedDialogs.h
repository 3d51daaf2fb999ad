// Scripted file dialogs and message boxes for the smoke tests of the data-entry and
// report windows, and a helper that saves a window's picture when KORV_SCREENSHOTS names
// a folder.
#pragma once

#include <QDir>
#include <QPixmap>
#include <QPrinter>
#include <QWidget>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/widgets/QtView.h"

namespace korv::test {

class ScriptedDialogs : public korv::ui::DialogHost {
 public:
  ScriptedDialogs() { korv::ui::SetDialogs(this); }
  ~ScriptedDialogs() override { korv::ui::SetDialogs(nullptr); }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  // Back to no answers and no calls, for the next test of a program.
  void Reset() {
    opens.clear();
    saves.clear();
    errors.clear();
    notices.clear();
    questions.clear();
    openDialogs.clear();
    saveDialogs.clear();
    printerSetups = 0;
    answerYes = false;
    printTo.clear();
  }

  std::deque<std::string> opens, saves;
  std::vector<std::string> errors, notices, questions;
  std::vector<korv::ui::FileDialog> openDialogs, saveDialogs;
  int printerSetups = 0;
  bool answerYes = false;  // the answer to every question
  QString printTo;         // a PDF file that "Print" writes; empty: the set-up dialog is cancelled

  std::optional<std::string> OpenFile(QWidget*, const korv::ui::FileDialog& d) override {
    openDialogs.push_back(d);
    return pop(opens);
  }
  std::optional<std::string> SaveFile(QWidget*, const korv::ui::FileDialog& d) override {
    saveDialogs.push_back(d);
    return pop(saves);
  }
  void Error(QWidget*, const std::string& text) override { errors.push_back(text); }
  void Notice(QWidget*, const std::string& text) override { notices.push_back(text); }
  bool YesNo(QWidget*, const std::string& text) override {
    questions.push_back(text);
    return answerYes;
  }
  bool PrinterSetup(QWidget*, QPrinter& printer) override {
    ++printerSetups;
    if (printTo.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printTo);
    return true;
  }

 private:
  static std::optional<std::string> pop(std::deque<std::string>& q) {
    if (q.empty()) return std::nullopt;
    std::string v = q.front();
    q.pop_front();
    return v;
  }
};

// Saves `window` as <KORV_SCREENSHOTS>/<name>.png when the variable is set.
inline void Screenshot(QWidget* window, const QString& name) {
  const QString dir = qEnvironmentVariable("KORV_SCREENSHOTS");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  window->grab().save(dir + "/" + name + ".png");
}

}  // namespace korv::test
