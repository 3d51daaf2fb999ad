// Smoke tests of the one-impurity and donor-acceptor windows in the real program: opened
// from the main window's menu after the road to the saved Fermi level, evaluated, saved,
// the confirmation dialog shown, and closed again by a new measurement.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <memory>

#include "core/Analysis.h"
#include "presenters/analyses/DonorAcceptorPresenter.h"
#include "presenters/analyses/OneImpurityPresenter.h"
#include "support/RealProgram.h"
#include "ui/analyses/DonorAcceptorWindow.h"
#include "ui/analyses/OneDonorOneAcceptorConfirmationWindow.h"
#include "ui/analyses/OneImpurityWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/main/QtWindows.h"
#include "ui/widgets/ChartWidget.h"

using namespace korv::ui;

namespace {

using Program = korv::test::RealProgram;
using korv::test::ClickButton;
using korv::test::ScriptedDialogs;
using korv::test::TriggerAction;

QString text(QWidget* root, const char* name) { return root->findChild<QLabel*>(name)->text(); }

void screenshot(QWidget* w, const char* name) {
  const QByteArray shots = qgetenv("KORV_SCREENSHOT_DIR");
  if (shots.isEmpty()) return;
  QDir().mkpath(shots);
  QTest::qWait(50);
  w->grab().save(QString("%1/%2.png").arg(QString(shots), name));
}

}  // namespace

class ConventionalAnalysisTest : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs dialogs_;
  QTemporaryDir dir_;

  std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }

  void toSavedFermiLevel(Program& p, const char* dataset, const char* stem) {
    korv::test::ToSavedFermiLevel(p, dialogs_, std::string(KORV_TEST_DATA) + "/datasets/" + dataset, path(stem));
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }
  void init() { dialogs_.Reset(); }

  void oneImpurityOpensFromTheMenuEvaluatesAndSaves() {
    Program p;
    p.main->show();
    // Before the Fermi level is saved the menu item is not available.
    QVERIFY(!TriggerAction(p.main.get(), "MenuInverseT"));
    toSavedFermiLevel(p, "01_si_n_P_lightcomp.nT", "one");
    QVERIFY(TriggerAction(p.main.get(), "MenuInverseT"));
    TFormConventionalAnalysis* w = p.windows.OneImpurity();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("Only One Donor  (Si-P-01)"));
    QCOMPARE(w->pos(), QPoint(0, 0));
    QVERIFY(!w->findChild<QWidget*>("ImagePT")->isVisibleTo(w));
    QVERIFY(w->findChild<QWidget*>("ImageNT")->isVisibleTo(w));
    auto* chart1 = w->findChild<ChartWidget*>(kOneImpurityChart1);
    QCOMPARE(chart1->PointCount(oneimpurity::kMeasured), p.record.DataCount);
    QCOMPARE(chart1->LeftTitle(), QString("n(T)/T^3/4  [cm^-3 K^-0.75]"));
    // The range 15..35 with the window's own buttons.
    for (int i = 0; i < 24; ++i) QVERIFY(ClickButton(w, "ButtonIncreaseLow"));
    for (int i = 0; i < 15; ++i) QVERIFY(ClickButton(w, "ButtonDecreaseHigh"));
    QCOMPARE(w->Presenter().Results().Range().IndexLowestTemperature(), 15);
    QCOMPARE(w->Presenter().Results().Range().IndexHighestTemperature(), 35);
    QVERIFY(ClickButton(w, "ButtonAnalysis"));
    QVERIFY(dialogs_.errors.empty());
    QCOMPARE(text(w, "LabelEnergyLevel"), QString("0.0454"));
    QVERIFY(text(w, "LabelComment1").startsWith("Please compare the obtained donor density"));
    QCOMPARE(chart1->PointCount(oneimpurity::kLine), 2);
    QVERIFY(w->findChild<ChartWidget*>(kOneImpurityChart2)->PointCount(oneimpurity::kLine) > 100);
    for (const QString& label : chart1->LeftTickLabels()) QVERIFY2(label.contains('E'), qPrintable(label));
    screenshot(w, "one_impurity");

    dialogs_.saves = {path("one.CNO")};
    QVERIFY(TriggerAction(w, "SaveConventionalAnalysis"));
    QVERIFY(QFileInfo::exists(dir_.filePath("one.CNO")));
    QVERIFY(!w->findChild<QAction*>("SaveConventionalAnalysis")->isEnabled());
    dialogs_.saves = {path("oneCNO1.bmp")};
    QVERIFY(ClickButton(w, "ButtonSaveFigureOnlyOne1"));
    QCOMPARE(dialogs_.saveDialogs.back().fileName, path("oneCNO1.bmp"));
    QVERIFY(QFileInfo::exists(dir_.filePath("oneCNO1.bmp")));
    QVERIFY(!w->findChild<QAbstractButton*>("ButtonSaveFigureOnlyOne1")->isEnabled());

    // Reopening prepares it again; a new measurement closes it.
    QVERIFY(TriggerAction(p.main.get(), "MenuInverseT"));
    QCOMPARE(text(w, "LabelEnergyLevel"), QString("0"));
    dialogs_.opens = {std::string(KORV_TEST_DATA) + "/datasets/01_si_n_P_lightcomp.nT"};
    QVERIFY(ClickButton(p.main.get(), "ButtonLoadExperimental"));
    QVERIFY(!w->isVisible());
  }

  void donorAcceptorOpensFromTheMenuAndConfirmsEachEvaluation() {
    Program p;
    p.main->show();
    toSavedFermiLevel(p, "02_si_p_B_comp20.pT", "da");
    QVERIFY(TriggerAction(p.main.get(), "MenuInverseTCom"));
    TFormConventionalAnalysis2* w = p.windows.DonorAcceptor();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("One Donor and One acceptor  (Si-B-07)"));
    QCOMPARE(text(w, "LabelG"), QString("4"));
    QVERIFY(!w->findChild<QWidget*>("ImageMc")->isVisibleTo(w));
    QVERIFY(w->findChild<QWidget*>("ImageNAND")->isVisibleTo(w));
    bool confirmationShown = false;
    p.onModal = [&](QWidget* dialog) {
      auto* c = qobject_cast<TFormOneDonorOneAcceptorConfirmation*>(dialog);
      if (!c) return;
      confirmationShown = true;
      QCOMPARE(c->findChild<QLabel*>("LabelAnd")->text(), QString("."));
      QVERIFY(!c->findChild<QWidget*>("ImageMc")->isVisibleTo(c));
      c->show();
      screenshot(c, "donor_acceptor_confirmation");
      c->hide();
    };
    w->findChild<QLineEdit*>("EditNetDensity")->setText("1.6E16");
    QVERIFY(ClickButton(w, "ButtonEvaluation"));
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    QVERIFY(confirmationShown);
    QCOMPARE(text(w, "LabelEnergyLevel"), QString("0.045"));
    QVERIFY(text(w, "LabelAcceptorDensity").startsWith("1.958"));
    QVERIFY(w->findChild<ChartWidget*>(kDonorAcceptorChart2)->PointCount(donoracceptor::kLine) == 2);
    screenshot(w, "donor_acceptor");

    dialogs_.saves = {path("da.CNC")};
    QVERIFY(ClickButton(w, "ButtonSave"));
    QVERIFY(QFileInfo::exists(dir_.filePath("da.CNC")));
    QVERIFY(ClickButton(w, "ButtonSaveFigureDonorAcceptor2"));  // cancelled: nothing changes
    QVERIFY(w->findChild<QAbstractButton*>("ButtonSaveFigureDonorAcceptor2")->isEnabled());
    QCOMPARE(dialogs_.saveDialogs.back().fileName, path("daCNC2.bmp"));

    // A zero net density: the message, no confirmation.
    confirmationShown = false;
    w->findChild<QLineEdit*>("EditNetDensity")->setText("0");
    QVERIFY(ClickButton(w, "ButtonEvaluation"));
    QCOMPARE(dialogs_.errors, std::vector<std::string>{"Please input the net density."});
    QVERIFY(!confirmationShown);
  }
};

QTEST_MAIN(ConventionalAnalysisTest)
#include "test_conventionalanalysis.moc"
