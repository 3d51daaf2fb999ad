#include "presenters/data/ConvertPresenter.h"

#include "presenters/common/Commands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "core/Error.h"
#include "core/Numbers.h"
#include "core/TextFile.h"
#include "presenters/data/EditorPresenter.h"
#include "presenters/data/SampleForm.h"

namespace korv::ui {

namespace {}  // namespace

const std::vector<std::string>& ColumnItems() {
  static const std::vector<std::string> items = [] {
    std::vector<std::string> v;
    for (int i = 1; i <= kConvertColumns; ++i) v.push_back(std::to_string(i));
    return v;
  }();
  return items;
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
    list.insert(list.end(),
                {
                    {"GroupBoxImport", ControlKind::GroupBox, "Quantities, Units and Runs"},
                    {"LabelQuantity", ControlKind::Label, "Quantity"},
                    {"ComboBoxQuantity", ControlKind::ComboBox, kQuantityConcentration},
                    {"LabelUnit", ControlKind::Label, "Unit"},
                    {"ComboBoxUnit", ControlKind::ComboBox, "cm^-3"},
                    {"LabelHallFactor", ControlKind::Label, "Hall factor r_H"},
                    {"EditHallFactor", ControlKind::Edit, "1"},
                    {"CheckBoxCelsius", ControlKind::CheckBox, "Temperature in °C"},
                    {"LabelRun", ControlKind::Label, "Run"},
                    {"ComboBoxRun", ControlKind::ComboBox, ""},
                    {"LabelColumnReliability", ControlKind::Label, "Column of Reliability"},
                    {"ComboBoxColumnReliability", ControlKind::ComboBox, kNoReliabilityColumn},
                    {kConvertDropRefused, ControlKind::CheckBox, "Save the good rows, list the refused ones"},
                    {"GroupBoxPreview", ControlKind::GroupBox, "Preview"},
                    {kConvertPreview, ControlKind::Memo, ""},
                });
    return list;
  }();
  return controls;
}

// ---- Choices ------------------------------------------------------------------------------

namespace {

const std::vector<std::string>& unitItems(bool hall) {
  static const std::vector<std::string> concentration{"cm^-3", "m^-3", "cm^-2", "m^-2"}, coefficient{"cm^3/C", "m^3/C"};
  return hall ? coefficient : concentration;
}

std::vector<std::string> withNames(std::vector<std::string> items, const std::vector<std::string>& names) {
  for (const auto& n : names)
    if (!n.empty() && std::find(items.begin(), items.end(), n) == items.end()) items.push_back(n);
  return items;
}

// The text of line `line` (1-based) of `text`, empty past the end.
std::string lineOf(const std::string& text, int line) {
  std::size_t begin = 0;
  for (int l = 1; l < line && begin != std::string::npos; ++l) {
    begin = text.find('\n', begin);
    if (begin != std::string::npos) ++begin;
  }
  if (begin == std::string::npos) return "";
  std::string s = text.substr(begin, text.find('\n', begin) - begin);
  if (line == 1 && s.rfind("\xEF\xBB\xBF", 0) == 0) s.erase(0, 3);
  if (!s.empty() && s.back() == '\r') s.pop_back();
  return s;
}

// The data sheet's message for a refused point where it has one, else the reader's reason:
// the same words in the preview and in the error box.
std::string refusalMessage(const ImportedPoint& p) {
  if (p.refusal == Refusal::Temperature && p.reason == "temperature not above 0 K") return kTemperatureBelowZero;
  if (p.refusal == Refusal::Concentration && p.reason == "concentration zero or negative")
    return kConcentrationNotPositive;
  if (p.refusal == Refusal::Reliability)
    return "Reliability is not a number of 0 or more (" + p.reason + ") \n Check the Data!";
  std::string s = p.reason;
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s + " \n Check the Data!";
}

// The first line of a refusal message, without trailing blanks.
std::string shortRefusal(const ImportedPoint& p) {
  std::string first = refusalMessage(p);
  first = first.substr(0, first.find('\n'));
  while (!first.empty() && first.back() == ' ') first.pop_back();
  return first;
}

// A run label as a part of a file name: letters, digits, '.', '-' and '_'.
std::string fileNamePart(const std::string& label) {
  std::string s;
  for (char c : label) {
    bool keep =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
    s += keep ? c : '_';
  }
  return s;
}

// Skipped lines worth a word after saving: those that may hold data.
bool worthANotice(const ImportResult& r) {
  return r.shortLines + r.outOfRangeLines + r.signLines + r.averagedLines > 0 || r.Refused() > 0;
}

std::string skippedSentence(const std::string& report) {
  std::size_t at = report.find("Skipped: ");
  if (at == std::string::npos) return "";
  return report.substr(at, report.find('\n', at) - at);
}

std::string padded(std::string s, std::size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s + " ";
}

}  // namespace

ImportSettings ImportSettingsFromView(const View& view) {
  ImportSettings s;
  s.temperatureColumn = view.Text("ComboBoxColumnT");
  s.concentrationColumn = view.Text("ComboBoxColumnC");
  std::string reliability = view.Text("ComboBoxColumnReliability");
  if (reliability != kNoReliabilityColumn) s.reliabilityColumn = reliability;
  s.run = view.Text("ComboBoxRun");
  s.quantity = view.Text("ComboBoxQuantity") == kQuantityHallCoefficient ? ImportQuantity::HallCoefficient
                                                                         : ImportQuantity::Concentration;
  const bool hall = s.quantity == ImportQuantity::HallCoefficient;
  ImportUnit unit{};
  if (!ParseImportUnit(view.Text("ComboBoxUnit"), unit) || !UnitFits(*s.quantity, unit))
    unit = hall ? ImportUnit::CubicCentimetrePerCoulomb : ImportUnit::PerCubicCentimetre;
  s.unit = unit;
  s.hallFactor = hall ? ParseReal(view.Text("EditHallFactor")) : 1.0;
  s.celsius = view.IsChecked("CheckBoxCelsius");
  s.conductionType = view.Text("ComboBoxConductionType");
  s.dropRefused = view.IsChecked(kConvertDropRefused);
  double thickness = 0;
  if (TryParseReal(view.Text("EditThickness"), thickness) && thickness > 0) s.thickness = thickness;
  return s;
}

// ---- The window ---------------------------------------------------------------------------

ConvertPresenter::ConvertPresenter(Analysis& record, View& view, bool& convertedDataSaved)
    : record_(record), view_(view), convertedDataSaved_(convertedDataSaved) {
  view_.SetItems("ComboBoxColumnT", ColumnItems());
  view_.SetItems("ComboBoxColumnC", ColumnItems());
  view_.SetItems("ComboBoxSemiconductor", SemiconductorItems());
  view_.SetItems("ComboBoxConductionType", kConductionTypeItems);
  view_.SetItems("ComboBoxQuantity", {kQuantityConcentration, kQuantityHallCoefficient});
  view_.SetItems("ComboBoxColumnReliability", withNames({kNoReliabilityColumn}, ColumnItems()));
  view_.SetItems("ComboBoxRun", {});
  Prepare();
}

ImportSettings ConvertPresenter::Settings() const {
  ImportSettings s = ImportSettingsFromView(view_);
  s.skipLines = skipLines_;
  s.runColumn = runColumn_;
  s.average = average_;
  return s;
}

void ConvertPresenter::Prepare() {
  path_.clear();
  skipLines_ = 0;
  runColumn_.clear();
  average_ = false;
  view_.SetChecked(kConvertDropRefused, false);
  for (const char* c : {"ComboBoxColumnT", "ComboBoxColumnC"}) view_.SetText(c, "");
  ClearSampleForm(view_, SampleLayout::Conversion);
  view_.SetText("ComboBoxQuantity", kQuantityConcentration);
  ComboBoxQuantityChange();
  view_.SetText("EditHallFactor", "1");
  view_.SetChecked("CheckBoxCelsius", false);
  view_.SetText("ComboBoxColumnReliability", kNoReliabilityColumn);
  names_.clear();
  runs_.clear();
  units_.clear();
  proposedNames_.clear();
  view_.SetItems("ComboBoxColumnT", ColumnItems());
  view_.SetItems("ComboBoxColumnC", ColumnItems());
  view_.SetItems("ComboBoxColumnReliability", withNames({kNoReliabilityColumn}, ColumnItems()));
  view_.SetItems("ComboBoxRun", {});
  view_.SetText("ComboBoxRun", "");
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
    // A program or an image chosen by mistake: its bytes would be read as cells and run labels.
    if (text.find('\0') != std::string::npos) throw korv::Error(kConvertBinaryFile);
    path_ = *path;
    view_.SetText(kConvertText, text);
    view_.SetCaption(path_);
    UpdatePreview();
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  }
}

void ConvertPresenter::ComboBoxQuantityChange() {
  const bool hall = view_.Text("ComboBoxQuantity") == kQuantityHallCoefficient;
  const auto& units = unitItems(hall);
  std::string unit = view_.Text("ComboBoxUnit");
  view_.SetItems("ComboBoxUnit", units);
  if (std::find(units.begin(), units.end(), unit) == units.end()) view_.SetText("ComboBoxUnit", units.front());
  view_.SetEnabled("EditHallFactor", hall);
}

void ConvertPresenter::offerLayout(const ImportLayout& layout) {
  // A window answers each change of a box with a new preview, which comes back here: the
  // boxes are filled once, by the outer call.
  if (offering_) return;
  offering_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{offering_};
  if (layout.names != names_) {
    names_ = layout.names;
    for (const char* box : {"ComboBoxColumnT", "ComboBoxColumnC"}) {
      std::string chosen = view_.Text(box);
      view_.SetItems(box, withNames(ColumnItems(), names_));
      view_.SetText(box, chosen);
    }
    std::string chosen = view_.Text("ComboBoxColumnReliability");
    view_.SetItems("ComboBoxColumnReliability", withNames(withNames({kNoReliabilityColumn}, ColumnItems()), names_));
    view_.SetText("ComboBoxColumnReliability", chosen);
  }
  if (layout.names != proposedNames_ || layout.units != units_) {
    // The names and units propose what is left open; the preamble fills the empty sample form.
    // Remembered first: a window answers each change of a box with a new preview.
    proposedNames_ = layout.names;
    units_ = layout.units;
    const ImportProposal p = ProposeImport(layout);
    auto columnChoice = [&](int c) {
      return c < static_cast<int>(layout.names.size()) && !layout.names[c].empty() ? layout.names[c]
                                                                                   : std::to_string(c + 1);
    };
    if (p.temperatureColumn >= 0 && Trim(view_.Text("ComboBoxColumnT")).empty())
      view_.SetText("ComboBoxColumnT", columnChoice(p.temperatureColumn));
    if (p.concentrationColumn >= 0 && Trim(view_.Text("ComboBoxColumnC")).empty())
      view_.SetText("ComboBoxColumnC", columnChoice(p.concentrationColumn));
    if (p.quantity) {
      view_.SetText("ComboBoxQuantity",
                    *p.quantity == ImportQuantity::HallCoefficient ? kQuantityHallCoefficient : kQuantityConcentration);
      ComboBoxQuantityChange();
    }
    if (p.unit) view_.SetText("ComboBoxUnit", ImportUnitText(*p.unit));
    if (p.celsius) view_.SetChecked("CheckBoxCelsius", *p.celsius);
    const ImportHeader& h = layout.header;
    auto fill = [&](const char* edit, const std::string& value, bool number) {
      const std::string now(Trim(view_.Text(edit)));
      if (now.empty() || (number && now == "0")) view_.SetText(edit, value);
    };
    if (h.sampleLine) fill("EditSampleNumber", h.sample, false);
    if (h.dateLine) fill("EditDateOfMeasurement", h.date, false);
    if (h.thicknessLine) fill("EditThickness", FormatGeneral(h.thickness), true);
    if (h.fieldLine) fill("EditMagneticField", FormatGeneral(h.field), true);
    if (h.currentLine) fill("EditCurrent", FormatGeneral(h.current), true);
  }
  if (layout.runs != runs_) {
    runs_ = layout.runs;
    std::string chosen = view_.Text("ComboBoxRun");
    view_.SetItems("ComboBoxRun", runs_);
    if (std::find(runs_.begin(), runs_.end(), chosen) == runs_.end()) chosen = runs_.empty() ? "" : runs_.front();
    view_.SetText("ComboBoxRun", chosen);
  }
  view_.SetEnabled("ComboBoxRun", !runs_.empty());
}

void ConvertPresenter::UpdatePreview() {
  const std::string text = view_.Text(kConvertText);
  offerLayout(AnalyseLayout(text, -1, skipLines_));
  if (!runColumn_.empty()) {
    try {
      ImportSettings s;
      s.skipLines = skipLines_;
      s.runColumn = runColumn_;
      s.temperatureColumn = "1";
      s.concentrationColumn = "1";
      s.average = true;
      offerLayout(ImportMeasurement(text, s).layout);
    } catch (const korv::Error&) {
      // The preview below says what is wrong with the choice.
    }
  }
  if (Trim(view_.Text("ComboBoxColumnT")).empty() || Trim(view_.Text("ComboBoxColumnC")).empty()) {
    view_.SetText(kConvertPreview, "Choose the columns of the temperature and of the concentration.");
    return;
  }
  std::string out;
  try {
    ImportSettings settings = Settings();
    ImportResult r = ImportMeasurement(text, settings);
    // The sign of R_H proposes the conduction type while none is chosen.
    // The signs of R_H or of the densities, or a Type column propose the type while none is
    // chosen; a column's name only says it at saving (the user may still type it in).
    if (!r.proposedType.empty() && Trim(view_.Text("ComboBoxConductionType")).empty())
      view_.SetText("ComboBoxConductionType", r.proposedType);
    out = r.Report(settings);
    if (const ImportedPoint* p = r.FirstRefused()) {
      out += "Line " + std::to_string(p->line) + (settings.dropRefused ? " is left out: " : " cannot be saved: ") +
             shortRefusal(*p) + ".\n";
    }
    if (!r.points.empty()) {
      const bool hall = r.quantity == ImportQuantity::HallCoefficient;
      std::string type(Trim(view_.Text("ComboBoxConductionType")));
      if (type.empty()) type = r.TypeOfFile();
      const std::string carrier = type == "p-type" ? "p" : "n";
      out += "\n" + padded("Line", 6) + padded("T cell", 12) + padded(hall ? "R_H cell" : carrier + " cell", 14) +
             padded("T [K]", 10) + carrier + " [cm^-3]\n";
      // Every line in the order of the text: the points, and the lines left out with their reason.
      std::vector<std::string_view> textLines;
      for (std::size_t pos = 0; pos <= text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        textLines.push_back(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;
      }
      std::size_t point = 0, note = 0;
      constexpr int kRows = 20000;
      for (int line = 1, rows = 0; line <= static_cast<int>(textLines.size()) && rows < kRows; ++line) {
        while (note < r.notes.size() && r.notes[note].last < line) ++note;
        if (point < r.points.size() && r.points[point].line == line) {
          const ImportedPoint& p = r.points[point++];
          out += padded(std::to_string(p.line), 6) + padded(p.rawTemperature, 12) + padded(p.rawConcentration, 14);
          out += p.refusal == Refusal::None
                     ? padded(FormatPoint(p.temperature), 10) + FormatPoint(p.concentration) + "\n"
                     : "refused: " + shortRefusal(p) + "\n";
          ++rows;
        } else if (note < r.notes.size() && r.notes[note].first <= line && !r.notes[note].refused) {
          std::string shown = QuotedLine(textLines[line - 1]);
          if (shown.size() > 40) shown = shown.substr(0, 37) + "...";
          out += padded(std::to_string(line), 6) + padded(shown, 40) + "skipped: " + r.notes[note].reason + "\n";
          ++rows;
        }
      }
    }
    if (!r.notes.empty()) {
      out += "\nLines left out:\n";
      constexpr std::size_t kListed = 200;
      for (std::size_t i = 0; i < r.notes.size() && i < kListed; ++i) {
        const LineRange& n = r.notes[i];
        std::string lines = std::to_string(n.first) + (n.last > n.first ? "-" + std::to_string(n.last) : "");
        std::string reason = n.reason;
        if (n.refused)
          for (const ImportedPoint& p : r.points)
            if (p.line == n.first && p.refusal != Refusal::None) reason = shortRefusal(p);
        out += padded(lines, 10) + (n.refused ? "refused: " : "") + reason + "\n";
      }
      if (r.notes.size() > kListed) out += "... (" + std::to_string(r.notes.size() - kListed) + " more)\n";
    }
  } catch (const korv::Error& e) {
    out = e.what();
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  view_.SetText(kConvertPreview, out);
}

void ConvertPresenter::ButtonSaveDataClick() {
  try {
    if (Trim(view_.Text("ComboBoxColumnT")).empty()) throw korv::Error(kSelectTemperatureColumn);
    if (Trim(view_.Text("ComboBoxColumnC")).empty()) throw korv::Error(kSelectConcentrationColumn);
    const std::string text = view_.Text(kConvertText);
    ImportSettings settings = Settings();
    ImportResult converted = ImportMeasurement(text, settings);
    if (converted.points.empty()) throw korv::Error(kNoPointsInText);
    const ImportedPoint* refused = converted.FirstRefused();
    if (refused && !settings.dropRefused) {
      // Name the line so that a header or comment left in the text is easy to find.
      std::string message = refusalMessage(*refused) + "\nLine " + std::to_string(refused->line) + ": " +
                            QuotedLine(lineOf(text, refused->line));
      for (const auto& h : converted.hints) message += "\nHint: " + h;
      throw korv::Error(message);
    }
    std::vector<Point> points;
    for (const auto& p : converted.points)
      if (p.refusal == Refusal::None) points.push_back({p.temperature, p.concentration, p.reliability});
    if (points.empty()) throw korv::Error(kNoPointsInText);
    SortByTemperature(points);
    if (!converted.TypeOfFile().empty() && Trim(view_.Text("ComboBoxConductionType")).empty())
      view_.SetText("ComboBoxConductionType", converted.TypeOfFile());
    header::SampleBlock sample = ReadSampleForm(view_);
    // The remark line says how the densities were made and which run they are.
    std::vector<std::string> how;
    if (converted.quantity == ImportQuantity::HallCoefficient)
      how.push_back("n = r_H/(q*|R_H|) from R_H [" + ImportUnitText(converted.unit) +
                    "], Hall factor r_H = " + FormatGeneral(settings.hallFactor));
    if (!converted.remark.empty()) how.push_back(converted.remark);
    if (!converted.run.empty())
      how.push_back("run " + converted.run +
                    (converted.layout.runColumn >= 0
                         ? " of " + korv::ColumnText(converted.layout, converted.layout.runColumn)
                         : std::string()));
    if (converted.averagedLines > 0) how.push_back("points of one temperature averaged");
    for (const auto& h : how)
      sample.Remark = sample.Remark.empty() || sample.Remark == "0" ? h : sample.Remark + "; " + h;

    FileDialog dialog;
    dialog.title = "Save";
    dialog.filter = kConvertSaveFilter;
    if (phys::IsNType(sample.ConductionType)) {
      dialog.filterIndex = 1;
    } else if (sample.ConductionType == "p-type") {
      dialog.filterIndex = 2;
    } else {
      throw korv::Error(kInputConductionType);
    }
    dialog.fileName = ProposedFileName(sample.ConductionType, converted.layout.runs.size() > 1 ? converted.run : "");
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
    if (worthANotice(converted)) {
      std::string notice = skippedSentence(converted.Report(settings));
      if (refused) {
        std::vector<int> lines;
        for (const auto& p : converted.points)
          if (p.refusal != Refusal::None) lines.push_back(p.line);
        notice += (notice.empty() ? "" : "\n") + std::string("Refused and left out: lines ") + LineList(lines, 50) +
                  " (first: " + shortRefusal(*refused) + ").";
      }
      view_.ShowNotice(notice);
    }
    view_.CloseWindow();
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  }
}

std::string ConvertPresenter::ProposedFileName(const std::string& conductionType, const std::string& run) const {
  const std::string extension = conductionType == "p-type" ? ".pT" : ".nT";
  if (run.empty()) return ReplaceExtension(path_, extension);
  return ReplaceExtension(path_, "") + "_" + fileNamePart(run) + extension;
}

void ConvertPresenter::ClipboardClick(ClipboardAction action) { view_.Clipboard(kConvertText, action); }

}  // namespace korv::ui
