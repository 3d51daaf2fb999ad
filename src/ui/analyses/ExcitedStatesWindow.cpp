#include "ui/analyses/ExcitedStatesWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "presenters/analyses/ExcitedStatesPresenter.h"
#include "ui/widgets/ChartWidget.h"
#include "ui/widgets/PrintImage.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const QString kT = QStringLiteral("<i>kT</i>");

// The formula and symbol pictures of this window, as rich text. `letter` is D (donor,
// n-type) or A (acceptor, p-type).
QString Picture(const std::string& name) {
  auto typed = [&](const std::string& base) -> QString {
    if (name == base + "Donor") return QStringLiteral("D");
    if (name == base + "Acceptor") return QStringLiteral("A");
    return {};
  };
  if (QString l = typed("ImageFermiDirac"); !l.isEmpty())
    return QStringLiteral(
               "<i>N</i><sub>%1</sub><sup>%2</sup> = <i>N</i><sub>%1</sub> / [1 + <i>g</i> "
               "exp((&Delta;<i>E</i><sub>%1</sub> &minus; &Delta;<i>E</i><sub>F</sub>)/%3)]")
        .arg(l, l == "D" ? "+" : "&minus;", kT);
  if (QString l = typed("ImageIonizedDensity"); !l.isEmpty())
    return QStringLiteral(
               "<i>N</i><sub>%1</sub><sup>%2</sup> = <i>N</i><sub>%1</sub> / {1 + <i>g</i> "
               "exp(&minus;<i>E</i><sub>ex</sub>/%3) [exp((&Delta;<i>E</i><sub>%1</sub> &minus; "
               "&Delta;<i>E</i><sub>F</sub>)/%3) + &Sigma;<sub><i>r</i>&ge;2</sub> <i>g<sub>r</sub></i> "
               "exp((&Delta;<i>E<sub>r</sub></i> &minus; &Delta;<i>E</i><sub>F</sub>)/%3)]}")
        .arg(l, l == "D" ? "+" : "&minus;", kT);
  if (QString l = typed("ImageAverageEnergy"); !l.isEmpty())
    return QStringLiteral(
               "<i>E</i><sub>ex</sub> = &Sigma;<sub><i>r</i>&ge;2</sub> <i>g<sub>r</sub></i> "
               "(&Delta;<i>E</i><sub>%1</sub> &minus; &Delta;<i>E<sub>r</sub></i>) "
               "exp(&minus;(&Delta;<i>E</i><sub>%1</sub> &minus; &Delta;<i>E<sub>r</sub></i>)/%2) / "
               "[1 + &Sigma;<sub><i>r</i>&ge;2</sub> <i>g<sub>r</sub></i> exp(&minus;(&Delta;<i>E</i><sub>%1</sub> "
               "&minus; &Delta;<i>E<sub>r</sub></i>)/%2)]")
        .arg(l, kT);
  if (QString l = typed("ImageGroundState"); !l.isEmpty())
    return QStringLiteral("&Delta;<i>E</i><sub>%1</sub> = &Delta;<i>E</i><sub>1</sub> + <i>E</i><sub>ccc</sub>").arg(l);
  if (QString l = typed("ImageAverageLevel"); !l.isEmpty())
    return QStringLiteral("average level: &Delta;<i>E</i><sub>%1</sub> &minus; <i>E</i><sub>ex</sub>").arg(l);
  if (name == "ImageDegeneracy") return QStringLiteral("<i>g<sub>r</sub></i> = <i>r</i><sup>2</sup>");
  if (name == "ImageHydrogenicLevels")
    return QStringLiteral(
        "&Delta;<i>E<sub>r</sub></i> = <i>q</i><sup>4</sup><i>m</i>* / (2&#295;<sup>2</sup> "
        "&epsilon;<sub>0</sub><sup>2</sup> &epsilon;<sub>s</sub><sup>2</sup> <i>r</i><sup>2</sup>) = 13.6 "
        "(<i>m</i>*/(<i>m</i><sub>0</sub> &epsilon;<sub>s</sub><sup>2</sup> <i>r</i><sup>2</sup>))");
  if (name.size() > 7 && name.compare(name.size() - 2, 2, "eV") == 0) return QStringLiteral("eV");
  if (name.rfind("ImageE", 0) == 0) return QStringLiteral("&Delta;<i>E</i><sub>%1</sub>").arg(Q(name.substr(6)));
  return Q(name).toHtmlEscaped();
}

QGroupBox* Group(QWidget* w) { return qobject_cast<QGroupBox*>(w); }

}  // namespace

TFormExcitedStates::TFormExcitedStates(Analysis& record, Windows& windows, korv::Progress& progress, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName(QStringLiteral("FormExcitedStates"));
  Build();
  view_ = std::make_unique<QtView>(this, &progress);
  presenter_ =
      std::make_unique<ExcitedStatesPresenter>(record, *view_, &windows, [this] { return PrintWindowImage(this); });
  // Wiring: every button, the edit and the menu items go to their handlers.
  ExcitedStatesPresenter& p = *presenter_;
  const std::map<std::string, void (ExcitedStatesPresenter::*)()> handlers{
      {"ButtonAuto", &ExcitedStatesPresenter::ButtonAutoClick},
      {"ButtonSaveNormal", &ExcitedStatesPresenter::ButtonSaveNormalClick},
      {"ButtonSaveExcitedStates", &ExcitedStatesPresenter::ButtonSaveExcitedStatesClick},
      {"ButtonSaveFigureNormal1", &ExcitedStatesPresenter::ButtonSaveFigureNormal1Click},
      {"ButtonSaveFigureNormal2", &ExcitedStatesPresenter::ButtonSaveFigureNormal2Click},
      {"ButtonSaveFigureExcitedStates1", &ExcitedStatesPresenter::ButtonSaveFigureExcitedStates1Click},
      {"ButtonSaveFigureExcitedStates2", &ExcitedStatesPresenter::ButtonSaveFigureExcitedStates2Click},
      {"PrintExcitedStates", &ExcitedStatesPresenter::PrintExcitedStatesClick},
      {"FileVeiwerExcitedStates", &ExcitedStatesPresenter::FileVeiwerExcitedStatesClick},
      {"HelpExcitedStates", &ExcitedStatesPresenter::HelpExcitedStatesClick},
      {"ExitExcitedStates", &ExcitedStatesPresenter::ExitExcitedStatesClick},
  };
  for (const auto& [name, handler] : handlers) {
    QObject* object = view_->Find(name);
    auto call = [&p, handler = handler] { (p.*handler)(); };
    if (auto* button = qobject_cast<QPushButton*>(object))
      connect(button, &QPushButton::clicked, this, call);
    else if (auto* action = qobject_cast<QAction*>(object))
      connect(action, &QAction::triggered, this, call);
  }
  if (auto* edit = qobject_cast<QLineEdit*>(W("EditDielectricConstant")))
    connect(edit, &QLineEdit::textEdited, this, [&p] { p.EditDielectricConstantChange(); });
  move(50, 40);
  QSize size(1340, 720);
  if (const QScreen* s = screen()) size = size.boundedTo(s->availableGeometry().size() - QSize(60, 60));
  resize(size);
}

TFormExcitedStates::~TFormExcitedStates() = default;

QWidget* TFormExcitedStates::W(const std::string& name) const {
  auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second;
}

void TFormExcitedStates::Build() {
  // Menus.
  std::map<std::string, QMenu*> menus;
  for (const ExcitedControl& c : ExcitedStatesLayout()) {
    if (c.kind != ControlKind::MenuItem) continue;
    if (c.parent.empty()) {
      QMenu* menu = menuBar()->addMenu(CaptionToQt(c.caption));
      menu->setObjectName(Q(c.name));
      menu->menuAction()->setObjectName(Q(c.name + "Action"));
      menus[c.name] = menu;
    } else if (auto it = menus.find(c.parent); it != menus.end()) {
      it->second->addAction(CaptionToQt(c.caption))->setObjectName(Q(c.name));
    }
  }
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* pages = new QTabWidget(central);
  pages->setObjectName(QString::fromLatin1(kExcitedPageControl));
  // Widgets of the list.
  for (const ExcitedControl& c : ExcitedStatesLayout()) {
    QWidget* w = nullptr;
    switch (c.kind) {
      case ControlKind::MenuItem:
        continue;
      case ControlKind::Tab:
        w = new QWidget(pages);
        pages->addTab(w, CaptionToQt(c.caption));
        break;
      case ControlKind::GroupBox:
        w = new QGroupBox(CaptionToQt(c.caption), central);
        break;
      case ControlKind::Button:
        w = new QPushButton(CaptionToQt(c.caption), central);
        break;
      case ControlKind::Edit:
        w = new QLineEdit(Q(c.caption), central);
        static_cast<QLineEdit*>(w)->setMaximumWidth(90);
        break;
      case ControlKind::Picture: {
        auto* label = new QLabel(central);
        label->setTextFormat(Qt::RichText);
        label->setText(Picture(c.name));
        w = label;
        break;
      }
      case ControlKind::Chart: {
        for (const ChartSpec& spec : ExcitedStatesCharts())
          if (spec.name == c.name) w = new ChartWidget(spec, central);
        break;
      }
      default: {
        auto* label = new QLabel(Q(c.caption), central);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (c.name.rfind("Panel", 0) == 0) {
          label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
          label->setMinimumWidth(200);
        }
        w = label;
        break;
      }
    }
    if (!w) continue;
    w->setObjectName(Q(c.name));
    widgets_[c.name] = w;
  }
  auto color = [this](const char* name, const char* css) { W(name)->setStyleSheet(QString::fromLatin1(css)); };
  color("LabelComment2", "color: red");
  color("LabelComment4", "color: red");
  color("LabelComment6", "color: blue");

  // Above the tabs.
  auto* top = new QHBoxLayout;
  top->addWidget(W("PanelFilename"), 3);
  top->addWidget(W("PanelSampleNumber"), 1);
  top->addWidget(W("ButtonOption"));
  auto* root = new QVBoxLayout(central);
  root->addLayout(top);
  root->addWidget(pages, 1);

  auto row = [this](std::initializer_list<const char*> names) {
    auto* h = new QHBoxLayout;
    for (const char* n : names) h->addWidget(W(n));
    h->addStretch();
    return h;
  };
  auto rows = [&](const char* group, std::initializer_list<std::initializer_list<const char*>> lines) {
    auto* v = new QVBoxLayout(Group(W(group)));
    for (auto line : lines) v->addLayout(row(line));
  };
  auto charts = [this](const char* chart1, const char* button1, const char* chart2, const char* button2) {
    auto* v = new QVBoxLayout;
    v->addWidget(W(chart1), 1);
    v->addWidget(W(button1), 0, Qt::AlignRight);
    v->addWidget(W(chart2), 1);
    v->addWidget(W(button2), 0, Qt::AlignRight);
    return v;
  };

  // Tab 1.
  rows("GroupBoxFermiDirac",
       {{"LabelConductionType1"}, {"ImageFermiDiracDonor", "ImageFermiDiracAcceptor", "LabelG", "LabelGValue"}});
  {
    auto* g = new QGridLayout(Group(W("GroupBoxNormalResults")));
    const char* pairs[][2] = {{"LabelDensityCaption1", "LabelDensity1"},
                              {"LabelEnergyLevelCaption1", "LabelEnergyLevel1"},
                              {"LabelCompensatingDensityCaption1", "LabelCompensatingDensity1"}};
    for (int i = 0; i < 3; ++i) {
      g->addWidget(W(pairs[i][0]), i, 0, Qt::AlignRight);
      g->addWidget(W(pairs[i][1]), i, 1);
    }
    g->setColumnStretch(2, 1);
  }
  // The three comment lines, each broken where the window is too narrow for it.
  rows("GroupBoxComment",
       {{"LabelComment1", "LabelComment2"}, {"LabelComment3"}, {"LabelComment4"}, {"LabelComment5"}});
  static_cast<QLabel*>(W("LabelComment6"))->setWordWrap(true);
  W("GroupBoxComment")->layout()->addWidget(W("LabelComment6"));
  {
    auto* left = new QVBoxLayout;
    for (const char* n : {"GroupBoxFermiDirac", "GroupBoxNormalResults", "GroupBoxComment"}) left->addWidget(W(n));
    left->addStretch();
    left->addWidget(W("LabelVerExcitedStates"));
    left->addWidget(W("ButtonSaveNormal"));
    auto* h = new QHBoxLayout(W("TabSheet1"));
    h->addLayout(left, 2);
    h->addLayout(
        charts("ChartH1Normal", "ButtonSaveFigureNormal1", "ChartConcentrationNormal", "ButtonSaveFigureNormal2"), 3);
  }

  // Tab 2.
  {
    auto* v = new QVBoxLayout(Group(W("GroupBoxLevels")));
    static_cast<QLabel*>(W("ImageHydrogenicLevels"))->setWordWrap(true);
    v->addWidget(W("ImageHydrogenicLevels"));
    v->addLayout(row({"LabelDielectricConstant", "EditDielectricConstant"}));
    v->addLayout(row({"LabelGroundState", "LabelDeltaE1"}));
    v->addWidget(W("LabelExcitedStates"));
    auto* g = new QGridLayout;
    for (int n = 2; n <= excited::kMaxHighestLevel; ++n) {
      const std::string s = std::to_string(n);
      const int r = (n - 2) % 5, c = (n - 2) / 5 * 4;
      g->addWidget(W("ImageE" + s), r, c);
      g->addWidget(W("LabelE" + s + "Equal"), r, c + 1);
      g->addWidget(W("LabelDeltaE" + s), r, c + 2);
      g->addWidget(W("ImageE" + s + "eV"), r, c + 3);
      W("LabelDeltaE" + s)->setMinimumWidth(60);
    }
    g->setColumnStretch(8, 1);
    v->addLayout(g);
  }
  {
    auto* v = new QVBoxLayout(Group(W("GroupBoxIonized")));
    for (const char* n : {"ImageIonizedDensityDonor", "ImageIonizedDensityAcceptor", "ImageAverageEnergyDonor",
                          "ImageAverageEnergyAcceptor", "ImageGroundStateDonor", "ImageGroundStateAcceptor",
                          "ImageAverageLevelDonor", "ImageAverageLevelAcceptor", "ImageDegeneracy"}) {
      static_cast<QLabel*>(W(n))->setWordWrap(true);
      v->addWidget(W(n));
    }
    v->addLayout(row({"LabelG2", "LabelGValue2"}));
  }
  {
    auto* g = new QGridLayout(Group(W("GroupBoxDetermine")));
    int r = 0;
    auto pair = [&](const char* caption, const char* value, const char* unit = nullptr) {
      g->addWidget(W(caption), r, 0, Qt::AlignRight);
      g->addWidget(W(value), r, 1);
      if (unit) g->addWidget(W(unit), r, 2);
      ++r;
    };
    pair("LabelErefCaption", "LabelEref");
    pair("LabelPeakTemperatureCaption", "LabelPeakTemperature", "LabelPeakTemperatureUnit");
    pair("LabelPeakValueCaption", "LabelPeakValue");
    g->addWidget(W("LabelExcitedResults"), r++, 0, 1, 3);
    static_cast<QLabel*>(W("LabelExcitedResults"))->setWordWrap(true);
    pair("LabelDensityCaption", "LabelDensity");
    pair("LabelEnergyLevelCaption", "LabelEnergyLevel");
    pair("LabelCompensatingDensityCaption", "LabelCompensatingDensity");
    g->addWidget(W("LabelNormalResults"), r++, 0, 1, 3);
    static_cast<QLabel*>(W("LabelNormalResults"))->setWordWrap(true);
    pair("LabelDensityNormalCaption", "LabelDensityNormal");
    pair("LabelEnergyLevelNormalCaption", "LabelEnergyLevelNormal");
    pair("LabelCompensatingDensityNormalCaption", "LabelCompensatingDensityNormal");
    g->setColumnStretch(3, 1);
  }
  {
    auto* left = new QVBoxLayout;
    left->addWidget(W("GroupBoxLevels"));
    left->addWidget(W("GroupBoxIonized"));
    left->addStretch();
    auto* middle = new QVBoxLayout;
    middle->addWidget(W("GroupBoxDetermine"));
    middle->addWidget(W("ButtonAuto"));
    middle->addWidget(W("ButtonSaveExcitedStates"));
    middle->addStretch();
    middle->addWidget(W("LabelVerExcitedStates2"));
    auto* h = new QHBoxLayout(W("TabSheet2"));
    h->addLayout(left, 3);
    h->addLayout(middle, 2);
    h->addLayout(charts("ChartH1Excited", "ButtonSaveFigureExcitedStates1", "ChartConcentrationExcited",
                        "ButtonSaveFigureExcitedStates2"),
                 4);
  }
  // The developer tabs stay empty and hidden.
  for (const char* t : {"TabSheet3", "TabSheet4", "TabSheet5"}) pages->setTabVisible(pages->indexOf(W(t)), false);
}

void TFormExcitedStates::PrepareAndShow() {
  move(50, 40);
  presenter_->PrepareWindow();
  show();
  raise();
}

void TFormExcitedStates::closeEvent(QCloseEvent* event) {
  presenter_->FormClose();
  QMainWindow::closeEvent(event);
}

}  // namespace korv::ui
