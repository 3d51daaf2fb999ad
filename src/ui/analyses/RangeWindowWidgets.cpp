#include "ui/analyses/RangeWindowWidgets.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "ui/widgets/ChartWidget.h"
#include "ui/widgets/Formulas.h"
#include "ui/widgets/QtView.h"

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

QLayout* ControlWidgets::ChartColumn(std::initializer_list<std::string> top, const std::string& chart,
                                     std::initializer_list<std::string> bottom) const {
  auto* column = new QVBoxLayout;
  column->addLayout(Row(top));
  column->addWidget((*this)[chart], 1);
  column->addLayout(Row(bottom));
  return column;
}

void LayOutBesideCharts(QWidget* host, QLayout* left, int leftWidth, QLayout* chart1, QLayout* chart2) {
  auto* layout = new QHBoxLayout(host);
  auto* leftBox = new QWidget(host);
  leftBox->setLayout(left);
  leftBox->setFixedWidth(leftWidth);
  layout->addWidget(leftBox);
  layout->addLayout(chart1, 1);
  layout->addLayout(chart2, 1);
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

}  // namespace korv::ui
