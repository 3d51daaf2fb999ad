#include "ui/analyses/DhesWindow.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <map>

#include "presenters/analyses/DhesPresenter.h"
#include "ui/widgets/ChartWidget.h"
#include "ui/widgets/PrintImage.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const QString kDE = QStringLiteral("&Delta;<i>E</i>");
const QString kKT = QStringLiteral("<i>kT</i>");

QString Sub(const QString& base, const QString& sub) { return base + QStringLiteral("<sub>%1</sub>").arg(sub); }

// N g exp((E - EF)/kT) / [1 + g exp((E - EF)/kT)]^2 for dopant letter D or A.
QString Occupancy(const QString& letter, bool sum) {
  const QString level = Sub(kDE, letter + (sum ? "<i>i</i>" : ""));
  const QString e = QStringLiteral("exp((%1 &minus; %2)/%3)").arg(level, Sub(kDE, "F"), kKT);
  return QStringLiteral("%1 <i>g</i> %2 / [1 + <i>g</i> %2]<sup>2</sup>")
      .arg(Sub("<i>N</i>", letter + (sum ? "<i>i</i>" : "")), e);
}

const char* const kTextColour[] = {"#ff0000", "#00c000", "#00b0b0", "#0000ff"};

}  // namespace

QString DhesFormulaHtml(const QString& n) {
  const QString ef = Sub(kDE, "F");
  if (n == "ImageDHESn" || n == "ImageDHESp") {
    const bool p = n.endsWith('p');
    return QStringLiteral("DHES[%1(<i>T</i>)] &equiv; %2%3&middot;d<i>%4</i>(<i>T</i>)/d<i>E</i><sub>F</sub>")
        .arg(ef, p ? "" : "&minus;", kKT, p ? "p" : "n");
  }
  if (n == "ImageDHESDonorLevel" || n == "ImageDHESAcceptorLevel")
    return QStringLiteral("%1 &cong; %2(<i>T</i><sub>peak</sub>) &minus; <i>kT</i><sub>peak</sub> ln <i>g</i>")
        .arg(Sub(kDE, n.contains("Donor") ? "D" : "A"), ef);
  if (n == "ImageDHESDonorDensity" || n == "ImageDHESAcceptorDensity")
    return QStringLiteral("%1 &cong; 4 &times; DHES[%2(<i>T</i><sub>peak</sub>)]")
        .arg(Sub("<i>N</i>", n.contains("Donor") ? "D" : "A"), ef);
  if (n == "ImageG2") return QStringLiteral("<i>g</i> = 2");
  if (n == "ImageG4") return QStringLiteral("<i>g</i> = 4");
  if (n == "ImageTDHESn" || n == "ImageTDHESp") {
    const QString letter = n.endsWith('p') ? "A" : "D";
    return QStringLiteral(
               "DHES(%1) = &Sigma;<sub><i>i</i></sub> %2<br>&nbsp;&nbsp;&times; [1 + (%3 &minus; %1)/%4 "
               "&middot; &part;(%4)/&part;%1]")
        .arg(ef, Occupancy(letter, true), Sub(kDE, letter + "<i>i</i>"), kKT);
  }
  if (n == "ImageADHESn" || n == "ImageADHESp")
    return QStringLiteral("approxDHES(%1) = %2").arg(ef, Occupancy(n.endsWith('p') ? "A" : "D", false));
  if (n.startsWith("ImageE")) return Sub(kDE, n.mid(6, 1)) + " =";
  if (n.startsWith("ImageN")) return Sub("<i>N</i>", n.mid(6, 1)) + " =";
  return n.toHtmlEscaped();
}

TFormDHES::TFormDHES(const Analysis& record, QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FormDHES"));
  std::map<std::string, QWidget*> w;
  for (const Control& c : DhesControls()) {
    QWidget* widget = nullptr;
    switch (c.kind) {
      case ControlKind::Button:
        widget = new QPushButton(CaptionToQt(c.caption), this);
        break;
      case ControlKind::GroupBox:
        widget = new QGroupBox(Q(c.caption), this);
        break;
      case ControlKind::Picture: {
        auto* picture = new QLabel(DhesFormulaHtml(Q(c.name)), this);
        picture->setTextFormat(Qt::RichText);
        widget = picture;
        break;
      }
      case ControlKind::Chart:
        widget = chart_ = new ChartWidget(DhesCharts().front(), this);
        break;
      default: {
        auto* label = new QLabel(Q(c.caption), this);
        label->setTextFormat(Qt::PlainText);
        widget = label;
        break;
      }
    }
    widget->setObjectName(Q(c.name));
    w[c.name] = widget;
  }
  auto label = [&](const std::string& name) { return w.at(name); };
  auto colour = [&](const std::string& name, const char* css) {
    static_cast<QLabel*>(w.at(name))->setStyleSheet(QStringLiteral("color: %1;").arg(css));
  };
  for (int k = 1; k <= 4; ++k) {
    for (const char* stem : {"LabelPoint", "LabelLine", "LabelBroken"}) colour(DhesName(stem, k), kTextColour[k - 1]);
    static_cast<QLabel*>(w.at(DhesName("LabelDHESE", k)))->setTextInteractionFlags(Qt::TextSelectableByMouse);
    static_cast<QLabel*>(w.at(DhesName("LabelDHESD", k)))->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  colour("Label28", "#ff00ff");

  // Definitions.
  auto* definitions = static_cast<QGroupBox*>(w.at("GroupBox1"));
  auto* d = new QGridLayout(definitions);
  int row = 0;
  auto span = [&](std::initializer_list<const char*> names) {
    auto* line = new QHBoxLayout;
    for (const char* n : names) line->addWidget(label(n));
    line->addStretch();
    d->addLayout(line, row++, 0);
  };
  span({"LabelNType", "LabelPType", "ImageDHESn", "ImageDHESp"});
  span({"Label1"});
  span({"ImageDHESDonorLevel", "ImageDHESAcceptorLevel"});
  span({"ImageDHESDonorDensity", "ImageDHESAcceptorDensity", "ImageG2", "ImageG4"});
  span({"Label22"});
  span({"ImageTDHESn", "ImageTDHESp"});
  span({"Label23"});
  span({"ImageADHESn", "ImageADHESp"});

  // Peak commands.
  auto* peaks = static_cast<QGroupBox*>(w.at("GroupBox2"));
  auto* g = new QGridLayout(peaks);
  for (int k = 1; k <= 4; ++k) {
    const int r = 2 * (k - 1);
    auto n = [&](const char* stem) { return w.at(DhesName(stem, k)); };
    g->addWidget(n("LabelPeak"), r, 0);
    auto* colours = new QHBoxLayout;
    colours->addWidget(n("LabelPoint"));
    colours->addWidget(n("LabelLine"));
    colours->addStretch();
    g->addLayout(colours, r, 1, 1, 3);
    auto* results = new QHBoxLayout;
    results->addWidget(n("ImageED"));
    results->addWidget(n("ImageEA"));
    results->addWidget(n("LabelDHESE"), 1);
    results->addWidget(new QLabel(QStringLiteral("eV"), peaks));
    results->addSpacing(12);
    results->addWidget(n("ImageND"));
    results->addWidget(n("ImageNA"));
    results->addWidget(n("LabelDHESD"), 1);
    results->addWidget(new QLabel(QStringLiteral("cm<sup>-3</sup>"), peaks));
    g->addLayout(results, r, 4, 1, 2);
    g->addWidget(n("ButtonPreviousPeak"), r + 1, 0);
    g->addWidget(n("ButtonNextPeak"), r + 1, 1);
    g->addWidget(n("ButtonEvaluation"), r + 1, 2);
    g->addWidget(n("ButtonClear"), r + 1, 3);
    g->addWidget(n("ButtonDraw"), r + 1, 4);
    g->addWidget(n("LabelBroken"), r + 1, 5);
  }
  auto* bottom = new QHBoxLayout;
  for (const char* n : {"ButtonSum", "Label28"}) bottom->addWidget(label(n));
  bottom->addStretch();
  for (const char* n : {"ButtonSaveDHES", "ButtonPrintDHES"}) bottom->addWidget(label(n));
  g->addLayout(bottom, 8, 0, 1, 6);

  auto* identity = new QHBoxLayout;
  for (const char* n : {"LabelSampleNumber", "LabelVerDHES"}) identity->addWidget(label(n));
  identity->addStretch();
  identity->addWidget(label("ButtonHelp"));

  auto* left = new QVBoxLayout;
  left->addLayout(identity);
  left->addWidget(definitions);
  left->addWidget(peaks);
  left->addStretch();

  auto* right = new QVBoxLayout;
  right->addWidget(chart_, 1);
  auto* figure = new QHBoxLayout;
  figure->addStretch();
  figure->addWidget(label("ButtonSaveFigureDHES"));
  right->addLayout(figure);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 0);
  layout->addLayout(right, 1);
  resize(1240, 700);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<DhesPresenter>(record, *view_);
  presenter_->printWindow = [this] { return PrintWindowImage(this, QStringLiteral("DHES")); };
  presenter_->showHelp = [this] {
    if (showHelp) showHelp();
  };
  for (const Control& c : DhesControls()) {
    if (c.kind != ControlKind::Button) continue;
    auto* button = static_cast<QPushButton*>(w.at(c.name));
    const std::string handler = c.name + "Click";
    connect(button, &QPushButton::clicked, this, [this, handler] {
      // Whatever a command lets escape ends in an error box, not in the event loop.
      try {
        presenter_->Invoke(handler);
      } catch (const std::exception& e) {
        Dialogs().Error(this, e.what());
      }
    });
  }
}

TFormDHES::~TFormDHES() = default;

void TFormDHES::PrepareAndShow() {
  presenter_->PrepareWindow();
  move(kDhesWindowLeft, kDhesWindowTop);
  show();
  raise();
}

}  // namespace korv::ui
