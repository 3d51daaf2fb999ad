#include "ui/widgets/PrintImage.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QWidget>

#include "ui/widgets/QtView.h"

namespace korv::ui {

bool PrintWindowImage(QWidget* window, const QString& docName) {
  if (!window) return false;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(docName.isEmpty() ? window->windowTitle() : docName);
  if (!Dialogs().PrinterSetup(window, printer)) return false;
  const QPixmap image = window->grab();
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QRect page = painter.viewport();
  QSize size = image.size();
  size.scale(page.size(), Qt::KeepAspectRatio);
  painter.setViewport(page.x(), page.y(), size.width(), size.height());
  painter.setWindow(image.rect());
  painter.drawPixmap(0, 0, image);
  painter.end();
  return true;
}

}  // namespace korv::ui
