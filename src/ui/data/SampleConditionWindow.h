// The sample-condition window: a passive Qt face of SampleConditionPresenter.
#pragma once

#include <QWidget>
#include <memory>

#include "core/Analysis.h"

namespace korv::ui {

class QtView;
class SampleConditionPresenter;

class TFormSampleCondition : public QWidget {
  Q_OBJECT

 public:
  explicit TFormSampleCondition(const Analysis& record, QWidget* parent = nullptr);
  ~TFormSampleCondition() override;

  SampleConditionPresenter& Presenter() { return *presenter_; }

 private:
  std::unique_ptr<QtView> view_;
  std::unique_ptr<SampleConditionPresenter> presenter_;
};

}  // namespace korv::ui
