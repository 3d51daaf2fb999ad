// Smoke tests of the real main window: start-up state, the controls of the control list,
// and the road of an analysis driven through the window's own buttons, with the file
// dialogs and message boxes answered by a scripted host.
#include <qcustomplot.h>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <memory>

#include "core/Analysis.h"
#include "presenters/main/MainControls.h"
#include "support/ScriptedDialogs.h"
#include "ui/main/MainWindow.h"
#include "ui/main/QtWindows.h"
#include "ui/widgets/ChartWidget.h"
#include "ui/widgets/Formulas.h"

using namespace korv::ui;

namespace {

// One window over its own record, with the modal dialogs answered at once.
struct MainWindowFixture {
  Analysis record;
  QtWindows windows;
  std::unique_ptr<TFormMain> main;
  std::vector<QString> modals;

  explicit MainWindowFixture(bool developerOptionsHidden = true) {
    windows.runModal = [this](QWidget* dialog) { modals.push_back(dialog->objectName()); };
    main = std::make_unique<TFormMain>(record, windows, windows.Progress(), developerOptionsHidden);
    windows.CreateWindows(main.get());
  }
  QWidget* widget(const char* name) const { return main->findChild<QWidget*>(name); }
  QAbstractButton* button(const char* name) const { return main->findChild<QAbstractButton*>(name); }
  QString text(const char* name) const { return QString::fromStdString(main->View().Text(name)); }
  bool enabled(const char* name) const { return main->View().IsEnabled(name); }
  // Clicks a button as the user would; false when it is disabled or hidden.
  bool click(const char* name) const {
    QAbstractButton* b = button(name);
    if (!b || !b->isEnabled() || b->isHidden()) return false;
    b->click();
    return true;
  }
  int points(const char* chart, int series) const { return main->Chart(chart)->PointCount(series); }
};

const char* kDataset = KORV_TEST_DATA "/datasets/01_si_n_P_lightcomp.nT";

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  korv::test::ScriptedDialogs dialogs_;
  QTemporaryDir dir_;

  std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void initTestCase() {
    QApplication::setApplicationName("KORV");  // as korv sets it; no display name, so titles stay as given
    SetDialogs(&dialogs_);
    QVERIFY(dir_.isValid());
  }
  void cleanupTestCase() { SetDialogs(nullptr); }
  void init() { dialogs_.Reset(); }

  void startsEmptyInNormalMode() {
    MainWindowFixture w;
    QCOMPARE(w.main->windowTitle(), QString("Korvan (KORV) by Telmar Lab."));
    QCOMPARE(w.main->pos(), QPoint(20, 10));
    QVERIFY(w.main->width() <= 1366 && w.main->height() <= 768);
    QCOMPARE(QString::fromStdString(w.record.VersionInformation), QString("Version 1.51 (2004/6/2)"));
    QVERIFY(w.record.DeveloperOptionsHidden);
    QCOMPARE(w.text("LabelVerCon"), QString("KORV Ver. 1.51"));
    QCOMPARE(w.text("EditSmoothness"), QString("5000"));
    QCOMPARE(w.text("ButtonCalcH1"), QString("Calculation"));
    QVERIFY(w.enabled("ButtonInputData") && w.enabled("ButtonLoadExperimental"));
    for (const char* off : {"ButtonChangeData", "ButtonCalcSpline", "ButtonSaveSpline", "ButtonCalcFermiLevel",
                            "ButtonCalcH1", "ButtonSimulation", "ButtonSaveFigureConcentration1"})
      QVERIFY2(!w.enabled(off), off);
    // The Option menu and the Advanced-mode controls are out of reach.
    QVERIFY(!w.main->View().IsVisible("OptionMain"));
    QVERIFY(!w.main->View().IsVisible("ButtonDecreaseErefH1"));
    QVERIFY(!w.main->View().IsVisible("LoadSpline"));
    QCOMPARE(w.main->Pages()->count(), 6);
    QCOMPARE(w.main->Pages()->currentIndex(), 0);
    QCOMPARE(w.points("ChartExperimentalLinear", 0), 0);
    QCOMPARE(w.main->Chart("ChartExperimentalLinear")->LeftTitle(), QString("Free Carrier Concentration  [cm^-3]"));
    // Neutral captions: both members of the two-member families are shown.
    QVERIFY(w.main->View().IsVisible("ImageFermiLevelN") && w.main->View().IsVisible("ImageFermiLevelP"));
  }

  void advancedOptionOpensTheOptionMenu() {
    MainWindowFixture w(false);
    QVERIFY(!w.record.DeveloperOptionsHidden);
    // Without the hidden developer options the window is created in Advanced mode.
    QVERIFY(w.main->View().IsVisible("OptionMain"));
    QVERIFY(w.main->View().IsVisible("ButtonDecreaseErefH1"));
    // The full reset at creation writes the H1 caption of Advanced mode as the window always has.
    QCOMPARE(w.text("ButtonCalcH1"), QString("Auto Calculatoin"));
    QVERIFY(!w.main->View().IsEnabled("AdvancedMode"));
    w.main->findChild<QAction*>("NormalMode")->trigger();
    QVERIFY(!w.record.ManualMode);
    QVERIFY(!w.main->View().IsVisible("ButtonDecreaseErefH1"));
    QVERIFY(w.main->View().IsVisible("OptionMain"));
    w.main->findChild<QAction*>("AdvancedMode")->trigger();
    QVERIFY(w.main->View().IsVisible("ButtonDecreaseErefH1"));
    const QByteArray shots = qgetenv("KORV_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      w.main->LoadMeasurement(kDataset);
      w.main->show();
      w.main->Pages()->setCurrentIndex(2);
      QTest::qWait(50);
      QDir().mkpath(shots);
      w.main->grab().save(QString("%1/advanced_h1.png").arg(QString(shots)));
    }
  }

  void everyListedControlExistsWithItsClassAndCaption() {
    MainWindowFixture w;
    for (const MainControl& c : MainControls()) {
      const QString name = QString::fromStdString(c.name);
      QObject* object = w.main->View().Find(c.name);
      QVERIFY2(object, qPrintable(name));
      bool rightClass = false;
      switch (c.kind) {
        case ControlKind::Button:
          rightClass = qobject_cast<QPushButton*>(object);
          break;
        case ControlKind::Label:
          rightClass = qobject_cast<QLabel*>(object) && !qobject_cast<FormulaPicture*>(object);
          break;
        case ControlKind::Edit:
          rightClass = qobject_cast<QLineEdit*>(object);
          break;
        case ControlKind::CheckBox:
          rightClass = qobject_cast<QCheckBox*>(object);
          break;
        case ControlKind::GroupBox:
          rightClass = qobject_cast<QGroupBox*>(object);
          break;
        case ControlKind::Tab:
          rightClass = w.main->Pages()->indexOf(qobject_cast<QWidget*>(object)) >= 0;
          break;
        case ControlKind::Chart:
          rightClass = qobject_cast<ChartWidget*>(object);
          break;
        case ControlKind::Picture:
          rightClass = qobject_cast<FormulaPicture*>(object);
          break;
        case ControlKind::MenuItem:
          rightClass = qobject_cast<QAction*>(object) || qobject_cast<QMenu*>(object);
          break;
        default:
          rightClass = true;
      }
      QVERIFY2(rightClass, qPrintable(name));
      if (c.kind == ControlKind::Chart || c.kind == ControlKind::Picture || c.caption == "-") continue;
      // Captions that the full reset at creation changes are checked against their reset value elsewhere.
      if (c.name.rfind("LabelVer", 0) == 0 || c.name == "ButtonSeeResults") continue;
      QCOMPARE(w.text(c.name.c_str()), QString::fromStdString(c.caption));
    }
  }

  void menuBarFollowsTheListInOrderWithSeparators() {
    MainWindowFixture w;
    QStringList expected, actual;
    for (const MainControl& c : MainControls())
      if (c.kind == ControlKind::MenuItem) expected << QString::fromStdString(c.name + ":" + c.caption);
    for (QAction* top : w.main->menuBar()->actions()) {
      QMenu* menu = top->menu();
      QVERIFY(menu);
      actual << menu->objectName() + ":" + menu->title();
      for (QAction* item : menu->actions())
        actual << item->objectName() + ":" + (item->isSeparator() ? QString("-") : item->text());
    }
    QCOMPARE(actual, expected);
    QVERIFY(w.main->findChild<QAction*>("N1")->isSeparator());
    QCOMPARE(w.main->findChild<QAction*>("ExitMain")->shortcut(), QKeySequence(QKeySequence::Quit));
  }

  void roadFromMeasurementToSimulation() {
    MainWindowFixture w;
    w.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
    dialogs_.opens = {kDataset};
    QVERIFY(w.click("ButtonLoadExperimental"));
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    const int measured = w.record.DataCount;
    QVERIFY(measured > 10);
    QCOMPARE(w.points("ChartExperimentalLinear", 0), measured);
    QCOMPARE(w.points("ChartExperimentalLog", 0), measured);
    QCOMPARE(w.text("PanelSampleNumber"), QString("Si-P-01"));
    QCOMPARE(w.main->Chart("ChartExperimentalLog")->LeftTitle(), QString("Electron Concentration  [cm^-3]"));

    QVERIFY(w.click("ButtonCalcSpline"));
    const int grid = w.record.GridCount;
    QVERIFY(grid > 100);
    QCOMPARE(w.points("ChartExperimentalLinear", 1), grid);
    // 01 at smoothness 5000: the residual chart and the notice of a missed point.
    QVERIFY(w.points("ChartSplineResidual", 0) > 10);
    QVERIFY(!w.text("LabelSplineWarning").isEmpty());
    QVERIFY(!dialogs_.notices.empty());
    dialogs_.saves = {path("road.spl")};
    QVERIFY(w.click("ButtonSaveSpline"));
    QVERIFY(QFileInfo::exists(dir_.filePath("road.spl")));
    QCOMPARE(dialogs_.saveDialogs.back().filterIndex, 1);

    QVERIFY(w.click("ButtonCalcFermiLevel"));
    QCOMPARE(w.points("ChartFermiLevel", 0), grid);
    dialogs_.saves = {path("road.fl")};
    QVERIFY(w.click("ButtonSaveFermiLevel"));

    QVERIFY(w.click("ButtonCalcH1"));
    QCOMPARE(w.points("ChartH1", 0), grid);
    QCOMPARE(w.points("ChartH1", 2), 1);
    // A timer samples the progress bar while the evaluation runs on this thread: it fires
    // only because the progress windows let the event loop turn.
    QSet<int> positions;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, [&] {
      if (w.windows.ProgressReport()->isVisible()) positions.insert(w.windows.ProgressReport()->Bar()->value());
    });
    sampler.start(0);
    QVERIFY(w.click("ButtonEvaluation1"));
    sampler.stop();
    QVERIFY(!positions.isEmpty());
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    QVERIFY(w.points("ChartH1", 1) > 0);
    // The progress windows were shown during the evaluation and closed after it.
    QVERIFY(!w.windows.ProgressReport()->isVisible());
    const double density = w.record.Density[0];
    QVERIFY(density > 5e15 && density < 2e16);
    dialogs_.saves = {path("road.H1")};
    QVERIFY(w.click("ButtonSaveH1"));
    QVERIFY(QFileInfo::exists(dir_.filePath("road.H1")));

    if (w.enabled("ButtonCalcH2")) {
      QVERIFY(w.click("ButtonCalcH2"));
      QCOMPARE(w.points("ChartH2", 0), grid);
    }
    w.main->Pages()->setCurrentIndex(5);
    QVERIFY(w.click("ButtonSimulation"));
    QCOMPARE(w.points("ChartSimulationT", 0), measured);
    QCOMPARE(w.points("ChartSimulationReverseT", 0), measured);
    QVERIFY(w.points("ChartSimulationT", 1) > grid / 2);
    dialogs_.saves = {path("road.simH")};
    QVERIFY(w.click("ButtonSaveSimulation"));
    QVERIFY(QFileInfo::exists(dir_.filePath("road.simH")));

    // Figures: the bitmap and a PNG at three times the resolution.
    w.main->Pages()->setCurrentIndex(0);
    QApplication::processEvents();
    ChartWidget* linear = w.main->Chart("ChartExperimentalLinear");
    const QSize shown = linear->Plot()->size();
    dialogs_.saves = {path("roadCon1.bmp")};
    QVERIFY(w.click("ButtonSaveFigureConcentration1"));
    QCOMPARE(dialogs_.saveDialogs.back().filterIndex, 10);
    QCOMPARE(QFileInfo(QString::fromStdString(dialogs_.saveDialogs.back().fileName)).fileName(),
             QString("01_si_n_P_lightcompCon1.bmp"));
    QImage bmp(dir_.filePath("roadCon1.bmp"), "BMP");
    QVERIFY(!bmp.isNull());
    QCOMPARE(bmp.size(), shown);
    QVERIFY(!w.enabled("ButtonSaveFigureConcentration1"));
    dialogs_.saves = {path("roadCon2.png")};
    QVERIFY(w.click("ButtonSaveFigureConcentration2"));
    QImage png(dir_.filePath("roadCon2.png"), "PNG");
    QVERIFY(!png.isNull());
    QCOMPARE(png.size(), w.main->Chart("ChartExperimentalLog")->Plot()->size() * 3);

    const QByteArray shots = qgetenv("KORV_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      QDir().mkpath(shots);
      w.main->resize(1366, 768);
      for (int i = 0; i < w.main->Pages()->count(); ++i) {
        w.main->Pages()->setCurrentIndex(i);
        QApplication::processEvents();
        QTest::qWait(50);
        w.main->grab().save(QString("%1/tab%2.png").arg(QString(shots)).arg(i + 1));
      }
    }
  }

  void loadedConductionTypeRelabelsTheWindow_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("degeneracy");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("hidden");
    QTest::newRow("n-type") << KORV_TEST_DATA "/datasets/01_si_n_P_lightcomp.nT"
                            << "Electron Concentration  [cm^-3]"
                            << "2"
                            << QStringList{"ImageH1n", "ImageNdH1", "ImageSND1", "ImageH2ComN", "ImageSimulationN"}
                            << QStringList{"ImageH1",   "ImageH1p",    "ImageS1n",        "ImageNaH1",
                                           "ImageSNA1", "ImageH2ComP", "ImageSimulationP"};
    QTest::newRow("p-type") << KORV_TEST_DATA "/datasets/02_si_p_B_comp20.pT"
                            << "Hole Concentration  [cm^-3]"
                            << "4"
                            << QStringList{"ImageH1p", "ImageNaH1", "ImageSNA1", "ImageH2ComP", "ImageSimulationP"}
                            << QStringList{"ImageH1",   "ImageH1n",    "ImageNdH1",
                                           "ImageSND1", "ImageH2ComN", "ImageSimulationN"};
  }

  void loadedConductionTypeRelabelsTheWindow() {
    QFETCH(QString, file);
    QFETCH(QString, title);
    QFETCH(QString, degeneracy);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, hidden);
    MainWindowFixture w;
    w.main->LoadMeasurement(file);
    QCOMPARE(w.main->Chart("ChartExperimentalLinear")->LeftTitle(), title);
    QCOMPARE(w.main->Chart("ChartExperimentalLog")->LeftTitle(), title);
    QCOMPARE(w.text("EditGH1"), degeneracy);
    // Exactly the members of each family that the conduction type picks are on screen.
    for (const QString& name : shown) QVERIFY2(!w.widget(qPrintable(name))->isHidden(), qPrintable(name));
    for (const QString& name : hidden) QVERIFY2(w.widget(qPrintable(name))->isHidden(), qPrintable(name));
  }

  void printPutsTheWindowOnAPage() {
    MainWindowFixture w;
    w.main->LoadMeasurement(kDataset);
    dialogs_.printTo = dir_.filePath("window.pdf");
    w.main->findChild<QAction*>("PrintMain")->trigger();
    QFile pdf(dialogs_.printTo);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(pdf.size() > 10000);  // the window's image, not an empty page
  }

  void droppedOrNamedFileLoadsAsLoadData() {
    MainWindowFixture w;
    w.main->LoadMeasurement(kDataset);
    QVERIFY(w.record.DataCount > 10);
    QVERIFY(w.enabled("ButtonCalcSpline"));
    // The answer was used up: the next load asks the dialog again and is cancelled,
    // which leaves the measurement as it was.
    const int measured = w.record.DataCount;
    QVERIFY(w.click("ButtonLoadExperimental"));
    QCOMPARE(dialogs_.openDialogs.size(), std::size_t(1));
    QCOMPARE(w.record.DataCount, measured);
  }

  // Exit with the report and the help viewer open: every window closes and the event loop
  // ends, so no process is left running without a window.
  void exitEndsTheProgramWithASideWindowOpen() {
    MainWindowFixture w;
    w.windows.CreateDataWindows(w.record);
    w.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
    w.main->findChild<QAction*>("ObtainedResults")->trigger();
    w.main->findChild<QAction*>("Help")->trigger();
    int open = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) open += top != w.main.get() && top->isVisible();
    QVERIFY(open >= 2);
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
      timedOut = true;
      QCoreApplication::exit(1);
    });
    guard.start(10000);
    QTimer::singleShot(0, w.main.get(), [&w] { w.main->findChild<QAction*>("ExitMain")->trigger(); });
    const int code = QCoreApplication::exec();
    QVERIFY(!timedOut);
    QCOMPARE(code, 0);
    for (QWidget* top : QApplication::topLevelWidgets())
      QVERIFY2(!top->isVisible(), qPrintable(top->objectName() + " is still shown"));
  }

  // The Fermi tab after the spline and the Fermi level: one conduction type beside the
  // semiconductor and the band the level is measured from on the chart's axis.
  void fermiTabShowsTheConductionTypeAfterEveryReset_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("axis");
    QTest::newRow("n-type") << KORV_TEST_DATA "/datasets/01_si_n_P_lightcomp.nT"
                            << "n-type"
                            << "Fermi Level from Conduction Band  [eV]";
    QTest::newRow("p-type") << KORV_TEST_DATA "/datasets/02_si_p_B_comp20.pT"
                            << "p-type"
                            << "Fermi Level from Valence Band  [eV]";
  }

  void fermiTabShowsTheConductionTypeAfterEveryReset() {
    QFETCH(QString, file);
    QFETCH(QString, type);
    QFETCH(QString, axis);
    MainWindowFixture w;
    w.main->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.main.get()));
    dialogs_.opens = {file.toStdString()};
    QVERIFY(w.click("ButtonLoadExperimental"));
    QVERIFY(w.click("ButtonCalcSpline"));
    dialogs_.saves = {path("fermi.spl"), path("fermi.fl")};
    QVERIFY(w.click("ButtonSaveSpline"));
    QVERIFY(w.click("ButtonCalcFermiLevel"));
    QVERIFY(w.click("ButtonSaveFermiLevel"));
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    const QString shownN = w.text("LabelFermiConductionTypeN"), shownP = w.text("LabelFermiConductionTypeP");
    QCOMPARE(shownN + shownP, type);
    QCOMPARE(w.main->Chart("ChartFermiLevel")->LeftTitle(), axis);
    w.main->Pages()->setCurrentWidget(w.widget("TabSheet2"));
    const QByteArray shots = qgetenv("KORV_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      QTest::qWait(100);
      QDir().mkpath(shots);
      w.main->grab().save(QString("%1/fermi-%2.png").arg(QString(shots), type));
    }

    // The H1 tab: the peak values that "Calculation" shows move no control.
    w.main->Pages()->setCurrentWidget(w.widget("TabSheet3"));
    QTest::qWait(20);
    auto place = [&](const char* name) { return w.widget(name)->mapTo(w.main.get(), QPoint(0, 0)); };
    const QPoint evaluation = place("ButtonEvaluation1"), save = place("ButtonSaveH1");
    QVERIFY(w.click("ButtonCalcH1"));
    QVERIFY(w.text("LabelPeakV1") != "0");
    QTest::qWait(20);
    QCOMPARE(place("ButtonEvaluation1"), evaluation);
    QVERIFY(w.click("ButtonEvaluation1"));
    QTest::qWait(20);
    QCOMPARE(place("ButtonSaveH1"), save);
  }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
