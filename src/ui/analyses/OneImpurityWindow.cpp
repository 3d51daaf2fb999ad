#include "ui/analyses/OneImpurityWindow.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Error.h"
#include "presenters/analyses/OneImpurityPresenter.h"
#include "ui/analyses/RangeWindowWidgets.h"
#include "ui/widgets/Formulas.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

QString ConventionalAnalysisPicture(const QString& n) {
  const QString T34 = QStringLiteral("<i>T</i><sup>3/4</sup>");
  if (n == "ImageNT")
    return QStringLiteral("<i>n</i>(<i>T</i>) = [%1 %2(<i>T</i>)/2]<sup>1/2</sup> exp(&minus;&Delta;%3/2<i>kT</i>)")
        .arg(Subscripted("N", "D"), Subscripted("N", "C"), Subscripted("E", "D"));
  if (n == "ImageNT34")
    return QStringLiteral("<i>n</i>(<i>T</i>)/%1 = <i>A</i> %2<sup>1/2</sup> exp(&minus;&Delta;%3/2<i>kT</i>)")
        .arg(T34, Subscripted("N", "D"), Subscripted("E", "D"));
  if (n == "ImageAN")
    return QStringLiteral("<i>A</i> = (1/%1) [%2(<i>T</i>)/2]<sup>1/2</sup> =").arg(T34, Subscripted("N", "C"));
  if (n == "ImagePT")
    return QStringLiteral("<i>p</i>(<i>T</i>) = (1/2) [%1 %2(<i>T</i>)]<sup>1/2</sup> exp(&minus;&Delta;%3/2<i>kT</i>)")
        .arg(Subscripted("N", "A"), Subscripted("N", "V"), Subscripted("E", "A"));
  if (n == "ImagePT34")
    return QStringLiteral("<i>p</i>(<i>T</i>)/%1 = <i>A</i> %2<sup>1/2</sup> exp(&minus;&Delta;%3/2<i>kT</i>)")
        .arg(T34, Subscripted("N", "A"), Subscripted("E", "A"));
  if (n == "ImageAP")
    return QStringLiteral("<i>A</i> = (1/%1) (1/2) [%2(<i>T</i>)]<sup>1/2</sup> =").arg(T34, Subscripted("N", "V"));
  if (n == "ImageG2") return QStringLiteral("<i>g</i> = 2");
  if (n == "ImageG4") return QStringLiteral("<i>g</i> = 4");
  if (n == "ImageConditionN")
    return QStringLiteral("%1 &#8811; (%2(<i>T</i>)/8) exp(&minus;&Delta;%3/<i>kT</i>) &#8811; %4")
        .arg(Subscripted("N", "D"), Subscripted("N", "C"), Subscripted("E", "D"), Subscripted("N", "A"));
  if (n == "ImageConditionP")
    return QStringLiteral("%1 &#8811; (%2(<i>T</i>)/16) exp(&minus;&Delta;%3/<i>kT</i>) &#8811; %4")
        .arg(Subscripted("N", "A"), Subscripted("N", "V"), Subscripted("E", "A"), Subscripted("N", "D"));
  if (n == "Image1") return QStringLiteral("&le; 1000/<i>T</i> &le;");
  if (n == "ImageDED") return QStringLiteral("&Delta;") + Subscripted("E", "D");
  if (n == "ImageDEA") return QStringLiteral("&Delta;") + Subscripted("E", "A");
  if (n == "ImageND") return Subscripted("N", "D");
  if (n == "ImageNA") return Subscripted("N", "A");
  return n.toHtmlEscaped();
}

TFormConventionalAnalysis::TFormConventionalAnalysis(const Analysis& record, QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FormConventionalAnalysis"));
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("CentralWidget"));
  setCentralWidget(central);
  widgets_ = std::make_unique<ControlWidgets>(central, ConventionalAnalysisControls(), ConventionalAnalysisCharts(),
                                              ConventionalAnalysisPicture);
  ControlWidgets::BuildMenus(this, ConventionalAnalysisControls(), {"File1", "Help1"});
  const ControlWidgets& w = *widgets_;
  auto colour = [&](const char* name, const char* css) { w[name]->setStyleSheet(QString::fromLatin1(css)); };
  colour("Label1", "color: red;");
  colour("LabelComment1", "color: red;");
  for (const char* c : {"LabelComment2", "LabelComment3", "Label6", "Label7"}) colour(c, "color: blue;");
  for (const char* c : {"LabelComment1", "LabelComment2", "LabelComment3"})
    static_cast<QLabel*>(w[c])->setWordWrap(true);

  auto* box1 = static_cast<QGroupBox*>(w["GroupBox1"]);
  auto* l1 = new QVBoxLayout(box1);
  l1->addLayout(w.Row({"LabelNType1", "LabelPType1", ""}));
  for (const char* c : {"ImageNT", "ImagePT", "ImageNT34", "ImagePT34"}) l1->addWidget(w[c]);
  l1->addLayout(w.Row({"ImageAN", "LabelAN", "ImageAP", "LabelAP", ""}));
  l1->addLayout(w.Row({"Label8", "ImageG2", "ImageG4", ""}));
  l1->addLayout(w.Row({"Label9", "ImageConditionN", "ImageConditionP", ""}));
  l1->addWidget(w["Label1"]);
  l1->addLayout(w.Row({"", "LabelLow", "Image1", "LabelHigh", ""}));
  l1->addLayout(
      w.Row({"", "ButtonDecreaseLow", "ButtonIncreaseLow", "", "ButtonDecreaseHigh", "ButtonIncreaseHigh", ""}));
  l1->addWidget(w["ButtonAnalysis"]);
  auto* box2 = static_cast<QGroupBox*>(w["GroupBox2"]);
  auto* l2 = new QVBoxLayout(box2);
  l2->addLayout(w.Row({"LabelNType2", "LabelPType2", ""}));
  l2->addLayout(w.Row({"ImageDED", "ImageDEA", "Label2", "LabelEnergyLevel", "Label3", ""}));
  l2->addLayout(w.Row({"ImageND", "ImageNA", "Label4", "LabelDensity", "Label5", ""}));
  l2->addWidget(w["Label6"]);
  l2->addWidget(w["Label7"]);
  auto* box3 = static_cast<QGroupBox*>(w["GroupBox3"]);
  auto* l3 = new QVBoxLayout(box3);
  for (const char* c : {"LabelComment1", "LabelComment2", "LabelComment3"}) l3->addWidget(w[c]);
  auto* left = new QVBoxLayout;
  left->addWidget(box1);
  left->addWidget(box2);
  left->addWidget(box3);
  left->addStretch(1);
  left->addWidget(w["LabelVerOnlyOne"]);

  LayOutBesideCharts(central, left, 440,
                     w.ChartColumn({"LabelSampleNumber", ""}, kOneImpurityChart1, {"", "ButtonSaveFigureOnlyOne1"}),
                     w.ChartColumn({"=", ""}, kOneImpurityChart2, {"", "ButtonSaveFigureOnlyOne2"}));
  resize(1340, 640);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<OneImpurityPresenter>(record, *view_);
  auto* p = presenter_.get();
  using P = OneImpurityPresenter;
  w.ConnectButtons<P>(this, p,
                      {{"ButtonDecreaseLow", &P::ButtonDecreaseLowClick},
                       {"ButtonIncreaseLow", &P::ButtonIncreaseLowClick},
                       {"ButtonDecreaseHigh", &P::ButtonDecreaseHighClick},
                       {"ButtonIncreaseHigh", &P::ButtonIncreaseHighClick},
                       {"ButtonAnalysis", &P::ButtonAnalysisClick},
                       {"ButtonSaveFigureOnlyOne1", &P::ButtonSaveFigureOnlyOne1Click},
                       {"ButtonSaveFigureOnlyOne2", &P::ButtonSaveFigureOnlyOne2Click}});
  auto action = [&](const char* name, void (OneImpurityPresenter::*handler)()) {
    if (auto* a = findChild<QAction*>(QString::fromLatin1(name)))
      connect(a, &QAction::triggered, this, [p, handler] { (p->*handler)(); });
  };
  action("SaveConventionalAnalysis", &OneImpurityPresenter::SaveConventionalAnalysisClick);
  action("PrintConventionalAnalysis", &OneImpurityPresenter::PrintConventionalAnalysisClick);
  action("ExitConventionalAnalysis", &OneImpurityPresenter::ExitConventionalAnalysisClick);
  action("Help2", &OneImpurityPresenter::Help2Click);
  presenter_->printWindow = [this] { return PrintWindowImage(this); };
}

TFormConventionalAnalysis::~TFormConventionalAnalysis() = default;

void TFormConventionalAnalysis::PrepareAndShow() { PrepareAndShowAtTopLeft(this, *presenter_); }

}  // namespace korv::ui
