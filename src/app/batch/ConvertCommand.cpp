#include "app/batch/ConvertCommand.h"

#include <filesystem>
#include <map>

#include "core/Analysis.h"
#include "core/Error.h"
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
  view.SetText("ComboBoxColumnT", o.tColumn);
  view.SetText("ComboBoxColumnC", o.nColumn);
  view.SetText("ComboBoxColumnReliability",
               o.reliabilityColumn.empty() ? korv::ui::kNoReliabilityColumn : o.reliabilityColumn);
  view.SetText("ComboBoxQuantity", o.quantity == "hall-coefficient" ? korv::ui::kQuantityHallCoefficient
                                                                    : korv::ui::kQuantityConcentration);
  window.ComboBoxQuantityChange();
  ImportUnit unit{};
  ParseImportUnit(o.unit, unit);
  view.SetText("ComboBoxUnit", ImportUnitText(unit));
  view.SetText("EditHallFactor", o.hallFactor);
  view.SetChecked("CheckBoxCelsius", o.celsius);
  view.SetText("EditNameOfMeasurement", o.measurementName);
  view.SetText("EditDateOfMeasurement", o.measurementDate);
  view.SetText("EditNameOfAnalysis", o.analysisName);
  view.SetText("EditDateOfAnalysis", o.analysisDate);
  view.SetText("ComboBoxSemiconductor", o.semiconductor);
  view.SetText("ComboBoxConductionType", o.conductionType);
  view.SetText("EditSampleNumber", o.sampleNumber);
  view.SetText("EditComment", o.comment);
  view.SetText("EditThickness", o.thickness);
  view.SetText("EditMagneticField", o.magneticField);
  view.SetText("EditCurrent", o.current);

  // A file of several runs needs the one to read: the window offers the first, a script says.
  const std::string text = view.Text(korv::ui::kConvertText);
  const korv::ImportLayout layout = korv::AnalyseLayout(text, -1, o.skipLines);
  if (o.run.empty() && layout.runs.size() > 1) {
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
    r.report = korv::ImportMeasurement(text, settings).Report(settings);
  } catch (const korv::Error& e) {
    r.exitStatus = 2;
    r.failure = e.what();
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
