#include "analyses/Conventionalwidgets.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <stdexcept>

#include "widgets/Chartwidget.h"
#include "widgets/Formulas.h"
#include "widgets/Qtview.h"

namespace korv::ui {

ControlWidgets::ControlWidgets(QWidget* parent, const std::vector<Control>& controls,
                               const std::vector<ChartSpec>& charts,
                               const std::function<QString(const QString&)>& pictureHtml)
    : parent_(parent) {
  for (const Control& c : controls) {
    const QString name = QString::fromStdString(c.name), caption = QString::fromStdString(c.caption);
    QWidget* w = nullptr;
    switch (c.kind) {
      case ControlKind::GroupBox:
        w = new QGroupBox(caption, parent);
        break;
      case ControlKind::Button:
        w = new QPushButton(CaptionToQt(c.caption), parent);
        break;
      case ControlKind::Edit:
        w = new QLineEdit(caption, parent);
        break;
      case ControlKind::Picture: {
        auto* picture = new FormulaPicture(name, parent);
        picture->setText(pictureHtml(name));
        w = picture;
        break;
      }
      case ControlKind::Chart: {
        for (const ChartSpec& spec : charts)
          if (spec.name == c.name) w = new ChartWidget(spec, parent);
        break;
      }
      case ControlKind::MenuItem:
        continue;
      default: {
        auto* label = new QLabel(caption, parent);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        w = label;
        break;
      }
    }
    if (!w) throw std::logic_error("no widget for " + c.name);
    w->setObjectName(name);
    widgets_[c.name] = w;
  }
}

QWidget* ControlWidgets::operator[](const std::string& name) const {
  auto it = widgets_.find(name);
  if (it == widgets_.end()) throw std::logic_error("no control " + name);
  return it->second;
}

QLayout* ControlWidgets::Row(std::initializer_list<std::string> names) const {
  auto* row = new QHBoxLayout;
  for (const std::string& n : names) {
    if (n.empty())
      row->addStretch(1);
    else if (n[0] == '=')
      row->addWidget(new QLabel(QString::fromStdString(n.substr(1)), parent_));
    else
      row->addWidget((*this)[n]);
  }
  return row;
}

void ControlWidgets::BuildMenus(QMainWindow* window, const std::vector<Control>& controls,
                                const std::vector<std::string>& headlines) {
  QMenu* menu = nullptr;
  for (const Control& c : controls) {
    if (c.kind != ControlKind::MenuItem) continue;
    const QString name = QString::fromStdString(c.name);
    if (std::find(headlines.begin(), headlines.end(), c.name) != headlines.end()) {
      menu = window->menuBar()->addMenu(CaptionToQt(c.caption));
      menu->setObjectName(name);
      continue;
    }
    if (!menu) continue;
    QAction* action = menu->addAction(CaptionToQt(c.caption));
    action->setObjectName(name);
  }
}

bool PrintWindowImage(QWidget* window) {
  if (!window) return false;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(window->windowTitle());
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
