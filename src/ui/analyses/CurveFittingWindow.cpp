#include "ui/analyses/CurveFittingWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <map>

#include "presenters/analyses/CurveFittingPresenter.h"
#include "ui/widgets/ChartWidget.h"
#include "ui/widgets/PrintImage.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string n(int k) { return std::to_string(k); }

}  // namespace

TFormCurveFitting::TFormCurveFitting(const Analysis& record, korv::Progress* progress, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FormCurveFitting"));
  // Every control of the list, by its name and with its caption.
  std::map<std::string, QWidget*> w;
  for (const Control& c : CurveFittingControls()) {
    QWidget* widget = nullptr;
    switch (c.kind) {
      case ControlKind::Button:
        widget = new QPushButton(CaptionToQt(c.caption), this);
        break;
      case ControlKind::Edit:
        widget = new QLineEdit(Q(c.caption), this);
        break;
      case ControlKind::CheckBox:
        widget = new QCheckBox(CaptionToQt(c.caption), this);
        break;
      case ControlKind::RadioButton:
        widget = new QRadioButton(CaptionToQt(c.caption), this);
        break;
      case ControlKind::GroupBox:
        widget = new QGroupBox(Q(c.caption), this);
        break;
      case ControlKind::ComboBox: {
        auto* combo = new QComboBox(this);
        for (const std::string& item : CurveFittingComboItems(c.name)) combo->addItem(Q(item));
        combo->setCurrentIndex(combo->findText(Q(c.caption)));
        widget = combo;
        break;
      }
      case ControlKind::Chart:
        for (const ChartSpec& spec : CurveFittingCharts())
          if (spec.name == c.name) widget = new ChartWidget(spec, this);
        break;
      default:
        widget = new QLabel(Q(c.caption), this);
        break;
    }
    if (!widget) continue;
    widget->setObjectName(Q(c.name));
    w[c.name] = widget;
  }
  const QString errorTip = Q(kStandardErrorExplanation);
  for (auto& [name, widget] : w)
    if (name.rfind("LabelError", 0) == 0 || name == "LabelStandardError") widget->setToolTip(errorTip);
  const QString relativeTip = Q(kRelativeErrorExplanation);
  for (const char* name : {"RadioButtonRelative", "LabelReducedChi2", "ButtonMerge"}) w[name]->setToolTip(relativeTip);
  w["RadioButtonAbsolute"]->setToolTip(
      QStringLiteral("The fine adjustment the program has always had: damped Gauss-Newton steps on the sum of "
                     "squared deviations of the concentrations."));
  w["ComboBoxStatistics"]->setToolTip(
      QStringLiteral("Statistics of the majority carriers: Fermi-Dirac (n = Nc F1/2(eta)) or its non-degenerate "
                     "limit Boltzmann (n = Nc exp(eta))."));
  for (int k = 1; k <= 3; ++k)
    w["ComboBoxExcited" + n(k)]->setToolTip(
        QStringLiteral("Hydrogen-like excited states of this level: auto (chosen by the fit), off, or up to r_max."));
  w["ComboBoxExcitedDegeneracy"]->setToolTip(
      QStringLiteral("Each excited state r weighs g r^2 (the ground state's g times r^2) or r^2 alone."));
  w["EditMass"]->setToolTip(QStringLiteral("Density-of-states mass m*/m0: Ry* = 13.605693 eV m*/eps^2."));
  w["EditDielectric"]->setToolTip(QStringLiteral("Dielectric constant eps: a* = 0.0529177 nm eps/m*."));
  w["ComboBoxLevels"]->setToolTip(QStringLiteral("The number of levels: auto (lowest BIC over K = 1..3) or fixed."));
  static_cast<QLabel*>(w["LabelCandidates"])->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  for (int k = 1; k <= 3; ++k) {
    auto* label = static_cast<QLabel*>(w["LabelExcited" + n(k)]);
    label->setWordWrap(true);
    label->setMaximumWidth(170);
  }
  static_cast<QLineEdit*>(w["EditMass"])->setMaximumWidth(60);
  static_cast<QLineEdit*>(w["EditDielectric"])->setMaximumWidth(60);
  for (auto& [name, widget] : w)
    if (name.rfind("LabelResolved", 0) == 0 || name == "LabelResolution")
      widget->setStyleSheet(QStringLiteral("color: #b00000;"));
  for (int k = 1; k <= 3; ++k) {
    static_cast<QLineEdit*>(w["EditCFEnergy" + n(k)])->setMaximumWidth(90);
    static_cast<QLineEdit*>(w["EditCFDensity" + n(k)])->setMaximumWidth(90);
  }
  static_cast<QLineEdit*>(w["EditCFCDensity"])->setMaximumWidth(90);
  static_cast<QLineEdit*>(w["EditWeight"])->setMaximumWidth(60);
  for (const char* b : {"ButtonIncreaseLow", "ButtonDecreaseLow", "ButtonIncreaseHigh", "ButtonDecreaseHigh"})
    w[b]->setMaximumWidth(32);

  // Starting values: symbol and value per row.
  auto* starting = static_cast<QGroupBox*>(w["GroupBox1"]);
  auto* sg = new QGridLayout(starting);
  for (int k = 1; k <= 3; ++k) {
    const int r = k - 1;
    sg->addWidget(w["LabelSymbolSEnergy" + n(k)], r, 0);
    sg->addWidget(w["LabelSEnergy" + n(k)], r, 1);
    sg->addWidget(new QLabel(QStringLiteral("eV"), starting), r, 2);
    sg->addWidget(w["LabelSymbolSDensity" + n(k)], r, 3);
    sg->addWidget(w["LabelSDensity" + n(k)], r, 4);
    sg->addWidget(new QLabel(QStringLiteral("cm<sup>-3</sup>"), starting), r, 5);
  }
  sg->addWidget(w["LabelSymbolSCDensity"], 3, 3);
  sg->addWidget(w["LabelSCDensity"], 3, 4);
  sg->addWidget(new QLabel(QStringLiteral("cm<sup>-3</sup>"), starting), 3, 5);

  // The table of the fit: symbol, edit, standard error for the level and the density, the box.
  auto* fit = static_cast<QGroupBox*>(w["GroupBox3"]);
  auto* fg = new QGridLayout(fit);
  fg->addWidget(w["LabelStandardError"], 0, 2);
  auto* densityError = new QLabel(QStringLiteral("Standard error"), fit);
  densityError->setToolTip(errorTip);
  fg->addWidget(densityError, 0, 5);
  for (int k = 1; k <= 3; ++k) {
    fg->addWidget(w["LabelSymbolCFEnergy" + n(k)], k, 0);
    fg->addWidget(w["EditCFEnergy" + n(k)], k, 1);
    fg->addWidget(w["LabelErrorCFEnergy" + n(k)], k, 2);
    fg->addWidget(w["LabelSymbolCFDensity" + n(k)], k, 3);
    fg->addWidget(w["EditCFDensity" + n(k)], k, 4);
    fg->addWidget(w["LabelErrorCFDensity" + n(k)], k, 5);
    fg->addWidget(w["CheckBox" + n(k)], k, 6);
    fg->addWidget(w["LabelResolved" + n(k)], k, 7);
    fg->addWidget(w["ComboBoxExcited" + n(k)], k, 8);
    fg->addWidget(w["LabelExcited" + n(k)], k, 9);
  }
  fg->addWidget(w["LabelExcitedStates"], 0, 8);
  fg->addWidget(w["LabelSymbolCFCDensity"], 4, 3);
  fg->addWidget(w["EditCFCDensity"], 4, 4);
  fg->addWidget(w["LabelErrorCFCDensity"], 4, 5);
  fg->addWidget(w["LabelResolvedCDensity"], 4, 7);
  auto* range = new QHBoxLayout;
  range->addWidget(w["Label8"]);
  range->addWidget(new QLabel(QStringLiteral("low T:"), fit));
  range->addWidget(w["ButtonIncreaseLow"]);
  range->addWidget(w["ButtonDecreaseLow"]);
  range->addSpacing(12);
  range->addWidget(new QLabel(QStringLiteral("high T:"), fit));
  range->addWidget(w["ButtonIncreaseHigh"]);
  range->addWidget(w["ButtonDecreaseHigh"]);
  range->addStretch();
  fg->addLayout(range, 5, 0, 1, 10);
  auto* deviation = new QHBoxLayout;
  deviation->addWidget(w["LabelDeviation"]);
  deviation->addWidget(w["RadioButtonAbsolute"]);
  deviation->addWidget(w["RadioButtonRelative"]);
  deviation->addStretch();
  fg->addLayout(deviation, 6, 0, 1, 10);
  // The relative fit's model: statistics, excited-state weights, m* and eps, the levels.
  auto* model = new QHBoxLayout;
  for (const char* name :
       {"LabelStatistics", "ComboBoxStatistics", "LabelExcitedDegeneracy", "ComboBoxExcitedDegeneracy", "LabelMass",
        "EditMass", "LabelDielectric", "EditDielectric", "LabelLevels", "ComboBoxLevels"})
    model->addWidget(w[name]);
  model->addStretch();
  fg->addLayout(model, 7, 0, 1, 10);
  auto* actions = new QHBoxLayout;
  actions->addWidget(w["ButtonInitialize"]);
  actions->addWidget(w["ButtonCurveFitting"]);
  actions->addWidget(w["ButtonMerge"]);
  actions->addSpacing(12);
  actions->addWidget(w["LabelReducedChi2"]);
  actions->addStretch();
  actions->addWidget(w["LabelWeight"]);
  actions->addWidget(w["EditWeight"]);
  actions->addSpacing(12);
  actions->addWidget(w["LabelStarts"]);
  fg->addLayout(actions, 8, 0, 1, 10);
  static_cast<QLabel*>(w["LabelResolution"])->setWordWrap(true);
  fg->addWidget(w["LabelResolution"], 9, 0, 1, 10);
  fg->addWidget(w["LabelCandidates"], 10, 0, 1, 10);
  static_cast<QLabel*>(w["LabelConvergence"])->setWordWrap(true);
  fg->addWidget(w["LabelConvergence"], 11, 0, 1, 10);

  auto* head = new QHBoxLayout;
  head->addWidget(new QLabel(QStringLiteral("Sample:"), this));
  head->addWidget(w["LabelSampleNumber"]);
  head->addSpacing(20);
  head->addWidget(w["LabelVersion"]);
  head->addStretch();

  auto* files = new QHBoxLayout;
  files->addWidget(w["ButtonSave"]);
  files->addWidget(w["ButtonPrint"]);
  files->addWidget(w["LabelFilename"], 1);

  auto* left = new QVBoxLayout;
  left->addLayout(head);
  left->addWidget(starting);
  left->addWidget(fit);
  left->addLayout(files);
  left->addStretch();

  auto* charts = new QVBoxLayout;
  for (const auto& [chart, button] : {std::pair{kChartSimulation, "ButtonSaveFigureSimulation"},
                                      {kChartCurveFitting, "ButtonSaveFigureCurveFitting"}}) {
    charts->addWidget(w[chart], 1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(w[button]);
    charts->addLayout(row);
  }
  charts->addWidget(w[kChartResiduals], 1);
  for (const char* chart : {kChartSimulation, kChartCurveFitting, kChartResiduals}) w[chart]->setMinimumWidth(400);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(charts, 1);
  // Within a small screen (1366 x 768).
  resize(1360, 740);

  view_ = std::make_unique<QtView>(this, progress);
  presenter_ = std::make_unique<CurveFittingPresenter>(record, *view_);
  presenter_->printWindow = [this] { return PrintWindowImage(this); };
  auto click = [&](const char* name, void (CurveFittingPresenter::*handler)()) {
    connect(static_cast<QPushButton*>(w[name]), &QPushButton::clicked, this,
            [this, handler] { (presenter_.get()->*handler)(); });
  };
  click("ButtonInitialize", &CurveFittingPresenter::ButtonInitializeClick);
  click("ButtonIncreaseLow", &CurveFittingPresenter::ButtonIncreaseLowClick);
  click("ButtonDecreaseLow", &CurveFittingPresenter::ButtonDecreaseLowClick);
  click("ButtonIncreaseHigh", &CurveFittingPresenter::ButtonIncreaseHighClick);
  click("ButtonDecreaseHigh", &CurveFittingPresenter::ButtonDecreaseHighClick);
  click("ButtonCurveFitting", &CurveFittingPresenter::ButtonCurveFittingClick);
  click("ButtonMerge", &CurveFittingPresenter::ButtonMergeClick);
  for (const char* radio : {"RadioButtonAbsolute", "RadioButtonRelative"})
    connect(static_cast<QRadioButton*>(w[radio]), &QRadioButton::clicked, this,
            [this] { presenter_->RadioButtonDeviationClick(); });
  click("ButtonSave", &CurveFittingPresenter::ButtonSaveClick);
  click("ButtonPrint", &CurveFittingPresenter::ButtonPrintClick);
  click("ButtonSaveFigureSimulation", &CurveFittingPresenter::ButtonSaveFigureSimulationClick);
  click("ButtonSaveFigureCurveFitting", &CurveFittingPresenter::ButtonSaveFigureCurveFittingClick);
}

TFormCurveFitting::~TFormCurveFitting() = default;

void TFormCurveFitting::PrepareAndShow() {
  presenter_->PrepareWindow();
  move(60, 50);
  show();
  raise();
}

}  // namespace korv::ui
