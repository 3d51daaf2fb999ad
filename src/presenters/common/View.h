// What a window can do, seen from its presenter. Every presenter talks to its window
// only through this interface: controls are addressed by their object names
// ("ButtonCalcH1", "EditSmoothness", "ChartH1", ...), charts by name and series index.
// The Qt windows implement it with real widgets, the tests with an in-memory fake that
// knows the window's control list, korv-batch with scripted answers.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/Ports.h"

namespace korv::ui {

// Kinds of control a window list names; the Qt view builds the matching widget class.
enum class ControlKind {
  Button,       // push button (caption)
  Edit,         // one-line edit (text)
  Label,        // static text (caption)
  CheckBox,     // caption and check state
  RadioButton,  // caption and check state
  ComboBox,     // editable or fixed list (text = current text)
  GroupBox,     // caption
  Tab,          // tab page (caption = tab text)
  MenuItem,     // menu entry (caption, enabled, visible, check state)
  Chart,        // chart widget (see ChartSpec)
  Picture,      // formula picture (visibility only)
  Memo,         // multi-line text
  Grid,         // string grid
  ProgressBar,  // progress bar
};

struct Control {
  std::string name;
  ControlKind kind;
  std::string caption;  // initial caption or text, exactly as the window shows it
};

// Chart content as data -----------------------------------------------------------

enum class Marker { None, Circle, Square, Cross };
enum class LineStyle { None, Solid, Dotted };

struct SeriesStyle {
  Marker marker = Marker::None;      // points when not None
  LineStyle line = LineStyle::None;  // polyline through the points in the order added
  std::uint32_t color = 0x000000;    // 0xRRGGBB
  bool whiteFill = false;            // markers filled white instead of with their colour
  int size = 4;                      // marker size in pixels (horizontal)
  int verticalSize = 0;              // vertical marker size when it differs (0 = as size)
  int width = 1;                     // line width in pixels
};

inline constexpr std::uint32_t kRed = 0xFF0000;
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kLime = 0x00FF00;
inline constexpr std::uint32_t kGreen = 0x008000;

struct AxisSpec {
  std::string title;
  bool logarithmic = false;
  std::string labelPattern;  // display pattern of the tick labels ("0.0E+00"), empty = general
};

struct ChartSpec {
  std::string name;   // object name, e.g. "ChartH1"
  std::string title;  // shown above the plot, may be empty
  AxisSpec bottom;
  AxisSpec left;
  std::vector<SeriesStyle> series;
};

// Dialogs ------------------------------------------------------------------------

struct FileDialog {
  std::string title;
  // Filter list in the form "Korvan files (*.nT)|*.nT|All files (*.*)|*.*".
  std::string filter;
  int filterIndex = 1;   // 1-based, as the list is written
  std::string fileName;  // proposed file name (may carry a folder)
};

enum class Cursor { Normal, Busy };

enum class ClipboardAction { Cut, Copy, Paste };

// The view ---------------------------------------------------------------------------

class View {
 public:
  virtual ~View() = default;

  // Controls by object name. An unknown name is a programming error: fakes reject it.
  virtual void SetEnabled(const std::string& control, bool enabled) = 0;
  virtual bool IsEnabled(const std::string& control) const = 0;
  virtual void SetVisible(const std::string& control, bool visible) = 0;
  virtual bool IsVisible(const std::string& control) const = 0;
  // Caption of buttons, labels, group boxes, tabs, menu items; text of edits and combo boxes.
  virtual void SetText(const std::string& control, const std::string& text) = 0;
  virtual std::string Text(const std::string& control) const = 0;
  virtual void SetChecked(const std::string& control, bool checked) = 0;
  virtual bool IsChecked(const std::string& control) const = 0;

  // Charts.
  virtual void ClearSeries(const std::string& chart, int series) = 0;
  virtual void AddPoint(const std::string& chart, int series, double x, double y) = 0;
  virtual void AddPoints(const std::string& chart, int series, const std::vector<double>& x,
                         const std::vector<double>& y) {
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) AddPoint(chart, series, x[i], y[i]);
  }
  virtual int PointCount(const std::string& chart, int series) const = 0;
  // Smallest and largest y of a series ({0, 0} when it is empty).
  virtual std::pair<double, double> SeriesYRange(const std::string& chart, int series) const = 0;
  virtual void SetAxisTitles(const std::string& chart, const std::string& bottom, const std::string& left) = 0;
  // Writes the chart's current image; false (with the reason in `error`) when it could not.
  virtual bool SaveChartImage(const std::string& chart, const std::string& path, std::string& error) = 0;

  // Dialogs. Empty optional: the user cancelled.
  virtual std::optional<std::string> AskOpenFile(const FileDialog& dialog) = 0;
  virtual std::optional<std::string> AskSaveFile(const FileDialog& dialog) = 0;
  virtual void ShowError(const std::string& text) = 0;
  virtual void ShowNotice(const std::string& text) = 0;
  virtual bool AskYesNo(const std::string& text) = 0;

  virtual void SetCursor(Cursor cursor) = 0;

  // Windows with more than plain controls. A view that lacks one of these and is asked
  // for it anyway has been given to the wrong presenter: the defaults refuse loudly.
  // The window's own caption, and closing it (a modal window returns from its show).
  virtual void SetCaption(const std::string& caption) { Unsupported("SetCaption " + caption); }
  virtual void CloseWindow() { Unsupported("CloseWindow"); }
  // Item list of a combo box (its text stays as it is).
  virtual void SetItems(const std::string& control, const std::vector<std::string>& items) {
    Unsupported("SetItems " + control + " (" + std::to_string(items.size()) + ")");
  }
  // Cells of a string grid, row 0 being the header row.
  virtual void SetCell(const std::string& grid, int row, int column, const std::string& text) {
    Unsupported("SetCell " + grid + " " + std::to_string(row) + "," + std::to_string(column) + " " + text);
  }
  virtual std::string Cell(const std::string& grid, int row, int column) const {
    Unsupported("Cell " + grid + " " + std::to_string(row) + "," + std::to_string(column));
  }
  // Number of rows of a string grid, the header row included; cells of rows dropped
  // when it shrinks are lost, new rows are empty.
  virtual void SetRowCount(const std::string& grid, int rows) {
    Unsupported("SetRowCount " + grid + " " + std::to_string(rows));
  }
  // Cut, copy or paste on a text control through the system clipboard.
  virtual void Clipboard(const std::string& control, ClipboardAction action) {
    Unsupported("Clipboard " + control + " " + std::to_string(static_cast<int>(action)));
  }
  // Printer set-up dialog, then prints `text` as a document titled `title`; false when cancelled.
  virtual bool PrintText(const std::string& title, const std::string& text) {
    Unsupported("PrintText " + title + " (" + std::to_string(text.size()) + ")");
  }

  // Brings the page `page` of the tab control `pages` to the front.
  virtual void SetCurrentPage(const std::string& pages, const std::string& page) {
    Unsupported("SetCurrentPage " + pages + " " + page);
  }

  // The window's two progress windows and message boxes, as the engine sees them.
  virtual korv::Progress& ProgressPort() = 0;
  virtual korv::Messages& MessagesPort() = 0;

 protected:
  [[noreturn]] static void Unsupported(const std::string& what) {
    throw std::logic_error("This window cannot do " + what);
  }
};

}  // namespace korv::ui
