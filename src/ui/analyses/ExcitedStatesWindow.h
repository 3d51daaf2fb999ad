// The excited-states window "Influence of Excted States of Dopant": a passive Qt face of
// ExcitedStatesPresenter with its two tabs, formula pictures, level labels, four charts
// and menu. Created once; the main window prepares and shows it, closing only hides it.
#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>

#include "core/Analysis.h"
#include "core/Ports.h"
#include "presenters/common/Windows.h"

class QCloseEvent;

namespace korv::ui {

class QtView;
class ExcitedStatesPresenter;

class TFormExcitedStates : public QMainWindow {
  Q_OBJECT

 public:
  TFormExcitedStates(Analysis& record, Windows& windows, korv::Progress& progress, QWidget* parent = nullptr);
  ~TFormExcitedStates() override;

  // The prepare step, then shown at (50, 40) of the screen and raised.
  void PrepareAndShow();
  ExcitedStatesPresenter& Presenter() { return *presenter_; }
  QtView& View() { return *view_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* W(const std::string& name) const;
  void Build();

  std::map<std::string, QWidget*> widgets_;
  std::unique_ptr<QtView> view_;
  std::unique_ptr<ExcitedStatesPresenter> presenter_;
};

}  // namespace korv::ui
