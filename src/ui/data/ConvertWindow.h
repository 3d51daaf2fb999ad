// The conversion window: a passive Qt face of ConvertPresenter, with a preview of the
// points the chosen columns would give, refreshed shortly after each change.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "core/Analysis.h"

class QPlainTextEdit;
class QTimer;

namespace korv::ui {

class QtView;
class ConvertPresenter;

class TFormConvert : public QDialog {
  Q_OBJECT

 public:
  explicit TFormConvert(Analysis& record, QWidget* parent = nullptr);
  ~TFormConvert() override;

  // Prepares the window, shows it modally through `exec` (the dialog's own when empty)
  // and tells whether a measurement file was saved.
  bool Run(const std::function<void(QDialog*)>& exec = nullptr);
  void Prepare();
  bool Saved() const { return convertedDataSaved_; }
  ConvertPresenter& Presenter() { return *presenter_; }

 private:
  bool convertedDataSaved_ = false;
  QPlainTextEdit* text_ = nullptr;
  QTimer* preview_ = nullptr;
  std::unique_ptr<QtView> view_;
  std::unique_ptr<ConvertPresenter> presenter_;
};

}  // namespace korv::ui
