// A korv::ui::View over a tree of Qt widgets: every control is found by its object name
// below the window's root (widgets, menus, actions, tab pages, charts). The modal boxes
// and file dialogs go through a DialogHost, which tests replace by scripted answers.
#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "presenters/common/View.h"

class QObject;
class QWidget;
class QPrinter;

namespace korv::ui {

class ChartWidget;

// The file dialogs and message boxes of all windows.
class DialogHost {
 public:
  virtual ~DialogHost() = default;
  virtual std::optional<std::string> OpenFile(QWidget* parent, const FileDialog& dialog);
  virtual std::optional<std::string> SaveFile(QWidget* parent, const FileDialog& dialog);
  virtual void Error(QWidget* parent, const std::string& text);
  virtual void Notice(QWidget* parent, const std::string& text);
  virtual bool YesNo(QWidget* parent, const std::string& text);
  // Printer set-up; true when the user accepted it.
  virtual bool PrinterSetup(QWidget* parent, QPrinter& printer);
};

// The host every view uses; the real dialogs unless a test installed its own.
DialogHost& Dialogs();
// Installs `host` (nullptr restores the real dialogs). The host must outlive its use.
void SetDialogs(DialogHost* host);

// "Experimental Data (*.nT or *.pT)|*.nT;*.pT|..." as Qt name filters: the description
// followed by the patterns in parentheses, one filter per pair.
QStringList QtNameFilters(const std::string& filter);
// The extension a bare name gets with filter `index` (1-based): the one of `fileName` when
// it is among the entry's patterns, else the first pattern's; "" for "*.*" or none.
QString DefaultSuffix(const std::string& filter, int index, const std::string& fileName = "");

// A filter list that offers "Figure (*.bmp)" gets PNG, PDF and SVG figures appended, so the
// indices of the existing entries keep their meaning.
std::string WithFigureFormats(const std::string& filter);

// The caption `controls` gives the control `name`; empty when the list has none of that name.
QString ControlCaption(const std::vector<Control>& controls, const std::string& name);

// A new widget of type W under `parent`, named `name`.
template <class W>
W* NewNamed(QWidget* parent, const std::string& name) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromStdString(name));
  return w;
}

// Escapes and unescapes the mnemonic marker of button, menu and tab captions.
QString CaptionToQt(const std::string& caption);
std::string CaptionFromQt(const QString& caption);

class QtView : public View {
 public:
  // `progress` serves ProgressPort (nothing is shown when null).
  explicit QtView(QWidget* root, korv::Progress* progress = nullptr);
  ~QtView() override;

  // The object of a control, nullptr when the window has none of that name.
  QObject* Find(const std::string& name) const;
  ChartWidget* Chart(const std::string& name) const;
  QWidget* Root() const { return root_; }

  // The error boundary of the window: runs one command of a slot. The presenters catch
  // korv::Error themselves; anything else that reaches here is a fault of the program,
  // shown in an error box with the normal cursor back, so that nothing escapes a slot.
  void Run(const std::function<void()>& command);
  // A slot that runs `command` through Run.
  template <class Command>
  std::function<void()> Guard(Command command) {
    return [this, command = std::move(command)] { Run(command); };
  }

  void SetEnabled(const std::string& control, bool enabled) override;
  bool IsEnabled(const std::string& control) const override;
  void SetVisible(const std::string& control, bool visible) override;
  bool IsVisible(const std::string& control) const override;
  void SetText(const std::string& control, const std::string& text) override;
  std::string Text(const std::string& control) const override;
  void SetChecked(const std::string& control, bool checked) override;
  bool IsChecked(const std::string& control) const override;

  void ClearSeries(const std::string& chart, int series) override;
  void AddPoint(const std::string& chart, int series, double x, double y) override;
  void AddPoints(const std::string& chart, int series, const std::vector<double>& x,
                 const std::vector<double>& y) override;
  int PointCount(const std::string& chart, int series) const override;
  std::pair<double, double> SeriesYRange(const std::string& chart, int series) const override;
  void SetAxisTitles(const std::string& chart, const std::string& bottom, const std::string& left) override;
  bool SaveChartImage(const std::string& chart, const std::string& path, std::string& error) override;

  std::optional<std::string> AskOpenFile(const FileDialog& dialog) override;
  std::optional<std::string> AskSaveFile(const FileDialog& dialog) override;
  void ShowError(const std::string& text) override;
  void ShowNotice(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  void SetCursor(Cursor cursor) override;

  void SetCaption(const std::string& caption) override;
  void CloseWindow() override;
  void SetItems(const std::string& control, const std::vector<std::string>& items) override;
  void SetCell(const std::string& grid, int row, int column, const std::string& text) override;
  std::string Cell(const std::string& grid, int row, int column) const override;
  void SetRowCount(const std::string& grid, int rows) override;
  void Clipboard(const std::string& control, ClipboardAction action) override;
  bool PrintText(const std::string& title, const std::string& text) override;
  void SetCurrentPage(const std::string& pages, const std::string& page) override;

  korv::Progress& ProgressPort() override;
  korv::Messages& MessagesPort() override;

 private:
  class MessagesAdapter;
  class InputBlocker;
  QObject* Require(const std::string& name) const;

  QPointer<QWidget> root_;
  mutable QHash<QString, QPointer<QObject>> cache_;
  korv::Progress* progress_;
  korv::NullProgress nullProgress_;
  std::unique_ptr<MessagesAdapter> messages_;
  // While the window is busy, clicks and keys aimed at it are dropped, not queued.
  std::unique_ptr<InputBlocker> blocker_;
  bool busy_ = false;
};

}  // namespace korv::ui
