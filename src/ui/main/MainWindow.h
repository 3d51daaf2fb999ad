// TFormMain: the main window. A passive Qt view of MainPresenter: it builds every
// control of the main window's control list (object names and captions as listed), lays
// them out on the six tabs, forwards each click, menu command and tab change to the
// presenter's handler of the same name, and carries out what the presenter asks through
// its QtView.
#pragma once

#include <QMainWindow>
#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "presenters/main/MainPresenter.h"
#include "ui/widgets/QtView.h"

class QTabWidget;
class QBoxLayout;
class QGridLayout;
class QLayout;

namespace korv::ui {

class ChartWidget;

// The main window's view: a QtView that can answer the next open dialog itself, for a
// file named on the command line or dropped on the window.
class MainQtView : public QtView {
 public:
  using QtView::QtView;
  void AnswerNextOpen(std::optional<std::string> path) { nextOpen_ = std::move(path); }
  std::optional<std::string> AskOpenFile(const FileDialog& dialog) override;

 private:
  std::optional<std::string> nextOpen_;
};

class TFormMain : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs its creation step (version texts, mode, full reset).
  // `developerOptionsHidden` = false keeps the Option menu and both modes reachable.
  TFormMain(Analysis& record, Windows& windows, korv::Progress& progress, bool developerOptionsHidden = true,
            QWidget* parent = nullptr);
  ~TFormMain() override;

  MainPresenter& Presenter() { return presenter_; }
  MainQtView& View() { return *view_; }
  ChartWidget* Chart(const std::string& name) const;
  QTabWidget* Pages() const { return pages_; }

  // Loads a measurement file as "Load Data (*.pT or *.nT)" does, the dialog answered with `path`.
  void LoadMeasurement(const QString& path);

 protected:
  // Closes every other window and ends the program's event loop.
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void LayOut();
  void LayOutConcentration();
  void LayOutFermi();
  void LayOutAnalysis(int k);
  void LayOutSimulation();
  void PlaceLeftovers();
  void Wire();
  // Runs a handler of the presenter; anything it throws ends up in an error box.
  void Run(const std::string& handler);

  QWidget* W(const std::string& name);
  // A row of controls; "" is a stretch, "=text" a static caption, "<a,b>" a stack of
  // pictures of which one is shown.
  QLayout* Row(std::initializer_list<std::string> items);
  QWidget* Item(const std::string& item);
  QWidget* Stack(std::initializer_list<std::string> names);

  MainPresenter presenter_;
  std::unique_ptr<MainQtView> view_;
  QTabWidget* pages_ = nullptr;
  std::map<std::string, QWidget*> widgets_;
  std::map<std::string, bool> placed_;
  std::map<std::string, std::string> parents_;
};

}  // namespace korv::ui
