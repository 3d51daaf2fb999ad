// "Remarks!": the warning that an energy level of H2 or H3 lies below the energy of the
// lowest measurement temperature, with the choice of an evaluation again.
#pragma once

#include <QDialog>

#include "presenters/Remarks.h"

class QLabel;

namespace korv::ui {

class RemarksDialog : public QDialog {
  Q_OBJECT

 public:
  explicit RemarksDialog(QWidget* parent = nullptr);
  void Prepare(const TFormRemarks& remarks);
  RemarksChoice Choice() const { return choice_; }

 private:
  QLabel* labels_[4];
  RemarksChoice choice_ = RemarksChoice::Continue;
};

}  // namespace korv::ui
