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
    list.insert(list.end(), {
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
  static const std::vector<std::string> concentration{"cm^-3", "m^-3"}, coefficient{"cm^3/C", "m^3/C"};
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

// The data sheet's message for a refused point, else the reader's reason.
std::string refusalMessage(const ImportedPoint& p) {
  if (p.refusal == Refusal::Temperature) return kTemperatureBelowZero;
  if (p.refusal == Refusal::Concentration) return kConcentrationNotPositive;
  return "Reliability is not a number of 0 or more (" + p.reason + ") \n Check the Data!";
}

// Skipped lines worth a word after saving: those that may hold data.
bool worthANotice(const ImportResult& r) { return r.shortLines + r.outOfRangeLines + r.signLines > 0; }

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
  if (!ParseImportUnit(view.Text("ComboBoxUnit"), s.unit) || !UnitFits(s.quantity, s.unit))
    s.unit = hall ? ImportUnit::CubicCentimetrePerCoulomb : ImportUnit::PerCubicCentimetre;
  s.hallFactor = hall ? ParseReal(view.Text("EditHallFactor")) : 1.0;
  s.celsius = view.IsChecked("CheckBoxCelsius");
  s.conductionType = view.Text("ComboBoxConductionType");
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
  return s;
}

void ConvertPresenter::Prepare() {
  path_.clear();
  skipLines_ = 0;
  for (const char* c : {"ComboBoxColumnT", "ComboBoxColumnC"}) view_.SetText(c, "");
  ClearSampleForm(view_, SampleLayout::Conversion);
  view_.SetText("ComboBoxQuantity", kQuantityConcentration);
  ComboBoxQuantityChange();
  view_.SetText("EditHallFactor", "1");
  view_.SetChecked("CheckBoxCelsius", false);
  view_.SetText("ComboBoxColumnReliability", kNoReliabilityColumn);
  names_.clear();
  runs_.clear();
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
  if (Trim(view_.Text("ComboBoxColumnT")).empty() || Trim(view_.Text("ComboBoxColumnC")).empty()) {
    view_.SetText(kConvertPreview, "Choose the columns of the temperature and of the concentration.");
    return;
  }
  std::string out;
  try {
    ImportSettings settings = Settings();
    ImportResult r = ImportMeasurement(text, settings);
    // The sign of R_H proposes the conduction type while none is chosen.
    if (!r.proposedType.empty() && Trim(view_.Text("ComboBoxConductionType")).empty())
      view_.SetText("ComboBoxConductionType", r.proposedType);
    out = r.Report(settings);
    if (const ImportedPoint* p = r.FirstRefused()) {
      std::string first = refusalMessage(*p);
      first = first.substr(0, first.find('\n'));
      while (!first.empty() && first.back() == ' ') first.pop_back();
      out += "Line " + std::to_string(p->line) + " cannot be saved: " + first + ".\n";
    }
    if (!r.points.empty()) {
      const bool hall = settings.quantity == ImportQuantity::HallCoefficient;
      out += "\n" + padded("Line", 6) + padded("T cell", 12) + padded(hall ? "R_H cell" : "n cell", 14) +
             padded("T [K]", 10) + "n [cm^-3]\n";
      std::size_t shown = std::min<std::size_t>(r.points.size(), kPreviewPoints);
      for (std::size_t i = 0; i < shown; ++i) {
        const ImportedPoint& p = r.points[i];
        out += padded(std::to_string(p.line), 6) + padded(p.rawTemperature, 12) + padded(p.rawConcentration, 14);
        out += p.refusal == Refusal::None ? padded(FormatPoint(p.temperature), 10) + FormatPoint(p.concentration) + "\n"
                                          : "refused: " + p.reason + "\n";
      }
      if (r.points.size() > shown) out += "... (" + std::to_string(r.points.size() - shown) + " more)\n";
    }
    if (!r.notes.empty()) {
      out += "\nLines left out:\n";
      constexpr std::size_t kListed = 200;
      for (std::size_t i = 0; i < r.notes.size() && i < kListed; ++i) {
        const LineRange& n = r.notes[i];
        std::string lines = std::to_string(n.first) + (n.last > n.first ? "-" + std::to_string(n.last) : "");
        out += padded(lines, 10) + (n.refused ? "refused: " : "") + n.reason + "\n";
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
    if (const ImportedPoint* p = converted.FirstRefused()) {
      // Name the line so that a header or comment left in the text is easy to find.
      throw korv::Error(refusalMessage(*p) + "\nLine " + std::to_string(p->line) + ": " +
                        korv::Printable(lineOf(text, p->line)));
    }
    std::vector<Point> points;
    for (const auto& p : converted.points) points.push_back({p.temperature, p.concentration, p.reliability});
    SortByTemperature(points);
    if (!converted.proposedType.empty() && Trim(view_.Text("ComboBoxConductionType")).empty())
      view_.SetText("ComboBoxConductionType", converted.proposedType);
    header::SampleBlock sample = ReadSampleForm(view_);
    if (settings.quantity == ImportQuantity::HallCoefficient) {
      // The remark line says how the densities were made.
      std::string how = "n = r_H/(q*|R_H|) from R_H [" + ImportUnitText(settings.unit) +
                        "], Hall factor r_H = " + FormatGeneral(settings.hallFactor);
      sample.Remark = sample.Remark.empty() || sample.Remark == "0" ? how : sample.Remark + "; " + how;
    }

    FileDialog dialog;
    dialog.title = "Save";
    dialog.filter = kConvertSaveFilter;
    if (phys::IsNType(sample.ConductionType)) {
      dialog.filterIndex = 1;
      dialog.fileName = ReplaceExtension(path_, ".nT");
    } else if (sample.ConductionType == "p-type") {
      dialog.filterIndex = 2;
      dialog.fileName = ReplaceExtension(path_, ".pT");
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
    if (worthANotice(converted)) view_.ShowNotice(skippedSentence(converted.Report(settings)));
    view_.CloseWindow();
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  }
}

void ConvertPresenter::ClipboardClick(ClipboardAction action) { view_.Clipboard(kConvertText, action); }

}  // namespace korv::ui
