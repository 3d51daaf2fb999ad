#include "ui/data/DataSheetWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "presenters/data/DataSheetPresenter.h"
#include "ui/widgets/QtView.h"
#include "ui/widgets/SampleFormWidgets.h"

namespace korv::ui {

namespace {

QString captionOf(const std::string& name) { return ControlCaption(DataSheetControls(), name); }

// The grid: Tab moves between cells, Ctrl+V pastes a block, Ctrl+C copies the selection,
// Delete empties the selected cells.
class DataGrid : public QTableWidget {
 public:
  DataGrid(QWidget* parent, TFormDataSheet* sheet) : QTableWidget(parent), sheet_(sheet) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->matches(QKeySequence::Paste)) {
      sheet_->PasteFromClipboard();
      return;
    }
    if (event->matches(QKeySequence::Copy)) {
      sheet_->CopyToClipboard();
      return;
    }
    if (event->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState) {
      for (QTableWidgetItem* item : selectedItems()) item->setText(QString());
      return;
    }
    QTableWidget::keyPressEvent(event);
  }

 private:
  TFormDataSheet* sheet_;
};

}  // namespace

TFormDataSheet::TFormDataSheet(Analysis& record, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormDataSheet"));
  setModal(true);

  auto* input = NewNamed<QGroupBox>(this, "GroupBoxInput");
  input->setTitle(captionOf("GroupBoxInput"));
  auto* form = new QGridLayout(input);
  const int row = AddSampleRows(form, input, SampleLayout::DataSheet, true);
  form->setRowStretch(row, 1);

  grid_ = new DataGrid(this, this);
  grid_->setObjectName(QString::fromStdString(kDataSheetGrid));
  grid_->setRowCount(kDataSheetRows - 1);
  grid_->setColumnCount(kDataSheetColumns);
  grid_->setTabKeyNavigation(true);
  grid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  grid_->verticalHeader()->setDefaultSectionSize(20);
  grid_->setMinimumWidth(480);

  auto* buttons = new QHBoxLayout;
  for (const char* name : {"ButtonSort", "ButtonClearData", "ButtonClearAllData", "ButtonSaveExperimentalData"}) {
    auto* b = NewNamed<QPushButton>(this, name);
    b->setText(captionOf(name));
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }

  auto* top = new QHBoxLayout;
  top->addWidget(input);
  top->addWidget(grid_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
  resize(900, 560);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<DataSheetPresenter>(record, *view_, keyboardEntryRequested_, sheetDataSaved_);

  auto click = [this](const char* name, void (DataSheetPresenter::*handler)()) {
    connect(findChild<QPushButton*>(QString::fromLatin1(name)), &QPushButton::clicked, this,
            view_->Guard([this, handler] { (presenter_.get()->*handler)(); }));
  };
  click("ButtonSort", &DataSheetPresenter::ButtonSortClick);
  click("ButtonClearData", &DataSheetPresenter::ButtonClearDataClick);
  click("ButtonClearAllData", &DataSheetPresenter::ButtonClearAllDataClick);
  click("ButtonSaveExperimentalData", &DataSheetPresenter::ButtonSaveExperimentalDataClick);
}

TFormDataSheet::~TFormDataSheet() = default;

void TFormDataSheet::Prepare(bool keyboardEntry) {
  keyboardEntryRequested_ = keyboardEntry;
  sheetDataSaved_ = false;
  presenter_->Prepare();
  grid_->setCurrentCell(0, 0);
}

bool TFormDataSheet::Run(bool keyboardEntry, const std::function<void(QDialog*)>& exec) {
  Prepare(keyboardEntry);
  if (exec)
    exec(this);
  else
    this->exec();
  return sheetDataSaved_;
}

void TFormDataSheet::PasteFromClipboard() {
  const QString text = QApplication::clipboard()->text();
  if (text.isEmpty()) return;
  // Grid row r holds sheet row r + 1 (sheet row 0 is the header).
  const int row = std::max(grid_->currentRow(), 0) + 1;
  const int column = std::max(grid_->currentColumn(), 0);
  presenter_->PasteCells(row, column, text.toStdString());
}

void TFormDataSheet::CopyToClipboard() {
  const QList<QTableWidgetSelectionRange> ranges = grid_->selectedRanges();
  if (ranges.isEmpty()) return;
  const QTableWidgetSelectionRange& r = ranges.first();
  const std::string text = presenter_->CopyCells(r.topRow() + 1, r.leftColumn(), r.bottomRow() + 1, r.rightColumn());
  QApplication::clipboard()->setText(QString::fromStdString(text));
}

}  // namespace korv::ui
