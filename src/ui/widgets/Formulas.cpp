#include "ui/widgets/Formulas.h"

#include <QRegularExpression>

namespace korv::ui {

QString Subscripted(const QString& base, const QString& sub) {
  return QStringLiteral("<i>%1</i><sub>%2</sub>").arg(base, sub);
}

namespace {

const QString kT = QStringLiteral("<i>kT</i>");

// Carrier symbol by conduction type: n for electrons, p for holes.
QString Carrier(const QString& type) { return type == "p" ? QStringLiteral("p") : QStringLiteral("n"); }

// The ionized part of earlier level i: N_i / (1 + g_i n/N_C exp(dE_i/kT)).
QString Ionized(const QString& type, int i) {
  const QString c = Carrier(type);
  const QString letter = type == "n" ? "D" : type == "p" ? "A" : "";
  const QString band = type == "p" ? "V" : "C";
  return QStringLiteral("%1/[1 + %2 <i>%3</i>/%4 exp(&Delta;%5/%6)]")
      .arg(Subscripted("N", letter + QString::number(i)), Subscripted("g", letter + QString::number(i)), c,
           Subscripted("N", band), Subscripted("E", letter + QString::number(i)), kT);
}

// H_k or S_k of analysis k with the contributions of the earlier levels removed.
QString Function(bool h, int k, const QString& type) {
  const QString c = Carrier(type);
  const QString name = QStringLiteral("%1<sub>%2</sub>(<i>T</i>,<i>E</i><sub>ref</sub>)").arg(h ? "H" : "S").arg(k);
  const QString factor =
      h ? QStringLiteral("<i>%1</i>(<i>T</i>) exp(<i>E</i><sub>ref</sub>/%2) / (%2)<sup>2.5</sup>").arg(c, kT)
        : QStringLiteral("exp(<i>E</i><sub>ref</sub>/%1) / %1").arg(kT);
  if (k == 1) {
    if (h)
      return QStringLiteral("%1 = <i>%2</i>(<i>T</i>)<sup>2</sup> exp(<i>E</i><sub>ref</sub>/%3) / (%3)<sup>2.5</sup>")
          .arg(name, c, kT);
    return QStringLiteral("%1 = <i>%2</i>(<i>T</i>) exp(<i>E</i><sub>ref</sub>/%3) / %3").arg(name, c, kT);
  }
  // Each earlier level enters with its ionized density N_i+ (the tooltip spells it out).
  const QString letter = type == "n" ? "D" : type == "p" ? "A" : "";
  QString bracket = QStringLiteral("<i>%1</i>(<i>T</i>)").arg(c);
  for (int i = 1; i < k; ++i)
    bracket += QStringLiteral(" &minus; <i>N</i><sub>%1%2</sub><sup>+</sup>").arg(letter).arg(i);
  return QStringLiteral("%1 = %2 &middot; [%3 + <i>N</i><sub>com</sub>]").arg(name, factor, bracket);
}

}  // namespace

QString FormulaToolTip(const QString& n) {
  QRegularExpressionMatch m = QRegularExpression("^Image[HS]([23])([np]?)$").match(n);
  if (!m.hasMatch()) return {};
  const int k = m.captured(1).toInt();
  QString text;
  for (int i = 1; i < k; ++i)
    text += QStringLiteral("<p>%1<sup>+</sup> = %2</p>")
                .arg(Subscripted("N", (m.captured(2) == "n"   ? "D"
                                       : m.captured(2) == "p" ? "A"
                                                              : "") +
                                          QString::number(i)),
                     Ionized(m.captured(2), i));
  return text;
}

namespace {

QString Compensation(const QString& type) {
  if (type == "n") return Subscripted("N", "A") + " =";
  if (type == "p") return Subscripted("N", "D") + " =";
  return Subscripted("N", "com") + " =";
}

QString Neutrality(const QString& type) {
  if (type == "p")
    return QStringLiteral(
               "<i>p</i> + <i>N</i><sub>D</sub> = &Sigma;<sub><i>i</i></sub> <i>N</i><sub>A<i>i</i></sub>/[1 + "
               "<i>g</i><sub>A<i>i</i></sub> <i>p</i>/<i>N</i><sub>V</sub> "
               "exp(&Delta;<i>E</i><sub>A<i>i</i></sub>/%1)]")
        .arg(kT);
  return QStringLiteral(
             "<i>n</i> + <i>N</i><sub>A</sub> = &Sigma;<sub><i>i</i></sub> <i>N</i><sub>D<i>i</i></sub>/[1 + "
             "<i>g</i><sub>D<i>i</i></sub> <i>n</i>/<i>N</i><sub>C</sub> exp(&Delta;<i>E</i><sub>D<i>i</i></sub>/%1)]")
      .arg(kT);
}

}  // namespace

QString FormulaHtml(const QString& n) {
  QRegularExpressionMatch m;
  // H_k / S_k formulas: ImageH1, ImageS2n, ImageH3p.
  if ((m = QRegularExpression("^Image([HS])([123])([np]?)$").match(n)).hasMatch())
    return Function(m.captured(1) == "H", m.captured(2).toInt(), m.captured(3));
  // Carried compensating density: ImageH2Com, ImageH3ComN, ImageS2Com.
  if ((m = QRegularExpression("^Image[HS][23]Com([NP]?)$").match(n)).hasMatch())
    return Compensation(m.captured(1).toLower());
  // Density and energy symbols of level j: ImageH2ND1, ImageSDEA3.
  if ((m = QRegularExpression("^Image(?:H[123]|S)(N|DE)([DA]?)([123])$").match(n)).hasMatch()) {
    const QString base = m.captured(1) == "N" ? QStringLiteral("<i>N</i>") : QStringLiteral("&Delta;<i>E</i>");
    return QStringLiteral("%1<sub>%2%3</sub> =").arg(base, m.captured(2), m.captured(3));
  }
  if ((m = QRegularExpression("^ImageN([CV]?)0kT32$").match(n)).hasMatch())
    return QStringLiteral(
               "<i>N</i><sub>%1</sub> = <i>N</i><sub>%1 0</sub> (%2)<sup>3/2</sup>, <i>N</i><sub>%1 0</sub> =")
        .arg(m.captured(1).isEmpty() ? QString() : m.captured(1), kT);
  if (n == "ImageMassElectron") return QStringLiteral("<i>m</i><sub>e</sub>*/<i>m</i><sub>0</sub> =");
  if (n == "ImageMassHole") return QStringLiteral("<i>m</i><sub>h</sub>*/<i>m</i><sub>0</sub> =");
  if (n == "ImageEquivalentMinima") return QStringLiteral("<i>M</i><sub>C</sub> =");
  if (n == "ImageEffectiveDensityOfStatesN")
    return QStringLiteral(
               "<i>N</i><sub>C</sub> = 2 <i>M</i><sub>C</sub> (2&pi; <i>m</i><sub>e</sub>* %1 / "
               "<i>h</i><sup>2</sup>)<sup>3/2</sup>")
        .arg(kT);
  if (n == "ImageEffectiveDensityOfStatesP")
    return QStringLiteral(
               "<i>N</i><sub>V</sub> = 2 (2&pi; <i>m</i><sub>h</sub>* %1 / <i>h</i><sup>2</sup>)<sup>3/2</sup>")
        .arg(kT);
  if (n == "ImageFermiLevelN")
    return QStringLiteral(
               "<i>n</i>(<i>T</i>) = <i>N</i><sub>C</sub>(<i>T</i>) exp[&minus;(<i>E</i><sub>C</sub> &minus; "
               "<i>E</i><sub>F</sub>)/%1]")
        .arg(kT);
  if (n == "ImageFermiLevelP")
    return QStringLiteral(
               "<i>p</i>(<i>T</i>) = <i>N</i><sub>V</sub>(<i>T</i>) exp[&minus;(<i>E</i><sub>F</sub> &minus; "
               "<i>E</i><sub>V</sub>)/%1]")
        .arg(kT);
  if ((m = QRegularExpression("^ImageN([da])H[123]$").match(n)).hasMatch())
    return QStringLiteral("<i>g</i><sub>%1</sub> =").arg(m.captured(1) == "d" ? "D" : "A");
  if (n == "ImageSimulationN") return Neutrality("n");
  if (n == "ImageSimulationP") return Neutrality("p");
  if (n == "ImageFunctionS") return Function(false, 1, "");
  if (n == "ImageFunctionH") return Function(true, 1, "");
  return n.startsWith("Image") ? n.mid(5).toHtmlEscaped() : n.toHtmlEscaped();
}

FormulaPicture::FormulaPicture(const QString& name, QWidget* parent) : QLabel(parent) {
  setObjectName(name);
  setTextFormat(Qt::RichText);
  setText(FormulaHtml(name));
  setToolTip(FormulaToolTip(name));
  setWordWrap(false);
}

}  // namespace korv::ui
