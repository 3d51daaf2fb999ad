// The roads of a measurement into the program through the GUI: "Input Data" → keyboard →
// typed points → save, and "Input Data" → conversion of a foreign CSV → save; each time
// the main window plots the saved points and the spline can be calculated from them.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "core/Analysis.h"
#include "support/ScriptedDialogs.h"
#include "ui/data/ConvertWindow.h"
#include "ui/data/DataSheetWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/main/QtWindows.h"
#include "ui/widgets/ChartWidget.h"

using namespace korv::ui;

namespace {

// The main window with every window of the program; each modal dialog is handed to
// `act`, which plays the user's part in it.
struct Program {
  Analysis record;
  QtWindows windows;
  std::unique_ptr<TFormMain> main;
  std::function<void(QWidget*)> act;
  QStringList modals;

  Program() {
    windows.runModal = [this](QWidget* dialog) {
      modals << dialog->objectName();
      dialog->show();
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      if (act) act(dialog);
      dialog->hide();
    };
    main = std::make_unique<TFormMain>(record, windows, windows.Progress());
    windows.CreateWindows(main.get());
    windows.CreateDataWindows(record);
    main->show();
  }
  bool click(const char* name) const {
    auto* b = main->findChild<QAbstractButton*>(name);
    if (!b || !b->isEnabled()) return false;
    b->click();
    return true;
  }
  int points(const char* chart, int series) const { return main->Chart(chart)->PointCount(series); }
};

template <class W>
W* child(QWidget* dialog, const char* name) {
  W* w = dialog->findChild<W*>(name);
  if (!w) qWarning("no %s", name);
  return w;
}

// Types `text` into the current cell of `grid` and moves on with Tab. Moving to a cell opens
// its editor at once; where none is open yet, the first key opens it.
void typeCell(QTableWidget* grid, const QString& text) {
  QWidget* editor = QApplication::focusWidget();
  QString rest = text;
  if (editor == grid || !editor) {
    QTest::keyClicks(grid, text.left(1));
    editor = QApplication::focusWidget();
    rest = text.mid(1);
  }
  QTest::keyClicks(editor, rest);
  QTest::keyClick(editor, Qt::Key_Tab);
}

}  // namespace

class DataEntryRoadTest : public QObject {
  Q_OBJECT

 private slots:
  void keyboardEntryIsPlotted() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    Program p;
    dialogs.saves.push_back(dir.filePath("typed.nT").toStdString());
    // Descending temperatures, one point of low reliability that the charts leave out.
    const QStringList rows[] = {{"300", "9.7e15", "1"}, {"200", "9.5e15", "1"},  {"150", "8.9e15", "1"},
                                {"100", "5.1e15", "1"}, {"75", "1.6e15", "0.5"}, {"50", "1.2e14", "1"}};
    p.act = [&](QWidget* dialog) {
      if (dialog->objectName() == "FormHowToInput") {
        QTest::mouseClick(child<QPushButton>(dialog, "Button1"), Qt::LeftButton);
        return;
      }
      QCOMPARE(dialog->objectName(), QStringLiteral("FormDataSheet"));
      QTest::keyClicks(child<QComboBox>(dialog, "ComboBoxSemiconductor")->lineEdit(), "Si");
      QTest::keyClicks(child<QComboBox>(dialog, "ComboBoxConductionType")->lineEdit(), "n-type");
      QTest::keyClicks(child<QLineEdit>(dialog, "EditSampleNumber"), "typed-1");
      auto* grid = child<QTableWidget>(dialog, "StringGridData");
      QVERIFY(!grid->item(0, 0) || grid->item(0, 0)->text().isEmpty());
      dialog->activateWindow();
      grid->setFocus();
      grid->setCurrentCell(0, 0);
      for (const QStringList& row : rows)
        for (const QString& cell : row) typeCell(grid, cell);
      QCOMPARE(grid->item(5, 1)->text(), QStringLiteral("1.2e14"));
      QTest::mouseClick(child<QPushButton>(dialog, "ButtonSaveExperimentalData"), Qt::LeftButton);
    };
    QVERIFY(p.click("ButtonInputData"));
    QCOMPARE(p.modals, (QStringList{"FormHowToInput", "FormDataSheet"}));
    QVERIFY2(dialogs.errors.empty(), dialogs.errors.empty() ? "" : dialogs.errors[0].c_str());
    QCOMPARE(p.record.DataCount, 6);
    QCOMPARE(p.record.Temperature.front(), 50.0);
    QCOMPARE(p.points("ChartExperimentalLinear", 0), 5);
    QCOMPARE(p.points("ChartExperimentalLog", 0), 5);
    QCOMPARE(QString::fromStdString(p.main->View().Text("LabelFilenameExperimentalData")), dir.filePath("typed.nT"));
    QCOMPARE(QString::fromStdString(p.main->View().Text("PanelSampleNumber")), QStringLiteral("typed-1"));
    QVERIFY(p.click("ButtonCalcSpline"));
    QVERIFY(p.points("ChartExperimentalLinear", 1) > 100);
  }

  void convertedCsvIsPlotted() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    Program p;
    dialogs.opens.push_back(KORV_TEST_DATA "/foreign_si_n.csv");
    dialogs.saves.push_back(dir.filePath("converted.nT").toStdString());
    p.act = [&](QWidget* dialog) {
      if (dialog->objectName() == "FormHowToInput") {
        QTest::mouseClick(child<QPushButton>(dialog, "Button2"), Qt::LeftButton);
        return;
      }
      QCOMPARE(dialog->objectName(), QStringLiteral("FormConvert"));
      QTest::mouseClick(child<QPushButton>(dialog, "ButtonLoadAnotherData"), Qt::LeftButton);
      auto* text = child<QPlainTextEdit>(dialog, "RichEditConvert");
      QTextCursor cursor(text->document());
      cursor.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor, 2);
      cursor.removeSelectedText();  // the user deletes the header lines
      child<QComboBox>(dialog, "ComboBoxColumnT")->setCurrentIndex(0);
      child<QComboBox>(dialog, "ComboBoxColumnC")->setCurrentIndex(1);
      QTest::keyClicks(child<QComboBox>(dialog, "ComboBoxSemiconductor")->lineEdit(), "Si");
      QTest::keyClicks(child<QComboBox>(dialog, "ComboBoxConductionType")->lineEdit(), "n-type");
      QTest::mouseClick(child<QPushButton>(dialog, "ButtonSaveData"), Qt::LeftButton);
    };
    QVERIFY(p.click("ButtonInputData"));
    QCOMPARE(p.modals, (QStringList{"FormHowToInput", "FormConvert"}));
    QVERIFY2(dialogs.errors.empty(), dialogs.errors.empty() ? "" : dialogs.errors[0].c_str());
    QCOMPARE(p.record.DataCount, 60);
    QCOMPARE(p.points("ChartExperimentalLinear", 0), 60);
    QCOMPARE(p.points("ChartSimulationReverseT", 0), 60);
    QVERIFY(p.click("ButtonCalcSpline"));
    QVERIFY(p.points("ChartExperimentalLinear", 1) > 100);
    QTest::qWait(300);  // charts replot on the event loop
    korv::test::Screenshot(p.main.get(), "main_after_conversion");
    // The report knows where the measurement came from.
    p.windows.Show(Window::ObtainedResults);
    QCOMPARE(p.modals.size(), 2);
  }
};

QTEST_MAIN(DataEntryRoadTest)
#include "test_dataentry_road.moc"
