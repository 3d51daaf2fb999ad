#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "presenters/data/EditorPresenter.h"
#include "support/FakeDataView.h"
#include "support/Files.h"

using namespace korv::ui;
using korv::test::FakeDataView;

namespace {

std::string readFile(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
void writeFile(const std::string& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

class Editor : public ::testing::Test {
 protected:
  Editor() : view(EditorControls()), editor(view) {
    file = (dir / "sample.spl").string();
    writeFile(file, original);
  }

  void open() {
    view.openReplies.push_back(file);
    editor.OpenEditorClick();
  }

  const std::string original = "% Data for analysis\r\n% Smoothness: 5000\r\n\r\n35     1.29e+13\r\n";
  FakeDataView view;
  EditorPresenter editor;
  korv::test::TempFolder folder{"editor"};
  std::filesystem::path dir = folder.Path();
  std::string file;
};

}  // namespace

TEST_F(Editor, OpenShowsTheTextAndSaveWritesItBackUnchanged) {
  EXPECT_EQ(view.caption, "File Viewer");
  open();
  ASSERT_EQ(view.openDialogs.size(), 1u);
  EXPECT_EQ(view.openDialogs[0].filter.rfind("KORV Data|*.nT;*.pT;*.spl;*.fl;*.flE;*.H1;", 0), 0u);
  EXPECT_NE(view.openDialogs[0].filter.find(";*.sie;*.cfe|All Files (*.*)|*.*"), std::string::npos);
  EXPECT_EQ(view.Text(kEditorText), "% Data for analysis\n% Smoothness: 5000\n\n35     1.29e+13");
  EXPECT_EQ(view.caption, file);

  std::filesystem::remove(file);
  editor.SaveEditorClick();
  EXPECT_TRUE(view.saveDialogs.empty());
  EXPECT_EQ(readFile(file), original);

  view.SetText(kEditorText, "edited\nby hand");
  editor.SaveEditorClick();
  EXPECT_EQ(readFile(file), "edited\r\nby hand\r\n");
}

TEST_F(Editor, SavingWithoutAFileAsksForANameFirst) {
  view.SetText(kEditorText, "typed");
  editor.SaveEditorClick();  // cancelled
  ASSERT_EQ(view.saveDialogs.size(), 1u);
  EXPECT_EQ(view.saveDialogs[0].filter.rfind("KORV Data|*.nT;*.pT;*.fl;*.flE;*.spl;", 0), 0u);
  EXPECT_EQ(editor.Path(), "");
  EXPECT_EQ(view.caption, "File Viewer");

  const std::string other = (dir / "typed.datH").string();
  view.saveReplies.push_back(other);
  editor.SaveEditorClick();
  EXPECT_EQ(readFile(other), "typed\r\n");
  EXPECT_EQ(editor.Path(), other);
  EXPECT_EQ(view.caption, other);
}

TEST_F(Editor, OpeningFromTheMainWindowForgetsTheFileSoSaveCannotOverwriteIt) {
  open();
  editor.ShowFromMain();
  EXPECT_EQ(view.Text(kEditorText), "");
  EXPECT_EQ(view.caption, "File Viewer");
  view.SetText(kEditorText, "new text");
  editor.SaveEditorClick();  // asks for a name; cancelled
  EXPECT_EQ(view.saveDialogs.size(), 1u);
  EXPECT_EQ(readFile(file), original);
}

TEST_F(Editor, AllClearKeepsTheFileOfTheViewer) {
  open();
  editor.AllClearEditorClick();
  EXPECT_EQ(view.Text(kEditorText), "");
  EXPECT_EQ(editor.Path(), file);
  editor.SaveEditorClick();
  EXPECT_EQ(readFile(file), "");
}

TEST_F(Editor, SaveAsMovesToTheNewFile) {
  open();
  const std::string copy = (dir / "copy.spl").string();
  view.saveReplies.push_back(copy);
  editor.SaveAsEditorClick();
  EXPECT_EQ(view.saveDialogs[0].fileName, file);
  EXPECT_EQ(readFile(copy), original);
  EXPECT_EQ(view.caption, copy);
  view.SetText(kEditorText, "x");
  editor.SaveEditorClick();
  EXPECT_EQ(readFile(copy), "x\r\n");
  EXPECT_EQ(readFile(file), original);
}

TEST_F(Editor, FailuresAreShownAndChangeNothing) {
  open();
  view.openReplies.push_back((dir / "missing.nT").string());
  editor.OpenEditorClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("missing.nT"), std::string::npos);
  EXPECT_EQ(editor.Path(), file);
  EXPECT_EQ(view.Text(kEditorText).substr(0, 5), "% Dat");

  view.saveReplies.push_back((dir / "no/folder/x.nT").string());
  editor.SaveAsEditorClick();
  ASSERT_EQ(view.errors.size(), 2u);
  EXPECT_EQ(editor.Path(), file);
  EXPECT_EQ(view.caption, file);
}

TEST_F(Editor, RefusesAFileTooLargeForTheTextArea) {
  const std::string big = (dir / "big.txt").string();
  {
    std::ofstream out(big, std::ios::binary);
    out.seekp(static_cast<std::streamoff>(kMaxTextFileSize) + 10);
    out << 'x';
  }
  view.openReplies.push_back(big);
  editor.OpenEditorClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("larger than 16 MB"), std::string::npos) << view.errors[0];
  EXPECT_EQ(editor.Path(), "");
}

TEST_F(Editor, PrintExitAndClipboard) {
  open();
  editor.PrintEditorClick();
  ASSERT_EQ(view.prints.size(), 1u);
  EXPECT_EQ(view.prints[0].first, file);
  EXPECT_EQ(view.prints[0].second, view.Text(kEditorText));
  editor.ClipboardClick(ClipboardAction::Copy);
  ASSERT_EQ(view.clipboard.size(), 1u);
  EXPECT_EQ(view.clipboard[0].first, "RichEditEditor");
  editor.ExitEditorClick();
  EXPECT_EQ(view.closeCount, 1);
}

// ---- Bytes kept --------------------------------------------------------------------------

namespace {

// Every printable byte of Windows-1252 and its undefined ones, in lines of 32.
std::string allHighBytes(const std::string& lineEnd) {
  std::string text = "% Name of measurement: M\xFCller \x80 \x96 \xA0|\x81\x8D\x8F\x90\x9D|" + lineEnd;
  for (int b = 0x20; b < 0x100; ++b) {
    if (b == 0x7f) continue;
    text += static_cast<char>(b);
    if (b % 32 == 31) text += lineEnd;
  }
  return text + "\tend" + lineEnd;
}

}  // namespace

// Opened and saved unchanged, every file comes back byte for byte: its encoding, its line
// ends and whether its last line has one.
TEST_F(Editor, UnchangedTextIsWrittenBackByteForByte) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string shown;  // the start of what the text area shows
  };
  const Case cases[] = {
      {"Windows-1252, CR LF", allHighBytes("\r\n"), "% Name of measurement: M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x93"},
      {"Windows-1252, LF", allHighBytes("\n"), "% Name of measurement: M\xC3\xBCller"},
      {"UTF-8", "% Name of measurement: M\xC3\xBCller\r\n% \xE2\x82\xAC 5\r\n",
       "% Name of measurement: M\xC3\xBCller\n% "},
      {"no line end after the last line", "a\r\nb", "a\nb"},
      {"CR CR LF (converted twice)", "% Semiconductor: Si\r\r\n% Conduction type: n-type\r\r\n",
       "% Semiconductor: Si\n% Conduction type: n-type"},
      {"CR only", "a\rb\r", "a\nb"},
      {"empty lines", "\r\n\r\nx\r\n\r\n", "\n\nx\n"},
      {"empty file", "", ""},
  };
  for (const auto& c : cases) {
    writeFile(file, c.bytes);
    open();
    EXPECT_EQ(view.Text(kEditorText).substr(0, c.shown.size()), c.shown) << c.what;
    EXPECT_EQ(view.Text(kEditorText).find("\xEF\xBF\xBD"), std::string::npos) << c.what;
    std::filesystem::remove(file);
    editor.SaveEditorClick();
    EXPECT_EQ(readFile(file), c.bytes) << c.what;
    EXPECT_TRUE(view.errors.empty()) << c.what;
  }
}

TEST_F(Editor, AnEditedWindows1252FileKeepsTheBytesOfWhatWasNotEdited) {
  const std::string bytes = allHighBytes("\r\n");
  writeFile(file, bytes);
  open();
  // Edit the first line only: "Müller" becomes "Gérard".
  std::string text = view.Text(kEditorText);
  const std::string from = "M\xC3\xBCller", to = "G\xC3\xA9rard";
  text.replace(text.find(from), from.size(), to);
  view.SetText(kEditorText, text);
  editor.SaveEditorClick();
  std::string expected = bytes;
  expected.replace(expected.find("M\xFCller"), 6, "G\xE9rard");
  EXPECT_EQ(readFile(file), expected);

  // A character Windows-1252 has no byte for: refused, the file stays as it was.
  view.SetText(kEditorText, text + "\n\xCE\xA9");
  editor.SaveEditorClick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0],
            "Cannot write file '" + file +
                "': the text holds '\xCE\xA9', which Windows-1252, the encoding of the file, cannot hold.");
  EXPECT_EQ(readFile(file), expected);

  // Opened afresh from the main window, a typed text is UTF-8 with CR LF.
  editor.ShowFromMain();
  view.SetText(kEditorText, "\xCE\xA9\nx");
  const std::string fresh = (dir / "fresh.datH").string();
  view.saveReplies.push_back(fresh);
  editor.SaveEditorClick();
  EXPECT_EQ(readFile(fresh), "\xCE\xA9\r\nx\r\n");
}
