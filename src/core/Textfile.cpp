#include "core/Textfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/Error.h"

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

void WriteFileAtomically(const std::string& path, std::string_view text) {
  namespace fs = std::filesystem;
  auto fail = [&](const std::string& reason) { throw Error("Cannot write file '" + path + "': " + reason); };
  if (path.empty()) fail("no file name");
  std::error_code ec;
  if (fs::is_directory(fs::path(path), ec)) fail("it is a folder");
  fs::path target(path);
  fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string tmpl = (dir / (".korv-" + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) fail(std::strerror(errno));
  std::string tmp(name.data());
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      fail(std::strerror(err));
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 && errno != EINVAL) {
    int err = errno;
    ::close(fd);
    ::unlink(tmp.c_str());
    fail(std::strerror(err));
  }
  ::close(fd);
  // Keep the permissions an ordinary new file would get.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(tmp.c_str(), 0666 & ~mask);
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    fail(std::strerror(err));
  }
}

TextFileReader::TextFileReader(const std::string& path) {
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
  if (pos_ >= text_.size()) return false;
  std::size_t end = text_.find('\n', pos_);
  if (end == std::string::npos) end = text_.size();
  std::size_t len = end - pos_;
  if (len > 0 && text_[pos_ + len - 1] == '\r') --len;
  line.assign(text_, pos_, std::min(len, kMaxLineLength));
  pos_ = end + 1;
  return true;
}

std::string TextFileReader::NextLine() {
  std::string line;
  ReadLine(line);
  return line;
}

std::string TextFileReader::NextValue(std::size_t labelLength) {
  std::string line = NextLine();
  return line.size() <= labelLength ? std::string() : line.substr(labelLength);
}

bool TextFileReader::ReadToken(std::string& token) {
  token.clear();
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
  while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
  if (pos_ >= text_.size()) return false;
  std::size_t start = pos_;
  while (pos_ < text_.size() && !isSpace(text_[pos_])) ++pos_;
  token.assign(text_, start, std::min<std::size_t>(pos_ - start, 4096));
  return true;
}

std::string Printable(std::string_view text) {
  std::string out;
  for (unsigned char c : text.substr(0, std::min<std::size_t>(text.size(), 80))) out += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
  if (text.size() > 80) out += "...";
  return out;
}

}  // namespace korv
