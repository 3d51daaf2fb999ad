// Smoke test of the reference table window: the filled read-only grid with its column
// widths and row height, and the three groups.
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "presenters/analyses/InformationPresenter.h"
#include "presenters/data/HowToInputPresenter.h"
#include "support/ScriptedDialogs.h"
#include "ui/analyses/InformationWindow.h"
#include "ui/data/HowToInputWindow.h"

using namespace korv::ui;

class InformationWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheFilledTable() {
    TFormInformation window;
    for (const auto& c : InformationControls())
      QVERIFY2(window.findChild<QObject*>(QString::fromStdString(c.name)), c.name.c_str());
    window.FillAndShow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Semiconductor Data used in KORV"));
    QTableWidget* grid = window.Grid();
    QCOMPARE(grid->rowCount() + 1, 78);  // the header row is the table's header
    QCOMPARE(grid->columnCount(), 13);
    QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Material"));
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("Si"));
    QCOMPARE(grid->item(76, 0)->text(), QStringLiteral("GaS"));
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    const int widths[] = {80, 85, 44, 42, 43, 77, 45, 44, 108, 115, 95, 101, 74};
    for (int c = 0; c < 13; ++c) QCOMPARE(grid->columnWidth(c), widths[c]);
    QCOMPARE(grid->rowHeight(5), 16);
    QCOMPARE(window.findChild<QGroupBox*>("GroupBoxNotes")->title(), QStringLiteral("Notes"));
    QVERIFY(window.findChild<QLabel*>("LabelComment5")->text().startsWith("e) This is the static"));
    korv::test::Screenshot(&window, "informationsemiconductor");

    grid->item(0, 0)->setText("changed");
    window.close();
    window.FillAndShow();
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("Si"));
  }

  void dataSourceDialogReturnsTheChoice() {
    TFormHowToInput dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("How to input data"));
    const DataSource chosen = dialog.Ask([&](QDialog*) {
      dialog.show();
      QTest::mouseClick(dialog.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    });
    QCOMPARE(chosen, DataSource::Conversion);
    QCOMPARE(dialog.Ask([](QDialog*) {}), DataSource::None);
  }
};

QTEST_MAIN(InformationWindowTest)
#include "test_informationsemiconductor.moc"
