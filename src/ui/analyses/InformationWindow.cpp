#include "ui/analyses/InformationWindow.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "materials/SemiconductorTable.h"
#include "presenters/analyses/InformationPresenter.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

namespace {

QGroupBox* group(QWidget* parent, const char* name, const char* title, const char* labelPrefix, std::size_t count) {
  auto* box = new QGroupBox(QString::fromLatin1(title), parent);
  box->setObjectName(QString::fromLatin1(name));
  auto* layout = new QVBoxLayout(box);
  for (std::size_t i = 0; i < count; ++i) {
    auto* label = new QLabel(box);
    label->setObjectName(QString::fromLatin1(labelPrefix) + QString::number(i + 1));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
  }
  layout->addStretch();
  return box;
}

}  // namespace

TFormInformation::TFormInformation(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FormInformation"));
  grid_ = new QTableWidget(this);
  grid_->setObjectName(QString::fromLatin1(kInformationGrid));
  // Row 0 of the table is the horizontal header; column 0 looks fixed like it.
  grid_->setRowCount(kSemiconductorTableRows - 1);
  grid_->setColumnCount(kSemiconductorTableColumns);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setMinimumSectionSize(kSemiconductorTableRowHeight);
  grid_->verticalHeader()->setDefaultSectionSize(kSemiconductorTableRowHeight);
  grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  const auto widths = SemiconductorColumnWidths();
  for (std::size_t c = 0; c < widths.size(); ++c) grid_->setColumnWidth(static_cast<int>(c), widths[c]);
  QFont small = grid_->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  grid_->setFont(small);
  grid_->horizontalHeader()->setFont(small);

  auto* groups = new QHBoxLayout;
  groups->addWidget(group(this, "GroupBoxReferences", "References", "LabelReference", SemiconductorReferences().size()),
                    3);
  groups->addWidget(group(this, "GroupBoxComments", "Comments", "LabelComment", SemiconductorComments().size()), 3);
  groups->addWidget(group(this, "GroupBoxNotes", "Notes", "LabelNote", SemiconductorNotes().size()), 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_, 1);
  layout->addLayout(groups);
  int total = 60;  // frame, margins and the vertical scroll bar
  for (int w : widths) total += w;
  resize(total, 820);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<InformationPresenter>(*view_);
}

TFormInformation::~TFormInformation() = default;

void TFormInformation::FillAndShow() {
  presenter_->FillTable();
  // The material column in the header's colours, as a fixed column.
  const QPalette palette = grid_->palette();
  for (int r = 0; r < grid_->rowCount(); ++r)
    if (QTableWidgetItem* item = grid_->item(r, 0)) item->setBackground(palette.button());
  show();
  raise();
}

}  // namespace korv::ui
