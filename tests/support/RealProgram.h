// The real program for the smoke tests of the side windows: the main window with all its
// windows, a user's clicks on buttons and menu items, and the road to the saved Fermi level.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QWidget>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "core/Analysis.h"
#include "ui/main/MainWindow.h"
#include "ui/main/QtWindows.h"

namespace korv::test {

// Clicks the button `name` under `root` as a user does; false when there is none, or it is
// disabled or hidden.
inline bool ClickButton(QWidget* root, const char* name) {
  auto* b = root->findChild<QAbstractButton*>(name);
  if (!b || !b->isEnabled() || b->isHidden()) return false;
  b->click();
  return true;
}

// Triggers the menu item `name` under `root`; false when there is none or it is disabled.
inline bool TriggerAction(QWidget* root, const char* name) {
  auto* a = root->findChild<QAction*>(name);
  if (!a || !a->isEnabled()) return false;
  a->trigger();
  return true;
}

// The top-level window of type W, or nullptr when there is none.
template <class W>
W* FindTopLevel() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* found = qobject_cast<W*>(w)) return found;
  return nullptr;
}

struct RealProgram {
  Analysis record;
  korv::ui::QtWindows windows;
  std::unique_ptr<korv::ui::TFormMain> main;
  std::vector<QString> modals;            // the modal dialogs shown, by object name
  std::function<void(QWidget*)> onModal;  // what the user does in one

  explicit RealProgram(bool developerOptionsHidden = true) {
    windows.runModal = [this](QWidget* dialog) {
      modals.push_back(dialog->objectName());
      if (onModal) onModal(dialog);
    };
    main = std::make_unique<korv::ui::TFormMain>(record, windows, windows.Progress(), developerOptionsHidden);
    windows.CreateWindows(main.get());
    windows.CreateDataWindows(record);
  }
  bool click(const char* name) const { return ClickButton(main.get(), name); }
  bool trigger(const char* name) const { return TriggerAction(main.get(), name); }
};

// Load `dataset`, spline and its file, Fermi level and its file, as the user clicks them;
// the files are `stem`.spl and `stem`.fl. A failed step fails the test.
inline void ToSavedFermiLevel(RealProgram& p, ScriptedDialogs& dialogs, const std::string& dataset,
                              const std::string& stem) {
  dialogs.opens = {dataset};
  QVERIFY(p.click("ButtonLoadExperimental"));
  QVERIFY(p.click("ButtonCalcSpline"));
  dialogs.saves = {stem + ".spl"};
  QVERIFY(p.click("ButtonSaveSpline"));
  QVERIFY(p.click("ButtonCalcFermiLevel"));
  dialogs.saves = {stem + ".fl"};
  QVERIFY(p.click("ButtonSaveFermiLevel"));
  QVERIFY2(dialogs.errors.empty(), dialogs.errors.empty() ? "" : dialogs.errors.front().c_str());
}

}  // namespace korv::test
