// The format conversion (TFormConvert): a measurement kept in a foreign column file is
// loaded into an editable text, the user picks the columns of the temperature and of the
// concentration (by number or by the name in the file's row of column names), describes
// the sample and saves it as *.nT or *.pT; the file becomes the record's measurement.
//
// The text is read by the engine's reader of instrument exports (files/InstrumentImport.h):
// comment lines, a settings block up to a "[Data]" marker, a row of column names, a run
// column, a decimal comma and a Hall coefficient R_H in place of the concentration are
// understood and accounted for in the preview. Points the data sheet would refuse
// (temperature or concentration not above 0) are refused here too, with the data sheet's
// messages, and the preview gives the same reason as the error box. Names and units of
// the file propose the columns, the quantity, the unit and the temperature scale; a
// preamble's sample, thickness, field, current and date fill the sample form where it is
// empty.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Analysis.h"
#include "files/InstrumentImport.h"
#include "presenters/common/View.h"
#include "presenters/data/DataSheetPresenter.h"

namespace korv::ui {

// Shown when the chosen file is no text.
inline constexpr const char* kConvertBinaryFile = "The file holds binary data, not columns of text.";
inline constexpr const char* kConvertCaption = "Use Data File with Another Format File";
inline constexpr const char* kConvertText = "RichEditConvert";
inline constexpr const char* kConvertPreview = "MemoPreview";
inline constexpr const char* kConvertOpenFilter = "All data (*.*)|*.*";
inline constexpr const char* kConvertSaveFilter = "n-type semiconductor (*.nT)|*.nT|p-type semiconductor (*.pT)|*.pT";
inline constexpr const char* kSelectTemperatureColumn = "Please select the column of the temperature";
inline constexpr const char* kSelectConcentrationColumn = "Please select the column of the free carrier concentration";
inline constexpr const char* kNoPointsInText = "No data point was found in the text with the chosen columns.";
inline constexpr int kConvertColumns = 15;
inline constexpr const char* kConvertDropRefused = "CheckBoxDropRefused";

inline constexpr const char* kQuantityConcentration = "Carrier concentration";
inline constexpr const char* kQuantityHallCoefficient = "Hall coefficient R_H";
inline constexpr const char* kNoReliabilityColumn = "None";

const std::vector<Control>& ConvertControls();
// Items "1" to "15" of the two column boxes.
const std::vector<std::string>& ColumnItems();

// The reader's choices as the window's controls hold them. A Hall factor that is not a
// number throws korv::Error.
ImportSettings ImportSettingsFromView(const View& view);

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
  // The text or a choice changed: shows what saving would read, skip and refuse.
  void UpdatePreview();
  // The quantity changed: the unit box offers the units of that quantity.
  void ComboBoxQuantityChange();

  const std::string& LoadedPath() const { return path_; }
  // Leading lines of the text that the reader leaves out whatever they hold (the command
  // line's --skip-lines; the window's user deletes such lines by hand). Reset by Prepare.
  void SetSkipLines(int lines) { skipLines_ = lines; }
  // The command line's --run-column and --average (the window reads runs the layout finds).
  void SetRunColumn(const std::string& column) { runColumn_ = column; }
  void SetAverage(bool average) { average_ = average; }
  // The file name the save dialog proposes for the text's chosen run.
  std::string ProposedFileName(const std::string& conductionType, const std::string& run) const;
  // The reader's choices of the window, skipped lines included.
  ImportSettings Settings() const;

 private:
  Analysis& record_;
  View& view_;
  bool& convertedDataSaved_;
  // Fills the column and run boxes from the text's layout (only when it changed).
  void offerLayout(const ImportLayout& layout);

  std::string path_;
  std::vector<std::string> names_, runs_, units_, proposedNames_;
  bool offering_ = false;
  int skipLines_ = 0;
  std::string runColumn_;
  bool average_ = false;
};

}  // namespace korv::ui
