#include "presenters/Formatconvert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "core/Error.h"
#include "core/Numbers.h"
#include "core/Textfile.h"
#include "presenters/Editor.h"
#include "presenters/Sampleform.h"

namespace korv::ui {

namespace {

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// `path` with its extension replaced by `extension`; a name without one gets it appended.
std::string withExtension(const std::string& path, const std::string& extension) {
  std::size_t slash = path.find_last_of("/\\");
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + extension;
  return path.substr(0, dot) + extension;
}

std::string plural(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

}  // namespace

const std::vector<std::string>& ColumnItems() {
  static const std::vector<std::string> items = [] {
    std::vector<std::string> v;
    for (int i = 1; i <= kConvertColumns; ++i) v.push_back(std::to_string(i));
    return v;
  }();
  return items;
}

int ChosenColumn(const std::string& boxText) {
  const auto& items = ColumnItems();
  auto it = std::find(items.begin(), items.end(), boxText);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

const std::vector<Control>& ConvertControls() {
  static const std::vector<Control> controls = [] {
    std::vector<Control> list{
        {"GroupBoxConvert", ControlKind::GroupBox, "Convert File Format"},
        {"LabelStep1", ControlKind::Label, "1. Load Data with Another Format File"},
        {"LabelStep2", ControlKind::Label, "2. Input Conditions of Experiment and Analysis"},
        {"LabelStep3", ControlKind::Label, "3. Select Column of Temperature"},
        {"LabelStep4", ControlKind::Label, "4. Select Column of  Free Carrier Concentration"},
        // sic: the window's own text, misspelling included
        {"LabelStep5", ControlKind::Label, "5. Delete All Commnets in File"},
        {"LabelStep6", ControlKind::Label, "6. Save Data"},
        {"ButtonLoadAnotherData", ControlKind::Button, "Load"},
        {"ComboBoxColumnT", ControlKind::ComboBox, ""},
        {"ComboBoxColumnC", ControlKind::ComboBox, ""},
        {"ButtonSaveData", ControlKind::Button, "Save (*.nT or *.pT)"},
        {kConvertText, ControlKind::Memo, ""},
        {"Cut1", ControlKind::MenuItem, "Cut"},
        {"Copy1", ControlKind::MenuItem, "Copy"},
        {"Paste1", ControlKind::MenuItem, "Paste"},
        {"GroupBoxConditions", ControlKind::GroupBox, "Conditions of Measurement and Analysis"},
    };
    AppendSampleControls(list, SampleLayout::Conversion);
    list.insert(list.end(), {
                                {"GroupBoxPreview", ControlKind::GroupBox, "Preview"},
                                {kConvertPreview, ControlKind::Memo, ""},
                            });
    return list;
  }();
  return controls;
}

// ---- Tokens and columns ---------------------------------------------------------------------

std::vector<std::string_view> SplitTokens(std::string_view line, std::size_t limit) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < line.size() && tokens.size() < limit) {
    while (i < line.size() && isSeparator(line[i])) ++i;
    std::size_t start = i;
    while (i < line.size() && !isSeparator(line[i])) ++i;
    if (i > start) tokens.push_back(line.substr(start, i - start));
  }
  return tokens;
}

double LeadingNumber(std::string_view token, bool& outOfRange) {
  outOfRange = false;
  std::size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  std::size_t start = i;
  std::size_t digits = 0;
  while (i < token.size() && isDigit(token[i])) ++i, ++digits;
  if (i < token.size() && token[i] == '.') {
    ++i;
    while (i < token.size() && isDigit(token[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  std::size_t end = i;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < token.size() && (token[j] == '+' || token[j] == '-')) ++j;
    if (j < token.size() && isDigit(token[j])) {
      while (j < token.size() && isDigit(token[j])) ++j;
      end = j;
    }
  }
  double value = 0;
  auto [ptr, ec] = std::from_chars(token.data() + start, token.data() + end, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too small rounds to zero as reading does elsewhere; too large is no number.
    std::string_view exponent = token.substr(0, end);
    bool tiny = exponent.find("e-") != std::string_view::npos || exponent.find("E-") != std::string_view::npos;
    if (!tiny) outOfRange = true;
    return 0;
  }
  if (ec != std::errc()) return 0;
  return negative ? -value : value;
}

ConvertedText ConvertColumns(std::string_view text, int columnT, int columnC) {
  ConvertedText out;
  if (text.empty()) return out;
  const int needed = std::max(columnT, columnC);
  int lineNumber = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    ++lineNumber;
    pos = end + 1;
    if (end == text.size() && line.empty() && lineNumber > 1) break;  // no line after the last line end

    // Only the tokens up to the chosen columns matter: a line of millions of tokens costs no memory.
    std::vector<std::string_view> tokens = SplitTokens(line, static_cast<std::size_t>(std::max(needed, 0)) + 1);
    if (tokens.empty()) {
      ++out.emptyLines;
      continue;
    }
    if (columnT < 0 || columnC < 0 || static_cast<int>(tokens.size()) <= needed) {
      if (out.shortLines++ == 0) out.firstShortLine = lineNumber;
      continue;
    }
    bool bigT = false, bigC = false;
    Point p;
    p.temperature = LeadingNumber(tokens[columnT], bigT);
    p.concentration = LeadingNumber(tokens[columnC], bigC);
    p.reliability = 1.0;
    if (bigT || bigC) {
      ++out.outOfRangeLines;
      continue;
    }
    out.points.push_back(p);
    out.lines.push_back(lineNumber);
  }
  return out;
}

std::string ConvertedText::SkippedSummary() const {
  if (Skipped() == 0) return "";
  std::string s = plural(Skipped(), "line", "lines") + " skipped:";
  std::string sep = " ";
  if (emptyLines > 0) {
    s += sep + std::to_string(emptyLines) + " empty or separators only";
    sep = ", ";
  }
  if (shortLines > 0) {
    s += sep + std::to_string(shortLines) + " with fewer values than the chosen columns (first: line " +
         std::to_string(firstShortLine) + ")";
    sep = ", ";
  }
  if (outOfRangeLines > 0) s += sep + std::to_string(outOfRangeLines) + " with a value too large for a number";
  return s;
}

// ---- The window ---------------------------------------------------------------------------

ConvertPresenter::ConvertPresenter(Analysis& record, View& view, bool& convertedDataSaved)
    : record_(record), view_(view), convertedDataSaved_(convertedDataSaved) {
  view_.SetItems("ComboBoxColumnT", ColumnItems());
  view_.SetItems("ComboBoxColumnC", ColumnItems());
  view_.SetItems("ComboBoxSemiconductor", SemiconductorItems());
  view_.SetItems("ComboBoxConductionType", kConductionTypeItems);
  Prepare();
}

void ConvertPresenter::Prepare() {
  path_.clear();
  for (const char* c : {"ComboBoxColumnT", "ComboBoxColumnC"}) view_.SetText(c, "");
  ClearSampleForm(view_, SampleLayout::Conversion);
  view_.SetText(kConvertText, "");
  view_.SetCaption(kConvertCaption);
  UpdatePreview();
}

void ConvertPresenter::ButtonLoadAnotherDataClick() {
  Prepare();
  FileDialog dialog;
  dialog.title = "Open";
  dialog.filter = kConvertOpenFilter;
  std::optional<std::string> path = view_.AskOpenFile(dialog);
  if (!path) return;
  try {
    std::string text = LoadTextFile(*path);
    path_ = *path;
    view_.SetText(kConvertText, text);
    view_.SetCaption(path_);
    UpdatePreview();
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  }
}

void ConvertPresenter::UpdatePreview() {
  int columnT = ChosenColumn(view_.Text("ComboBoxColumnT"));
  int columnC = ChosenColumn(view_.Text("ComboBoxColumnC"));
  if (columnT < 0 || columnC < 0) {
    view_.SetText(kConvertPreview, "Choose the columns of the temperature and of the concentration.");
    return;
  }
  std::string text = view_.Text(kConvertText);
  ConvertedText c = ConvertColumns(text, columnT, columnC);
  std::string out = plural(static_cast<int>(c.points.size()), "point", "points") + " with T from column " +
                    std::to_string(columnT + 1) + " and n from column " + std::to_string(columnC + 1) + ".";
  if (c.Skipped() > 0) out += "\n" + c.SkippedSummary() + ".";
  std::string refusal;
  int refused = FirstRefusedPoint(c.points, refusal);
  if (refused >= 0) {
    std::string first = refusal.substr(0, refusal.find('\n'));
    while (!first.empty() && first.back() == ' ') first.pop_back();
    out += "\nLine " + std::to_string(c.lines[refused]) + " cannot be saved: " + first + ".";
  }
  if (!c.points.empty()) {
    out += "\n\nLine\tT [K]\tn [cm^-3]";
    std::size_t shown = std::min<std::size_t>(c.points.size(), kPreviewPoints);
    for (std::size_t i = 0; i < shown; ++i)
      out += "\n" + std::to_string(c.lines[i]) + "\t" + FormatPoint(c.points[i].temperature) + "\t" +
             FormatPoint(c.points[i].concentration);
    if (c.points.size() > shown) out += "\n...";
  }
  view_.SetText(kConvertPreview, out);
}

void ConvertPresenter::ButtonSaveDataClick() {
  try {
    int columnT = ChosenColumn(view_.Text("ComboBoxColumnT"));
    int columnC = ChosenColumn(view_.Text("ComboBoxColumnC"));
    if (columnT < 0) throw korv::Error(kSelectTemperatureColumn);
    if (columnC < 0) throw korv::Error(kSelectConcentrationColumn);
    std::string text = view_.Text(kConvertText);
    ConvertedText converted = ConvertColumns(text, columnT, columnC);
    if (converted.points.empty()) throw korv::Error(kNoPointsInText);
    std::string refusal;
    int refused = FirstRefusedPoint(converted.points, refusal);
    if (refused >= 0) {
      // Name the line so that a header or comment left in the text is easy to find.
      int line = converted.lines[refused];
      std::size_t begin = 0;
      for (int l = 1; l < line && begin != std::string::npos; ++l) {
        begin = text.find('\n', begin);
        if (begin != std::string::npos) ++begin;
      }
      std::string lineText = begin == std::string::npos ? "" : text.substr(begin, text.find('\n', begin) - begin);
      throw korv::Error(refusal + "\nLine " + std::to_string(line) + ": " + korv::Printable(lineText));
    }
    std::vector<Point> points = converted.points;
    SortByTemperature(points);
    header::SampleBlock sample = ReadSampleForm(view_);

    FileDialog dialog;
    dialog.title = "Save";
    dialog.filter = kConvertSaveFilter;
    if (sample.ConductionType == "n-type") {
      dialog.filterIndex = 1;
      dialog.fileName = withExtension(path_, ".nT");
    } else if (sample.ConductionType == "p-type") {
      dialog.filterIndex = 2;
      dialog.fileName = withExtension(path_, ".pT");
    } else {
      throw korv::Error(kInputConductionType);
    }
    std::optional<std::string> path = view_.AskSaveFile(dialog);
    if (!path) return;

    record_.ResetAll();
    record_.OriginalFile = path_;
    try {
      CommitMeasurement(record_, sample, points, *path);
    } catch (...) {
      record_.ResetAll();
      throw;
    }
    convertedDataSaved_ = true;
    if (converted.Skipped() > 0) view_.ShowNotice(converted.SkippedSummary() + ".");
    view_.CloseWindow();
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  }
}

void ConvertPresenter::ClipboardClick(ClipboardAction action) { view_.Clipboard(kConvertText, action); }

}  // namespace korv::ui
