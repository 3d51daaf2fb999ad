// The data sheet (TFormDataSheet): a measurement typed point by point with the sample
// description, sorted by temperature and saved as *.nT or *.pT, which then becomes the
// record's measurement. The points are read into a list of their own and reach the
// record only when the file was written, so a failed save leaves the record untouched.
// The grid shows the record's points rounded ("0.0", "0.00E+00", "0.00"); a cell the user
// left as shown is saved with the record's full value, so "Change Data" never rounds the
// measurement it was opened on. The grid holds every point of the measurement: it grows
// with the points shown or pasted, 299 point rows being its size when empty. The texts
// keep their bytes: shown as UTF-8, they are saved in the encoding they came in.
#pragma once

#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/HeaderBlocks.h"
#include "core/TextEncoding.h"
#include "presenters/common/View.h"

namespace korv::ui {

inline constexpr const char* kDataSheetCaption = "Data Sheet";
inline constexpr const char* kDataSheetGrid = "StringGridData";
inline constexpr int kDataSheetRows = 300;  // header row and 299 point rows: the empty sheet
// Empty rows the sheet keeps after the points it shows, for typing more.
inline constexpr int kDataSheetSpareRows = 100;
// Most points the sheet takes; beyond it, filling or pasting is refused with a message.
inline constexpr int kMaxDataSheetPoints = 100000;
inline constexpr int kDataSheetColumns = 3;
// sic: the dialog's own filter text, misspelling included
inline constexpr const char* kDataSheetFilter = "n-type semiconducotr (*.nT)|*.nT|p-type semiconductor (*.pT)|*.pT";
// sic: the message's own text, misspelling included
inline constexpr const char* kTemperatureBelowZero = "Temprature is below 0 K \n Check the Data!";
inline constexpr const char* kConcentrationNotPositive = "Concentration is zero or negative \n Check the Data!";
inline constexpr const char* kInputConductionType = "Please input the conduction type";

// The data sheet's controls, grid included.
const std::vector<Control>& DataSheetControls();
// The header row of the grid.
const std::vector<std::string>& DataSheetHeader();
// The semiconductor list of the data sheet and the conversion window: the material table's
// names in table order, then "Input name".
std::vector<std::string> SemiconductorItems();
inline const std::vector<std::string> kConductionTypeItems{"n-type", "p-type"};

// One point of a measurement as the windows gather it before it reaches the record.
struct Point {
  double temperature = 0;
  double concentration = 0;
  double reliability = 1;
};

// Orders the points by ascending temperature; points of equal temperature keep the order
// they came in (selection of the smallest, moved in front of the rest rather than swapped).
void SortByTemperature(std::vector<Point>& points);
// The same order for any rows with a numeric key: the permutation (indices into `keys`).
std::vector<int> TemperatureOrder(const std::vector<double>& keys);

// The first refused point: its index, or -1 when every temperature and concentration is
// positive; `message` gets the error text of the first refusal (temperature before
// concentration).
int FirstRefusedPoint(const std::vector<Point>& points, std::string& message);

// Puts the sample block of the form (presenters/data/SampleForm.h), the points (as their only points) and the file name
// into the record and writes the measurement file. When writing fails the record gets back every field it had before
// and the error is thrown on.
void CommitMeasurement(Analysis& record, const header::SampleBlock& sample, const std::vector<Point>& points,
                       const std::string& path);

class DataSheetPresenter {
 public:
  // The flags belong to the main window: the sheet clears `keyboardEntryRequested` when it
  // prepares and sets `sheetDataSaved` when a save succeeded.
  DataSheetPresenter(Analysis& record, View& view, bool& keyboardEntryRequested, bool& sheetDataSaved);

  // Fills the fields from the record and the grid from its points, unless a keyboard
  // entry was requested: then the grid stays empty.
  void Prepare();

  void ButtonSortClick();
  void ButtonClearDataClick();
  void ButtonClearAllDataClick();
  void ButtonSaveExperimentalDataClick();

  // Puts a block of cells (rows by line breaks, cells by tabs, as a spreadsheet copies
  // them) into the grid with its top left at (row, column); the grid grows to take every
  // row, and cells right of the reliability column are dropped. A block that would pass
  // kMaxDataSheetPoints is refused with a message and nothing is pasted. Returns the
  // number of cells written.
  int PasteCells(int row, int column, const std::string& text);
  // The cells of rows top..bottom and columns left..right as tab-separated lines.
  std::string CopyCells(int top, int left, int bottom, int right) const;

 private:
  void sortGrid();
  std::vector<Point> readGrid() const;
  double cellValue(int row, int column, const std::string& text) const;
  void clearGrid();
  // Makes the grid `rows` rows long (header included), never shorter than the empty sheet.
  void resizeGrid(int rows);

  Analysis& record_;
  View& view_;
  bool& keyboardEntryRequested_;
  bool& sheetDataSaved_;
  // For each grid row, the record point it was filled from (-1: typed or empty); moves
  // with its row when the grid is sorted.
  std::vector<int> origin_;
  // Rows of the grid, the header row included.
  int rows_ = kDataSheetRows;
  // The encoding of the record's texts as the sheet was prepared; they are saved in it.
  korv::TextEncoding encoding_ = korv::TextEncoding::Utf8;
  // Set when the record held more points than the sheet takes: saving is refused until
  // the grid is cleared, so that the measurement is not cut.
  int refusedPoints_ = 0;
};

}  // namespace korv::ui
