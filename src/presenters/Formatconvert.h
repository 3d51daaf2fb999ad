// The format conversion (TFormConvert): a measurement kept in a foreign column file is
// loaded into an editable text, the user picks the column of the temperature and of the
// concentration, describes the sample and saves it as *.nT or *.pT with reliability 1 for
// every point; the file becomes the record's measurement.
//
// Lines are split into tokens at runs of blanks, tabs and commas; each token counts with
// its leading numeric part ("1.5e16cm-3" is 1.5e16, "abc" is 0). A line without any token
// (empty, or separators only) is skipped, and so is a line with fewer tokens than a chosen
// column, so that temperatures and concentrations never get out of step. Points the data
// sheet would refuse (temperature or concentration not above 0, as a header line left in
// the text gives) are refused here too, with the data sheet's messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Hallanalysis.h"
#include "presenters/Datasheet.h"
#include "presenters/View.h"

namespace korv::ui {

inline constexpr const char* kConvertCaption = "Use Data File with Another Format File";
inline constexpr const char* kConvertText = "RichEditConvert";
inline constexpr const char* kConvertPreview = "MemoPreview";
inline constexpr const char* kConvertOpenFilter = "All data (*.*)|*.*";
inline constexpr const char* kConvertSaveFilter = "n-type semiconductor (*.nT)|*.nT|p-type semiconductor (*.pT)|*.pT";
inline constexpr const char* kSelectTemperatureColumn = "Please select the column of the temperature";
inline constexpr const char* kSelectConcentrationColumn = "Please select the column of the free carrier concentration";
inline constexpr const char* kNoPointsInText = "No data point was found in the text with the chosen columns.";
inline constexpr int kConvertColumns = 15;
// Points listed by the preview.
inline constexpr int kPreviewPoints = 10;

const std::vector<Control>& ConvertControls();
// Items "1" to "15" of the two column boxes.
const std::vector<std::string>& ColumnItems();

// The leading numeric part of a token: optional sign, digits with an optional point, an
// optional exponent. 0 when the token does not start with a number. `outOfRange` is set
// when the number does not fit a double.
double LeadingNumber(std::string_view token, bool& outOfRange);
// The tokens of one line, at most `limit` of them (the first ones).
std::vector<std::string_view> SplitTokens(std::string_view line, std::size_t limit = SIZE_MAX);

// What the text gives with the chosen columns (0-based; -1 for none).
struct ConvertedText {
  std::vector<Point> points;  // in the order of the text
  std::vector<int> lines;     // 1-based line of the text each point came from
  int emptyLines = 0;         // no token at all: empty or separators only
  int shortLines = 0;         // fewer tokens than a chosen column
  int outOfRangeLines = 0;    // a chosen value too large for a number
  int firstShortLine = 0;     // 1-based, 0 when none
  int Skipped() const { return emptyLines + shortLines + outOfRangeLines; }
  // "2 lines skipped: 1 empty or separators only, 1 with fewer values than the chosen columns
  // (first: line 3)"; empty when nothing was skipped.
  std::string SkippedSummary() const;
};
ConvertedText ConvertColumns(std::string_view text, int columnT, int columnC);

// The column a box's text chooses: "1" gives 0, ... "15" gives 14; any other text -1.
int ChosenColumn(const std::string& boxText);

class ConvertPresenter {
 public:
  // `convertedDataSaved` belongs to the main window: set when a measurement file was written.
  ConvertPresenter(Analysis& record, View& view, bool& convertedDataSaved);

  // Empty path, boxes, edits and text; the number edits and the comment "0".
  void Prepare();

  void ButtonLoadAnotherDataClick();
  void ButtonSaveDataClick();
  // Cut1, Copy1, Paste1 of the text's context menu.
  void ClipboardClick(ClipboardAction action);
  // The text or a column box changed: shows the first points that saving would read.
  void UpdatePreview();

  const std::string& LoadedPath() const { return path_; }

 private:
  Analysis& record_;
  View& view_;
  bool& convertedDataSaved_;
  std::string path_;
};

}  // namespace korv::ui
