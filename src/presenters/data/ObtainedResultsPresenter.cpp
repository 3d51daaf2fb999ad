#include "presenters/data/ObtainedResultsPresenter.h"

#include "core/Error.h"
#include "files/Report.h"

namespace korv::ui {

namespace {

bool hasExtension(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  std::size_t dot = path.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

}  // namespace

const std::vector<Control>& ObtainedResultsControls() {
  static const std::vector<Control> controls{
      {"ToolSave", ControlKind::Button, "Save"},
      {"ToolButton3", ControlKind::Label, ""},
      {"ToolPrint", ControlKind::Button, "Print"},
      {kResultsText, ControlKind::Memo, ""},
  };
  return controls;
}

ObtainedResultsPresenter::ObtainedResultsPresenter(const Analysis& record, View& view) : record_(record), view_(view) {
  view_.SetCaption(kObtainedResultsCaption);
  ShowTemplate();
}

void ObtainedResultsPresenter::show(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  encoding_ = korv::DetectEncoding(text);
  view_.SetText(kResultsText, korv::ToUtf8(text, encoding_));
}

void ObtainedResultsPresenter::ShowTemplate() { show(korv::ReportTemplate()); }

void ObtainedResultsPresenter::Clear() { view_.SetText(kResultsText, ""); }

void ObtainedResultsPresenter::Build() { show(korv::BuildReport(record_)); }

void ObtainedResultsPresenter::ToolSaveClick() {
  FileDialog dialog;
  dialog.title = "Save";
  dialog.filter = kResultsFilter;
  dialog.fileName = korv::ProposedReportName(record_);
  std::optional<std::string> chosen = view_.AskSaveFile(dialog);
  if (!chosen) return;
  std::string path = *chosen;
  if (!hasExtension(path)) path += kResultsDefaultExtension;
  // The lines of the text as shown, each ended by CR LF.
  std::vector<std::string> lines;
  std::string text;
  if (!korv::FromUtf8(view_.Text(kResultsText), encoding_, text, nullptr)) text = view_.Text(kResultsText);
  std::size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  try {
    korv::SaveReport(lines, path);
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
    return;
  }
  path_ = path;
  view_.SetCaption(path_);
}

void ObtainedResultsPresenter::ToolPrintClick() { view_.PrintText(path_, view_.Text(kResultsText)); }

}  // namespace korv::ui
