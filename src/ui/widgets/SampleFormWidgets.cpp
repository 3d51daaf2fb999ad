#include "ui/widgets/SampleFormWidgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace korv::ui {

namespace {

constexpr int kCommentLength = 100;

QLabel* label(QWidget* parent, const char* name, const char* caption) {
  auto* l = new QLabel(QString::fromUtf8(caption), parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

}  // namespace

int AddSampleRows(QGridLayout* form, QWidget* parent, SampleLayout layout, bool withInitialText, int row) {
  for (const SampleField& f : SampleFields(layout)) {
    if (f.heading) form->addWidget(label(parent, f.heading, f.headingCaption), row++, 0, 1, 3);
    form->addWidget(label(parent, f.label, f.caption), row, 0);
    QWidget* control;
    if (f.input == SampleInput::Choice) {
      auto* c = new QComboBox(parent);
      c->setEditable(true);
      c->setMaxVisibleItems(15);
      c->setInsertPolicy(QComboBox::NoInsert);
      control = c;
    } else {
      auto* e = new QLineEdit(parent);
      if (withInitialText) e->setText(QString::fromUtf8(f.initial));
      if (f.text == &header::SampleBlock::Remark) e->setMaxLength(kCommentLength);
      control = e;
    }
    control->setObjectName(QString::fromLatin1(f.control));
    if (f.unit) {
      form->addWidget(control, row, 1);
      form->addWidget(label(parent, f.unit, f.unitCaption), row++, 2);
    } else {
      form->addWidget(control, row++, 1, 1, 2);
    }
  }
  return row;
}

}  // namespace korv::ui
