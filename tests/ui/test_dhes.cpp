// Smoke test of the DHES window from the real main window: the menu item opens it
// prepared, two peaks are found and evaluated through its buttons, the sum, file and
// figure are saved, and a new spline closes it. With KORV_SCREENSHOT_DIR set, an image of
// the window after the two evaluations is kept there as dhes.png.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <deque>
#include <memory>

#include "core/Analysis.h"
#include "presenters/analyses/DhesPresenter.h"
#include "support/RealProgram.h"
#include "ui/analyses/DhesWindow.h"
#include "ui/help/HtmlWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/main/QtWindows.h"
#include "ui/widgets/ChartWidget.h"

using namespace korv::ui;

namespace {

using korv::test::ScriptedDialogs;

const char* kDataset = KORV_TEST_DATA "/datasets/07_sic4h_n_N_two_sites.nT";

using korv::test::ClickButton;

}  // namespace

class DhesWindowTest : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs dialogs_;
  QTemporaryDir dir_;
  std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // The guide beside the program, as the build puts it beside korv.
    const QString guide = QCoreApplication::applicationDirPath() + "/KORVWinHelp.html";
    if (!QFileInfo::exists(guide)) QVERIFY(QFile::copy(KORV_TEST_DATA "/../../docs/KORVWinHelp.html", guide));
  }

  void openedFromTheMenuAndDrivenThroughTwoPeaks() {
    korv::test::RealProgram p;
    Analysis& record = p.record;
    QtWindows& windows = p.windows;
    TFormMain& main = *p.main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    // The main road to the saved Fermi level.
    dialogs_.opens = {kDataset};
    QVERIFY(ClickButton(&main, "ButtonLoadExperimental"));
    QVERIFY(ClickButton(&main, "ButtonCalcSpline"));
    dialogs_.saves = {path("sic.spl")};
    QVERIFY(ClickButton(&main, "ButtonSaveSpline"));
    QVERIFY(ClickButton(&main, "ButtonCalcFermiLevel"));
    QAction* menu = main.findChild<QAction*>("MenuDHES");
    QVERIFY(menu);
    QVERIFY(!menu->isEnabled());
    dialogs_.saves = {path("sic.fl")};
    QVERIFY(ClickButton(&main, "ButtonSaveFermiLevel"));
    QVERIFY(menu->isEnabled());
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());

    TFormDHES* dhes = korv::test::FindTopLevel<TFormDHES>();
    QVERIFY(dhes);
    QVERIFY(!dhes->isVisible());
    menu->trigger();
    QVERIFY(dhes->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(dhes));
    QCOMPARE(dhes->windowTitle(),
             QString("Differential Hall Effect Spectroscopy (DHES)    ") + QString::fromStdString(record.SampleNumber));
    QCOMPARE(dhes->pos(), QPoint(150, 90));
    ChartWidget* chart = dhes->Chart();
    QCOMPARE(chart->SeriesCount(), 14);
    QCOMPARE(chart->PointCount(dhesseries::kSignal), record.GridCount - 1);
    QCOMPARE(chart->BottomTitle(), QString("Fermi Level from Conduction Band  [eV]"));
    QVERIFY(!dhes->findChild<QWidget*>("ImageDHESp")->isVisibleTo(dhes));
    QVERIFY(dhes->findChild<QWidget*>("ImageTDHESn")->isVisibleTo(dhes));
    QVERIFY(!ClickButton(dhes, "ButtonSaveDHES"));

    QVERIFY(ClickButton(dhes, "ButtonNextPeak1"));
    QVERIFY(ClickButton(dhes, "ButtonEvaluation1"));
    QVERIFY(ClickButton(dhes, "ButtonNextPeak2"));
    QVERIFY(ClickButton(dhes, "ButtonNextPeak2"));
    QVERIFY(ClickButton(dhes, "ButtonEvaluation2"));
    QVERIFY(ClickButton(dhes, "ButtonDraw1"));
    dialogs_.notices.clear();  // the road's notice of a spline that misses points
    QVERIFY(ClickButton(dhes, "ButtonSum"));
    QCOMPARE(dialogs_.notices.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(dialogs_.notices.back()), QString(kDhesSumNotice));
    QCOMPARE(chart->PointCount(dhesseries::kTheoretical), record.GridCount - 1);
    QCOMPARE(chart->PointCount(dhesseries::kTheoretical + 1), record.GridCount - 1);
    QCOMPARE(chart->PointCount(dhesseries::kApproximate), record.GridCount - 1);
    QCOMPARE(chart->PointCount(dhesseries::kSum), record.GridCount - 1);
    QCOMPARE(chart->PointCount(dhesseries::kMarker + 2), 1);
    const QString level2 = dhes->findChild<QLabel*>("LabelDHESE2")->text();
    QVERIFY2(level2.startsWith("0.1"), qPrintable(level2));
    QVERIFY(dhes->findChild<QLabel*>("LabelDHESD1")->text().endsWith("E+16"));

    // The window grows with its chart.
    const QSize before = chart->size();
    dhes->resize(dhes->width() + 120, dhes->height() + 80);
    QTest::qWait(20);
    QVERIFY(chart->width() > before.width() && chart->height() > before.height());
    dhes->resize(dhes->width() - 120, dhes->height() - 80);
    QTest::qWait(20);

    const QString shots = qEnvironmentVariable("KORV_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      QDir().mkpath(shots);
      QVERIFY(dhes->grab().save(shots + "/dhes.png"));
    }

    dialogs_.saves = {path("sic.DHES"), path("sicDHES.bmp")};
    QVERIFY(ClickButton(dhes, "ButtonSaveDHES"));
    QVERIFY(QFileInfo::exists(dir_.filePath("sic.DHES")));
    QVERIFY(ClickButton(dhes, "ButtonSaveFigureDHES"));
    QVERIFY(QFileInfo::exists(dir_.filePath("sicDHES.bmp")));
    QCOMPARE(dialogs_.saveDialogs.back().filterIndex, 3);
    dialogs_.printTo = dir_.filePath("dhes.pdf");
    QVERIFY(ClickButton(dhes, "ButtonPrintDHES"));
    QVERIFY(QFileInfo(dir_.filePath("dhes.pdf")).size() > 0);
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    QVERIFY(ClickButton(dhes, "ButtonHelp"));
    QVERIFY(windows.Help()->isVisible());
    // The guide opens at the window's own section.
    auto* browser = windows.Help()->findChild<QTextBrowser*>("WebBrowser1");
    QVERIFY(browser);
    QCOMPARE(browser->source().fragment(), QStringLiteral("dhes"));
    QVERIFY(browser->source().path().endsWith(QStringLiteral("KORVWinHelp.html")));

    // Opening again prepares it anew; a new spline closes it.
    menu->trigger();
    QCOMPARE(chart->PointCount(dhesseries::kTheoretical), 0);
    QVERIFY(!dhes->findChild<QAbstractButton*>("ButtonSaveDHES")->isEnabled());
    QVERIFY(ClickButton(&main, "ButtonCalcSpline"));
    QVERIFY(!dhes->isVisible());
  }
};

QTEST_MAIN(DhesWindowTest)
#include "test_dhes.moc"
