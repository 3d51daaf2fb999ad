// Widgets of the conventional-analysis windows built from their control lists.
#pragma once

#include <QObject>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/Error.h"
#include "presenters/common/View.h"
#include "ui/widgets/PrintImage.h"
#include "ui/widgets/QtView.h"

class QLayout;
class QMainWindow;

namespace korv::ui {

class ControlWidgets {
 public:
  // Creates one widget per control (menu items are left to the window), named as the list
  // names them, under `parent`; pictures show `pictureHtml(name)`, charts their spec.
  ControlWidgets(QWidget* parent, const std::vector<Control>& controls, const std::vector<ChartSpec>& charts,
                 const std::function<QString(const QString&)>& pictureHtml);

  QWidget* operator[](const std::string& name) const;
  // A row of the named widgets; "" is a stretch, "=text" a plain label of its own.
  QLayout* Row(std::initializer_list<std::string> names) const;
  // A chart's column: the `top` row, the chart taking the height, the `bottom` row.
  QLayout* ChartColumn(std::initializer_list<std::string> top, const std::string& chart,
                       std::initializer_list<std::string> bottom) const;
  // Connects each named button to its handler of `presenter`.
  template <class Presenter>
  void ConnectButtons(QObject* receiver, Presenter* presenter,
                      std::initializer_list<std::pair<const char*, void (Presenter::*)()>> buttons) const {
    for (const auto& [name, handler] : buttons)
      QObject::connect(static_cast<QPushButton*>((*this)[name]), &QPushButton::clicked, receiver,
                       [presenter, handler = handler] { (presenter->*handler)(); });
  }

  // Adds the menu items of the list to `window`'s menu bar: a headline is an item that is
  // followed by its entries up to the next headline (named in `headlines`).
  static void BuildMenus(QMainWindow* window, const std::vector<Control>& controls,
                         const std::vector<std::string>& headlines);

 private:
  QWidget* parent_;
  std::map<std::string, QWidget*> widgets_;
};

// Lays out `host`: the `left` column in a box `leftWidth` pixels wide, then the two chart
// columns sharing the rest.
void LayOutBesideCharts(QWidget* host, QLayout* left, int leftWidth, QLayout* chart1, QLayout* chart2);

// The prepare step, then `window` shown at the top left of the screen; an error box and no
// window when the record cannot be analysed.
template <class Presenter>
void PrepareAndShowAtTopLeft(QWidget* window, Presenter& presenter) {
  try {
    presenter.PrepareWindow();
  } catch (const korv::Error& e) {
    Dialogs().Error(window, e.what());
    return;
  }
  window->move(0, 0);
  window->show();
  window->raise();
}

}  // namespace korv::ui
