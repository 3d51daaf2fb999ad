// The file viewer (TFormEditor): any of the program's files as plain text, to read, edit,
// save, save under another name and print. Opening it from the main window clears the
// text and forgets the file it showed, so "Save" never writes text over a file it was
// not loaded from: it asks for a name instead. A file is written back in the encoding
// and line ends it was read with, so the bytes the user did not edit stay as they were.
#pragma once

#include <string>
#include <vector>

#include "core/TextEncoding.h"
#include "presenters/common/View.h"

namespace korv::ui {

inline constexpr const char* kEditorCaption = "File Viewer";
inline constexpr const char* kEditorText = "RichEditEditor";
inline constexpr const char* kEditorOpenFilter =
    "KORV Data|*.nT;*.pT;*.spl;*.fl;*.flE;*.H1;*.H1E;*.H2;*.H2E;*.H3;*.H3E;*.S1;*.S1E;*.S2;*.S2E;*.S3;*.S3E;"
    "*.simH;*.simS;*.simN;*.datH;*.datS;*.DHES;*.CNO;*.CNC;*.exc;*.cft;*.sie;*.cfe|All Files (*.*)|*.*";
inline constexpr const char* kEditorSaveFilter =
    "KORV Data|*.nT;*.pT;*.fl;*.flE;*.spl;*.H1;*.H1E;*.H2;*.H2E;*.H3;*.H3E;*.S1;*.S1E;*.S2;*.S2E;*.S3;*.S3E;"
    "*.simH;*.simS;*.simN;*.datH;*.datS;*.DHES;*.CNO;*.CNC;*.exc;*.cft;*.sie;*.cfe|All Files (*.*)|*.*";

// Largest file loaded into a text area.
inline constexpr std::size_t kMaxTextFileSize = 16u << 20;

// A file's text with its line ends made "\n" and no line end after the last line, as a
// text area shows it; the bytes as they stand. Throws korv::Error naming the file when it
// cannot be read or is larger than kMaxTextFileSize.
std::string LoadTextFile(const std::string& path);
// Writes a text area's lines, each ended by CR LF, through a temporary file renamed over
// the target. Throws korv::Error naming the file and the reason.
void SaveTextFile(const std::string& path, const std::string& text);

// How a file lays its text out in bytes, so that a text written back unchanged is again
// the file it was read from.
struct TextFileFormat {
  korv::TextEncoding encoding = korv::TextEncoding::Utf8;
  std::string lineEnd = "\r\n";  // the file's first line end: CR LF, LF, CR or CR CR LF
  bool finalLineEnd = true;      // whether the last line has one
};
// The text of a file as a text area shows it: UTF-8 (a file that is not valid UTF-8 read
// as Windows-1252), "\n" line ends, no line end after the last line; `format` tells how
// the file held it.
std::string LoadTextFile(const std::string& path, TextFileFormat& format);
// Writes a text area's text in `format`. A character the encoding cannot hold throws
// korv::Error naming it, and nothing is written.
void SaveTextFile(const std::string& path, const std::string& text, const TextFileFormat& format);

const std::vector<Control>& EditorControls();

class EditorPresenter {
 public:
  explicit EditorPresenter(View& view);

  // "File Viewer" of the main window: empty text, no file, the plain caption.
  void ShowFromMain();

  void OpenEditorClick();
  void SaveEditorClick();
  void SaveAsEditorClick();
  void PrintEditorClick();
  void AllClearEditorClick();
  void ExitEditorClick();
  // Cut, copy and paste of the menu "Edit" and of the context menu.
  void ClipboardClick(ClipboardAction action);

  const std::string& Path() const { return path_; }

 private:
  bool write(const std::string& path);

  View& view_;
  std::string path_;
  // The layout of the file the text came from; "Save" and "Save As" write it back in it.
  TextFileFormat format_;
};

}  // namespace korv::ui
