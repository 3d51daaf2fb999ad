#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <set>

#include "presenters/main/MainCharts.h"
#include "presenters/main/MainControls.h"
#include "ui/widgets/ChartWidget.h"
#include "ui/widgets/Formulas.h"

namespace korv::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool IsMeasurementFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  return suffix.compare("nT", Qt::CaseInsensitive) == 0 || suffix.compare("pT", Qt::CaseInsensitive) == 0;
}

// A value label as wide as its widest text ("-0.00E+00", a five-digit temperature), so
// that nothing beside it moves when a value appears.
void FixValueWidth(QWidget* label) {
  const QFontMetrics metrics(label->font());
  const int width = std::max({metrics.horizontalAdvance(QStringLiteral("-0.00E+00")),
                              metrics.horizontalAdvance(QStringLiteral("-0.000000")),
                              metrics.horizontalAdvance(QStringLiteral("00000.00"))});
  label->setFixedWidth(width + metrics.horizontalAdvance(QLatin1Char(' ')) * 2);
}

QString Unit(const char* which) {
  if (QString(which) == "cm") return QStringLiteral("cm<sup>-3</sup>");
  return QString::fromUtf8(which);
}

}  // namespace

std::optional<std::string> MainQtView::AskOpenFile(const FileDialog& dialog) {
  if (nextOpen_) {
    std::optional<std::string> answer = std::move(nextOpen_);
    nextOpen_.reset();
    return answer;
  }
  return QtView::AskOpenFile(dialog);
}

TFormMain::TFormMain(Analysis& record, Windows& windows, korv::Progress& progress, bool developerOptionsHidden,
                     QWidget* parent)
    : QMainWindow(parent), presenter_(record) {
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QString::fromUtf8(kMainWindowCaption));
  setAcceptDrops(true);
  BuildControls();
  BuildMenus();
  LayOut();
  view_ = std::make_unique<MainQtView>(this, &progress);
  presenter_.Attach(*view_, windows);
  Wire();
  // Top 10, left 20 on the screen; a size that fits a 1366x768 desktop with its panels.
  move(20, 10);
  QSize size(1340, 700);
  if (const QScreen* s = screen()) size = size.boundedTo(s->availableGeometry().size() - QSize(30, 40));
  resize(size);
  presenter_.FormCreate(developerOptionsHidden);
}

TFormMain::~TFormMain() = default;

ChartWidget* TFormMain::Chart(const std::string& name) const {
  auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : qobject_cast<ChartWidget*>(it->second);
}

QWidget* TFormMain::W(const std::string& name) {
  auto it = widgets_.find(name);
  if (it == widgets_.end()) {
    qCritical("KORV: the main window has no control %s to lay out", name.c_str());
    auto* missing = new QLabel(Q(name), this);
    widgets_[name] = missing;
    return missing;
  }
  placed_[name] = true;
  return it->second;
}

void TFormMain::BuildControls() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("CentralWidget"));
  setCentralWidget(central);
  pages_ = new QTabWidget(central);
  pages_->setObjectName(QString::fromUtf8(kMainPageControl));
  pages_->setDocumentMode(false);

  for (const MainControl& c : MainControls()) {
    if (c.kind == ControlKind::MenuItem) continue;
    QWidget* parentWidget = central;
    if (!c.parent.empty() && c.parent != kMainPageControl) {
      auto it = widgets_.find(c.parent);
      if (it != widgets_.end()) parentWidget = it->second;
    }
    parents_[c.name] = c.parent;
    QWidget* w = nullptr;
    const QString caption = Q(c.caption);
    switch (c.kind) {
      case ControlKind::Tab: {
        w = new QWidget(pages_);
        pages_->addTab(w, CaptionToQt(c.caption));
        break;
      }
      case ControlKind::GroupBox:
        w = new QGroupBox(CaptionToQt(c.caption), parentWidget);
        break;
      case ControlKind::Button:
        w = new QPushButton(CaptionToQt(c.caption), parentWidget);
        break;
      case ControlKind::Label: {
        auto* label = new QLabel(caption, parentWidget);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (c.name.rfind("Panel", 0) == 0) {
          label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
          label->setMinimumWidth(160);
        }
        if (c.name.rfind("LabelFilename", 0) == 0) {
          label->setWordWrap(true);
          label->setMinimumWidth(120);
        }
        w = label;
        break;
      }
      case ControlKind::Edit:
        w = new QLineEdit(caption, parentWidget);
        break;
      case ControlKind::CheckBox:
        w = new QCheckBox(CaptionToQt(c.caption), parentWidget);
        break;
      case ControlKind::RadioButton:
        w = new QRadioButton(CaptionToQt(c.caption), parentWidget);
        break;
      case ControlKind::ComboBox: {
        auto* combo = new QComboBox(parentWidget);
        combo->setEditable(true);
        combo->setEditText(caption);
        w = combo;
        break;
      }
      case ControlKind::Chart:
        w = new ChartWidget(MainChart(c.name), parentWidget);
        break;
      case ControlKind::Picture:
        w = new FormulaPicture(caption.isEmpty() ? Q(c.name) : Q(c.name), parentWidget);
        break;
      case ControlKind::Memo:
        w = new QPlainTextEdit(caption, parentWidget);
        break;
      case ControlKind::Grid:
        w = new QTableWidget(parentWidget);
        break;
      case ControlKind::ProgressBar:
        w = new QProgressBar(parentWidget);
        break;
      case ControlKind::MenuItem:
        break;
    }
    if (!w) continue;
    w->setObjectName(Q(c.name));
    widgets_[c.name] = w;
  }
}

void TFormMain::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QString::fromUtf8(kMainMenuBar));
  std::map<std::string, QMenu*> menus;
  const std::map<std::string, QKeySequence> shortcuts = {
      {"LoadExperimental", QKeySequence::Open},
      {"LoadSpline", QKeySequence(Qt::CTRL | Qt::Key_L)},
      {"LoadFermiLevel", QKeySequence(Qt::CTRL | Qt::Key_F)},
      {"AllClearMain", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
      {"PrintMain", QKeySequence::Print},
      {"ExitMain", QKeySequence::Quit},
      {"Help", QKeySequence::HelpContents},
  };
  for (const MainControl& c : MainControls()) {
    if (c.kind != ControlKind::MenuItem) continue;
    if (c.parent == kMainMenuBar) {
      QMenu* menu = bar->addMenu(CaptionToQt(c.caption));
      menu->setObjectName(Q(c.name));
      menu->menuAction()->setObjectName(Q(c.name + "Action"));
      menus[c.name] = menu;
      continue;
    }
    auto it = menus.find(c.parent);
    if (it == menus.end()) continue;
    QAction* action = c.caption == "-" ? it->second->addSeparator() : it->second->addAction(CaptionToQt(c.caption));
    action->setObjectName(Q(c.name));
    if (!c.toolTip.empty()) {
      action->setToolTip(Q(c.toolTip));
      it->second->setToolTipsVisible(true);
    }
    if (auto s = shortcuts.find(c.name); s != shortcuts.end()) action->setShortcut(s->second);
  }
}

QWidget* TFormMain::Item(const std::string& item) {
  if (item.empty()) return nullptr;
  if (item[0] == '=') {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::RichText);
    const std::string text = item.substr(1);
    label->setText(text == "cm" ? Unit("cm") : Q(text));
    return label;
  }
  return W(item);
}

QLayout* TFormMain::Row(std::initializer_list<std::string> items) {
  auto* row = new QHBoxLayout;
  for (const std::string& item : items) {
    if (item.empty()) {
      row->addStretch(1);
    } else {
      row->addWidget(Item(item));
    }
  }
  return row;
}

QWidget* TFormMain::Stack(std::initializer_list<std::string> names) {
  auto* box = new QWidget(this);
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  for (const std::string& name : names) layout->addWidget(W(name));
  return box;
}

void TFormMain::LayOut() {
  auto* outer = new QVBoxLayout(centralWidget());
  outer->setContentsMargins(6, 6, 6, 6);
  auto* header = new QHBoxLayout;
  header->addWidget(new QLabel(QStringLiteral("Sample:"), this));
  header->addWidget(W("PanelSampleNumber"), 1);
  header->addWidget(new QLabel(QStringLiteral("File:"), this));
  header->addWidget(W("PanelFilenameExperimentalData"), 4);
  outer->addLayout(header);
  outer->addWidget(pages_, 1);
  LayOutConcentration();
  LayOutFermi();
  for (int k = 1; k <= 3; ++k) LayOutAnalysis(k);
  LayOutSimulation();
  PlaceLeftovers();
}

void TFormMain::LayOutConcentration() {
  auto* g1 = static_cast<QGroupBox*>(W("GroupBox1"));
  auto* l1 = new QVBoxLayout(g1);
  l1->addLayout(Row({"ButtonInputData", "ButtonLoadExperimental", "ButtonChangeData", ""}));
  l1->addLayout(Row({"=File:", "LabelFilenameExperimentalData", ""}));
  auto* g2 = static_cast<QGroupBox*>(W("GroupBox2"));
  auto* l2 = new QVBoxLayout(g2);
  l2->addLayout(Row({"LabelSmoothness", "EditSmoothness", "ButtonCalcSpline", "ButtonSaveSpline", ""}));
  l2->addLayout(Row({"=File:", "LabelFilenameSpline", ""}));
  auto* warning = static_cast<QLabel*>(W("LabelSplineWarning"));
  warning->setWordWrap(true);
  warning->setStyleSheet("color: #b00000");
  l2->addWidget(warning);
  static_cast<QLineEdit*>(W("EditSmoothness"))->setMaximumWidth(120);

  auto* tab = W("TabSheet1");
  auto* layout = new QVBoxLayout(tab);
  auto* top = new QHBoxLayout;
  top->addWidget(g1, 2);
  top->addWidget(g2, 3);
  layout->addLayout(top);
  auto* charts = new QHBoxLayout;
  for (auto [chart, button] : {std::pair{"ChartExperimentalLinear", "ButtonSaveFigureConcentration1"},
                               std::pair{"ChartExperimentalLog", "ButtonSaveFigureConcentration2"}}) {
    auto* column = new QVBoxLayout;
    column->addWidget(W(chart), 1);
    column->addLayout(Row({"", button}));
    charts->addLayout(column, 1);
  }
  charts->addWidget(W("ChartSplineResidual"), 1);
  layout->addLayout(charts, 1);
  layout->addLayout(Row({"", "LabelVerCon"}));
}

void TFormMain::LayOutFermi() {
  auto* g3 = static_cast<QGroupBox*>(W("GroupBox3"));
  auto* grid = new QGridLayout(g3);
  int r = 0;
  grid->addWidget(Item("=Semiconductor:"), r, 0);
  grid->addLayout(Row({"LabelFermiSemiconductor", "LabelFermiConductionTypeN", "LabelFermiConductionTypeP", ""}), r++,
                  1, 1, 2);
  grid->addLayout(Row({"ButtonInputChangeInformation", "ButtonSeeInformation", ""}), r++, 0, 1, 3);
  grid->addWidget(W("LabelMass"), r, 0);
  grid->addWidget(Stack({"ImageMassElectron", "ImageMassHole"}), r, 1);
  grid->addWidget(W("EditMass"), r++, 2);
  auto* minima = static_cast<QLabel*>(W("LabelEquivalentMinima"));
  minima->setWordWrap(true);
  grid->addWidget(minima, r, 0);
  grid->addWidget(W("ImageEquivalentMinima"), r, 1);
  grid->addWidget(W("EditEquivalentMinima"), r++, 2);
  grid->addWidget(Stack({"ImageEffectiveDensityOfStatesN", "ImageEffectiveDensityOfStatesP"}), r++, 0, 1, 3);
  grid->addLayout(Row({"ButtonCalcEffectiveDensityOfStates", ""}), r++, 0, 1, 3);
  grid->addWidget(W("LabelEffectiveDensityOfStates"), r, 0);
  grid->addWidget(Stack({"ImageN0kT32", "ImageNC0kT32", "ImageNV0kT32"}), r, 1);
  grid->addWidget(W("EditEffectiveDensityOfStates"), r++, 2);
  grid->addWidget(W("LabelFermiLevelComment"), r, 0);
  grid->addWidget(W("EditFermiLevelComment"), r++, 1, 1, 2);
  grid->setColumnStretch(1, 1);
  for (const char* edit : {"EditMass", "EditEquivalentMinima", "EditEffectiveDensityOfStates"})
    static_cast<QLineEdit*>(W(edit))->setMaximumWidth(130);

  auto* g4 = static_cast<QGroupBox*>(W("GroupBox4"));
  auto* l4 = new QVBoxLayout(g4);
  l4->addLayout(Row({"LabelFermiLevelConductionTypeN", "ImageFermiLevelN", ""}));
  l4->addLayout(Row({"LabelFermiLevelConductionTypeP", "ImageFermiLevelP", ""}));
  l4->addLayout(Row({"ButtonCalcFermiLevel", "ButtonSaveFermiLevel", ""}));
  l4->addLayout(Row({"=File:", "LabelFilenameFermiLevel", ""}));

  auto* tab = W("TabSheet2");
  auto* layout = new QHBoxLayout(tab);
  auto* left = new QVBoxLayout;
  left->addWidget(g3);
  left->addWidget(g4);
  left->addLayout(Row({"ButtonSaveExperimentalFermiLevelData", ""}));
  left->addStretch(1);
  left->addLayout(Row({"LabelVerFermi", ""}));
  auto* leftBox = new QWidget(tab);
  leftBox->setLayout(left);
  leftBox->setMaximumWidth(560);
  layout->addWidget(leftBox);
  auto* right = new QVBoxLayout;
  right->addWidget(W("ChartFermiLevel"), 1);
  right->addLayout(Row({"", "ButtonSaveFigureFermi"}));
  layout->addLayout(right, 1);
}

void TFormMain::LayOutAnalysis(int k) {
  const std::string s = std::to_string(k);
  auto N = [&](const std::string& name) { return name; };
  const std::string groupH = "GroupBoxH" + s;
  const std::string groupG = k == 1 ? "GroupBox6" : k == 2 ? "GroupBox9" : "GroupBox12";
  const std::string groupR = k == 1 ? "GroupBox7" : k == 2 ? "GroupBox10" : "GroupBox13";

  // Calculation group.
  auto* gh = static_cast<QGroupBox*>(W(groupH));
  auto* lh = new QGridLayout(gh);
  int r = 0;
  const std::string F = "ImageH" + s, S = "ImageS" + s;
  auto* formula = Stack({F, F + "n", F + "p", S, S + "n", S + "p"});
  lh->addWidget(formula, r++, 0, 1, 4);
  if (k == 2)
    lh->addLayout(Row({"ButtonCalcH2", "ButtonUseNegativeNcom", ""}), r++, 0, 1, 4);
  else
    lh->addLayout(Row({"ButtonCalcH" + s, ""}), r++, 0, 1, 4);
  lh->addLayout(Row({"=<i>E</i><sub>ref</sub> =", "LabelEref" + s, "=eV", ""}), r++, 0, 1, 4);
  if (k == 1) {
    lh->addLayout(Row({"ButtonDecreaseErefH1", "ButtonDecreaseErefH1Precise", "ButtonIncreaseErefH1Precise",
                       "ButtonIncreaseErefH1", "ButtonCalculationH1Precise", ""}),
                  r++, 0, 1, 4);
    for (const char* b :
         {"ButtonDecreaseErefH1", "ButtonDecreaseErefH1Precise", "ButtonIncreaseErefH1Precise", "ButtonIncreaseErefH1"})
      W(b)->setMaximumWidth(48);
  }
  // Results of the earlier analyses the calculation uses.
  for (int j = 1; j < k; ++j) {
    const std::string p = "ImageH" + s, js = std::to_string(j);
    const std::string density = k == 2 ? "LabelDensity1H2" : "LabelDensity" + js + "H3";
    const std::string energy = k == 2 ? "LabelEnergy1H2" : "LabelEnergy" + js + "H3";
    lh->addWidget(Stack({p + "N" + js, p + "ND" + js, p + "NA" + js}), r, 0);
    lh->addWidget(W(density), r, 1);
    lh->addWidget(Item("=cm"), r, 2);
    lh->addWidget(Stack({p + "DE" + js, p + "DED" + js, p + "DEA" + js}), r, 3);
    lh->addWidget(W(energy), r, 4);
    lh->addWidget(Item("=eV"), r++, 5);
  }
  if (k >= 2) {
    const std::string c = "ImageH" + s + "Com";
    lh->addWidget(Stack({c, c + "N", c + "P", "ImageS" + s + "Com"}), r, 0);
    lh->addWidget(W("LabelComDensityH" + s), r, 1);
    lh->addWidget(Item("=cm"), r++, 2);
  }
  lh->setColumnStretch(6, 1);
  FixValueWidth(W("LabelEref" + s));
  for (int j = 1; j < k; ++j) {
    const std::string js = std::to_string(j);
    FixValueWidth(W(k == 2 ? "LabelDensity1H2" : "LabelDensity" + js + "H3"));
    FixValueWidth(W(k == 2 ? "LabelEnergy1H2" : "LabelEnergy" + js + "H3"));
  }
  if (k >= 2) FixValueWidth(W("LabelComDensityH" + s));

  // Degeneracy factor.
  auto* gg = static_cast<QGroupBox*>(W(groupG));
  auto* lg = new QHBoxLayout(gg);
  lg->addWidget(W("LabelDonorH" + s));
  lg->addWidget(W("ImageNdH" + s));
  lg->addWidget(W("LabelAcceptorH" + s));
  lg->addWidget(W("ImageNaH" + s));
  lg->addWidget(W("EditGH" + s));
  static_cast<QLineEdit*>(W("EditGH" + s))->setMaximumWidth(80);
  lg->addStretch(1);

  // Peak, evaluation and results.
  auto* gr = static_cast<QGroupBox*>(W(groupR));
  auto* lr = new QGridLayout(gr);
  r = 0;
  lr->addWidget(Item("=Peak at"), r, 0);
  lr->addLayout(Row({"LabelPeakT" + s, "LabelPeakTUnit" + s, "=  value", "LabelPeakV" + s, ""}), r++, 1, 1, 2);
  lr->addLayout(
      Row({"LabelChangePeakH" + s, "ButtonDecreasePeakH" + s, "ButtonIncreasePeakH" + s, "", "ButtonEvaluation" + s}),
      r++, 0, 1, 3);
  W("ButtonDecreasePeakH" + s)->setMaximumWidth(48);
  W("ButtonIncreasePeakH" + s)->setMaximumWidth(48);
  const std::string p = "ImageH" + s;
  lr->addWidget(Stack({p + "N" + s, p + "ND" + s, p + "NA" + s}), r, 0);
  lr->addWidget(W(N("LabelDensity" + s)), r, 1);
  lr->addWidget(Item("=cm"), r++, 2);
  lr->addWidget(Stack({p + "DE" + s, p + "DED" + s, p + "DEA" + s}), r, 0);
  lr->addWidget(W("LabelEnergy" + s), r, 1);
  lr->addWidget(Item("=eV"), r++, 2);
  lr->addWidget(Item("=Compensating density ="), r, 0);
  lr->addWidget(W("LabelCDensity" + s), r, 1);
  lr->addWidget(Item("=cm"), r++, 2);
  auto* negative = static_cast<QLabel*>(W("LabelNegativeNcomH" + s));
  negative->setWordWrap(true);
  negative->setStyleSheet("color: #b00000");
  lr->addWidget(negative, r++, 0, 1, 3);
  lr->addLayout(Row({"ButtonSaveH" + s, ""}), r++, 0, 1, 3);
  lr->addLayout(Row({"=File:", "LabelFilenameH" + s, ""}), r++, 0, 1, 3);
  {
    auto* notice = W("LabelPlausibilityH" + s);
    notice->setStyleSheet(QStringLiteral("color: #b00000;"));
    if (auto* label = qobject_cast<QLabel*>(notice)) label->setWordWrap(true);
    lr->addWidget(notice, r++, 0, 1, 3);
  }
  lr->setColumnStretch(1, 1);
  for (const char* value : {"LabelPeakT", "LabelPeakV", "LabelDensity", "LabelEnergy", "LabelCDensity"})
    FixValueWidth(W(value + s));

  auto* tab = W("TabSheet" + std::to_string(k + 2));
  auto* layout = new QHBoxLayout(tab);
  auto* left = new QVBoxLayout;
  left->addWidget(gh);
  left->addWidget(gg);
  left->addWidget(gr);
  left->addStretch(1);
  left->addLayout(Row({"LabelVerH" + s, ""}));
  auto* leftBox = new QWidget(tab);
  leftBox->setLayout(left);
  leftBox->setMaximumWidth(k == 3 ? 600 : 540);
  layout->addWidget(leftBox);
  auto* right = new QVBoxLayout;
  right->addWidget(W("ChartH" + s), 1);
  static_cast<QLabel*>(W("LabelBlackLineH" + s))->setStyleSheet("color: black;");
  static_cast<QLabel*>(W("LabelRedLineH" + s))->setStyleSheet("color: red;");
  right->addLayout(Row({"LabelBlackLineH" + s, "=: H", "LabelRedLineH" + s, "=: simulated", "",
                        "ButtonSaveExperimentalH" + s + "Data", "ButtonSaveFigureH" + s}));
  layout->addLayout(right, 1);
}

void TFormMain::LayOutSimulation() {
  auto* g14 = static_cast<QGroupBox*>(W("GroupBox14"));
  auto* grid = new QGridLayout(g14);
  grid->addLayout(Row({"LabelSDonor", "LabelSAcceptor"}), 0, 0, 1, 2);
  grid->addWidget(Item("=Density  [cm<sup>-3</sup>]"), 0, 2);
  grid->addWidget(Item("=Energy Level  [eV]"), 0, 4);
  for (int j = 1; j <= 3; ++j) {
    const std::string js = std::to_string(j);
    grid->addWidget(W("CheckBox" + js), j, 0);
    grid->addWidget(Stack({"ImageSN" + js, "ImageSND" + js, "ImageSNA" + js}), j, 1);
    grid->addWidget(W("EditSDensity" + js), j, 2);
    grid->addWidget(Stack({"ImageSDE" + js, "ImageSDED" + js, "ImageSDEA" + js}), j, 3);
    grid->addWidget(W("EditSEnergy" + js), j, 4);
  }
  grid->addWidget(W("CheckBox4"), 4, 0);
  grid->addWidget(Item("=<i>N</i><sub>com</sub> ="), 4, 1);
  grid->addWidget(W("EditSCDensity"), 4, 2);
  grid->addLayout(Row({"ButtonSeeResults", "ButtonSaveResults", ""}), 5, 0, 1, 5);
  auto* sources = static_cast<QLabel*>(W("LabelSimulationSources"));
  sources->setWordWrap(true);
  grid->addWidget(sources, 6, 0, 1, 5);
  grid->setColumnStretch(2, 1);
  grid->setColumnStretch(4, 1);

  auto* g15 = static_cast<QGroupBox*>(W("GroupBox15"));
  auto* l15 = new QVBoxLayout(g15);
  auto* neutrality = Stack({"ImageSimulationN", "ImageSimulationP"});
  static_cast<QHBoxLayout*>(neutrality->layout())->setDirection(QBoxLayout::TopToBottom);
  l15->addWidget(neutrality);
  l15->addLayout(Row({"ButtonSimulation", "ButtonSaveSimulation", ""}));
  l15->addLayout(Row({"=File:", "LabelFilenameSimulation", ""}));
  l15->addLayout(Row({"ButtonFineAdjustment", ""}));

  auto* tab = W("TabSheet6");
  auto* layout = new QHBoxLayout(tab);
  auto* left = new QVBoxLayout;
  left->addWidget(g14);
  left->addWidget(g15);
  left->addStretch(1);
  left->addLayout(Row({"LabelVerSim", ""}));
  auto* leftBox = new QWidget(tab);
  leftBox->setLayout(left);
  leftBox->setMaximumWidth(500);
  layout->addWidget(leftBox);
  for (auto [chart, button] : {std::pair{"ChartSimulationReverseT", "ButtonSaveFigureSimulation1"},
                               std::pair{"ChartSimulationT", "ButtonSaveFigureSimulation2"}}) {
    auto* column = new QVBoxLayout;
    column->addWidget(W(chart), 1);
    column->addLayout(Row({"", button}));
    layout->addLayout(column, 1);
  }
}

void TFormMain::PlaceLeftovers() {
  // A control of the list that no layout above names still appears, at the end of its container.
  for (const MainControl& c : MainControls()) {
    if (c.kind == ControlKind::MenuItem || c.kind == ControlKind::Tab || placed_[c.name]) continue;
    auto it = widgets_.find(c.parent);
    QWidget* container = it != widgets_.end() ? it->second : centralWidget();
    QLayout* layout = container->layout();
    if (!layout) layout = new QVBoxLayout(container);
    if (auto* grid = qobject_cast<QGridLayout*>(layout))
      grid->addWidget(W(c.name), grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
    else
      layout->addWidget(W(c.name));
  }
}

void TFormMain::Run(const std::string& handler) {
  view_->Run([&] { presenter_.Invoke(handler); });
}

void TFormMain::Wire() {
  const std::vector<std::string> names = presenter_.HandlerNames();
  const std::set<std::string> handlers(names.begin(), names.end());
  for (const MainControl& c : MainControls()) {
    const std::string handler = c.name + "Click";
    if (!handlers.count(handler)) continue;
    QObject* object = view_->Find(c.name);
    if (auto* button = qobject_cast<QAbstractButton*>(object)) {
      connect(button, &QAbstractButton::clicked, this, [this, handler] { Run(handler); });
    } else if (auto* action = qobject_cast<QAction*>(object)) {
      connect(action, &QAction::triggered, this, [this, handler] { Run(handler); });
    }
  }
  connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
    QWidget* page = pages_->widget(index);
    if (!page) return;
    view_->Run([&] { presenter_.PageControl1Change(page->objectName().toStdString()); });
  });
}

void TFormMain::LoadMeasurement(const QString& path) {
  view_->AnswerNextOpen(path.toStdString());
  Run("ButtonLoadExperimentalClick");
  // A command that did not ask leaves no answer behind for the next dialog.
  view_->AnswerNextOpen(std::nullopt);
}

void TFormMain::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  if (!event->isAccepted()) return;
  // Closing the main window ends the program: no other window may keep it running unseen.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->isVisible()) w->close();
  QCoreApplication::quit();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.first().isLocalFile() && IsMeasurementFile(urls.first().toLocalFile()))
    event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  LoadMeasurement(urls.first().toLocalFile());
}

}  // namespace korv::ui
