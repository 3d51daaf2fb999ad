// Smoke test of the results window and the sample-condition window: report text, toolbar
// save with the caption after it, and the labels of the sample.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "core/Analysis.h"
#include "presenters/data/ObtainedResultsPresenter.h"
#include "presenters/data/SampleConditionPresenter.h"
#include "support/ScriptedDialogs.h"
#include "ui/data/ObtainedResultsWindow.h"
#include "ui/data/SampleConditionWindow.h"

using namespace korv::ui;

class ReportWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void resultsShowAndSaveTheReport() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    Analysis record;
    record.SampleNumber = "Si-P-01";
    record.FermiLevelFile = dir.filePath("run.fl").toStdString();
    TFormObtainedResults window(record);
    for (const auto& c : ObtainedResultsControls())
      QVERIFY2(window.findChild<QObject*>(QString::fromStdString(c.name)), c.name.c_str());
    QCOMPARE(window.windowTitle(), QStringLiteral("Obtained Results"));
    auto* text = window.findChild<QPlainTextEdit*>("RichEditResults");
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->document()->blockCount(), 21);

    window.Presenter().Clear();
    window.Presenter().Build();
    window.show();
    QVERIFY(text->toPlainText().contains("Sample Number:             Si-P-01"));
    dialogs.saves.push_back(dir.filePath("run.datH").toStdString());
    window.findChild<QAction*>("ToolSave")->trigger();
    QCOMPARE(dialogs.saveDialogs.at(0).fileName, dir.filePath("run.datH").toStdString());
    QCOMPARE(window.windowTitle(), dir.filePath("run.datH"));
    QVERIFY(QFile::exists(dir.filePath("run.datH")));
    window.findChild<QAction*>("ToolPrint")->trigger();
    QCOMPARE(dialogs.printerSetups, 1);
  }

  void sampleConditionShowsTheRecord() {
    Analysis record;
    TFormSampleCondition window(record);
    for (const auto& c : SampleConditionControls())
      QVERIFY2(window.findChild<QLabel*>(QString::fromStdString(c.name)), c.name.c_str());
    QCOMPARE(window.windowTitle(), QStringLiteral("FormSampleCondition"));
    record.Semiconductor = "4H-SiC";
    record.Thickness = 350;
    window.Presenter().Refresh();
    QCOMPARE(window.findChild<QLabel*>("LabelSemiconductor")->text(), QStringLiteral("4H-SiC"));
    QCOMPARE(window.findChild<QLabel*>("LabelThickness")->text(), QStringLiteral("350"));
  }
};

QTEST_MAIN(ReportWindowsTest)
#include "test_obtainedresults.moc"
