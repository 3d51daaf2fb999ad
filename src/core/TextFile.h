// Text files as the program writes and reads them: CR LF line ends on writing,
// LF or CR LF on reading; writes are atomic (temporary file, then rename) and
// report failure; reads never trust the file for sizes, and their errors name the
// line, what was expected there and what was found.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace korv {

class TextFileWriter {
 public:
  // Appends one line; the CR LF is added on writing.
  void Line(std::string_view text);
  // Appends to the current (last) line.
  TextFileWriter& operator<<(std::string_view text);
  const std::vector<std::string>& Lines() const { return lines_; }
  // The whole text with CR LF after every line.
  std::string Text() const;
  // Writes the lines to `path` through a temporary file in the same folder that is then
  // renamed over the target (see WriteFileAtomically). Throws korv::Error naming the
  // file and the reason.
  void Commit(const std::string& path) const;

 private:
  std::vector<std::string> lines_;
};

// Writes `text` to `path` atomically: a temporary file in the target's folder, renamed
// over it. An existing file that may not be written is refused as a plain write would
// refuse it ("Permission denied"); a symbolic link is followed, so the file it points to
// gets the text and the link stays; the file keeps its permission bits.
void WriteFileAtomically(const std::string& path, std::string_view text);

// The question the writer asks before it replaces an existing file: 0 when it may be
// written, else the errno value a plain write would fail with. Root may write any
// file, so tests that run as root install their own check; nullptr restores the real
// one. Returns the check that was installed before.
using WriteAccessCheck = int (*)(const std::string& path);
WriteAccessCheck SetWriteAccessCheck(WriteAccessCheck check);

class TextFileReader {
 public:
  // Longest line kept; the rest of a longer line is dropped.
  static constexpr std::size_t kMaxLineLength = 499;
  // Largest file read at all.
  static constexpr std::size_t kMaxFileSize = 64u << 20;

  // Reads the whole file. Throws korv::Error when it cannot be opened or is too large.
  explicit TextFileReader(const std::string& path);
  // Reads from text already in memory (tests, pasted text).
  static TextFileReader FromText(std::string text);

  // Next line without its line end (at most kMaxLineLength characters). False at the end.
  // Every carriage return before the line feed goes with the line end, so a file whose
  // CR LF was converted twice (CR CR LF) reads like any other.
  bool ReadLine(std::string& line);
  // Next line, empty at the end of the file.
  std::string NextLine();
  // Next line with its first `labelLength` characters removed (empty when shorter) and
  // its trailing blanks and tabs dropped.
  std::string NextValue(std::size_t labelLength);
  // Next white-space separated token across line ends. False at the end.
  bool ReadToken(std::string& token);
  // Next token as a number. False at the end of the file; a token that is not a number
  // throws korv::Error naming its line and `what` (e.g. "the temperature of point 3").
  bool ReadNumber(double& value, std::string_view what);
  // Tokens left after the current position.
  std::size_t CountTokensLeft() const;
  bool AtEnd() const { return pos_ >= text_.size(); }

  // The line the last ReadLine, NextLine, NextValue or token came from (1 = first line;
  // 0 before any read) and that line's text as read; whether that read found the end.
  std::size_t LineNumber() const { return line_; }
  std::string CurrentLine() const;
  bool PastEnd() const { return pastEnd_; }
  const std::string& Path() const { return path_; }

  // Throws korv::Error: `message`, then where: "In line 12 of 'f.nT': expected
  // <expected>, found '<the line>'." (or "found the end of the file").
  [[noreturn]] void Fail(const std::string& message, const std::string& expected) const;
  // The same with the found text given (a token rather than the whole line).
  [[noreturn]] void Fail(const std::string& message, const std::string& expected, const std::string& found) const;

 private:
  TextFileReader() = default;
  std::string text_;
  std::string path_;
  std::size_t pos_ = 0;
  std::size_t line_ = 0;      // line number of the last read
  std::size_t nextLine_ = 1;  // line number at pos_
  static constexpr std::size_t npos = std::string::npos;
  std::size_t lineStart_ = 0;         // where the line at pos_ begins
  std::size_t lastLineStart_ = npos;  // where the last token's line begins (npos: a whole line was read)
  std::string current_;               // the last line read whole
  bool pastEnd_ = false;
};

// Reads `count` (not negative) points of the named columns by formatted extraction (line
// breaks do not matter) and returns them row after row. The count is not trusted for an
// allocation: the result grows with what the file holds. A token that is not a number or
// a file that ends early throws korv::Error ("The file ends after 59 of 60 points.")
// naming the line and the value expected there.
std::vector<double> ReadPoints(TextFileReader& r, int count, std::initializer_list<const char*> columns);

// What the file holds after the points read: "" when nothing, else a note that says how
// many points (and loose values) were not read, for the count line `countLine` (the
// label and count as the file gives them).
std::string UnreadPointsNote(const TextFileReader& r, std::size_t columns, const std::string& countLine);

// A text fit for a message: control characters shown as '?', at most 80 characters.
std::string Printable(std::string_view text);

}  // namespace korv
