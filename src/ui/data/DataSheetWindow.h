// The data sheet window: a passive Qt face of DataSheetPresenter. The grid takes a block
// of cells pasted from a spreadsheet and gives the selected cells to the clipboard.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "core/Analysis.h"

class QTableWidget;

namespace korv::ui {

class QtView;
class DataSheetPresenter;

class TFormDataSheet : public QDialog {
  Q_OBJECT

 public:
  explicit TFormDataSheet(Analysis& record, QWidget* parent = nullptr);
  ~TFormDataSheet() override;

  // Prepares the sheet (an empty grid for a keyboard entry), shows it modally through
  // `exec` (the dialog's own when empty) and tells whether a measurement file was saved.
  bool Run(bool keyboardEntry, const std::function<void(QDialog*)>& exec = nullptr);
  // Prepares without showing (tests, scripted use).
  void Prepare(bool keyboardEntry);
  bool Saved() const { return sheetDataSaved_; }

  DataSheetPresenter& Presenter() { return *presenter_; }
  QTableWidget* Grid() const { return grid_; }
  // Pastes the clipboard's text at the current cell; copies the selected cells.
  void PasteFromClipboard();
  void CopyToClipboard();

 private:
  bool keyboardEntryRequested_ = false;
  bool sheetDataSaved_ = false;
  QTableWidget* grid_ = nullptr;
  std::unique_ptr<QtView> view_;
  std::unique_ptr<DataSheetPresenter> presenter_;
};

}  // namespace korv::ui
