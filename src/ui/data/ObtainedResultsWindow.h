// The results window: a passive Qt face of ObtainedResultsPresenter, the report in a
// read-only text under a toolbar with save and print.
#pragma once

#include <QMainWindow>
#include <memory>

#include "core/Analysis.h"

namespace korv::ui {

class QtView;
class ObtainedResultsPresenter;

class TFormObtainedResults : public QMainWindow {
  Q_OBJECT

 public:
  explicit TFormObtainedResults(const Analysis& record, QWidget* parent = nullptr);
  ~TFormObtainedResults() override;

  ObtainedResultsPresenter& Presenter() { return *presenter_; }

 private:
  std::unique_ptr<QtView> view_;
  std::unique_ptr<ObtainedResultsPresenter> presenter_;
};

}  // namespace korv::ui
