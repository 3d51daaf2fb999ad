// Smoke test of the conversion window: its controls, loading a foreign CSV, the preview
// of the chosen columns, and a save that reaches the record.
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "core/Hallanalysis.h"
#include "data/Formatconvert.h"
#include "presenters/Formatconvert.h"
#include "support/ScriptedDialogs.h"

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
      auto* preview = window.findChild<QPlainTextEdit*>("MemoPreview");
      QVERIFY2(preview->toPlainText().contains("Line 1 cannot be saved"), qPrintable(preview->toPlainText()));
      korv::test::Screenshot(&window, "formatconvert");

      // The user deletes the two header lines; the preview follows shortly after.
      QTextCursor cursor(text->document());
      cursor.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor, 2);
      cursor.removeSelectedText();
      QTRY_VERIFY2(preview->toPlainText().startsWith("60 points"), qPrintable(preview->toPlainText()));
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
};

QTEST_MAIN(ConvertWindowTest)
#include "test_formatconvert.moc"
