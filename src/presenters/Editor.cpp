#include "presenters/Editor.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/Error.h"
#include "core/Textfile.h"

namespace korv::ui {

std::string LoadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw korv::Error("Cannot open file '" + path + "': " + std::strerror(errno));
  std::string raw;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    raw.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (raw.size() > kMaxTextFileSize)
      throw korv::Error("Cannot open file '" + path + "': it is larger than " + std::to_string(kMaxTextFileSize >> 20) +
                        " MB");
  }
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r') {
      text += '\n';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else {
      text += raw[i];
    }
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

void SaveTextFile(const std::string& path, const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (char c : text) {
    if (c == '\n')
      out += "\r\n";
    else if (c != '\r')
      out += c;
  }
  // Every line, the last one too, ends with CR LF, so a loaded file is written back unchanged.
  if (!text.empty()) out += "\r\n";
  korv::WriteFileAtomically(path, out);
}

const std::vector<Control>& EditorControls() {
  static const std::vector<Control> controls{
      {"FileEditor", ControlKind::MenuItem, "File"},   {"OpenEditor", ControlKind::MenuItem, "Open"},
      {"SaveEditor", ControlKind::MenuItem, "Save"},   {"SaveAsEditor", ControlKind::MenuItem, "Save As"},
      {"PrintEditor", ControlKind::MenuItem, "Print"}, {"AllClearEditor", ControlKind::MenuItem, "All Clear"},
      {"ExitEditor", ControlKind::MenuItem, "Exit"},   {"EditEditor", ControlKind::MenuItem, "Edit"},
      {"CutEditor", ControlKind::MenuItem, "Cut"},     {"CopyEditor", ControlKind::MenuItem, "Copy"},
      {"PasteEditor", ControlKind::MenuItem, "Paste"}, {kEditorText, ControlKind::Memo, ""},
      {"Cut1", ControlKind::MenuItem, "Cut"},          {"Copy1", ControlKind::MenuItem, "Copy"},
      {"Paste1", ControlKind::MenuItem, "Paste"},
  };
  return controls;
}

EditorPresenter::EditorPresenter(View& view) : view_(view) { view_.SetCaption(kEditorCaption); }

void EditorPresenter::ShowFromMain() {
  view_.SetText(kEditorText, "");
  path_.clear();
  view_.SetCaption(kEditorCaption);
}

void EditorPresenter::OpenEditorClick() {
  FileDialog dialog;
  dialog.title = "Open";
  dialog.filter = kEditorOpenFilter;
  std::optional<std::string> path = view_.AskOpenFile(dialog);
  if (!path) return;
  try {
    std::string text = LoadTextFile(*path);
    view_.SetText(kEditorText, text);
    path_ = *path;
    view_.SetCaption(path_);
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  }
}

bool EditorPresenter::write(const std::string& path) {
  try {
    SaveTextFile(path, view_.Text(kEditorText));
    return true;
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
    return false;
  }
}

void EditorPresenter::SaveEditorClick() {
  if (path_.empty()) {
    SaveAsEditorClick();
    return;
  }
  write(path_);
}

void EditorPresenter::SaveAsEditorClick() {
  FileDialog dialog;
  dialog.title = "Save As";
  dialog.filter = kEditorSaveFilter;
  dialog.fileName = path_;
  std::optional<std::string> path = view_.AskSaveFile(dialog);
  if (!path) return;
  if (!write(*path)) return;
  path_ = *path;
  view_.SetCaption(path_);
}

void EditorPresenter::PrintEditorClick() { view_.PrintText(path_, view_.Text(kEditorText)); }

void EditorPresenter::AllClearEditorClick() { view_.SetText(kEditorText, ""); }

void EditorPresenter::ExitEditorClick() { view_.CloseWindow(); }

void EditorPresenter::ClipboardClick(ClipboardAction action) { view_.Clipboard(kEditorText, action); }

}  // namespace korv::ui
