#include "batch/Convert.h"

#include <filesystem>
#include <map>

#include "core/Hallanalysis.h"
#include "presenters/Formatconvert.h"
#include "presenters/MemoryView.h"

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
  if (o.skipLines > 0) {
    std::string text = view.Text(korv::ui::kConvertText);
    std::size_t pos = 0;
    for (int i = 0; i < o.skipLines && pos != std::string::npos; ++i) {
      pos = text.find('\n', pos);
      if (pos != std::string::npos) ++pos;
    }
    view.SetText(korv::ui::kConvertText, pos == std::string::npos ? std::string() : text.substr(pos));
  }
  view.SetText("ComboBoxColumnT", std::to_string(o.tColumn));
  view.SetText("ComboBoxColumnC", std::to_string(o.nColumn));
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
