#include "ui/widgets/QtView.h"

#include <algorithm>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QtDebug>

#include "core/TextEncoding.h"
#include "ui/widgets/ChartWidget.h"

namespace korv::ui {
namespace {

DialogHost* installedHost = nullptr;

// Texts from the engine are bytes as files held them: what is not valid UTF-8 is shown as
// Windows-1252 rather than as replacement characters.
QString Q(const std::string& s) { return QString::fromStdString(korv::DisplayText(s)); }

std::vector<std::pair<QString, QStringList>> ParseFilter(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  std::vector<std::pair<QString, QStringList>> pairs;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    pairs.emplace_back(parts[i], parts[i + 1].split(';', Qt::SkipEmptyParts));
  return pairs;
}

// The tab widget a page belongs to, or nullptr when the widget is no tab page.
QTabWidget* TabOf(QWidget* page) {
  auto* stack = qobject_cast<QStackedWidget*>(page ? page->parentWidget() : nullptr);
  return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}

void Configure(QFileDialog& dialog, const FileDialog& spec) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, qEnvironmentVariableIsSet("KORV_QT_DIALOGS"));
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  if (!spec.title.empty()) dialog.setWindowTitle(Q(spec.title));
  const QStringList filters = QtNameFilters(spec.filter);
  dialog.setNameFilters(filters);
  if (spec.filterIndex >= 1 && spec.filterIndex <= filters.size())
    dialog.selectNameFilter(filters[spec.filterIndex - 1]);
  if (!spec.fileName.empty()) {
    const QFileInfo proposed(Q(spec.fileName));
    if (!proposed.path().isEmpty() && proposed.path() != ".") dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
  }
}

}  // namespace

// Real dialogs ----------------------------------------------------------------------

std::optional<std::string> DialogHost::OpenFile(QWidget* parent, const FileDialog& spec) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly, true);
  Configure(dialog, spec);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> DialogHost::SaveFile(QWidget* parent, const FileDialog& spec) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  Configure(dialog, spec);
  dialog.setDefaultSuffix(DefaultSuffix(spec.filter, spec.filterIndex, spec.fileName));
  // The suffix added to a bare name follows the filter the user picks.
  const std::string filter = spec.filter;
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filter](const QString& chosen) {
    const int index = static_cast<int>(QtNameFilters(filter).indexOf(chosen)) + 1;
    const QStringList typed = dialog.selectedFiles();
    const QString suffix = DefaultSuffix(filter, index, typed.isEmpty() ? std::string() : typed.first().toStdString());
    dialog.setDefaultSuffix(suffix);
    // A figure name follows the picture format chosen: sampleCon1.bmp becomes sampleCon1.png.
    static const QStringList figures = {"bmp", "png", "pdf", "svg"};
    if (!typed.isEmpty() && figures.contains(suffix)) {
      const QFileInfo name(typed.first());
      if (figures.contains(name.suffix().toLower())) dialog.selectFile(name.completeBaseName() + "." + suffix);
    }
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void DialogHost::Error(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), Q(text), QMessageBox::Ok, parent);
  box.exec();
}

void DialogHost::Notice(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), Q(text), QMessageBox::Ok, parent);
  box.exec();
}

bool DialogHost::YesNo(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), Q(text),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

bool DialogHost::PrinterSetup(QWidget* parent, QPrinter& printer) {
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

DialogHost& Dialogs() {
  static DialogHost real;
  return installedHost ? *installedHost : real;
}

void SetDialogs(DialogHost* host) { installedHost = host; }

QStringList QtNameFilters(const std::string& filter) {
  QStringList filters;
  for (const auto& [description, patterns] : ParseFilter(filter))
    filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(' '));
  return filters;
}

QString DefaultSuffix(const std::string& filter, int index, const std::string& fileName) {
  const auto pairs = ParseFilter(filter);
  if (index < 1 || index > static_cast<int>(pairs.size())) return {};
  const QStringList& patterns = pairs[static_cast<std::size_t>(index - 1)].second;
  if (patterns.isEmpty() || !patterns.first().startsWith("*.")) return {};
  // An entry of several types ("*.simH;*.simS") keeps the type of the proposed name.
  const QString proposed = QFileInfo(Q(fileName)).suffix();
  for (const QString& pattern : patterns)
    if (!proposed.isEmpty() && pattern.compare("*." + proposed, Qt::CaseInsensitive) == 0) return pattern.mid(2);
  const QString suffix = patterns.first().mid(2);
  return suffix.contains('*') ? QString() : suffix;
}

std::string WithFigureFormats(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  bool bitmap = false;
  for (qsizetype i = 1; i < parts.size(); i += 2) bitmap = bitmap || parts[i].split(';').contains("*.bmp");
  if (!bitmap || parts.contains("*.png")) return filter;
  return filter + "|Figure PNG (*.png)|*.png|Figure PDF (*.pdf)|*.pdf|Figure SVG (*.svg)|*.svg";
}

QString ControlCaption(const std::vector<Control>& controls, const std::string& name) {
  for (const auto& c : controls)
    if (c.name == name) return QString::fromStdString(c.caption);
  return {};
}

QString CaptionToQt(const std::string& caption) { return Q(caption).replace('&', QStringLiteral("&&")); }

std::string CaptionFromQt(const QString& caption) {
  QString text = caption;
  text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  text.remove('&');
  text.replace(QChar(1), '&');
  return text.toStdString();
}

// The view --------------------------------------------------------------------------

class QtView::MessagesAdapter final : public korv::Messages {
 public:
  explicit MessagesAdapter(QtView& view) : view_(view) {}
  void Error(const std::string& text) override { view_.ShowError(text); }
  void Notice(const std::string& text) override { view_.ShowNotice(text); }

 private:
  QtView& view_;
};

class QtView::InputBlocker final : public QObject {
 public:
  explicit InputBlocker(QWidget* root) : root_(root) {}

 protected:
  bool eventFilter(QObject* target, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride: {
        // Only the busy window itself: message boxes and dialogs it opens stay usable.
        auto* widget = qobject_cast<QWidget*>(target);
        return widget && root_ && widget->window() == root_;
      }
      default:
        return false;
    }
  }

 private:
  QPointer<QWidget> root_;
};

QtView::QtView(QWidget* root, korv::Progress* progress)
    : root_(root),
      progress_(progress),
      messages_(std::make_unique<MessagesAdapter>(*this)),
      blocker_(std::make_unique<InputBlocker>(root)) {}

QtView::~QtView() {
  if (busy_) {
    qApp->removeEventFilter(blocker_.get());
    QApplication::restoreOverrideCursor();
  }
}

QObject* QtView::Find(const std::string& name) const {
  if (!root_) return nullptr;
  const QString key = Q(name);
  auto it = cache_.constFind(key);
  if (it != cache_.constEnd() && !it.value().isNull()) return it.value();
  QObject* found = root_->objectName() == key ? root_.data() : root_->findChild<QObject*>(key);
  if (found) cache_.insert(key, found);
  return found;
}

QObject* QtView::Require(const std::string& name) const {
  QObject* object = Find(name);
  if (!object)
    qCritical("KORV: the window %s has no control %s", qPrintable(root_ ? root_->objectName() : QString()),
              name.c_str());
  return object;
}

ChartWidget* QtView::Chart(const std::string& name) const { return qobject_cast<ChartWidget*>(Require(name)); }

void QtView::SetEnabled(const std::string& control, bool enabled) {
  QObject* object = Require(control);
  if (auto* menu = qobject_cast<QMenu*>(object)) {
    menu->menuAction()->setEnabled(enabled);
  } else if (auto* action = qobject_cast<QAction*>(object)) {
    action->setEnabled(enabled);
  } else if (auto* widget = qobject_cast<QWidget*>(object)) {
    if (QTabWidget* tabs = TabOf(widget)) tabs->setTabEnabled(tabs->indexOf(widget), enabled);
    widget->setEnabled(enabled);
  }
}

bool QtView::IsEnabled(const std::string& control) const {
  QObject* object = Require(control);
  if (auto* menu = qobject_cast<QMenu*>(object)) return menu->menuAction()->isEnabled();
  if (auto* action = qobject_cast<QAction*>(object)) return action->isEnabled();
  if (auto* widget = qobject_cast<QWidget*>(object)) return !widget->testAttribute(Qt::WA_ForceDisabled);
  return false;
}

void QtView::SetVisible(const std::string& control, bool visible) {
  QObject* object = Require(control);
  if (auto* menu = qobject_cast<QMenu*>(object)) {
    menu->menuAction()->setVisible(visible);
  } else if (auto* action = qobject_cast<QAction*>(object)) {
    action->setVisible(visible);
  } else if (auto* widget = qobject_cast<QWidget*>(object)) {
    if (QTabWidget* tabs = TabOf(widget))
      tabs->setTabVisible(tabs->indexOf(widget), visible);
    else
      widget->setVisible(visible);
  }
}

bool QtView::IsVisible(const std::string& control) const {
  QObject* object = Require(control);
  if (auto* menu = qobject_cast<QMenu*>(object)) return menu->menuAction()->isVisible();
  if (auto* action = qobject_cast<QAction*>(object)) return action->isVisible();
  if (auto* widget = qobject_cast<QWidget*>(object)) {
    if (QTabWidget* tabs = TabOf(widget)) return tabs->isTabVisible(tabs->indexOf(widget));
    // The control's own flag: a control on a tab in the background is still "visible".
    return !widget->isHidden();
  }
  return false;
}

void QtView::SetText(const std::string& control, const std::string& text) {
  QObject* object = Require(control);
  const QString value = Q(text);
  if (auto* menu = qobject_cast<QMenu*>(object)) {
    menu->setTitle(CaptionToQt(text));
  } else if (auto* action = qobject_cast<QAction*>(object)) {
    action->setText(CaptionToQt(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
    button->setText(CaptionToQt(text));
  } else if (auto* edit = qobject_cast<QLineEdit*>(object)) {
    edit->setText(value);
    edit->setCursorPosition(0);
  } else if (auto* label = qobject_cast<QLabel*>(object)) {
    label->setText(value);
  } else if (auto* combo = qobject_cast<QComboBox*>(object)) {
    if (combo->isEditable())
      combo->setEditText(value);
    else
      combo->setCurrentIndex(combo->findText(value));
  } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
    group->setTitle(CaptionToQt(text));
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(object)) {
    plain->setPlainText(value);
  } else if (auto* rich = qobject_cast<QTextEdit*>(object)) {
    rich->setPlainText(value);
  } else if (auto* widget = qobject_cast<QWidget*>(object)) {
    if (QTabWidget* tabs = TabOf(widget))
      tabs->setTabText(tabs->indexOf(widget), CaptionToQt(text));
    else
      widget->setWindowTitle(value);
  }
}

std::string QtView::Text(const std::string& control) const {
  QObject* object = Require(control);
  if (auto* menu = qobject_cast<QMenu*>(object)) return CaptionFromQt(menu->title());
  if (auto* action = qobject_cast<QAction*>(object)) return CaptionFromQt(action->text());
  if (auto* button = qobject_cast<QAbstractButton*>(object)) return CaptionFromQt(button->text());
  if (auto* edit = qobject_cast<QLineEdit*>(object)) return edit->text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(object)) return label->text().toStdString();
  if (auto* combo = qobject_cast<QComboBox*>(object)) return combo->currentText().toStdString();
  if (auto* group = qobject_cast<QGroupBox*>(object)) return CaptionFromQt(group->title());
  if (auto* plain = qobject_cast<QPlainTextEdit*>(object)) {
    // toPlainText() would turn no-break spaces into blanks; the raw text keeps them.
    QString text = plain->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text.toStdString();
  }
  if (auto* rich = qobject_cast<QTextEdit*>(object)) return rich->toPlainText().toStdString();
  if (auto* widget = qobject_cast<QWidget*>(object)) {
    if (QTabWidget* tabs = TabOf(widget)) return CaptionFromQt(tabs->tabText(tabs->indexOf(widget)));
    return widget->windowTitle().toStdString();
  }
  return {};
}

void QtView::SetChecked(const std::string& control, bool checked) {
  QObject* object = Require(control);
  if (auto* action = qobject_cast<QAction*>(object)) {
    action->setCheckable(true);
    action->setChecked(checked);
  } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
    button->setChecked(checked);
  }
}

bool QtView::IsChecked(const std::string& control) const {
  QObject* object = Require(control);
  if (auto* action = qobject_cast<QAction*>(object)) return action->isChecked();
  if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->isChecked();
  return false;
}

void QtView::ClearSeries(const std::string& chart, int series) {
  if (ChartWidget* c = Chart(chart)) c->ClearSeries(series);
}

void QtView::AddPoint(const std::string& chart, int series, double x, double y) {
  if (ChartWidget* c = Chart(chart)) c->AddPoint(series, x, y);
}

void QtView::AddPoints(const std::string& chart, int series, const std::vector<double>& x,
                       const std::vector<double>& y) {
  if (ChartWidget* c = Chart(chart)) c->AddPoints(series, x, y);
}

int QtView::PointCount(const std::string& chart, int series) const {
  ChartWidget* c = Chart(chart);
  return c ? c->PointCount(series) : 0;
}

std::pair<double, double> QtView::SeriesYRange(const std::string& chart, int series) const {
  ChartWidget* c = Chart(chart);
  return c ? c->SeriesYRange(series) : std::pair<double, double>{0.0, 0.0};
}

void QtView::SetAxisTitles(const std::string& chart, const std::string& bottom, const std::string& left) {
  if (ChartWidget* c = Chart(chart)) c->SetAxisTitles(Q(bottom), Q(left));
}

bool QtView::SaveChartImage(const std::string& chart, const std::string& path, std::string& error) {
  ChartWidget* c = Chart(chart);
  if (!c) {
    error = "no chart " + chart;
    return false;
  }
  QString reason;
  const bool saved = c->SaveImage(Q(path), reason);
  error = reason.toStdString();
  return saved;
}

std::optional<std::string> QtView::AskOpenFile(const FileDialog& dialog) { return Dialogs().OpenFile(root_, dialog); }
std::optional<std::string> QtView::AskSaveFile(const FileDialog& dialog) {
  FileDialog offered = dialog;
  offered.filter = WithFigureFormats(dialog.filter);
  return Dialogs().SaveFile(root_, offered);
}
void QtView::ShowError(const std::string& text) { Dialogs().Error(root_, text); }

void QtView::Run(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    SetCursor(Cursor::Normal);
    ShowError(e.what());
  } catch (...) {
    SetCursor(Cursor::Normal);
    ShowError("The command ended with an unexpected fault.");
  }
}
void QtView::ShowNotice(const std::string& text) { Dialogs().Notice(root_, text); }
bool QtView::AskYesNo(const std::string& text) { return Dialogs().YesNo(root_, text); }

void QtView::SetCursor(Cursor cursor) {
  const bool busy = cursor == Cursor::Busy;
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(blocker_.get());
  } else {
    // Input that arrived during the calculation waited in the queue: drop it now.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(blocker_.get());
    QApplication::restoreOverrideCursor();
  }
}

void QtView::SetCaption(const std::string& caption) {
  if (root_) root_->setWindowTitle(Q(caption));
}

void QtView::CloseWindow() {
  if (!root_) return;
  if (auto* dialog = qobject_cast<QDialog*>(root_.data()); dialog && dialog->isModal())
    dialog->done(QDialog::Accepted);
  else
    root_->close();
}

void QtView::SetItems(const std::string& control, const std::vector<std::string>& items) {
  auto* combo = qobject_cast<QComboBox*>(Require(control));
  if (!combo) return;
  const QString text = combo->currentText();
  const QSignalBlocker block(combo);
  combo->clear();
  for (const std::string& item : items) combo->addItem(Q(item));
  if (combo->isEditable())
    combo->setEditText(text);
  else
    combo->setCurrentIndex(combo->findText(text));
}

void QtView::SetCell(const std::string& grid, int row, int column, const std::string& text) {
  auto* table = qobject_cast<QTableWidget*>(Require(grid));
  if (!table || row < 0 || column < 0) return;
  // Row 0 is the header row of the grid.
  if (row == 0) {
    if (column >= table->columnCount()) table->setColumnCount(column + 1);
    table->setHorizontalHeaderItem(column, new QTableWidgetItem(Q(text)));
    return;
  }
  if (row > table->rowCount()) table->setRowCount(row);
  if (column >= table->columnCount()) table->setColumnCount(column + 1);
  if (QTableWidgetItem* item = table->item(row - 1, column))
    item->setText(Q(text));
  else
    table->setItem(row - 1, column, new QTableWidgetItem(Q(text)));
}

std::string QtView::Cell(const std::string& grid, int row, int column) const {
  auto* table = qobject_cast<QTableWidget*>(Require(grid));
  if (!table || row < 0 || column < 0 || column >= table->columnCount()) return {};
  if (row == 0) {
    const QTableWidgetItem* header = table->horizontalHeaderItem(column);
    return header ? header->text().toStdString() : std::string();
  }
  if (row > table->rowCount()) return {};
  const QTableWidgetItem* item = table->item(row - 1, column);
  return item ? item->text().toStdString() : std::string();
}

void QtView::SetRowCount(const std::string& grid, int rows) {
  // Row 0 is the header row, which the table keeps apart from its rows.
  if (auto* table = qobject_cast<QTableWidget*>(Require(grid))) table->setRowCount(std::max(rows - 1, 0));
}

void QtView::Clipboard(const std::string& control, ClipboardAction action) {
  QObject* object = Require(control);
  auto apply = [action](auto* edit) {
    switch (action) {
      case ClipboardAction::Cut:
        edit->cut();
        break;
      case ClipboardAction::Copy:
        edit->copy();
        break;
      case ClipboardAction::Paste:
        edit->paste();
        break;
    }
  };
  if (auto* plain = qobject_cast<QPlainTextEdit*>(object))
    apply(plain);
  else if (auto* rich = qobject_cast<QTextEdit*>(object))
    apply(rich);
  else if (auto* edit = qobject_cast<QLineEdit*>(object))
    apply(edit);
}

bool QtView::PrintText(const std::string& title, const std::string& text) {
  QPrinter printer;
  printer.setDocName(Q(title));
  if (!Dialogs().PrinterSetup(root_, printer)) return false;
  QTextDocument document;
  document.setPlainText(Q(text));
  document.setDefaultFont(QFont(QStringLiteral("Monospace"), 9));
  document.print(&printer);
  return true;
}

void QtView::SetCurrentPage(const std::string& pages, const std::string& page) {
  auto* tabs = qobject_cast<QTabWidget*>(Require(pages));
  auto* widget = qobject_cast<QWidget*>(Require(page));
  if (tabs && widget && tabs->indexOf(widget) >= 0) tabs->setCurrentWidget(widget);
}

korv::Progress& QtView::ProgressPort() { return progress_ ? *progress_ : nullProgress_; }
korv::Messages& QtView::MessagesPort() { return *messages_; }

}  // namespace korv::ui
