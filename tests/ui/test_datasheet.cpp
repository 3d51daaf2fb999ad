// Smoke test of the data sheet window: its controls, typing and pasting into the grid,
// Tab between cells, and a save that reaches the record.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/Analysis.h"
#include "presenters/data/DataSheetPresenter.h"
#include "support/ScriptedDialogs.h"
#include "ui/data/DataSheetWindow.h"

using namespace korv::ui;

class DataSheetWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void hasEveryControlOfTheList() {
    Analysis record;
    TFormDataSheet sheet(record);
    for (const auto& c : DataSheetControls())
      QVERIFY2(sheet.findChild<QObject*>(QString::fromStdString(c.name)), c.name.c_str());
    QCOMPARE(sheet.windowTitle(), QStringLiteral("Data Sheet"));
    QCOMPARE(sheet.Grid()->rowCount(), 299);
    QCOMPARE(sheet.Grid()->columnCount(), 3);
    QCOMPARE(sheet.Grid()->horizontalHeaderItem(2)->text(), QStringLiteral("Reliability [0<= r <=1]"));
    auto* semiconductor = sheet.findChild<QComboBox*>("ComboBoxSemiconductor");
    QCOMPARE(semiconductor->count(), 78);
    QCOMPARE(semiconductor->itemText(77), QStringLiteral("Input name"));
    QVERIFY(semiconductor->isEditable());
    QCOMPARE(sheet.findChild<QLineEdit*>("EditComment")->maxLength(), 100);
  }

  void typedPointsAreSavedAscending() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    Analysis record;
    record.Temperature = {50};
    record.Concentration = {1e14};
    record.Reliability = {1};
    record.DataCount = 1;
    TFormDataSheet sheet(record);
    dialogs.saves.push_back(dir.filePath("typed.nT").toStdString());

    bool ran = false;
    const bool saved = sheet.Run(true, [&](QDialog*) {
      ran = true;
      sheet.show();
      QVERIFY(QTest::qWaitForWindowExposed(&sheet));
      QTableWidget* grid = sheet.Grid();
      QVERIFY(!grid->item(0, 0) || grid->item(0, 0)->text().isEmpty());  // keyboard entry: empty grid
      grid->setFocus();
      grid->setCurrentCell(0, 0);
      QTest::keyClick(grid, Qt::Key_Tab);
      QCOMPARE(grid->currentColumn(), 1);
      grid->setCurrentCell(0, 0);
      QApplication::clipboard()->setText("300\t3e15\t1\n200\t2e15\t1\n100\t1e15\t0.5\n");
      QTest::keySequence(grid, QKeySequence::Paste);
      QCOMPARE(grid->item(2, 0)->text(), QStringLiteral("100"));
      sheet.findChild<QComboBox*>("ComboBoxConductionType")->setEditText("n-type");
      sheet.findChild<QComboBox*>("ComboBoxSemiconductor")->setEditText("Si");
      korv::test::Screenshot(&sheet, "datasheet");
      QTest::mouseClick(sheet.findChild<QPushButton*>("ButtonSaveExperimentalData"), Qt::LeftButton);
    });
    QVERIFY(ran);
    QVERIFY2(dialogs.errors.empty(), dialogs.errors.empty() ? "" : dialogs.errors[0].c_str());
    QVERIFY(saved);
    QCOMPARE(record.DataCount, 3);
    QCOMPARE(record.Temperature, (std::vector<double>{100, 200, 300}));
    QCOMPARE(record.Reliability[0], 0.5);
    QCOMPARE(sheet.Grid()->item(0, 0)->text(), QStringLiteral("100"));  // the grid was sorted
    QVERIFY(QFile::exists(dir.filePath("typed.nT")));
  }

  void changeDataShowsTheRecordAndCopiesCells() {
    korv::test::ScriptedDialogs dialogs;
    Analysis record;
    record.Temperature = {77.5, 300};
    record.Concentration = {1.5e14, 2e15};
    record.Reliability = {1, 0.25};
    record.DataCount = 2;
    record.ConductionType = "p-type";
    TFormDataSheet sheet(record);
    const bool saved = sheet.Run(false, [&](QDialog*) {
      sheet.show();
      QVERIFY(QTest::qWaitForWindowExposed(&sheet));
      QTableWidget* grid = sheet.Grid();
      QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("77.5"));
      QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("1.50E+14"));
      QCOMPARE(grid->item(1, 2)->text(), QStringLiteral("0.25"));
      QCOMPARE(sheet.findChild<QComboBox*>("ComboBoxConductionType")->currentText(), QStringLiteral("p-type"));
      grid->setFocus();
      grid->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 1), true);
      QTest::keySequence(grid, QKeySequence::Copy);
      QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("77.5\t1.50E+14\n300.0\t2.00E+15\n"));
      QTest::mouseClick(sheet.findChild<QPushButton*>("ButtonSaveExperimentalData"), Qt::LeftButton);
    });
    QVERIFY(!saved);  // the save dialog was cancelled
    QCOMPARE(dialogs.saveDialogs.size(), std::size_t{1});
    QCOMPARE(dialogs.saveDialogs[0].filterIndex, 2);
    QCOMPARE(record.Temperature, (std::vector<double>{77.5, 300}));
  }

  // "Change Data" on a 400-point measurement with a Windows-1252 name, saved unchanged:
  // every point and every byte of the texts reach the record and the file.
  void changeDataKeepsEveryPointAndTheTextsBytes() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    Analysis record;
    for (int i = 0; i < 400; ++i) {
      record.Temperature.push_back(10 + 0.75 * i);
      record.Concentration.push_back(1e13 * (1 + 0.01 * i));
      record.Reliability.push_back(1);
    }
    record.DataCount = 400;
    record.ConductionType = "n-type";
    record.MeasurementName = "M\xFCller";
    record.Remark = "Probe \x80 5";
    TFormDataSheet sheet(record);
    const std::string file = dir.filePath("long.nT").toStdString();
    dialogs.saves.push_back(file);
    const bool saved = sheet.Run(false, [&](QDialog*) {
      sheet.show();
      QVERIFY(QTest::qWaitForWindowExposed(&sheet));
      QVERIFY(sheet.Grid()->rowCount() >= 400);
      QCOMPARE(sheet.Grid()->item(399, 0)->text(), QStringLiteral("309.3"));
      QCOMPARE(sheet.findChild<QLineEdit*>("EditNameOfMeasurement")->text(), QString::fromUtf8("M\xC3\xBCller"));
      QCOMPARE(sheet.findChild<QLineEdit*>("EditComment")->text(), QString::fromUtf8("Probe \xE2\x82\xAC 5"));
      QTest::mouseClick(sheet.findChild<QPushButton*>("ButtonSaveExperimentalData"), Qt::LeftButton);
    });
    QVERIFY2(dialogs.errors.empty(), dialogs.errors.empty() ? "" : dialogs.errors[0].c_str());
    QVERIFY(saved);
    QCOMPARE(record.DataCount, 400);
    QCOMPARE(record.Temperature.back(), 10 + 0.75 * 399);
    QCOMPARE(record.MeasurementName, std::string("M\xFCller"));
    QCOMPARE(record.Remark, std::string("Probe \x80 5"));
    QFile f(QString::fromStdString(file));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.contains("% Name of measurement: M\xFCller\r\n"));
    QVERIFY(bytes.contains("% Probe \x80 5\r\n"));
    QVERIFY(!bytes.contains("\xEF\xBF\xBD"));
    QVERIFY(bytes.contains("\r\n309.25     4.99e+13     1\r\n"));
  }
};

QTEST_MAIN(DataSheetWindowTest)
#include "test_datasheet.moc"
