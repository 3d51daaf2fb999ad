// Smoke test of the excited-states window from the real main window: the road to H1 on
// the p-GaN:Mg measurement, the window opened from its menu item, "Evaluation" through its
// own button, a save, and the window closed again by a stage reset.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <memory>

#include "core/Analysis.h"
#include "presenters/analyses/ExcitedStatesPresenter.h"
#include "support/RealProgram.h"
#include "ui/analyses/ExcitedStatesWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/main/QtWindows.h"
#include "ui/widgets/ChartWidget.h"
#include "ui/widgets/QtView.h"

using namespace korv::ui;

namespace {

using korv::test::ScriptedDialogs;

const char* kDataset = KORV_TEST_DATA "/datasets/17_gan_p_Mg_excited_states.pT";

}  // namespace

class ExcitedStatesWindowTest : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs dialogs_;
  QTemporaryDir dir_;
  std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void initTestCase() {
    QApplication::setApplicationDisplayName("KORV");
    dialogs_.answerYes = true;
    QVERIFY(dir_.isValid());
  }

  void opensFromTheMenuEvaluatesAndClosesWithTheStageReset() {
    // Advanced mode: the menu "Distribution Function" is shown only there.
    korv::test::RealProgram p(false);
    Analysis& record = p.record;
    QtWindows& windows = p.windows;
    auto& main = p.main;
    auto click = [&](const char* name) { return p.click(name); };
    TFormExcitedStates* excited = korv::test::FindTopLevel<TFormExcitedStates>();
    QVERIFY(excited);
    QVERIFY(!excited->isVisible());
    QCOMPARE(excited->windowTitle(), QString("Influence of Excted States of Dopant"));

    main->show();
    dialogs_.opens = {kDataset};
    QVERIFY(click("ButtonLoadExperimental"));
    QVERIFY(click("ButtonCalcSpline"));
    dialogs_.saves = {path("gan.spl")};
    QVERIFY(click("ButtonSaveSpline"));
    QVERIFY(click("ButtonInputChangeInformation"));
    QVERIFY(click("ButtonCalcEffectiveDensityOfStates"));
    QVERIFY(click("ButtonCalcFermiLevel"));
    dialogs_.saves = {path("gan.fl")};
    QVERIFY(click("ButtonSaveFermiLevel"));
    auto* menu = main->findChild<QAction*>("MenuExcitedStates");
    QVERIFY(menu && !menu->isEnabled());
    QVERIFY(click("ButtonCalcH1"));
    QVERIFY(click("ButtonEvaluation1"));
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    QVERIFY(menu->isEnabled());
    // When the deep-level caution applied, the window is already open after the caution.
    QCOMPARE(excited->isVisible(), record.ScaledCompensation);
    menu->trigger();
    QVERIFY(excited->isVisible());
    QCOMPARE(excited->pos(), QPoint(50, 40));
    QtView& view = excited->View();
    QCOMPARE(QString::fromStdString(view.Text("LabelConductionType1")), QString("p-type"));
    QCOMPARE(QString::fromStdString(view.Text("EditDielectricConstant")), QString("8.9"));
    QVERIFY(!view.IsVisible("ImageFermiDiracDonor") && view.IsVisible("ImageFermiDiracAcceptor"));
    QVERIFY(!view.IsVisible("TabSheet3") && !view.IsVisible("ButtonOption"));
    QCOMPARE(view.Chart("ChartH1Normal")->PointCount(0), record.GridCount);
    QCOMPARE(view.Chart("ChartConcentrationNormal")->LeftTitle(), QString("Hole Concentration  [cm^-3]"));
    QVERIFY(view.Chart("ChartConcentrationNormal")->PointCount(1) == record.GridCount);

    auto* evaluate = excited->findChild<QAbstractButton*>("ButtonAuto");
    QVERIFY(evaluate && evaluate->isEnabled());
    evaluate->click();
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    QVERIFY(!evaluate->isEnabled());
    const int r = excited->Presenter().Engine().HighestLevel;
    QVERIFY(r >= 2 && r <= 10);
    QCOMPARE(view.IsVisible("ImageE2"), true);
    QCOMPARE(view.IsVisible("ImageE10"), r == 10);
    QVERIFY(view.Text("LabelEnergyLevel") != "0");
    QVERIFY(view.Chart("ChartH1Excited")->PointCount(1) > 0);
    QVERIFY(!windows.ProgressReport()->isVisible());
    dialogs_.saves = {path("gan.exc")};
    excited->findChild<QAbstractButton*>("ButtonSaveExcitedStates")->click();
    QVERIFY(QFileInfo::exists(dir_.filePath("gan.exc")));
    QCOMPARE(dialogs_.saveDialogs.back().fileName, path("gan.exc"));

    const QByteArray shots = qgetenv("KORV_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      QDir().mkpath(shots);
      auto* pages = excited->findChild<QTabWidget*>("PageControl1");
      for (int i = 0; i < 2; ++i) {
        pages->setCurrentIndex(i);
        QTest::qWait(100);
        excited->grab().save(QString("%1/excited_tab%2.png").arg(QString(shots)).arg(i + 1));
      }
    }

    // Typing a dielectric constant allows another evaluation.
    auto* edit = excited->findChild<QLineEdit*>("EditDielectricConstant");
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, "0");
    QVERIFY(evaluate->isEnabled());
    edit->setText("8.9");

    // Recomputing the H1 curve closes the window and empties its charts.
    QVERIFY(click("ButtonCalcH1"));
    QVERIFY(!excited->isVisible());
    QCOMPARE(view.Chart("ChartH1Excited")->PointCount(0), 0);
    QVERIFY(!menu->isEnabled());
  }
};

QTEST_MAIN(ExcitedStatesWindowTest)
#include "test_excitedstates.moc"
