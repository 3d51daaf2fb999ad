#include "ui/analyses/DonorAcceptorWindow.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Error.h"
#include "presenters/analyses/DonorAcceptorPresenter.h"
#include "ui/analyses/RangeWindowWidgets.h"
#include "ui/widgets/Formulas.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

namespace {

// The model of the window for electrons (n) or holes (p).
QString Model(bool n) {
  const QString c = n ? "n" : "p", major = Subscripted("N", n ? "D" : "A"), minor = Subscripted("N", n ? "A" : "D");
  const QString band0 = Subscripted("N", n ? "C0" : "V0"), band = Subscripted("N", n ? "C" : "V"),
                level = Subscripted("E", n ? "D" : "A");
  // Two lines with room between them: the superscripts of the second would touch the
  // subscripts of the first at the rich-text default line spacing.
  return QStringLiteral(
             "<p style=\"line-height:140%\"><i>y</i> = (1/<i>T</i><sup>3/2</sup>) <i>%1</i>(<i>T</i>) "
             "[<i>%1</i>(<i>T</i>) + %2] / [(%3 &minus; %2) "
             "&minus; <i>%1</i>(<i>T</i>)] = (%4 <i>k</i><sup>3/2</sup>/<i>g</i>) exp(&minus;&Delta;%5/<i>kT</i>)<br>"
             "%6(<i>T</i>) = %4 <i>k</i><sup>3/2</sup> <i>T</i><sup>3/2</sup></p>")
      .arg(c, minor, major, band0, level, band);
}

const QString kMass = QStringLiteral("<i>m</i>*/<i>m</i><sub>0</sub>");
const QString kMassFactorMc = QStringLiteral("(%1/<i>g</i>)(%2)<sup>3/2</sup>").arg(Subscripted("M", "C"), kMass);
const QString kMassFactor = QStringLiteral("(1/<i>g</i>)(%1)<sup>3/2</sup>").arg(kMass);

}  // namespace

QString ConventionalAnalysis2Picture(const QString& n) {
  if (n == "ImageN") return Model(true);
  if (n == "ImageP") return Model(false);
  if (n == "ImageG") return QStringLiteral("<i>g</i>");
  if (n == "ImageMass") return kMass + " =";
  if (n == "ImageMc") return Subscripted("M", "C") + " =";
  if (n == "Image1") return QStringLiteral("&le; 1000/<i>T</i> &le;");
  if (n == "ImageNDNA") return Subscripted("N", "D") + " &minus; " + Subscripted("N", "A");
  if (n == "ImageNAND") return Subscripted("N", "A") + " &minus; " + Subscripted("N", "D");
  if (n == "ImageND") return Subscripted("N", "D");
  if (n == "ImageNA") return Subscripted("N", "A");
  if (n == "ImageDED") return QStringLiteral("&Delta;") + Subscripted("E", "D");
  if (n == "ImageDEA") return QStringLiteral("&Delta;") + Subscripted("E", "A");
  if (n == "ImageGMassMc") return kMassFactorMc + " =";
  if (n == "ImageGMass") return kMassFactor + " =";
  return n.toHtmlEscaped();
}

QString ConfirmationPicture(const QString& n) {
  if (n.startsWith("ImageNDNA")) return Subscripted("N", "D") + " &minus; " + Subscripted("N", "A");
  if (n.startsWith("ImageNAND")) return Subscripted("N", "A") + " &minus; " + Subscripted("N", "D");
  if (n == "ImageGMassMc") return kMassFactorMc;
  if (n == "ImageGMass") return kMassFactor;
  if (n == "ImageMass") return kMass;
  if (n == "ImageG") return QStringLiteral("<i>g</i>");
  if (n == "ImageMc") return Subscripted("M", "C");
  return n.toHtmlEscaped();
}

TFormConventionalAnalysis2::TFormConventionalAnalysis2(const Analysis& record, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FormConventionalAnalysis2"));
  widgets_ = std::make_unique<ControlWidgets>(this, ConventionalAnalysis2Controls(), ConventionalAnalysis2Charts(),
                                              ConventionalAnalysis2Picture);
  const ControlWidgets& w = *widgets_;
  auto* box1 = static_cast<QGroupBox*>(w["GroupBox1"]);
  auto* l1 = new QVBoxLayout(box1);
  l1->addLayout(w.Row({"LabelNType", "LabelPType", ""}));
  l1->addWidget(w["ImageN"]);
  l1->addWidget(w["ImageP"]);
  l1->addLayout(w.Row({"ImageG", "Label2", "LabelG", "", "ImageMass", "LabelMass", "", "ImageMc", "LabelMc", ""}));
  auto* box2 = static_cast<QGroupBox*>(w["GroupBox2"]);
  auto* l2 = new QVBoxLayout(box2);
  l2->addWidget(w["Label1"]);
  l2->addLayout(w.Row({"", "LabelLow", "Image1", "LabelHigh", ""}));
  l2->addLayout(
      w.Row({"", "ButtonDecreaseLow", "ButtonIncreaseLow", "", "ButtonDecreaseHigh", "ButtonIncreaseHigh", ""}));
  l2->addLayout(w.Row({"ImageNDNA", "ImageNAND", "Label3", "EditNetDensity", "Label4"}));
  l2->addWidget(w["ButtonEvaluation"]);
  auto* box3 = static_cast<QGroupBox*>(w["GroupBox3"]);
  auto* l3 = new QVBoxLayout(box3);
  l3->addLayout(w.Row({"ImageND", "Label5", "LabelDonorDensity", "Label6", ""}));
  l3->addLayout(w.Row({"ImageNA", "Label7", "LabelAcceptorDensity", "Label8", ""}));
  l3->addLayout(w.Row({"ImageDED", "ImageDEA", "Label9", "LabelEnergyLevel", "Label10", ""}));
  l3->addLayout(w.Row({"ImageGMassMc", "ImageGMass", "LabelGMass", ""}));
  auto* left = new QVBoxLayout;
  left->addWidget(box1);
  left->addWidget(box2);
  left->addWidget(box3);
  left->addLayout(w.Row({"ButtonSave", "ButtonPrint", "ButtonHelp"}));
  left->addStretch(1);

  LayOutBesideCharts(
      this, left, 520,
      w.ChartColumn({"LabelSampleNumber", ""}, kDonorAcceptorChart1, {"", "ButtonSaveFigureDonorAcceptor1"}),
      w.ChartColumn({"", "LabelVerDonorAcceptor"}, kDonorAcceptorChart2, {"", "ButtonSaveFigureDonorAcceptor2"}));
  resize(1340, 600);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<DonorAcceptorPresenter>(record, *view_);
  using P = DonorAcceptorPresenter;
  w.ConnectButtons<P>(this, presenter_.get(),
                      {{"ButtonDecreaseLow", &P::ButtonDecreaseLowClick},
                       {"ButtonIncreaseLow", &P::ButtonIncreaseLowClick},
                       {"ButtonDecreaseHigh", &P::ButtonDecreaseHighClick},
                       {"ButtonIncreaseHigh", &P::ButtonIncreaseHighClick},
                       {"ButtonEvaluation", &P::ButtonEvaluationClick},
                       {"ButtonSave", &P::ButtonSaveClick},
                       {"ButtonPrint", &P::ButtonPrintClick},
                       {"ButtonHelp", &P::ButtonHelpClick},
                       {"ButtonSaveFigureDonorAcceptor1", &P::ButtonSaveFigureDonorAcceptor1Click},
                       {"ButtonSaveFigureDonorAcceptor2", &P::ButtonSaveFigureDonorAcceptor2Click}});
  presenter_->printWindow = [this] { return PrintWindowImage(this); };
}

TFormConventionalAnalysis2::~TFormConventionalAnalysis2() = default;

void TFormConventionalAnalysis2::PrepareAndShow() { PrepareAndShowAtTopLeft(this, *presenter_); }

}  // namespace korv::ui
