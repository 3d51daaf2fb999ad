#include "ui/data/ObtainedResultsWindow.h"

#include <QAction>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QStyle>
#include <QToolBar>

#include "presenters/data/ObtainedResultsPresenter.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

TFormObtainedResults::TFormObtainedResults(const Analysis& record, QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FormObtainedResults"));
  auto* text = new QPlainTextEdit(this);
  text->setObjectName(QString::fromLatin1(kResultsText));
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setCentralWidget(text);

  auto* bar = addToolBar(QStringLiteral("ToolBar1"));
  bar->setObjectName(QStringLiteral("ToolBar1"));
  bar->setMovable(false);
  QAction* save = bar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Save"));
  save->setObjectName(QStringLiteral("ToolSave"));
  QAction* separator = bar->addSeparator();
  separator->setObjectName(QStringLiteral("ToolButton3"));
  QAction* print = bar->addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("Print"));
  print->setObjectName(QStringLiteral("ToolPrint"));
  resize(560, 460);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<ObtainedResultsPresenter>(record, *view_);
  connect(save, &QAction::triggered, this, view_->Guard([this] { presenter_->ToolSaveClick(); }));
  connect(print, &QAction::triggered, this, view_->Guard([this] { presenter_->ToolPrintClick(); }));
}

TFormObtainedResults::~TFormObtainedResults() = default;

}  // namespace korv::ui
