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
#include <QtTest>
#include <deque>
#include <memory>

#include "analyses/Dhes.h"
#include "core/Hallanalysis.h"
#include "help/Html.h"
#include "main/Hall.h"
#include "main/Mainwindows.h"
#include "presenters/Dhes.h"
#include "widgets/Chartwidget.h"

using namespace korv::ui;

namespace {

class ScriptedDialogs : public DialogHost {
 public:
  std::deque<std::string> opens, saves;
  std::vector<std::string> errors, notices;
  std::vector<FileDialog> saveDialogs;
  QString printTo;

  std::optional<std::string> OpenFile(QWidget*, const FileDialog&) override { return pop(opens); }
  std::optional<std::string> SaveFile(QWidget*, const FileDialog& d) override {
    saveDialogs.push_back(d);
    return pop(saves);
  }
  void Error(QWidget*, const std::string& text) override { errors.push_back(text); }
  void Notice(QWidget*, const std::string& text) override { notices.push_back(text); }
  bool YesNo(QWidget*, const std::string&) override { return false; }
  bool PrinterSetup(QWidget*, QPrinter& printer) override {
    if (printTo.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printTo);
    return true;
  }

 private:
  static std::optional<std::string> pop(std::deque<std::string>& q) {
    if (q.empty()) return std::nullopt;
    std::string v = q.front();
    q.pop_front();
    return v;
  }
};

const char* kDataset = KORV_TEST_DATA "/datasets/07_sic4h_n_N_two_sites.nT";

bool click(QWidget* window, const char* name) {
  auto* b = window->findChild<QAbstractButton*>(name);
  if (!b || !b->isEnabled() || b->isHidden()) return false;
  b->click();
  return true;
}

TFormDHES* dhesWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<TFormDHES*>(w)) return d;
  return nullptr;
}

}  // namespace

class DhesWindowTest : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs dialogs_;
  QTemporaryDir dir_;
  std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void initTestCase() {
    SetDialogs(&dialogs_);
    QVERIFY(dir_.isValid());
  }
  void cleanupTestCase() { SetDialogs(nullptr); }

  void openedFromTheMenuAndDrivenThroughTwoPeaks() {
    Analysis record;
    QtWindows windows;
    windows.runModal = [](QWidget*) {};
    TFormMain main(record, windows, windows.Progress());
    windows.CreateWindows(&main);
    windows.CreateDataWindows(record);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    // The main road to the saved Fermi level.
    dialogs_.opens = {kDataset};
    QVERIFY(click(&main, "ButtonLoadExperimental"));
    QVERIFY(click(&main, "ButtonCalcSpline"));
    dialogs_.saves = {path("sic.spl")};
    QVERIFY(click(&main, "ButtonSaveSpline"));
    QVERIFY(click(&main, "ButtonCalcFermiLevel"));
    QAction* menu = main.findChild<QAction*>("MenuDHES");
    QVERIFY(menu);
    QVERIFY(!menu->isEnabled());
    dialogs_.saves = {path("sic.fl")};
    QVERIFY(click(&main, "ButtonSaveFermiLevel"));
    QVERIFY(menu->isEnabled());
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());

    TFormDHES* dhes = dhesWindow();
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
    QVERIFY(!click(dhes, "ButtonSaveDHES"));

    QVERIFY(click(dhes, "ButtonNextPeak1"));
    QVERIFY(click(dhes, "ButtonEvaluation1"));
    QVERIFY(click(dhes, "ButtonNextPeak2"));
    QVERIFY(click(dhes, "ButtonNextPeak2"));
    QVERIFY(click(dhes, "ButtonEvaluation2"));
    QVERIFY(click(dhes, "ButtonDraw1"));
    QVERIFY(click(dhes, "ButtonSum"));
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
    QVERIFY(click(dhes, "ButtonSaveDHES"));
    QVERIFY(QFileInfo::exists(dir_.filePath("sic.DHES")));
    QVERIFY(click(dhes, "ButtonSaveFigureDHES"));
    QVERIFY(QFileInfo::exists(dir_.filePath("sicDHES.bmp")));
    QCOMPARE(dialogs_.saveDialogs.back().filterIndex, 3);
    dialogs_.printTo = dir_.filePath("dhes.pdf");
    QVERIFY(click(dhes, "ButtonPrintDHES"));
    QVERIFY(QFileInfo(dir_.filePath("dhes.pdf")).size() > 0);
    QVERIFY2(dialogs_.errors.empty(), dialogs_.errors.empty() ? "" : dialogs_.errors.front().c_str());
    QVERIFY(click(dhes, "ButtonHelp"));
    QVERIFY(windows.Help()->isVisible());

    // Opening again prepares it anew; a new spline closes it.
    menu->trigger();
    QCOMPARE(chart->PointCount(dhesseries::kTheoretical), 0);
    QVERIFY(!dhes->findChild<QAbstractButton*>("ButtonSaveDHES")->isEnabled());
    QVERIFY(click(&main, "ButtonCalcSpline"));
    QVERIFY(!dhes->isVisible());
  }
};

QTEST_MAIN(DhesWindowTest)
#include "test_dhes.moc"
