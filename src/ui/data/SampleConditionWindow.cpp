#include "ui/data/SampleConditionWindow.h"

#include <QGridLayout>
#include <QLabel>

#include "presenters/data/SampleConditionPresenter.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

TFormSampleCondition::TFormSampleCondition(const Analysis& record, QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FormSampleCondition"));
  auto* layout = new QGridLayout(this);
  // Rows of the window: titles in the first columns, the value, then the unit.
  const std::vector<std::vector<const char*>> rows{
      {"LabelTitleMeasurement"},
      {"LabelTitleNameOfMeasurement", "LabelNameOfMeasurement"},
      {"LabelTitleDateOfMeasurement", "LabelDateOfMeasurement"},
      {"LabelTitleAnalysis"},
      {"LabelTitleNameOfAnalysis", "LabelNameOfAnalysis"},
      {"LabelTitleDateOfAnalysis", "LabelDateOfAnalysis"},
      {"LabelTitleSemiconductor", "LabelSemiconductor"},
      {"LabelTitleConduction", "LabelTitleType", "LabelConductionType"},
      {"LabelTitleSample", "LabelTitleNumber", "LabelSampleNumber"},
      {"LabelTitleThickness", "LabelThickness", "LabelUnitThickness"},
      // sic: the control's name, like its text "Magentic"
      {"LabelTitleMagentic", "LabelTitleField", "LabelMagneticField", "LabelUnitMagneticField"},
      {"LabelTitleCurrent", "LabelCurrent", "LabelUnitCurrent"},
      {"LabelTitleComment", "LabelComment"},
  };
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      auto* label = new QLabel(this);
      label->setObjectName(QString::fromLatin1(rows[r][c]));
      for (const auto& control : SampleConditionControls())
        if (control.name == rows[r][c]) label->setText(QString::fromStdString(control.caption));
      label->setTextInteractionFlags(Qt::TextSelectableByMouse);
      layout->addWidget(label, static_cast<int>(r), static_cast<int>(c));
    }
  }
  layout->setColumnStretch(2, 1);
  layout->setRowStretch(static_cast<int>(rows.size()), 1);
  resize(420, 360);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<SampleConditionPresenter>(record, *view_);
}

TFormSampleCondition::~TFormSampleCondition() = default;

}  // namespace korv::ui
