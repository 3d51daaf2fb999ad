#include "ui/widgets/ChartWidget.h"

#include <qcustomplot.h>
#include <QFileInfo>
#include <QMetaObject>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/Numbers.h"

namespace korv::ui {
namespace {

QString TickText(double tick, const std::string& pattern) {
  // Ticks of a linear axis that should be zero come out as 1e-17 and the like.
  if (std::fabs(tick) < 1e-300) tick = 0;
  const std::string text = pattern.empty() ? korv::FormatGeneral(tick) : korv::FormatPattern(tick, pattern);
  return QString::fromStdString(text);
}

class PatternTicker : public QCPAxisTicker {
 public:
  explicit PatternTicker(std::string pattern) : pattern_(std::move(pattern)) { setTickCount(6); }

 protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    // Values within rounding noise of zero on a wide linear range are shown as zero.
    const double step = tickStep_ > 0 ? tickStep_ : 0;
    if (step > 0 && std::fabs(tick) < step * 1e-9) tick = 0;
    return TickText(tick, pattern_);
  }
  double getTickStep(const QCPRange& range) override {
    tickStep_ = QCPAxisTicker::getTickStep(range);
    return tickStep_;
  }

 private:
  std::string pattern_;
  double tickStep_ = 0;
};

class PatternLogTicker : public QCPAxisTickerLog {
 public:
  explicit PatternLogTicker(std::string pattern) : pattern_(std::move(pattern)) {
    setLogBase(10);
    setSubTickCount(8);
    setTickCount(6);
  }

 protected:
  QString getTickLabel(double tick, const QLocale&, QChar, int) override { return TickText(tick, pattern_); }

 private:
  std::string pattern_;
};

QColor ToColor(std::uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

QCPScatterStyle ScatterFor(const SeriesStyle& style) {
  const QColor color = ToColor(style.color);
  const QPen pen(color, 1.2);
  const QBrush brush(style.whiteFill ? QColor(Qt::white) : color);
  const int size = std::max(style.size, 1);
  if (style.verticalSize > 0 && style.verticalSize != size) {
    // Custom shapes are drawn scaled by size/6; a 6-wide rectangle gives the requested width and height.
    const double half = 3.0 * style.verticalSize / size;
    QPainterPath path;
    if (style.marker == Marker::Circle) {
      path.addEllipse(QPointF(0, 0), 3.0, half);
    } else if (style.marker == Marker::Cross) {
      path.moveTo(-3, -half);
      path.lineTo(3, half);
      path.moveTo(-3, half);
      path.lineTo(3, -half);
    } else {
      path.addRect(QRectF(-3, -half, 6, 2 * half));
    }
    return QCPScatterStyle(path, pen, brush, size);
  }
  switch (style.marker) {
    case Marker::Circle:
      return QCPScatterStyle(QCPScatterStyle::ssCircle, pen, brush, size);
    case Marker::Square:
      return QCPScatterStyle(QCPScatterStyle::ssSquare, pen, brush, size);
    case Marker::Cross:
      return QCPScatterStyle(QCPScatterStyle::ssCross, pen, brush, size);
    case Marker::None:
      break;
  }
  return QCPScatterStyle(QCPScatterStyle::ssNone);
}

// Range of a data extent with a small margin, in the axis' own scale.
QCPRange Padded(const QCPRange& range, bool logarithmic) {
  if (logarithmic) {
    if (!(range.lower > 0) || !(range.upper > 0)) return QCPRange(1, 10);
    double lo = std::log10(range.lower);
    double hi = std::log10(range.upper);
    const double pad = hi > lo ? 0.04 * (hi - lo) : 0.5;
    return QCPRange(std::pow(10.0, lo - pad), std::pow(10.0, hi + pad));
  }
  double pad = 0.04 * (range.upper - range.lower);
  if (!(pad > 0)) pad = range.lower != 0 ? std::fabs(range.lower) * 0.1 : 1;
  return QCPRange(range.lower - pad, range.upper + pad);
}

bool Finite(const QCPRange& r) { return std::isfinite(r.lower) && std::isfinite(r.upper); }

}  // namespace

ChartWidget::ChartWidget(const ChartSpec& spec, QWidget* parent) : QWidget(parent), spec_(spec) {
  setObjectName(QString::fromStdString(spec.name));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  plot_ = new QCustomPlot(this);
  layout->addWidget(plot_);

  plot_->setBackground(Qt::white);
  plot_->axisRect()->setBackground(Qt::white);
  plot_->legend->setVisible(false);
  plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  plot_->axisRect()->setRangeDrag(Qt::Horizontal | Qt::Vertical);
  plot_->axisRect()->setRangeZoom(Qt::Horizontal | Qt::Vertical);
  plot_->setNoAntialiasingOnDrag(true);
  // Two axes only: the right and top ones just close the frame.
  plot_->xAxis2->setVisible(true);
  plot_->yAxis2->setVisible(true);
  plot_->xAxis2->setTickLabels(false);
  plot_->yAxis2->setTickLabels(false);
  connect(plot_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), plot_->xAxis2,
          qOverload<const QCPRange&>(&QCPAxis::setRange));
  connect(plot_->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), plot_->yAxis2,
          qOverload<const QCPRange&>(&QCPAxis::setRange));

  if (!spec.title.empty()) {
    plot_->plotLayout()->insertRow(0);
    auto* title =
        new QCPTextElement(plot_, QString::fromStdString(spec.title), QFont(font().family(), 10, QFont::Bold));
    plot_->plotLayout()->addElement(0, 0, title);
  }
  ConfigureAxis(plot_->xAxis, spec.bottom);
  ConfigureAxis(plot_->yAxis, spec.left);
  plot_->xAxis2->setScaleType(plot_->xAxis->scaleType());
  plot_->yAxis2->setScaleType(plot_->yAxis->scaleType());
  plot_->xAxis2->setTicker(plot_->xAxis->ticker());
  plot_->yAxis2->setTicker(plot_->yAxis->ticker());

  for (const SeriesStyle& style : spec.series) {
    auto* curve = new QCPCurve(plot_->xAxis, plot_->yAxis);
    curve->setScatterStyle(ScatterFor(style));
    if (style.line == LineStyle::None) {
      curve->setLineStyle(QCPCurve::lsNone);
    } else {
      QPen pen(ToColor(style.color), std::max(style.width, 1));
      pen.setStyle(style.line == LineStyle::Dotted ? Qt::DotLine : Qt::SolidLine);
      curve->setPen(pen);
      curve->setLineStyle(QCPCurve::lsLine);
    }
    curves_.push_back(curve);
  }
  connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { ResetView(); });
  ResetView();
}

void ChartWidget::ConfigureAxis(QCPAxis* axis, const AxisSpec& spec) {
  axis->setLabel(QString::fromStdString(spec.title));
  if (spec.logarithmic) {
    axis->setScaleType(QCPAxis::stLogarithmic);
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new PatternLogTicker(spec.labelPattern)));
    axis->setRange(1, 10);
  } else {
    axis->setScaleType(QCPAxis::stLinear);
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new PatternTicker(spec.labelPattern)));
    axis->setRange(0, 1);
  }
}

QCPCurve* ChartWidget::Curve(int series) const {
  if (series < 0 || series >= SeriesCount()) return nullptr;
  return curves_[static_cast<std::size_t>(series)];
}

void ChartWidget::ClearSeries(int series) {
  if (QCPCurve* curve = Curve(series)) {
    curve->data()->clear();
    DataChanged();
  }
}

void ChartWidget::AddPoint(int series, double x, double y) {
  if (QCPCurve* curve = Curve(series)) {
    curve->addData(curve->dataCount(), x, y);
    DataChanged();
  }
}

void ChartWidget::AddPoints(int series, const std::vector<double>& x, const std::vector<double>& y) {
  QCPCurve* curve = Curve(series);
  if (!curve) return;
  const std::size_t n = std::min(x.size(), y.size());
  QVector<double> t(static_cast<qsizetype>(n)), keys(static_cast<qsizetype>(n)), values(static_cast<qsizetype>(n));
  const int start = curve->dataCount();
  for (std::size_t i = 0; i < n; ++i) {
    t[static_cast<qsizetype>(i)] = start + static_cast<double>(i);
    keys[static_cast<qsizetype>(i)] = x[i];
    values[static_cast<qsizetype>(i)] = y[i];
  }
  curve->addData(t, keys, values, true);
  DataChanged();
}

int ChartWidget::PointCount(int series) const {
  const QCPCurve* curve = Curve(series);
  return curve ? curve->dataCount() : 0;
}

std::pair<double, double> ChartWidget::SeriesYRange(int series) const {
  const QCPCurve* curve = Curve(series);
  if (!curve || curve->dataCount() == 0) return {0.0, 0.0};
  double lo = 0, hi = 0;
  bool first = true;
  for (auto it = curve->data()->constBegin(); it != curve->data()->constEnd(); ++it) {
    if (first || it->value < lo) lo = it->value;
    if (first || it->value > hi) hi = it->value;
    first = false;
  }
  return {lo, hi};
}

std::vector<std::pair<double, double>> ChartWidget::Points(int series) const {
  std::vector<std::pair<double, double>> points;
  if (const QCPCurve* curve = Curve(series)) {
    for (auto it = curve->data()->constBegin(); it != curve->data()->constEnd(); ++it)
      points.emplace_back(it->key, it->value);
  }
  return points;
}

void ChartWidget::SetAxisTitles(const QString& bottom, const QString& left) {
  plot_->xAxis->setLabel(bottom);
  plot_->yAxis->setLabel(left);
  spec_.bottom.title = bottom.toStdString();
  spec_.left.title = left.toStdString();
  Replot();
}

QString ChartWidget::BottomTitle() const { return plot_->xAxis->label(); }
QString ChartWidget::LeftTitle() const { return plot_->yAxis->label(); }

QStringList ChartWidget::LeftTickLabels() const {
  const_cast<ChartWidget*>(this)->Replot();
  const QVector<QString> labels = plot_->yAxis->tickVectorLabels();
  return QStringList(labels.begin(), labels.end());
}

QStringList ChartWidget::BottomTickLabels() const {
  const_cast<ChartWidget*>(this)->Replot();
  const QVector<QString> labels = plot_->xAxis->tickVectorLabels();
  return QStringList(labels.begin(), labels.end());
}

void ChartWidget::DataChanged() {
  if (replotPending_) return;
  replotPending_ = true;
  QMetaObject::invokeMethod(this, &ChartWidget::ResetView, Qt::QueuedConnection);
}

void ChartWidget::ResetView() {
  replotPending_ = false;
  bool any = false;
  QCPRange keys, values;
  for (QCPCurve* curve : curves_) {
    if (curve->dataCount() == 0) continue;
    bool foundKeys = false, foundValues = false;
    const auto keyDomain = spec_.bottom.logarithmic ? QCP::sdPositive : QCP::sdBoth;
    const auto valueDomain = spec_.left.logarithmic ? QCP::sdPositive : QCP::sdBoth;
    const QCPRange k = curve->getKeyRange(foundKeys, keyDomain);
    const QCPRange v = curve->getValueRange(foundValues, valueDomain);
    if (!foundKeys || !foundValues || !Finite(k) || !Finite(v)) continue;
    if (!any) {
      keys = k;
      values = v;
      any = true;
    } else {
      keys.expand(k);
      values.expand(v);
    }
  }
  FitTickCounts();
  if (any) {
    plot_->xAxis->setRange(Padded(keys, spec_.bottom.logarithmic));
    plot_->yAxis->setRange(Padded(values, spec_.left.logarithmic));
  } else {
    plot_->xAxis->setRange(spec_.bottom.logarithmic ? QCPRange(1, 10) : QCPRange(0, 1));
    plot_->yAxis->setRange(spec_.left.logarithmic ? QCPRange(1, 10) : QCPRange(0, 1));
  }
  Replot();
}

void ChartWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitTickCounts();
}

void ChartWidget::FitTickCounts() {
  // Bottom labels such as "1.0E+15" need about 80 pixels, left ones about 40 in height.
  const int across = std::max(2, std::min(8, plot_->width() / 90));
  const int up = std::max(2, std::min(8, plot_->height() / 55));
  plot_->xAxis->ticker()->setTickCount(across);
  plot_->yAxis->ticker()->setTickCount(up);
}

void ChartWidget::Replot() {
  if (replotPending_) {
    ResetView();
    return;
  }
  plot_->replot(QCustomPlot::rpImmediateRefresh);
}

QSize ChartWidget::ImageSize() const {
  const QSize own = size();
  if (own.width() >= 200 && own.height() >= 150) return own;
  return {640, 480};
}

bool ChartWidget::SaveImage(const QString& path, QString& error) {
  if (replotPending_) ResetView();
  const QSize size = ImageSize();
  const QString suffix = QFileInfo(path).suffix().toLower();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    error = file.errorString();
    return false;
  }
  bool drawn = false;
  if (suffix == "pdf") {
    QPdfWriter writer(&file);
    writer.setCreator("KORV");
    writer.setResolution(96);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(size.width() * 0.75, size.height() * 0.75), QPageSize::Point));
    QCPPainter painter(&writer);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot_->toPainter(&painter, size.width(), size.height());
    drawn = painter.end();
  } else if (suffix == "svg") {
    QSvgGenerator generator;
    generator.setOutputDevice(&file);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(96);
    generator.setTitle(objectName());
    QCPPainter painter(&generator);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot_->toPainter(&painter, size.width(), size.height());
    drawn = painter.end();
  } else if (suffix == "png") {
    // Three times the screen resolution: sharp enough for a printed paper.
    QImage image = plot_->toPixmap(size.width(), size.height(), 3.0).toImage();
    image.setDotsPerMeterX(qRound(288 / 0.0254));
    image.setDotsPerMeterY(qRound(288 / 0.0254));
    drawn = image.save(&file, "PNG");
  } else {
    const QImage image =
        plot_->toPixmap(size.width(), size.height(), 1.0).toImage().convertToFormat(QImage::Format_RGB32);
    drawn = image.save(&file, "BMP");
  }
  if (!drawn) {
    file.cancelWriting();
    error = QStringLiteral("the image could not be drawn");
    return false;
  }
  if (!file.commit()) {
    error = file.errorString();
    return false;
  }
  // Replot: drawing into another device leaves the widget's buffer stale.
  plot_->replot(QCustomPlot::rpQueuedReplot);
  return true;
}

}  // namespace korv::ui
