// Smoke test of the curve-fitting window from the real main window: the road to a saved
// simulation, then both commands open the window (prepared each time), a fit, the file, the
// figures, and a stage reset closes it.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <memory>

#include "core/Analysis.h"
#include "presenters/analyses/CurveFittingPresenter.h"
#include "support/RealProgram.h"
#include "ui/analyses/CurveFittingWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/main/QtWindows.h"
#include "ui/widgets/ChartWidget.h"
#include "ui/widgets/QtView.h"

using namespace korv::ui;

namespace {

using korv::test::ScriptedDialogs;

}  // namespace

class CurveFittingWindowTest : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs dialogs_;
  QTemporaryDir dir_;
  std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void initTestCase() {
    dialogs_.answerYes = true;
    QVERIFY(dir_.isValid());
  }

  void bothCommandsOpenThePreparedWindowAndAFitRuns() {
    korv::test::RealProgram p;
    Analysis& record = p.record;
    QtWindows& windows = p.windows;
    TFormMain& main = *p.main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto click = [&](const char* name) { return p.click(name); };
    auto menu = [&](const char* name) { return p.trigger(name); };

    korv::test::ToSavedFermiLevel(p, dialogs_, KORV_TEST_DATA "/datasets/07_sic4h_n_N_two_sites.nT", path("road"));
    if (QTest::currentTestFailed()) return;
    QVERIFY(click("ButtonCalcH1"));
    QVERIFY(click("ButtonEvaluation1"));
    dialogs_.saves = {path("road.H1")};
    QVERIFY(click("ButtonSaveH1"));
    dialogs_.notices.clear();
    // H2 with its "Calculation again" loop (the questions are answered "Yes").
    for (int i = 0; i < 5 && !main.View().IsEnabled("ButtonSaveH2"); ++i) {
      if (!click("ButtonCalcH2")) break;
      click("ButtonEvaluation2");
    }
    dialogs_.saves = {path("road.H2")};
    QVERIFY(click("ButtonSaveH2"));
    QVERIFY(!menu("MenuCurveFitting"));  // not before the simulation is saved
    QVERIFY(click("ButtonSimulation"));
    dialogs_.saves = {path("road.simH")};
    QVERIFY(click("ButtonSaveSimulation"));
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());

    TFormCurveFitting* window = windows.CurveFitting();
    QVERIFY(window);
    QVERIFY(!window->isVisible());
    QVERIFY(menu("MenuCurveFitting"));
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QString(kCurveFittingCaption));
    QCOMPARE(window->pos(), QPoint(60, 50));
    ChartWidget* simulation = window->View().Chart(kChartSimulation);
    ChartWidget* fit = window->View().Chart(kChartCurveFitting);
    QCOMPARE(simulation->Spec().title, std::string("Simulation results obtained by KORV"));
    QCOMPARE(fit->Spec().title, std::string("Fine adjustment by curve-fitting"));
    QCOMPARE(simulation->PointCount(cfseries::kPoints), record.DataCount);
    QCOMPARE(simulation->PointCount(cfseries::kStartingCurve), record.GridCount);
    QCOMPARE(fit->PointCount(cfseries::kLowMarker), 1);
    QCOMPARE(fit->PointCount(cfseries::kHighMarker), 1);
    QCOMPARE(fit->LeftTitle(), QString("Electron Concentration  [cm^-3]"));
    QVERIFY(window->findChild<QLineEdit*>("EditWeight")->isHidden());
    const QString startLevel = window->findChild<QLineEdit*>("EditCFEnergy1")->text();

    // A negative compensating density lies outside the physical range: nothing is fitted.
    auto* compensation = window->findChild<QLineEdit*>("EditCFCDensity");
    compensation->setText("-1.00E+15");
    auto* fitButton = window->findChild<QAbstractButton*>("ButtonCurveFitting");
    fitButton->click();
    QCOMPARE(dialogs_.errors.size(), std::size_t(1));
    QCOMPARE(dialogs_.errors[0], std::string(korv::curvefit::kOutsideDomain));
    QCOMPARE(fit->PointCount(cfseries::kAdjustedCurve), 0);
    QCOMPARE(compensation->text(), QString("-1.00E+15"));
    dialogs_.errors.clear();
    window->findChild<QAbstractButton*>("ButtonInitialize")->click();
    QVERIFY(!compensation->text().startsWith('-'));
    fitButton->click();
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    QVERIFY(fit->PointCount(cfseries::kAdjustedCurve) == record.GridCount);
    QVERIFY(fitButton->text().startsWith("Curve Fitting"));
    QVERIFY(window->Presenter().LastFit());
    QVERIFY(window->Presenter().LastFit()->deviationAfter <= window->Presenter().LastFit()->deviationBefore);
    QVERIFY(!window->findChild<QLabel*>("LabelErrorCFEnergy1")->text().isEmpty());
    QVERIFY(!window->findChild<QLabel*>("LabelErrorCFEnergy1")->toolTip().isEmpty());

    // The relative deviation: the radio buttons exclude each other, the fit shows its reduced chi^2.
    auto* absolute = window->findChild<QAbstractButton*>("RadioButtonAbsolute");
    auto* relative = window->findChild<QAbstractButton*>("RadioButtonRelative");
    QVERIFY(absolute && relative && absolute->isChecked() && !relative->isChecked());
    relative->click();
    QVERIFY(!absolute->isChecked());
    QVERIFY(fitButton->isEnabled());
    fitButton->click();
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    QVERIFY(window->Presenter().LastRelativeFit());
    QVERIFY(window->findChild<QLabel*>("LabelReducedChi2")->text().startsWith("Reduced"));
    QVERIFY(window->findChild<QLabel*>("LabelErrorCFDensity1")->text().startsWith(QString::fromUtf8("\xC2\xB1")));
    QCOMPARE(fit->PointCount(cfseries::kAdjustedCurve), record.GridCount);
    QVERIFY(window->findChild<QAbstractButton*>("ButtonMerge"));

    const QByteArray shots = qgetenv("KORV_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      QDir().mkpath(shots);
      QApplication::processEvents();
      QTest::qWait(50);
      window->grab().save(QString("%1/curvefitting.png").arg(QString(shots)));
    }

    dialogs_.saves = {path("road.cft")};
    window->findChild<QAbstractButton*>("ButtonSave")->click();
    QCOMPARE(QFileInfo(QString::fromStdString(dialogs_.saveDialogs.back().fileName)).fileName(), QString("road.cft"));
    QVERIFY(QFileInfo::exists(dir_.filePath("road.cft")));
    QCOMPARE(window->findChild<QLabel*>("LabelFilename")->text(), dir_.filePath("road.cft"));
    dialogs_.saves = {path("roadCurve.bmp")};
    window->findChild<QAbstractButton*>("ButtonSaveFigureCurveFitting")->click();
    QVERIFY(!QImage(dir_.filePath("roadCurve.bmp"), "BMP").isNull());
    dialogs_.printTo = dir_.filePath("window.pdf");
    window->findChild<QAbstractButton*>("ButtonPrint")->click();
    QVERIFY(QFileInfo(dir_.filePath("window.pdf")).size() > 0);

    // The Simulation tab's button opens it too, prepared again.
    window->hide();
    QVERIFY(click("ButtonFineAdjustment"));
    QVERIFY(window->isVisible());
    QCOMPARE(fitButton->text(), QString("Curve Fitting"));
    QCOMPARE(fit->PointCount(cfseries::kAdjustedCurve), 0);
    QCOMPARE(window->findChild<QLineEdit*>("EditCFEnergy1")->text(), startLevel);

    // A new spline clears the later stages and closes the window.
    QVERIFY(click("ButtonCalcSpline"));
    QVERIFY(!window->isVisible());
  }
};

QTEST_MAIN(CurveFittingWindowTest)
#include "test_curvefitting.moc"
