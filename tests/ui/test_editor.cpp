// Smoke test of the file viewer: its menus, open and save through the menu actions, and
// the fresh start from the main window.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "data/Editor.h"
#include "presenters/Editor.h"
#include "support/ScriptedDialogs.h"

using namespace korv::ui;

class EditorWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void menusOpenAndSave() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    TFormEditor editor;
    for (const auto& c : EditorControls())
      QVERIFY2(editor.findChild<QObject*>(QString::fromStdString(c.name)), c.name.c_str());
    QCOMPARE(editor.findChild<QMenu*>("FileEditor")->title(), QStringLiteral("File"));
    editor.ShowFromMain();
    QCOMPARE(editor.windowTitle(), QStringLiteral("File Viewer"));

    const QString file = dir.filePath("a.nT");
    {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("% Data of Hall-Effect Measurement\r\n35     1e+13     1\r\n");
    }
    dialogs.opens.push_back(file.toStdString());
    editor.findChild<QAction*>("OpenEditor")->trigger();
    auto* text = editor.findChild<QPlainTextEdit*>("RichEditEditor");
    QCOMPARE(text->toPlainText(), QStringLiteral("% Data of Hall-Effect Measurement\n35     1e+13     1"));
    QCOMPARE(editor.windowTitle(), file);

    text->appendPlainText("40     2e+13     1");
    editor.findChild<QAction*>("SaveEditor")->trigger();
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(),
             QByteArray("% Data of Hall-Effect Measurement\r\n35     1e+13     1\r\n40     2e+13     1\r\n"));

    // Opened afresh from the main window, Save asks for a name.
    editor.ShowFromMain();
    QVERIFY(text->toPlainText().isEmpty());
    editor.findChild<QAction*>("SaveEditor")->trigger();
    QCOMPARE(dialogs.saveDialogs.size(), std::size_t{1});

    editor.findChild<QAction*>("PrintEditor")->trigger();
    QCOMPARE(dialogs.printerSetups, 1);
    editor.findChild<QAction*>("ExitEditor")->trigger();
    QVERIFY(!editor.isVisible());
  }
};

QTEST_MAIN(EditorWindowTest)
#include "test_editor.moc"
