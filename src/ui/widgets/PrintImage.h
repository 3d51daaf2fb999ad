// Printing a window as it looks on the screen.
#pragma once

#include <QString>

class QWidget;

namespace korv::ui {

// Printer set-up; on OK the image of `window` is printed, scaled to the page and kept in
// proportion, under the document name `docName` (the window's title when empty). False
// when the set-up was cancelled or printing could not start.
bool PrintWindowImage(QWidget* window, const QString& docName = QString());

}  // namespace korv::ui
