#include "app/batch/ConvertCommand.h"

#include <filesystem>
#include <map>

#include "core/Analysis.h"
#include "core/Error.h"
#include "core/Numbers.h"
#include "files/InstrumentImport.h"
#include "presenters/common/MemoryView.h"
#include "presenters/data/ConvertPresenter.h"
#include "presenters/main/MainPresenter.h"

namespace korv::batch {
namespace {

// The conversion window in memory; the item lists of its combo boxes are kept aside.
class ConvertView : public korv::ui::MemoryView {
 public:
  ConvertView() : MemoryView(korv::ui::ConvertControls(), {}) {}
  void SetItems(const std::string& control, const std::vector<std::string>& items) override {
    Text(control);  // refuses a name the window does not have
    items_[control] = items;
  }
  void SetCaption(const std::string&) override {}

 private:
  std::map<std::string, std::vector<std::string>> items_;
};

}  // namespace

ConvertReport RunConvert(const ConvertOptions& o) {
  ConvertReport r;
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::exists(o.input, ec)) {
    r.exitStatus = 2;
    r.failure = "cannot open '" + o.input + "': no such file";
    return r;
  }
  if (fs::is_directory(o.input, ec)) {
    r.exitStatus = 2;
    r.failure = "cannot open '" + o.input + "': it is a folder";
    return r;
  }

  Analysis record;
  // The version line names the program that wrote the file, as the main window's record does.
  record.VersionInformation = korv::ui::kVersionInformation;
  bool saved = false;
  ConvertView view;
  korv::ui::ConvertPresenter window(record, view, saved);
  window.Prepare();
  view.openAnswers.push_back(o.input);
  window.ButtonLoadAnotherDataClick();
  if (!view.errors.empty()) {
    r.exitStatus = 2;
    r.failure = "cannot read '" + o.input + "': " + view.errors.back();
    return r;
  }
  window.SetSkipLines(o.skipLines);
  window.SetRunColumn(o.runColumn);
  window.SetAverage(o.average);
  // The window proposed columns, quantity, unit and scale from the file; what was given wins.
  if (!o.tColumn.empty()) view.SetText("ComboBoxColumnT", o.tColumn);
  if (!o.nColumn.empty()) view.SetText("ComboBoxColumnC", o.nColumn);
  view.SetText("ComboBoxColumnReliability",
               o.reliabilityColumn.empty() ? korv::ui::kNoReliabilityColumn : o.reliabilityColumn);
  if (!o.quantity.empty()) {
    view.SetText("ComboBoxQuantity", o.quantity == "hall-coefficient" ? korv::ui::kQuantityHallCoefficient
                                                                      : korv::ui::kQuantityConcentration);
    window.ComboBoxQuantityChange();
  }
  if (!o.unit.empty()) {
    ImportUnit unit{};
    ParseImportUnit(o.unit, unit);
    view.SetText("ComboBoxUnit", ImportUnitText(unit));
  }
  view.SetText("EditHallFactor", o.hallFactor);
  if (o.celsiusGiven) view.SetChecked("CheckBoxCelsius", o.celsius);
  view.SetChecked(korv::ui::kConvertDropRefused, o.dropRefused);
  auto given = [&](const char* control, const std::string& value, const char* unset) {
    if (value != unset) view.SetText(control, value);
  };
  given("EditNameOfMeasurement", o.measurementName, "");
  given("EditDateOfMeasurement", o.measurementDate, "");
  view.SetText("EditNameOfAnalysis", o.analysisName);
  view.SetText("EditDateOfAnalysis", o.analysisDate);
  view.SetText("ComboBoxSemiconductor", o.semiconductor);
  view.SetText("ComboBoxConductionType", o.conductionType);
  given("EditSampleNumber", o.sampleNumber, "");
  view.SetText("EditComment", o.comment);
  given("EditThickness", o.thickness, "0");
  given("EditMagneticField", o.magneticField, "0");
  given("EditCurrent", o.current, "0");

  // A file of several runs needs the one to read: the window offers the first, a script says.
  const std::string text = view.Text(korv::ui::kConvertText);
  korv::ImportLayout layout = korv::AnalyseLayout(text, -1, o.skipLines);
  if (!o.runColumn.empty()) {
    try {
      korv::ImportSettings probe = window.Settings();
      probe.temperatureColumn = probe.concentrationColumn = "1";
      probe.average = true;
      probe.quantity.reset();
      probe.unit.reset();
      probe.celsius.reset();
      layout = korv::ImportMeasurement(text, probe).layout;
    } catch (const korv::Error& e) {
      r.exitStatus = 2;
      r.failure = e.what();
      return r;
    }
  }
  if (o.run.empty() && !o.average && layout.runs.size() > 1) {
    // The first labels name the kind of run; a long list would bury the message.
    constexpr std::size_t kNamed = 10;
    std::string list;
    for (std::size_t i = 0; i < layout.runs.size() && i < kNamed; ++i) list += (i ? ", " : "") + layout.runs[i];
    if (layout.runs.size() > kNamed) list += " and " + std::to_string(layout.runs.size() - kNamed) + " more";
    r.exitStatus = 2;
    r.failure = "the file holds " + std::to_string(layout.runs.size()) + " runs (" + list + "): choose one with --run";
    return r;
  }
  view.SetText("ComboBoxRun", o.run);
  // The preview proposes the conduction type from the signs of R_H when none was given.
  window.UpdatePreview();
  try {
    const korv::ImportSettings settings = window.Settings();
    const korv::ImportResult result = korv::ImportMeasurement(text, settings);
    r.report = result.Report(settings);
    r.result = result;
  } catch (const korv::Error& e) {
    r.exitStatus = 2;
    r.failure = e.what();
    if (r.failure.find("repeated temperatures") != std::string::npos)
      r.failure += " (--run-column COL --run VALUE, or --average)";
    return r;
  }
  if (o.hallFactor != "1" && r.result.quantity != korv::ImportQuantity::HallCoefficient) {
    r.exitStatus = 2;
    r.failure = "option --hall-factor belongs to --quantity hall-coefficient";
    return r;
  }
  if (Trim(view.Text("ComboBoxConductionType")).empty() && !r.result.TypeOfFile().empty())
    view.SetText("ComboBoxConductionType", r.result.TypeOfFile());
  if (Trim(view.Text("ComboBoxConductionType")).empty()) {
    r.exitStatus = 2;
    r.failure = "convert needs --type n-type or --type p-type: neither the signs nor a Type column tell it";
    return r;
  }
  view.saveAnswers.push_back(o.output);
  window.ButtonSaveDataClick();
  for (const auto& n : view.notices) r.notes += n + "\n";
  if (!view.errors.empty() || !saved) {
    r.exitStatus = 2;
    r.failure = view.errors.empty() ? "nothing was saved" : view.errors.back();
    return r;
  }
  r.output = record.ExperimentalDataFile;
  r.points = record.DataCount;
  return r;
}

}  // namespace korv::batch
