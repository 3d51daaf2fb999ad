// The side windows together, as a user meets them: the road to a saved simulation of an n-type
// and of a p-type measurement, then every side window from the main window's menu. Each must
// lie on the screen, show no NaN or infinity, carry the captions of the conduction type, and
// close when a new measurement is loaded. With KORV_SCREENSHOT_DIR set, each window is grabbed.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <iterator>
#include <map>

#include "core/Analysis.h"
#include "support/RealProgram.h"
#include "ui/main/MainWindow.h"
#include "ui/main/QtWindows.h"
#include "ui/widgets/ChartWidget.h"
#include "ui/widgets/QtView.h"

using namespace korv::ui;

namespace {

using korv::test::ScriptedDialogs;

// Every text a user reads in a window: labels, edits, buttons and the chart axis titles.
QStringList ShownTexts(QWidget* w) {
  QStringList texts{w->windowTitle()};
  for (auto* l : w->findChildren<QLabel*>())
    if (l->isVisibleTo(w)) texts << l->text();
  for (auto* e : w->findChildren<QLineEdit*>())
    if (e->isVisibleTo(w)) texts << e->text();
  for (auto* b : w->findChildren<QAbstractButton*>())
    if (b->isVisibleTo(w)) texts << b->text();
  for (auto* c : w->findChildren<ChartWidget*>())
    if (c->isVisibleTo(w)) texts << c->LeftTitle() << c->BottomTitle();
  return texts;
}

}  // namespace

class SideWindowsTest : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs dialogs_;
  QTemporaryDir dir_;
  std::string path(const QString& name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void initTestCase() {
    dialogs_.answerYes = true;
    QVERIFY(dir_.isValid());
  }

  void everySideWindow_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("other");  // the carrier no caption may name
    QTest::newRow("n-type SiC") << "07_sic4h_n_N_two_sites.nT"
                                << "Hole";
    QTest::newRow("p-type Si") << "02_si_p_B_comp20.pT"
                               << "Electron";
  }

  void everySideWindow() {
    QFETCH(QString, file);
    QFETCH(QString, other);
    // Advanced mode: the menu "Distribution Function" with the excited states is shown only there.
    korv::test::RealProgram p(false);
    TFormMain& main = *p.main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto click = [&](const char* name) { return p.click(name); };
    auto menu = [&](const char* name) { return p.trigger(name); };
    const QString stem = QFileInfo(file).completeBaseName();
    auto save = [&](const char* button, const char* ext) {
      dialogs_.saves = {path(stem + "." + ext)};
      return click(button);
    };

    dialogs_.errors.clear();
    korv::test::ToSavedFermiLevel(p, dialogs_, std::string(KORV_TEST_DATA "/datasets/") + file.toStdString(),
                                  path(stem));
    if (QTest::currentTestFailed()) return;
    QVERIFY(click("ButtonCalcH1"));
    QVERIFY(click("ButtonEvaluation1"));
    QVERIFY(save("ButtonSaveH1", "H1"));
    for (int i = 0; i < 5 && !main.View().IsEnabled("ButtonSaveH2") && main.View().IsEnabled("ButtonCalcH2"); ++i) {
      click("ButtonCalcH2");
      click("ButtonEvaluation2");
    }
    if (main.View().IsEnabled("ButtonSaveH2")) save("ButtonSaveH2", "H2");
    QVERIFY(click("ButtonSimulation"));
    QVERIFY(save("ButtonSaveSimulation", "simH"));
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QByteArray shots = qgetenv("KORV_SCREENSHOT_DIR");
    const char* const items[] = {"MenuInverseT", "MenuInverseTCom", "MenuDHES", "MenuExcitedStates",
                                 "MenuCurveFitting"};
    auto shownSideWindows = [&] {
      std::vector<QWidget*> shown;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != &main && w->windowTitle() != "Progress Report" &&
            w->windowTitle() != "Detailed Progress Report")
          shown.push_back(w);
      return shown;
    };
    const std::map<std::string, const char*> evaluation{{"MenuInverseT", "ButtonAnalysis"},
                                                        {"MenuInverseTCom", "ButtonEvaluation"},
                                                        {"MenuDHES", "ButtonEvaluation1"},
                                                        {"MenuExcitedStates", "ButtonAuto"},
                                                        {"MenuCurveFitting", "ButtonCurveFitting"}};
    for (const char* item : items) {
      // Alone on the screen, so that the window the menu item opens is the one shown.
      for (QWidget* w : shownSideWindows()) w->close();
      QVERIFY2(menu(item), item);
      QApplication::processEvents();
      const std::vector<QWidget*> shown = shownSideWindows();
      QWidget* window = shown.size() == 1 ? shown.front() : nullptr;
      QVERIFY2(window, item);
      QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? item : dialogs_.errors.front().c_str());
      // The title bar can be reached, and the window is not larger than a small screen.
      QVERIFY2(screen.contains(window->frameGeometry().topLeft()), item);
      QVERIFY2(window->width() <= 1366 && window->height() <= 768, item);
      auto look = [&](const QString& when) {
        static const QRegularExpression notANumber("\\b(nan|inf|infinity)\\b",
                                                   QRegularExpression::CaseInsensitiveOption);
        for (const QString& t : ShownTexts(window)) {
          QVERIFY2(!t.contains(notANumber), qPrintable(QString("%1 %2: %3").arg(item, when, t)));
          QVERIFY2(!t.contains(other, Qt::CaseInsensitive), qPrintable(QString("%1 %2: %3").arg(item, when, t)));
        }
        if (!shots.isEmpty()) {
          QDir().mkpath(shots);
          QTest::qWait(50);
          window->grab().save(QString("%1/%2_%3_%4.png").arg(QString(shots), stem, item, when));
        }
      };
      look("opened");
      // A formula of two lines keeps room between them for the superscripts of the second.
      for (const char* picture : {"ImageN", "ImageP"})
        if (auto* formula = window->findChild<QLabel*>(picture); formula && formula->isVisibleTo(window))
          QVERIFY2(formula->sizeHint().height() >= 2.6 * formula->fontMetrics().lineSpacing(),
                   qPrintable(QString("%1 %2: %3 px").arg(item, picture).arg(formula->sizeHint().height())));
      // The window's own command once, on what the prepare step offers.
      auto* evaluate = window->findChild<QAbstractButton*>(evaluation.at(item));
      QVERIFY2(evaluate && evaluate->isEnabled(), item);
      evaluate->click();
      QApplication::processEvents();
      look("evaluated");
    }

    // A new measurement resets every stage: no side window survives the data it read.
    for (const char* item : items) QVERIFY2(menu(item), item);
    const std::vector<QWidget*> opened = shownSideWindows();
    QCOMPARE(opened.size(), std::size(items));
    dialogs_.opens = {std::string(KORV_TEST_DATA "/datasets/") + file.toStdString()};
    QVERIFY(click("ButtonLoadExperimental"));
    QApplication::processEvents();
    for (QWidget* w : opened) QVERIFY2(!w->isVisible(), qPrintable(w->windowTitle()));
  }
};

QTEST_MAIN(SideWindowsTest)
#include "test_sidewindows.moc"
