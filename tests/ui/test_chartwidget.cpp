// The chart widget: series content, axis label patterns, the automatic view and the
// figures it writes.
#include <qcustomplot.h>
#include <QFile>
#include <QImage>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include "presenters/main/MainCharts.h"
#include "ui/widgets/ChartWidget.h"

using namespace korv::ui;

class ChartWidgetTest : public QObject {
  Q_OBJECT

 private:
  static ChartSpec logSpec() {
    SeriesStyle points;
    points.marker = Marker::Circle;
    points.color = kRed;
    SeriesStyle line;
    line.line = LineStyle::Dotted;
    line.width = 2;
    return ChartSpec{
        "ChartTest", "Semilog", {"Temperature  [K]", false, ""}, {"n  [cm^-3]", true, "0.0E+00"}, {points, line}};
  }

 private slots:
  void seriesKeepTheirPointsInOrderAndRange() {
    ChartWidget chart(logSpec());
    QCOMPARE(chart.objectName(), QString("ChartTest"));
    QCOMPARE(chart.PointCount(0), 0);
    QCOMPARE(chart.SeriesYRange(0), (std::pair<double, double>{0.0, 0.0}));
    chart.AddPoint(1, 300, 2e15);
    chart.AddPoint(1, 100, 5e14);
    chart.AddPoints(1, {50, 20}, {1e13, 3e12});
    QCOMPARE(chart.PointCount(1), 4);
    // A polyline runs through the points in the order they were added, not sorted by x.
    const auto points = chart.Points(1);
    QCOMPARE(points.front().first, 300.0);
    QCOMPARE(points.back().first, 20.0);
    QCOMPARE(chart.SeriesYRange(1), (std::pair<double, double>{3e12, 2e15}));
    chart.ClearSeries(1);
    QCOMPARE(chart.PointCount(1), 0);
    // Unknown series are ignored, not a crash.
    chart.AddPoint(7, 1, 1);
    chart.ClearSeries(-1);
    QCOMPARE(chart.PointCount(7), 0);
  }

  void axesFollowTheDataAndShowTheirPatterns() {
    ChartWidget chart(logSpec());
    chart.resize(500, 400);
    chart.AddPoints(0, {20, 100, 300}, {3e12, 5e14, 2e15});
    chart.ResetView();
    const QCPRange y = chart.Plot()->yAxis->range();
    QVERIFY(y.lower < 3e12 && y.lower > 1e12);
    QVERIFY(y.upper > 2e15 && y.upper < 5e15);
    QCOMPARE(chart.Plot()->yAxis->scaleType(), QCPAxis::stLogarithmic);
    const QStringList labels = chart.LeftTickLabels();
    QVERIFY(!labels.isEmpty());
    for (const QString& label : labels)
      QVERIFY2(QRegularExpression("^\\d\\.\\dE[+-]\\d\\d$").match(label).hasMatch(), qPrintable(label));
    // Logarithmic ticks sit on the decades.
    for (const QString& label : labels) QVERIFY2(label.startsWith("1.0E+1"), qPrintable(label));
    // Bottom labels in the general form, and no legend.
    for (const QString& label : chart.BottomTickLabels()) QVERIFY2(!label.contains('e'), qPrintable(label));
    QVERIFY(!chart.Plot()->legend->visible());
    QCOMPARE(chart.Plot()->axisRect()->backgroundBrush().color(), QColor(Qt::white));

    // Zoom away, then a double click brings the automatic view back.
    chart.Plot()->xAxis->setRange(1000, 2000);
    QTest::mouseDClick(chart.Plot(), Qt::LeftButton, {}, QPoint(250, 200));
    QVERIFY(chart.Plot()->xAxis->range().contains(20) && chart.Plot()->xAxis->range().contains(300));
  }

  void theMainChartsCarryTheirStyles() {
    ChartWidget h1(MainChart("ChartH1"));
    QCOMPARE(h1.SeriesCount(), 4);
    QCOMPARE(h1.LeftTitle(), QString("H1(T,E_ref) [cm^-6 eV^-2.5]"));
    h1.resize(500, 400);
    h1.AddPoints(0, {100, 200, 300}, {1e35, 7e36, 2e36});
    const QStringList labels = h1.LeftTickLabels();
    QVERIFY(!labels.isEmpty());
    for (const QString& label : labels)
      QVERIFY2(QRegularExpression("^-?\\d\\.\\d{1,2}E[+-]\\d\\d$").match(label).hasMatch(), qPrintable(label));
    h1.SetAxisTitles("Temperature  [K]", "S1(T,E_ref) [cm^-3 eV^-1]");
    QCOMPARE(h1.LeftTitle(), QString("S1(T,E_ref) [cm^-3 eV^-1]"));
  }

  void savesFiguresInEveryOfferedFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("scale");  // 0: vector
    QTest::newRow("bitmap") << "figure.bmp" << 1;
    QTest::newRow("png") << "figure.png" << 3;
    QTest::newRow("pdf") << "figure.pdf" << 0;
    QTest::newRow("svg") << "figure.svg" << 0;
    QTest::newRow("no extension is a bitmap") << "figure" << 1;
  }

  void savesFiguresInEveryOfferedFormat() {
    QFETCH(QString, name);
    QFETCH(int, scale);
    QTemporaryDir dir;
    ChartWidget chart(logSpec());
    chart.resize(480, 360);
    chart.AddPoints(0, {20, 100, 300}, {3e12, 5e14, 2e15});
    const QString path = dir.filePath(name);
    QString error;
    QVERIFY2(chart.SaveImage(path, error), qPrintable(error));
    if (scale > 0) {
      QImage image(path, scale == 1 ? "BMP" : "PNG");
      QVERIFY(!image.isNull());
      QCOMPARE(image.size(), QSize(480, 360) * scale);
      // White background, and some red of the measured points.
      QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));
    } else if (name.endsWith(".svg")) {
      QSvgRenderer svg(path);
      QVERIFY(svg.isValid());
      QCOMPARE(svg.viewBox().size(), QSize(480, 360));
    } else {
      QFile pdf(path);
      QVERIFY(pdf.open(QIODevice::ReadOnly));
      QVERIFY(pdf.read(5) == "%PDF-");
    }
  }

  void aFailedSaveKeepsTheOldFileAndSaysWhy() {
    QTemporaryDir dir;
    ChartWidget chart(logSpec());
    QString error;
    QVERIFY(!chart.SaveImage(dir.filePath("no/such/folder/figure.bmp"), error));
    QVERIFY(!error.isEmpty());
  }
};

QTEST_MAIN(ChartWidgetTest)
#include "test_chartwidget.moc"
