// Smoke test of the conversion window: its controls, loading a foreign CSV, the preview
// of the chosen columns, and a save that reaches the record.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "core/Analysis.h"
#include "presenters/data/ConvertPresenter.h"
#include "support/ScriptedDialogs.h"
#include "ui/data/ConvertWindow.h"

using namespace korv::ui;

class ConvertWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void hasEveryControlOfTheList() {
    Analysis record;
    TFormConvert window(record);
    for (const auto& c : ConvertControls())
      QVERIFY2(window.findChild<QObject*>(QString::fromStdString(c.name)), c.name.c_str());
    QCOMPARE(window.windowTitle(), QStringLiteral("Use Data File with Another Format File"));
    auto* columnT = window.findChild<QComboBox*>("ComboBoxColumnT");
    QCOMPARE(columnT->count(), 15);
    QCOMPARE(columnT->currentIndex(), -1);
    QCOMPARE(window.findChild<QLineEdit*>("EditComment")->text(), QStringLiteral("0"));
    QVERIFY(window.findChild<QMenu*>("PopupMenuConvert"));
  }

  // On a 1366x768 laptop the window, with its title bar, fits the screen: its boxes scroll.
  void fitsALowScreen() {
    Analysis record;
    TFormConvert window(record);
    QVERIFY2(window.minimumSizeHint().height() <= 700, qPrintable(QString::number(window.minimumSizeHint().height())));
    QVERIFY(window.minimumSizeHint().width() <= 1366);
    QVERIFY(window.height() <= 760);
  }

  void loadsAForeignCsvAndSavesIt() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    Analysis record;
    TFormConvert window(record);
    const QString csv = QStringLiteral(KORV_TEST_DATA "/foreign_si_n.csv");
    dialogs.opens.push_back(csv.toStdString());
    dialogs.saves.push_back(dir.filePath("converted.nT").toStdString());

    const bool saved = window.Run([&](QDialog*) {
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QTest::mouseClick(window.findChild<QPushButton*>("ButtonLoadAnotherData"), Qt::LeftButton);
      QCOMPARE(window.windowTitle(), csv);
      auto* text = window.findChild<QPlainTextEdit*>("RichEditConvert");
      QVERIFY(text->toPlainText().startsWith("# Hall run"));
      window.findChild<QComboBox*>("ComboBoxColumnT")->setCurrentIndex(0);
      window.findChild<QComboBox*>("ComboBoxColumnC")->setCurrentIndex(1);
      window.findChild<QComboBox*>("ComboBoxSemiconductor")->setEditText("Si");
      window.findChild<QComboBox*>("ComboBoxConductionType")->setEditText("n-type");
      // The comment line and the row of column names are skipped, not read as points.
      auto* preview = window.findChild<QPlainTextEdit*>("MemoPreview");
      QTRY_VERIFY2(preview->toPlainText().startsWith("Read 60 points"), qPrintable(preview->toPlainText()));
      QVERIFY2(preview->toPlainText().contains("Skipped: 1 comment line, 1 header line."),
               qPrintable(preview->toPlainText()));
      korv::test::Screenshot(&window, "formatconvert");
      QTest::mouseClick(window.findChild<QPushButton*>("ButtonSaveData"), Qt::LeftButton);
    });
    QVERIFY2(dialogs.errors.empty(), dialogs.errors.empty() ? "" : dialogs.errors[0].c_str());
    QVERIFY(saved);
    QCOMPARE(dialogs.saveDialogs.at(0).fileName, std::string(KORV_TEST_DATA "/foreign_si_n.nT"));
    QCOMPARE(record.DataCount, 60);
    QCOMPARE(record.Temperature.front(), 35.0);
    QCOMPARE(record.OriginalFile, csv.toStdString());
    QVERIFY(QFile::exists(dir.filePath("converted.nT")));
  }

  // An export with a settings block, a [Data] marker and named columns, converted from R_H.
  void convertsAHallCoefficientFromASettingsBlockExport() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    Analysis record;
    TFormConvert window(record);
    dialogs.opens.push_back(KORV_TEST_DATA "/import/settings_block.txt");
    dialogs.saves.push_back(dir.filePath("block.nT").toStdString());
    const bool saved = window.Run([&](QDialog*) {
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QTest::mouseClick(window.findChild<QPushButton*>("ButtonLoadAnotherData"), Qt::LeftButton);
      auto* columnT = window.findChild<QComboBox*>("ComboBoxColumnT");
      QVERIFY(columnT->findText("Temperature (K)") >= 0);
      columnT->setCurrentText("Temperature (K)");
      window.findChild<QComboBox*>("ComboBoxColumnC")->setCurrentText("Hall coefficient (cm3/C)");
      window.findChild<QComboBox*>("ComboBoxQuantity")->setCurrentText(kQuantityHallCoefficient);
      QCOMPARE(window.findChild<QComboBox*>("ComboBoxUnit")->currentText(), QStringLiteral("cm^3/C"));
      QVERIFY(window.findChild<QLineEdit*>("EditHallFactor")->isEnabled());
      window.findChild<QComboBox*>("ComboBoxSemiconductor")->setEditText("Si");
      window.findChild<QLineEdit*>("EditSampleNumber")->setText("Si-P-01");
      auto* preview = window.findChild<QPlainTextEdit*>("MemoPreview");
      QTRY_VERIFY2(preview->toPlainText().startsWith("Read 60 points"), qPrintable(preview->toPlainText()));
      for (const char* part : {"Settings block: lines 1-11, up to the marker [Data].",
                               "R_H > 0 in 0, R_H < 0 in 60 rows: n-type proposed.", "\n13     35.00 "})
        QVERIFY2(preview->toPlainText().contains(part), qPrintable(preview->toPlainText()));
      QCOMPARE(window.findChild<QComboBox*>("ComboBoxConductionType")->currentText(), QStringLiteral("n-type"));
      korv::test::Screenshot(&window, "formatconvert_settings_block");
      QTest::mouseClick(window.findChild<QPushButton*>("ButtonSaveData"), Qt::LeftButton);
    });
    QVERIFY2(dialogs.errors.empty(), dialogs.errors.empty() ? "" : dialogs.errors[0].c_str());
    QVERIFY(saved);
    QCOMPARE(record.DataCount, 60);
    QCOMPARE(record.ConductionType, std::string("n-type"));
    QVERIFY(std::fabs(record.Concentration.front() / 1.29523e13 - 1) < 1e-5);
  }

  // A quoted CSV with a preamble, a German marker and an empty cell: everything proposed by
  // the file, the empty cell refused with its line, saved once the refused rows may be left out.
  void convertsAQuotedCsvWithAPreambleAndAnEmptyCell() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    Analysis record;
    TFormConvert window(record);
    window.resize(1366, 740);
    dialogs.opens.push_back(KORV_TEST_DATA "/import/quoted_preamble.csv");
    dialogs.saves.push_back(dir.filePath("quoted.pT").toStdString());
    const bool saved = window.Run([&](QDialog*) {
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QTest::mouseClick(window.findChild<QPushButton*>("ButtonLoadAnotherData"), Qt::LeftButton);
      QCOMPARE(window.findChild<QComboBox*>("ComboBoxColumnT")->currentText(), QStringLiteral("T (K)"));
      QCOMPARE(window.findChild<QComboBox*>("ComboBoxColumnC")->currentText(), QStringLiteral("p (cm^-3)"));
      QCOMPARE(window.findChild<QLineEdit*>("EditSampleNumber")->text(), QStringLiteral("SiB-17"));
      QCOMPARE(window.findChild<QLineEdit*>("EditThickness")->text(), QStringLiteral("525"));
      window.findChild<QComboBox*>("ComboBoxSemiconductor")->setEditText("Si");
      auto* preview = window.findChild<QPlainTextEdit*>("MemoPreview");
      QTRY_VERIFY2(preview->toPlainText().startsWith("Read 39 points"), qPrintable(preview->toPlainText()));
      for (const char* part : {"Settings block: lines 1-4, up to the marker [Daten].",
                               "Line 12 cannot be saved: Empty cell in the concentration column.",
                               "\n12     60.00                       refused: Empty cell in the concentration column",
                               "skipped: settings block up to the marker [Daten]", "p [cm^-3]"})
        QVERIFY2(preview->toPlainText().contains(part), part);
      window.findChild<QCheckBox*>(kConvertDropRefused)->setChecked(true);
      QTRY_VERIFY(preview->toPlainText().contains("Line 12 is left out"));
      korv::test::Screenshot(&window, "formatconvert_quoted_preamble");
      QTest::mouseClick(window.findChild<QPushButton*>("ButtonSaveData"), Qt::LeftButton);
    });
    QVERIFY2(dialogs.errors.empty(), dialogs.errors.empty() ? "" : dialogs.errors[0].c_str());
    QVERIFY(saved);
    QCOMPARE(record.DataCount, 39);
    QCOMPARE(record.SampleNumber, std::string("SiB-17"));
    QCOMPARE(record.ConductionType, std::string("p-type"));  // from the column named p
    QCOMPARE(dialogs.notices.size(), std::size_t(1));
    QVERIFY2(dialogs.notices[0].find("Refused and left out: lines 12") != std::string::npos,
             dialogs.notices[0].c_str());
  }
};

QTEST_MAIN(ConvertWindowTest)
#include "test_formatconvert.moc"
