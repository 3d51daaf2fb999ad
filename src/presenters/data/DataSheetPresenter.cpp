#include "presenters/data/DataSheetPresenter.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/Error.h"
#include "core/Numbers.h"
#include "core/Snapshot.h"
#include "materials/MaterialTable.h"
#include "presenters/data/SampleForm.h"

namespace korv::ui {

namespace {

// Lines of a pasted or loaded text: LF, CR LF or CR end a line; a last line end adds no line.
std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string tooManyPoints(std::size_t count) {
  return "The measurement holds " + std::to_string(count) + " points; the data sheet takes at most " +
         std::to_string(kMaxDataSheetPoints) +
         ". It shows none of them and does not save them, so that no point is lost; "
         "\"Clear Data\" starts an empty sheet.";
}

}  // namespace

const std::vector<Control>& DataSheetControls() {
  static const std::vector<Control> controls = [] {
    std::vector<Control> list{{"GroupBoxInput", ControlKind::GroupBox, "Input"}};
    AppendSampleControls(list, SampleLayout::DataSheet);
    list.insert(list.end(), {
                                {kDataSheetGrid, ControlKind::Grid, ""},
                                {"ButtonSaveExperimentalData", ControlKind::Button, "Save (*.nT or *.pT)"},
                                {"ButtonClearData", ControlKind::Button, "Clear Data"},
                                {"ButtonClearAllData", ControlKind::Button, "Clear All Data"},
                                {"ButtonSort", ControlKind::Button, "Sort Data from Low T to High T"},
                            });
    return list;
  }();
  return controls;
}

const std::vector<std::string>& DataSheetHeader() {
  static const std::vector<std::string> header{"Temperature [K]", "Concentration [cm^-3]", "Reliability [0<= r <=1]"};
  return header;
}

std::vector<std::string> SemiconductorItems() {
  std::vector<std::string> items;
  for (const auto& m : korv::MaterialTable()) items.emplace_back(m.Name);
  items.emplace_back("Input name");
  return items;
}

std::vector<int> TemperatureOrder(const std::vector<double>& keys) {
  std::vector<int> order(keys.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  // Selection of the first smallest of the rest, moved in front of it: equal keys keep
  // their order, which a swap would not guarantee.
  for (std::size_t r = 0; r < order.size(); ++r) {
    std::size_t best = r;
    for (std::size_t j = r + 1; j < order.size(); ++j)
      if (keys[order[j]] < keys[order[best]]) best = j;
    std::rotate(order.begin() + r, order.begin() + best, order.begin() + best + 1);
  }
  return order;
}

void SortByTemperature(std::vector<Point>& points) {
  std::vector<double> keys;
  keys.reserve(points.size());
  for (const auto& p : points) keys.push_back(p.temperature);
  std::vector<Point> sorted;
  sorted.reserve(points.size());
  for (int i : TemperatureOrder(keys)) sorted.push_back(points[i]);
  points = std::move(sorted);
}

int FirstRefusedPoint(const std::vector<Point>& points, std::string& message) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!(points[i].temperature > 0)) {
      message = kTemperatureBelowZero;
      return static_cast<int>(i);
    }
    if (!(points[i].concentration > 0)) {
      message = kConcentrationNotPositive;
      return static_cast<int>(i);
    }
  }
  return -1;
}

void CommitMeasurement(Analysis& record, const header::SampleBlock& sample, const std::vector<Point>& points,
                       const std::string& path) {
  // Everything this writes, put back when the file cannot be written.
  const korv::Snapshot<&Analysis::MeasurementName, &Analysis::MeasurementDate, &Analysis::AnalysisName,
                       &Analysis::AnalysisDate, &Analysis::Semiconductor, &Analysis::ConductionType,
                       &Analysis::SampleNumber, &Analysis::Remark, &Analysis::ExperimentalDataFile,
                       &Analysis::Thickness, &Analysis::MagneticField, &Analysis::Current, &Analysis::DataCount,
                       &Analysis::Temperature, &Analysis::Concentration, &Analysis::Reliability>
      saved(record);

  sample.ApplyTo(record);
  record.Temperature.clear();
  record.Concentration.clear();
  record.Reliability.clear();
  for (const auto& p : points) {
    record.Temperature.push_back(p.temperature);
    record.Concentration.push_back(p.concentration);
    record.Reliability.push_back(p.reliability);
  }
  record.DataCount = static_cast<int>(points.size());
  record.ExperimentalDataFile = path;
  record.SaveMeasurementFile();
}

// ---- The window -------------------------------------------------------------------------

DataSheetPresenter::DataSheetPresenter(Analysis& record, View& view, bool& keyboardEntryRequested, bool& sheetDataSaved)
    : record_(record),
      view_(view),
      keyboardEntryRequested_(keyboardEntryRequested),
      sheetDataSaved_(sheetDataSaved),
      origin_(kDataSheetRows, -1) {
  view_.SetRowCount(kDataSheetGrid, kDataSheetRows);
  view_.SetCaption(kDataSheetCaption);
  view_.SetItems("ComboBoxSemiconductor", SemiconductorItems());
  view_.SetItems("ComboBoxConductionType", kConductionTypeItems);
  const auto& header = DataSheetHeader();
  for (int c = 0; c < kDataSheetColumns; ++c) view_.SetCell(kDataSheetGrid, 0, c, header[c]);
}

void DataSheetPresenter::Prepare() {
  // The texts as the record holds them decide the encoding they are saved in.
  encoding_ = SampleEncoding(record_);
  ShowSample(view_, record_, SampleColumn::Control, encoding_);
  clearGrid();
  if (keyboardEntryRequested_) {
    keyboardEntryRequested_ = false;
    return;
  }
  std::size_t count = std::min({record_.Temperature.size(), record_.Concentration.size(), record_.Reliability.size()});
  if (record_.DataCount >= 0) count = std::min(count, static_cast<std::size_t>(record_.DataCount));
  if (count > static_cast<std::size_t>(kMaxDataSheetPoints)) {
    refusedPoints_ = static_cast<int>(std::min<std::size_t>(count, 2147483647));
    view_.ShowError(tooManyPoints(count));
    return;
  }
  resizeGrid(static_cast<int>(count) + 1 + kDataSheetSpareRows);
  for (std::size_t i = 0; i < count; ++i) {
    int row = static_cast<int>(i) + 1;
    view_.SetCell(kDataSheetGrid, row, 0, FormatPattern(record_.Temperature[i], "0.0"));
    view_.SetCell(kDataSheetGrid, row, 1, FormatPattern(record_.Concentration[i], "0.00E+00"));
    view_.SetCell(kDataSheetGrid, row, 2, FormatPattern(record_.Reliability[i], "0.00"));
    origin_[row] = static_cast<int>(i);
  }
}

void DataSheetPresenter::clearGrid() {
  refusedPoints_ = 0;
  resizeGrid(kDataSheetRows);
  for (int r = 1; r < rows_; ++r)
    for (int c = 0; c < kDataSheetColumns; ++c) view_.SetCell(kDataSheetGrid, r, c, "");
  origin_.assign(rows_, -1);
}

void DataSheetPresenter::resizeGrid(int rows) {
  rows = std::max(rows, kDataSheetRows);
  if (rows == rows_) return;
  view_.SetRowCount(kDataSheetGrid, rows);
  rows_ = rows;
  origin_.resize(rows_, -1);
}

void DataSheetPresenter::sortGrid() {
  // The rows of the point list: from row 1 up to the first empty temperature cell.
  std::vector<double> keys;
  std::vector<std::vector<std::string>> rows;
  for (int r = 1; r < rows_; ++r) {
    std::string t = view_.Cell(kDataSheetGrid, r, 0);
    if (t.empty()) break;
    keys.push_back(cellValue(r, 0, t));
    rows.push_back({t, view_.Cell(kDataSheetGrid, r, 1), view_.Cell(kDataSheetGrid, r, 2)});
  }
  std::vector<int> order = TemperatureOrder(keys);
  const std::vector<int> origin = origin_;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] == static_cast<int>(i)) continue;
    origin_[i + 1] = origin[order[i] + 1];
    for (int c = 0; c < kDataSheetColumns; ++c)
      view_.SetCell(kDataSheetGrid, static_cast<int>(i) + 1, c, rows[order[i]][c]);
  }
}

double DataSheetPresenter::cellValue(int row, int column, const std::string& text) const {
  // A cell still showing its record value gives that value unrounded.
  static const char* const kPatterns[kDataSheetColumns] = {"0.0", "0.00E+00", "0.00"};
  const std::vector<double>* columns[kDataSheetColumns] = {&record_.Temperature, &record_.Concentration,
                                                           &record_.Reliability};
  const int o = origin_[row];
  const std::vector<double>& values = *columns[column];
  if (o >= 0 && static_cast<std::size_t>(o) < values.size() && text == FormatPattern(values[o], kPatterns[column]))
    return values[o];
  return ParseReal(text);
}

std::vector<Point> DataSheetPresenter::readGrid() const {
  std::vector<Point> points;
  for (int r = 1; r < rows_; ++r) {
    std::string t = view_.Cell(kDataSheetGrid, r, 0);
    if (t.empty()) break;
    Point p;
    p.temperature = cellValue(r, 0, t);
    p.concentration = cellValue(r, 1, view_.Cell(kDataSheetGrid, r, 1));
    p.reliability = cellValue(r, 2, view_.Cell(kDataSheetGrid, r, 2));
    points.push_back(p);
  }
  return points;
}

void DataSheetPresenter::ButtonSortClick() {
  try {
    sortGrid();
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  }
}

void DataSheetPresenter::ButtonClearDataClick() { clearGrid(); }

void DataSheetPresenter::ButtonClearAllDataClick() {
  ClearSampleForm(view_, SampleLayout::DataSheet);
  clearGrid();
}

void DataSheetPresenter::ButtonSaveExperimentalDataClick() {
  if (refusedPoints_ > 0) {
    view_.ShowError(tooManyPoints(static_cast<std::size_t>(refusedPoints_)));
    return;
  }
  try {
    sortGrid();
    std::vector<Point> points = readGrid();
    std::string refusal;
    if (FirstRefusedPoint(points, refusal) >= 0) {
      view_.ShowError(refusal);
      return;
    }
    for (auto& p : points)
      if (p.reliability < 0) p.reliability = 0;
    header::SampleBlock sample = ReadSampleForm(view_);
    // Back to the encoding the texts came in: what the user left alone keeps its bytes.
    std::string encodingRefusal;
    if (!SampleToEncoding(sample, encoding_, encodingRefusal)) {
      view_.ShowError(encodingRefusal);
      return;
    }

    FileDialog dialog;
    dialog.title = "Save";
    dialog.filter = kDataSheetFilter;
    if (sample.ConductionType == "n-type") {
      dialog.filterIndex = 1;
      dialog.fileName = "*.nT";
    } else if (sample.ConductionType == "p-type") {
      dialog.filterIndex = 2;
      dialog.fileName = "*.pT";
    } else {
      view_.ShowError(kInputConductionType);
      return;
    }
    std::optional<std::string> path = view_.AskSaveFile(dialog);
    if (!path) return;
    CommitMeasurement(record_, sample, points, *path);
    sheetDataSaved_ = true;
    view_.CloseWindow();
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  }
}

int DataSheetPresenter::PasteCells(int row, int column, const std::string& text) {
  if (row < 1) row = 1;
  if (column < 0) column = 0;
  if (column >= kDataSheetColumns) return 0;
  std::vector<std::string> lines = splitLines(text);
  if (lines.empty()) return 0;
  const long long last = static_cast<long long>(row) + static_cast<long long>(lines.size()) - 1;
  if (last > kMaxDataSheetPoints) {
    view_.ShowError("The pasted block of " + std::to_string(lines.size()) + " rows would end in row " +
                    std::to_string(last) + "; the data sheet takes at most " + std::to_string(kMaxDataSheetPoints) +
                    " points. Nothing was pasted.");
    return 0;
  }
  // Room for every pasted row and a few to type after them.
  if (last >= rows_) resizeGrid(static_cast<int>(last) + 1 + kDataSheetSpareRows);
  int written = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    int c = column;
    std::size_t start = 0;
    while (c < kDataSheetColumns) {
      std::size_t tab = line.find('\t', start);
      std::string cell = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
      view_.SetCell(kDataSheetGrid, row + static_cast<int>(i), c, std::string(Trim(cell)));
      ++written;
      ++c;
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
  }
  return written;
}

std::string DataSheetPresenter::CopyCells(int top, int left, int bottom, int right) const {
  top = std::max(top, 0);
  left = std::max(left, 0);
  bottom = std::min(bottom, rows_ - 1);
  right = std::min(right, kDataSheetColumns - 1);
  std::string out;
  for (int r = top; r <= bottom; ++r) {
    for (int c = left; c <= right; ++c) {
      if (c > left) out += '\t';
      out += view_.Cell(kDataSheetGrid, r, c);
    }
    out += '\n';
  }
  return out;
}

}  // namespace korv::ui
