#include "data/Remarks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korv::ui {

RemarksDialog::RemarksDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormRemarks"));
  setWindowTitle(QStringLiteral("Remarks!"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < 4; ++i) {
    labels_[i] = new QLabel(this);
    labels_[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    labels_[i]->setWordWrap(true);
    layout->addWidget(labels_[i]);
  }
  auto* again = new QPushButton(QStringLiteral("Evaluation again"), this);
  again->setObjectName(QStringLiteral("ButtonEvaluationAgain"));
  auto* cont = new QPushButton(QStringLiteral("Continue"), this);
  cont->setObjectName(QStringLiteral("ButtonContinue"));
  cont->setDefault(true);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(again);
  row->addWidget(cont);
  layout->addLayout(row);
  connect(again, &QPushButton::clicked, this, [this] {
    choice_ = RemarksChoice::EvaluationAgain;
    accept();
  });
  connect(cont, &QPushButton::clicked, this, [this] {
    choice_ = RemarksChoice::Continue;
    accept();
  });
  setMinimumWidth(460);
}

void RemarksDialog::Prepare(const TFormRemarks& remarks) {
  // Closing the dialog any other way counts as "Continue".
  choice_ = RemarksChoice::Continue;
  for (int i = 0; i < 4; ++i) labels_[i]->setText(QString::fromStdString(remarks.label[static_cast<std::size_t>(i)]));
}

}  // namespace korv::ui
