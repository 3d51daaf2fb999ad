// Widgets of the conventional-analysis windows built from their control lists, and the
// printing of a window's image that both windows offer.
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "presenters/View.h"

class QWidget;
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

  // Adds the menu items of the list to `window`'s menu bar: a headline is an item that is
  // followed by its entries up to the next headline (named in `headlines`).
  static void BuildMenus(QMainWindow* window, const std::vector<Control>& controls,
                         const std::vector<std::string>& headlines);

 private:
  QWidget* parent_;
  std::map<std::string, QWidget*> widgets_;
};

// Printer set-up; on OK the image of `window` is printed, scaled to the page. False when
// the set-up was cancelled or printing could not start.
bool PrintWindowImage(QWidget* window);

}  // namespace korv::ui
