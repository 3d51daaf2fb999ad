#include "ui/data/EditorWindow.h"

#include <QAction>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>

#include "presenters/data/EditorPresenter.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

namespace {

QString captionOf(const std::string& name) { return ControlCaption(EditorControls(), name); }

QMenu* menu(QMenuBar* bar, const char* name) {
  QMenu* m = bar->addMenu(captionOf(name));
  m->setObjectName(QString::fromLatin1(name));
  return m;
}

}  // namespace

TFormEditor::TFormEditor(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FormEditor"));
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QString::fromLatin1(kEditorText));
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setCentralWidget(text_);
  resize(760, 560);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<EditorPresenter>(*view_);

  auto item = [this](QMenu* m, const char* name, auto handler, QKeySequence keys = {}) {
    QAction* a = m->addAction(captionOf(name));
    a->setObjectName(QString::fromLatin1(name));
    if (!keys.isEmpty()) a->setShortcut(keys);
    connect(a, &QAction::triggered, this, view_->Guard(handler));
    return a;
  };
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  QMenu* file = menu(bar, "FileEditor");
  item(
      file, "OpenEditor", [this] { presenter_->OpenEditorClick(); }, QKeySequence::Open);
  item(
      file, "SaveEditor", [this] { presenter_->SaveEditorClick(); }, QKeySequence::Save);
  item(file, "SaveAsEditor", [this] { presenter_->SaveAsEditorClick(); });
  item(file, "PrintEditor", [this] { presenter_->PrintEditorClick(); });
  item(file, "AllClearEditor", [this] { presenter_->AllClearEditorClick(); });
  file->addSeparator();
  item(file, "ExitEditor", [this] { presenter_->ExitEditorClick(); });
  // The text area has the standard shortcuts itself; the menu items do the same.
  QMenu* edit = menu(bar, "EditEditor");
  item(edit, "CutEditor", [this] { presenter_->ClipboardClick(ClipboardAction::Cut); });
  item(edit, "CopyEditor", [this] { presenter_->ClipboardClick(ClipboardAction::Copy); });
  item(edit, "PasteEditor", [this] { presenter_->ClipboardClick(ClipboardAction::Paste); });

  auto* popup = new QMenu(this);
  popup->setObjectName(QStringLiteral("PopupMenuEditor"));
  item(popup, "Cut1", [this] { presenter_->ClipboardClick(ClipboardAction::Cut); });
  item(popup, "Copy1", [this] { presenter_->ClipboardClick(ClipboardAction::Copy); });
  item(popup, "Paste1", [this] { presenter_->ClipboardClick(ClipboardAction::Paste); });
  text_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(text_, &QPlainTextEdit::customContextMenuRequested, this,
          [this, popup](const QPoint& at) { popup->exec(text_->mapToGlobal(at)); });
}

TFormEditor::~TFormEditor() = default;

void TFormEditor::ShowFromMain() {
  presenter_->ShowFromMain();
  show();
  raise();
  activateWindow();
}

}  // namespace korv::ui
