// The help viewer: an HTML page shown through a file:// address, with "Back" and
// "Forward", and the modal about box.
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QPushButton;
class QLabel;

namespace korv::ui {

class TFormHtml : public QWidget {
  Q_OBJECT

 public:
  explicit TFormHtml(QWidget* parent = nullptr);

  // Shows the page at `address` (a path, a file:// or a web address).
  void Navigate(const QString& address);
  // The bundled user's guide beside the program; empty when it cannot be found.
  static QString DefaultHelpFile();
  // Shows the bundled guide unless a page is already shown, then the window.
  void ShowHelp();
  // Opens a page chosen in the open dialog ("HTML files (*.html)|*.html").
  void OpenPage();

  QTextBrowser* Browser() const { return browser_; }
  QUrl Address() const;

 private:
  void UpdateButtons();

  QTextBrowser* browser_;
  QPushButton* back_;
  QPushButton* forward_;
};

class TFormAbout : public QDialog {
  Q_OBJECT

 public:
  // `version` is the record's version line ("Version 1.51 (2004/6/2)").
  explicit TFormAbout(QWidget* parent = nullptr);
  void SetVersion(const QString& version);

 private:
  QLabel* version_;
};

}  // namespace korv::ui
