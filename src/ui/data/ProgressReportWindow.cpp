#include "ui/data/ProgressReportWindow.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

namespace korv::ui {

TFormProgressReport::TFormProgressReport(QWidget* parent, const QString& caption, const QString& name)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName(name);
  setWindowTitle(caption);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("ProgressBar"));
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(true);
  bar_->setMinimumWidth(360);
  layout->addWidget(bar_);
  adjustSize();
}

TFormDetailedProgressReport::TFormDetailedProgressReport(QWidget* parent)
    : TFormProgressReport(parent, QStringLiteral("Detailed Progress Report"),
                          QStringLiteral("FormDetailedProgressReport")) {}

ProgressWindows::ProgressWindows(TFormProgressReport* main, TFormDetailedProgressReport* detailed)
    : main_(main), detailed_(detailed) {
  sincePump_.start();
}

TFormProgressReport* ProgressWindows::Window(korv::ProgressBar bar) const {
  return bar == korv::ProgressBar::Main ? main_ : detailed_;
}

void ProgressWindows::Show(korv::ProgressBar bar, int maximum) {
  TFormProgressReport* window = Window(bar);
  if (!window) return;
  window->Bar()->setRange(0, std::max(maximum, 1));
  window->Bar()->setValue(0);
  if (!window->isVisible()) {
    // The detailed window sits just below the main one, both over the main window.
    if (bar == korv::ProgressBar::Detailed && main_ && main_->isVisible())
      window->move(main_->pos() + QPoint(0, main_->frameGeometry().height() + 8));
    window->show();
    window->raise();
  }
  Pump(true);
}

void ProgressWindows::Step(korv::ProgressBar bar, int steps) {
  TFormProgressReport* window = Window(bar);
  if (!window) return;
  QProgressBar* progress = window->Bar();
  progress->setValue(std::min(progress->maximum(), progress->value() + std::max(steps, 0)));
  Pump(false);
}

void ProgressWindows::Close(korv::ProgressBar bar) {
  if (TFormProgressReport* window = Window(bar)) window->hide();
  Pump(true);
}

int ProgressWindows::Position(korv::ProgressBar bar) const {
  const TFormProgressReport* window = Window(bar);
  return window ? window->Bar()->value() : 0;
}

void ProgressWindows::Pump(bool force) {
  if (!force && sincePump_.elapsed() < 30) return;
  sincePump_.restart();
  // Paint and window-system events only: a click during the calculation waits until the
  // command has ended.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace korv::ui
