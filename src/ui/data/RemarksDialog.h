// "Remarks!": the warning that an energy level of H2 or H3 lies below the energy of the
// lowest measurement temperature, with the choice of an evaluation again. A passive view
// of RemarksDialogPresenter.
#pragma once

#include <QDialog>
#include <memory>

#include "presenters/data/RemarksTexts.h"

namespace korv::ui {

class QtView;
class RemarksDialogPresenter;

class RemarksDialog : public QDialog {
  Q_OBJECT

 public:
  explicit RemarksDialog(QWidget* parent = nullptr);
  ~RemarksDialog() override;
  void Prepare(const RemarksTexts& remarks);
  RemarksChoice Choice() const;

 private:
  std::unique_ptr<QtView> view_;
  std::unique_ptr<RemarksDialogPresenter> presenter_;
};

}  // namespace korv::ui
