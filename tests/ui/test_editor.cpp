// Smoke test of the file viewer: its menus, open and save through the menu actions, and
// the fresh start from the main window.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "presenters/data/EditorPresenter.h"
#include "support/ScriptedDialogs.h"
#include "ui/data/EditorWindow.h"

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

  // A Windows-1252 file through the window: every byte the user did not edit comes back.
  void windows1252FileRoundTripsByteForByte() {
    korv::test::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    QByteArray bytes = "% Name of measurement: M\xFCller \x80 \x96 \xA0|\x81\x8D\x8F\x90\x9D|\r\n";
    for (int b = 0x20; b < 0x100; ++b) {
      if (b == 0x7f) continue;
      bytes += static_cast<char>(b);
      if (b % 32 == 31) bytes += "\r\n";
    }
    bytes += "\tend\r\n";
    const QString file = dir.filePath("w1252.nT");
    auto write = [&](const QByteArray& content) {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(content);
    };
    auto read = [&] {
      QFile f(file);
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    write(bytes);
    TFormEditor editor;
    editor.ShowFromMain();
    dialogs.opens.push_back(file.toStdString());
    editor.findChild<QAction*>("OpenEditor")->trigger();
    auto* text = editor.findChild<QPlainTextEdit*>("RichEditEditor");
    QVERIFY(text->toPlainText().startsWith(QString::fromUtf8("% Name of measurement: M\xC3\xBCller \xE2\x82\xAC")));
    QVERIFY(!text->toPlainText().contains(QChar(0xFFFD)));
    QFile::remove(file);
    editor.findChild<QAction*>("SaveEditor")->trigger();
    QVERIFY2(dialogs.errors.empty(), dialogs.errors.empty() ? "" : dialogs.errors[0].c_str());
    QCOMPARE(read(), bytes);

    // A line typed at the end: the rest stays byte for byte, the new line is Windows-1252.
    text->appendPlainText(QString::fromUtf8("G\xC3\xA9rard"));
    editor.findChild<QAction*>("SaveEditor")->trigger();
    QCOMPARE(read(), bytes + "G\xE9rard\r\n");
  }
};

QTEST_MAIN(EditorWindowTest)
#include "test_editor.moc"
