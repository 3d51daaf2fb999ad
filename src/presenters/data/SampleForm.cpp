#include "presenters/data/SampleForm.h"

#include <algorithm>

#include "core/Numbers.h"

namespace korv::ui {

namespace {

using header::SampleBlock;

constexpr std::size_t kRemarkLength = 100;

// The rows in the data sheet's order.
const std::vector<SampleField>& table() {
  using enum SampleInput;
  static const std::vector<SampleField> rows{
      {"LabelMeasurement", "Measurement", "LabelNameOfMeasurement", "Name", "EditNameOfMeasurement", "", nullptr, "",
       Text, &SampleBlock::MeasurementName, nullptr},
      {nullptr, "", "LabelDateOfMeasurement", "Date", "EditDateOfMeasurement", "", nullptr, "", Text,
       &SampleBlock::MeasurementDate, nullptr},
      {"LabelAnalysis", "Analysis", "LabelNameOfAnalysis", "Name", "EditNameOfAnalysis", "", nullptr, "", Text,
       &SampleBlock::AnalysisName, nullptr},
      {nullptr, "", "LabelDateOfAnalysis", "Date", "EditDateOfAnalysis", "", nullptr, "", Text,
       &SampleBlock::AnalysisDate, nullptr},
      {nullptr, "", "LabelSemiconductor", "Semiconductor", "ComboBoxSemiconductor", "", nullptr, "", Choice,
       &SampleBlock::Semiconductor, nullptr},
      {nullptr, "", "LabelConductionType", "Conduction Type", "ComboBoxConductionType", "", nullptr, "", Choice,
       &SampleBlock::ConductionType, nullptr},
      {nullptr, "", "LabelSampleNumber", "Sample Number", "EditSampleNumber", "", nullptr, "", Text,
       &SampleBlock::SampleNumber, nullptr},
      {nullptr, "", "LabelThickness", "Thickness", "EditThickness", "0", "LabelThicknessUnit", "micron", Number,
       nullptr, &SampleBlock::Thickness},
      {nullptr, "", "LabelMagneticField", "Magnetic Field", "EditMagneticField", "0", "LabelMagneticFieldUnit", "T",
       Number, nullptr, &SampleBlock::MagneticField},
      {nullptr, "", "LabelCurrent", "Current", "EditCurrent", "0", "LabelCurrentUnit", "A", Number, nullptr,
       &SampleBlock::Current},
      {nullptr, "", "LabelComment", "Comment", "EditComment", "", nullptr, "", Text, &SampleBlock::Remark, nullptr},
  };
  return rows;
}

const SampleField& row(const char* control) {
  const auto& rows = table();
  return *std::find_if(rows.begin(), rows.end(),
                       [&](const SampleField& f) { return std::string(f.control) == control; });
}

}  // namespace

std::vector<SampleField> SampleFields(SampleLayout layout) {
  if (layout == SampleLayout::DataSheet) return table();
  // The conversion window asks for the sample number before the conduction type and
  // for the comment before the numbers, and starts its comment at "0".
  std::vector<SampleField> rows;
  for (const char* c : {"EditNameOfMeasurement", "EditDateOfMeasurement", "EditNameOfAnalysis", "EditDateOfAnalysis",
                        "ComboBoxSemiconductor", "EditSampleNumber", "ComboBoxConductionType", "EditComment",
                        "EditThickness", "EditMagneticField", "EditCurrent"})
    rows.push_back(row(c));
  for (SampleField& f : rows) {
    if (std::string(f.control) == "ComboBoxConductionType") f.caption = "Conduction type";
    if (std::string(f.control) == "EditComment") f.initial = "0";
  }
  return rows;
}

void AppendSampleControls(std::vector<Control>& controls, SampleLayout layout) {
  for (const SampleField& f : SampleFields(layout)) {
    if (f.heading) controls.push_back({f.heading, ControlKind::Label, f.headingCaption});
    controls.push_back({f.label, ControlKind::Label, f.caption});
    controls.push_back(
        {f.control, f.input == SampleInput::Choice ? ControlKind::ComboBox : ControlKind::Edit, f.initial});
    if (f.unit) controls.push_back({f.unit, ControlKind::Label, f.unitCaption});
  }
}

header::SampleBlock ReadSampleForm(const View& view) {
  SampleBlock s;
  for (const SampleField& f : table()) {
    if (f.input == SampleInput::Number)
      s.*f.number = ParseReal(view.Text(f.control));
    else
      s.*f.text = view.Text(f.control);
  }
  s.Remark = std::string(korv::FirstCharacters(s.Remark, kRemarkLength));
  return s;
}

korv::TextEncoding SampleEncoding(const Analysis& record) {
  const SampleBlock s = SampleBlock::Of(record);
  for (const SampleField& f : table())
    if (f.input != SampleInput::Number && korv::DetectEncoding(s.*f.text) == korv::TextEncoding::Windows1252)
      return korv::TextEncoding::Windows1252;
  return korv::TextEncoding::Utf8;
}

bool SampleToEncoding(SampleBlock& block, korv::TextEncoding encoding, std::string& message) {
  for (const SampleField& f : table()) {
    if (f.input == SampleInput::Number) continue;
    std::string& text = block.*f.text;
    std::string bytes, refused;
    if (!korv::FromUtf8(text, encoding, bytes, &refused)) {
      message = "'" + text + "' holds '" + refused + "', which " + korv::EncodingName(encoding) +
                ", the encoding of this measurement's texts, cannot hold. Nothing was saved.";
      return false;
    }
    text = std::move(bytes);
  }
  return true;
}

void ShowSample(View& view, const Analysis& record, SampleColumn column, korv::TextEncoding encoding) {
  const SampleBlock s = SampleBlock::Of(record);
  for (const SampleField& f : table())
    view.SetText(column == SampleColumn::Control ? f.control : f.label,
                 f.input == SampleInput::Number ? FormatGeneral(s.*f.number) : korv::ToUtf8(s.*f.text, encoding));
}

void ClearSampleForm(View& view, SampleLayout layout) {
  for (const SampleField& f : SampleFields(layout)) view.SetText(f.control, f.initial);
}

}  // namespace korv::ui
