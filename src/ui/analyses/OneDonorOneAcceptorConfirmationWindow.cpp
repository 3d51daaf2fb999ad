#include "ui/analyses/OneDonorOneAcceptorConfirmationWindow.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "presenters/analyses/DonorAcceptorPresenter.h"
#include "ui/analyses/DonorAcceptorWindow.h"
#include "ui/analyses/RangeWindowWidgets.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

TFormOneDonorOneAcceptorConfirmation::TFormOneDonorOneAcceptorConfirmation(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormOneDonorOneAcceptorConfirmation"));
  setModal(true);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);  // the window colour
  widgets_ =
      std::make_unique<ControlWidgets>(this, ConfirmationControls(), std::vector<ChartSpec>{}, ConfirmationPicture);
  const ControlWidgets& w = *widgets_;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(w["Label1"]);
  layout->addLayout(w.Row({"Label2", "ImageNDNA1", "ImageNAND1", ""}));
  layout->addWidget(w["Label3"]);
  layout->addLayout(w.Row({"Label4", "ImageNDNA2", "ImageNAND2", ""}));
  layout->addWidget(w["Label5"]);
  layout->addLayout(w.Row({"Label6", "ImageGMassMc", "ImageGMass", ""}));
  layout->addLayout(w.Row({"Label7", "ImageMass", "Label8", "ImageG", "LabelAnd", "ImageMc", "LabelPeriod", ""}));
  layout->addLayout(w.Row({"", "ButtonOK", ""}));
  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<OneDonorOneAcceptorConfirmationPresenter>(*view_);
  auto* p = presenter_.get();
  connect(static_cast<QPushButton*>(w["ButtonOK"]), &QPushButton::clicked, this, [p] { p->ButtonOKClick(); });
}

TFormOneDonorOneAcceptorConfirmation::~TFormOneDonorOneAcceptorConfirmation() = default;

}  // namespace korv::ui
