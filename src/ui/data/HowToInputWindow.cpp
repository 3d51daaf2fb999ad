#include "ui/data/HowToInputWindow.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "presenters/data/HowToInputPresenter.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

TFormHowToInput::TFormHowToInput(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormHowToInput"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  QPushButton* buttons[2];
  for (int i = 0; i < 2; ++i) {
    const Control& c = HowToInputControls()[static_cast<std::size_t>(i)];
    buttons[i] = new QPushButton(QString::fromStdString(c.caption), this);
    buttons[i]->setObjectName(QString::fromStdString(c.name));
    buttons[i]->setAutoDefault(false);
    buttons[i]->setMinimumHeight(36);
    layout->addWidget(buttons[i]);
  }
  setMinimumWidth(340);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<HowToInputPresenter>(*view_);
  connect(buttons[0], &QPushButton::clicked, this, view_->Guard([this] { presenter_->Button1Click(); }));
  connect(buttons[1], &QPushButton::clicked, this, view_->Guard([this] { presenter_->Button2Click(); }));
}

TFormHowToInput::~TFormHowToInput() = default;

DataSource TFormHowToInput::Ask(const std::function<void(QDialog*)>& exec) {
  presenter_->Prepare();
  if (exec)
    exec(this);
  else
    this->exec();
  return presenter_->Choice();
}

}  // namespace korv::ui
