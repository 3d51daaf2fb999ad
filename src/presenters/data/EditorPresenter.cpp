#include "presenters/data/EditorPresenter.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/Error.h"
#include "core/TextFile.h"

namespace korv::ui {

namespace {

std::string readBytes(const std::string& path) {
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
  return raw;
}

// Length of the line end at `i` (raw[i] is CR or LF): carriage returns followed by a line
// feed make one line end (CR LF, or CR CR LF of a file converted twice); a carriage
// return not followed by one is a line end of its own.
std::size_t lineEndAt(const std::string& raw, std::size_t i) {
  std::size_t k = i;
  while (k < raw.size() && raw[k] == '\r') ++k;
  if (k < raw.size() && raw[k] == '\n') return k + 1 - i;
  return 1;
}

}  // namespace

std::string LoadTextFile(const std::string& path) {
  const std::string raw = readBytes(path);
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

void SaveTextFile(const std::string& path, const std::string& text) { SaveTextFile(path, text, TextFileFormat{}); }

std::string LoadTextFile(const std::string& path, TextFileFormat& format) {
  const std::string raw = readBytes(path);
  TextFileFormat found;
  found.encoding = korv::DetectEncoding(raw);
  std::string bytes;
  bytes.reserve(raw.size());
  bool first = true;
  found.finalLineEnd = false;
  for (std::size_t i = 0; i < raw.size();) {
    if (raw[i] == '\r' || raw[i] == '\n') {
      const std::size_t n = lineEndAt(raw, i);
      if (first) found.lineEnd = raw.substr(i, n);
      first = false;
      bytes += '\n';
      i += n;
    } else {
      bytes += raw[i++];
    }
  }
  if (!bytes.empty() && bytes.back() == '\n') {
    bytes.pop_back();
    found.finalLineEnd = true;
  }
  if (raw.empty()) found.finalLineEnd = true;  // an empty file: new lines get the usual ends
  format = found;
  return korv::ToUtf8(bytes, found.encoding);
}

void SaveTextFile(const std::string& path, const std::string& text, const TextFileFormat& format) {
  std::string bytes, refused;
  if (!korv::FromUtf8(text, format.encoding, bytes, &refused))
    throw korv::Error("Cannot write file '" + path + "': the text holds '" + refused + "', which " +
                      korv::EncodingName(format.encoding) + ", the encoding of the file, cannot hold.");
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16 + 2);
  for (char c : bytes) {
    if (c == '\n')
      out += format.lineEnd;
    else if (c != '\r')
      out += c;
  }
  // The last line ends as it did in the file (always, for a text typed afresh), so a
  // loaded file is written back unchanged.
  if (!bytes.empty() && format.finalLineEnd) out += format.lineEnd;
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
  format_ = TextFileFormat{};
  view_.SetCaption(kEditorCaption);
}

void EditorPresenter::OpenEditorClick() {
  FileDialog dialog;
  dialog.title = "Open";
  dialog.filter = kEditorOpenFilter;
  std::optional<std::string> path = view_.AskOpenFile(dialog);
  if (!path) return;
  try {
    TextFileFormat format;
    std::string text = LoadTextFile(*path, format);
    view_.SetText(kEditorText, text);
    path_ = *path;
    format_ = format;
    view_.SetCaption(path_);
  } catch (const korv::Error& e) {
    view_.ShowError(e.what());
  }
}

bool EditorPresenter::write(const std::string& path) {
  try {
    SaveTextFile(path, view_.Text(kEditorText), format_);
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
