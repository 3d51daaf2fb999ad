#include "ui/data/RemarksDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "presenters/data/RemarksDialogPresenter.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

RemarksDialog::RemarksDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormRemarks"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (const auto& control : RemarksDialogControls()) {
    const QString name = QString::fromStdString(control.name);
    const QString caption = QString::fromStdString(control.caption);
    if (control.kind == ControlKind::Label) {
      auto* label = new QLabel(caption, this);
      label->setObjectName(name);
      label->setWordWrap(true);
      layout->addWidget(label);
    } else {
      auto* button = new QPushButton(caption, this);
      button->setObjectName(name);
      row->addWidget(button);
    }
  }
  layout->addLayout(row);
  setMinimumWidth(460);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<RemarksDialogPresenter>(*view_);
  auto* again = findChild<QPushButton*>(QStringLiteral("ButtonEvaluationAgain"));
  auto* cont = findChild<QPushButton*>(QStringLiteral("ButtonContinue"));
  cont->setDefault(true);
  connect(again, &QPushButton::clicked, this, view_->Guard([this] { presenter_->ButtonEvaluationAgainClick(); }));
  connect(cont, &QPushButton::clicked, this, view_->Guard([this] { presenter_->ButtonContinueClick(); }));
}

RemarksDialog::~RemarksDialog() = default;

// Closing the dialog any other way counts as "Continue": Prepare resets the choice.
void RemarksDialog::Prepare(const RemarksTexts& remarks) { presenter_->Prepare(remarks); }

RemarksChoice RemarksDialog::Choice() const { return presenter_->Choice(); }

}  // namespace korv::ui
