#include "data/Datasheet.h"

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

#include "presenters/Datasheet.h"
#include "widgets/Qtview.h"

namespace korv::ui {

namespace {

QString captionOf(const std::string& name) {
  for (const auto& c : DataSheetControls())
    if (c.name == name) return QString::fromStdString(c.caption);
  return {};
}

template <class W>
W* named(QWidget* parent, const std::string& name) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromStdString(name));
  return w;
}

QLabel* label(QWidget* parent, const std::string& name) {
  auto* l = named<QLabel>(parent, name);
  l->setText(captionOf(name));
  return l;
}

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

  auto* input = named<QGroupBox>(this, "GroupBoxInput");
  input->setTitle(captionOf("GroupBoxInput"));
  auto* form = new QGridLayout(input);
  int row = 0;
  auto edit = [&](const std::string& name, int maxLength = 0) {
    auto* e = named<QLineEdit>(input, name);
    e->setText(captionOf(name));
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
  };
  auto combo = [&](const std::string& name) {
    auto* c = named<QComboBox>(input, name);
    c->setEditable(true);
    c->setMaxVisibleItems(15);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
  };
  form->addWidget(label(input, "LabelMeasurement"), row++, 0, 1, 3);
  form->addWidget(label(input, "LabelNameOfMeasurement"), row, 0);
  form->addWidget(edit("EditNameOfMeasurement"), row++, 1, 1, 2);
  form->addWidget(label(input, "LabelDateOfMeasurement"), row, 0);
  form->addWidget(edit("EditDateOfMeasurement"), row++, 1, 1, 2);
  form->addWidget(label(input, "LabelAnalysis"), row++, 0, 1, 3);
  form->addWidget(label(input, "LabelNameOfAnalysis"), row, 0);
  form->addWidget(edit("EditNameOfAnalysis"), row++, 1, 1, 2);
  form->addWidget(label(input, "LabelDateOfAnalysis"), row, 0);
  form->addWidget(edit("EditDateOfAnalysis"), row++, 1, 1, 2);
  form->addWidget(label(input, "LabelSemiconductor"), row, 0);
  form->addWidget(combo("ComboBoxSemiconductor"), row++, 1, 1, 2);
  form->addWidget(label(input, "LabelConductionType"), row, 0);
  form->addWidget(combo("ComboBoxConductionType"), row++, 1, 1, 2);
  form->addWidget(label(input, "LabelSampleNumber"), row, 0);
  form->addWidget(edit("EditSampleNumber"), row++, 1, 1, 2);
  form->addWidget(label(input, "LabelThickness"), row, 0);
  form->addWidget(edit("EditThickness"), row, 1);
  form->addWidget(label(input, "LabelThicknessUnit"), row++, 2);
  form->addWidget(label(input, "LabelMagneticField"), row, 0);
  form->addWidget(edit("EditMagneticField"), row, 1);
  form->addWidget(label(input, "LabelMagneticFieldUnit"), row++, 2);
  form->addWidget(label(input, "LabelCurrent"), row, 0);
  form->addWidget(edit("EditCurrent"), row, 1);
  form->addWidget(label(input, "LabelCurrentUnit"), row++, 2);
  form->addWidget(label(input, "LabelComment"), row, 0);
  form->addWidget(edit("EditComment", 100), row++, 1, 1, 2);
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
    auto* b = named<QPushButton>(this, name);
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
