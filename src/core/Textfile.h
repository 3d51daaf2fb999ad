// Text files as the program writes and reads them: CR LF line ends on writing,
// LF or CR LF on reading; writes are atomic (temporary file, then rename) and
// report failure; reads never trust the file for sizes.
#pragma once

#include <cstddef>
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
  // renamed over the target. Throws korv::Error naming the file and the reason.
  void Commit(const std::string& path) const;

 private:
  std::vector<std::string> lines_;
};

// Writes `text` to `path` atomically, as TextFileWriter::Commit does.
void WriteFileAtomically(const std::string& path, std::string_view text);

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
  bool ReadLine(std::string& line);
  // Next line, empty at the end of the file.
  std::string NextLine();
  // Next line with its first `labelLength` characters removed (empty when shorter).
  std::string NextValue(std::size_t labelLength);
  // Next white-space separated token across line ends. False at the end.
  bool ReadToken(std::string& token);
  bool AtEnd() const { return pos_ >= text_.size(); }

 private:
  TextFileReader() = default;
  std::string text_;
  std::size_t pos_ = 0;
};

// A text fit for a message: control characters shown as '?', at most 80 characters.
std::string Printable(std::string_view text);

}  // namespace korv
