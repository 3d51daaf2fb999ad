#include "core/TextFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/Error.h"
#include "core/Numbers.h"
#include "core/TextEncoding.h"

namespace korv {

void TextFileWriter::Line(std::string_view text) { lines_.emplace_back(text); }

TextFileWriter& TextFileWriter::operator<<(std::string_view text) {
  if (lines_.empty()) lines_.emplace_back();
  lines_.back() += text;
  return *this;
}

std::string TextFileWriter::Text() const {
  std::string out;
  for (const auto& l : lines_) {
    out += l;
    out += "\r\n";
  }
  return out;
}

void TextFileWriter::Commit(const std::string& path) const { WriteFileAtomically(path, Text()); }

namespace {

int realWriteAccess(const std::string& path) { return ::access(path.c_str(), W_OK) == 0 ? 0 : errno; }

WriteAccessCheck writeAccess = realWriteAccess;

// The file a path names in the end: symbolic links followed, each relative one from the
// folder of its link. The path itself when it is no link or does not exist.
std::filesystem::path finalTarget(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  fs::path p = path;
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
    fs::path to = fs::read_symlink(p, ec);
    if (ec) break;
    p = to.is_absolute() ? to : p.parent_path() / to;
  }
  return p;
}

}  // namespace

WriteAccessCheck SetWriteAccessCheck(WriteAccessCheck check) {
  WriteAccessCheck before = writeAccess;
  writeAccess = check ? check : realWriteAccess;
  return before;
}

void WriteFileAtomically(const std::string& path, std::string_view text) {
  namespace fs = std::filesystem;
  auto fail = [&](const std::string& reason) { throw Error("Cannot write file '" + path + "': " + reason); };
  if (path.empty()) fail("no file name");
  std::error_code ec;
  if (fs::is_directory(fs::path(path), ec)) fail("it is a folder");
  // A link stays a link: the text goes to the file it points to.
  const fs::path target = finalTarget(fs::path(path));
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists) {
    if (!S_ISREG(existing.st_mode)) fail("it is not an ordinary file");
    // The rename would replace a file that a plain write may not change.
    if (int err = writeAccess(target.string())) fail(std::strerror(err));
  }
  fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string tmpl = (dir / (".korv-" + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) fail(std::strerror(errno));
  std::string tmp(name.data());
  auto abandon = [&](int err) {
    ::close(fd);
    ::unlink(tmp.c_str());
    fail(std::strerror(err));
  };
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      abandon(errno);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 && errno != EINVAL) abandon(errno);
  if (exists) {
    // The file keeps its permission bits, and its owner where the user may give it.
    if (::fchmod(fd, existing.st_mode & 07777) != 0) abandon(errno);
    [[maybe_unused]] int owner = ::fchown(fd, existing.st_uid, existing.st_gid);
  } else {
    // The permissions an ordinary new file would get.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  ::close(fd);
  if (std::rename(tmp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    fail(std::strerror(err));
  }
}

TextFileReader::TextFileReader(const std::string& path) : path_(path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_directory(fs::path(path), ec)) throw Error("Cannot open file '" + path + "': it is a folder");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("Cannot open file '" + path + "': " + std::strerror(errno));
  char buf[65536];
  while (in) {
    in.read(buf, sizeof buf);
    text_.append(buf, static_cast<std::size_t>(in.gcount()));
    if (text_.size() > kMaxFileSize) throw Error("Cannot read file '" + path + "': it is larger than 64 MiB");
  }
  if (in.bad()) throw Error("Cannot read file '" + path + "'");
}

TextFileReader TextFileReader::FromText(std::string text) {
  TextFileReader r;
  r.text_ = std::move(text);
  return r;
}

bool TextFileReader::ReadLine(std::string& line) {
  line.clear();
  if (pos_ >= text_.size()) {
    // Past the end a reader by position still counts the lines it wanted.
    line_ = nextLine_++;
    current_.clear();
    pastEnd_ = true;
    return false;
  }
  std::size_t end = text_.find('\n', pos_);
  if (end == std::string::npos) end = text_.size();
  std::size_t len = end - pos_;
  while (len > 0 && text_[pos_ + len - 1] == '\r') --len;
  line.assign(text_, pos_, std::min(len, kMaxLineLength));
  pos_ = end + 1;
  lineStart_ = pos_;
  line_ = nextLine_++;
  lastLineStart_ = npos;
  current_ = line;
  pastEnd_ = false;
  return true;
}

std::string TextFileReader::NextLine() {
  std::string line;
  ReadLine(line);
  return line;
}

std::string TextFileReader::NextValue(std::size_t labelLength) {
  std::string line = NextLine();
  if (line.size() <= labelLength) return std::string();
  std::size_t end = line.size();
  while (end > labelLength && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
  return line.substr(labelLength, end - labelLength);
}

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
}  // namespace

bool TextFileReader::ReadToken(std::string& token) {
  token.clear();
  while (pos_ < text_.size() && isSpace(text_[pos_])) {
    if (text_[pos_] == '\n') {
      ++nextLine_;
      lineStart_ = pos_ + 1;
    }
    ++pos_;
  }
  if (pos_ >= text_.size()) {
    line_ = nextLine_;
    lastLineStart_ = npos;
    current_.clear();
    pastEnd_ = true;
    return false;
  }
  std::size_t start = pos_;
  while (pos_ < text_.size() && !isSpace(text_[pos_])) ++pos_;
  token.assign(text_, start, std::min<std::size_t>(pos_ - start, 4096));
  // The line the token stands in is cut out only when a message asks for it.
  line_ = nextLine_;
  lastLineStart_ = lineStart_;
  pastEnd_ = false;
  return true;
}

std::string TextFileReader::CurrentLine() const {
  if (lastLineStart_ == npos) return current_;
  // At most the longest line kept, without its line end.
  std::size_t end = lastLineStart_;
  const std::size_t limit = std::min(text_.size(), lastLineStart_ + kMaxLineLength);
  while (end < limit && text_[end] != '\n') ++end;
  std::size_t len = end - lastLineStart_;
  while (len > 0 && text_[lastLineStart_ + len - 1] == '\r') --len;
  return text_.substr(lastLineStart_, len);
}

bool TextFileReader::ReadNumber(double& value, std::string_view what) {
  std::string token;
  if (!ReadToken(token)) return false;
  if (!TryParseReal(token, value))
    Fail("'" + Printable(token) + "' is not a valid floating point value", std::string(what) + " (a number)");
  return true;
}

std::size_t TextFileReader::CountTokensLeft() const {
  std::size_t count = 0;
  for (std::size_t i = pos_; i < text_.size();) {
    while (i < text_.size() && isSpace(text_[i])) ++i;
    if (i >= text_.size()) break;
    ++count;
    while (i < text_.size() && !isSpace(text_[i])) ++i;
  }
  return count;
}

void TextFileReader::Fail(const std::string& message, const std::string& expected) const {
  Fail(message, expected, CurrentLine());
}

void TextFileReader::Fail(const std::string& message, const std::string& expected, const std::string& found) const {
  const std::string file = path_.empty() ? std::string() : " of '" + path_ + "'";
  std::string where;
  if (pastEnd_) {
    std::size_t last = static_cast<std::size_t>(std::count(text_.begin(), text_.end(), '\n'));
    if (!text_.empty() && text_.back() != '\n') ++last;
    where = "In line " + std::to_string(line_) + file + ": expected " + expected + ", found the end of the file";
    if (last == 0)
      where += " (the file is empty)";
    else if (last < line_)
      where += " (it ends after line " + std::to_string(last) + ")";
    where += '.';
  } else {
    where =
        "In line " + std::to_string(line_) + file + ": expected " + expected + ", found '" + Printable(found) + "'.";
  }
  throw Error(message + (message.empty() || message.back() == '.' ? " " : ". ") + where);
}

std::vector<double> ReadPoints(TextFileReader& r, int count, std::initializer_list<const char*> columns) {
  std::vector<double> values;
  for (int j = 0; j < count; ++j) {
    for (const char* column : columns) {
      const std::string what = std::string("the ") + column + " of point " + std::to_string(j + 1);
      double v = 0;
      if (!r.ReadNumber(v, what))
        r.Fail("The file ends after " + std::to_string(j) + " of " + std::to_string(count) + " points.", what);
      values.push_back(v);
    }
  }
  return values;
}

std::string UnreadPointsNote(const TextFileReader& r, std::size_t columns, const std::string& countLine) {
  const std::size_t left = r.CountTokensLeft();
  if (left == 0 || columns == 0) return {};
  const std::size_t points = left / columns, loose = left % columns;
  std::string what;
  if (points > 0) what = std::to_string(points) + (points == 1 ? " point" : " points");
  if (loose > 0) what += (what.empty() ? "" : " and ") + std::to_string(loose) + (loose == 1 ? " value" : " values");
  std::string file = r.Path().empty() ? "The file" : "The file '" + r.Path() + "'";
  return file + " holds more than '" + Printable(countLine) + "' announces: " + what + " after line " +
         std::to_string(r.LineNumber()) + " were not read.";
}

std::string Printable(std::string_view text) {
  // Shown as a window shows it: Windows-1252 bytes as their characters, cut at a
  // character, never inside one.
  const std::string shown = DisplayText(text);
  const std::string_view head = FirstCharacters(shown, 80);
  std::string out;
  for (unsigned char c : head) out += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
  if (head.size() < shown.size()) out += "...";
  return out;
}

}  // namespace korv
