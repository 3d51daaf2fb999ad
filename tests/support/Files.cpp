#include "Files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/Numbers.h"

namespace korv::test {

namespace {
std::atomic<int> folderCount{0};
}

TempFolder::TempFolder(const std::string& tag) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string test = info ? std::string(info->test_suite_name()) + "." + info->name() : "x";
  for (char& c : test)
    if (c == '/') c = '_';
  path_ = std::filesystem::temp_directory_path() /
          ("korv-" + tag + "-" + test + "-" + std::to_string(::getpid()) + "-" + std::to_string(folderCount++));
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::Write(const std::string& name, const std::string& text) const {
  std::ofstream(File(name), std::ios::binary) << text;
  return File(name);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ReadCrLfLines(const std::string& path) {
  const std::string text = ReadBytes(path);
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "text after the last CR LF in " << path;
      break;
    }
    std::string line = text.substr(pos, end - pos);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "bare LF in " << path;
    lines.push_back(line);
    pos = end + 2;
  }
  return lines;
}

double JsonNumber(const std::string& relativePath, const std::string& key, int nth) {
  const std::string s = ReadBytes(DataPath(relativePath));
  std::size_t at = 0;
  for (int i = 0; i <= nth; ++i) {
    at = s.find("\"" + key + "\"", i == 0 ? 0 : at + 1);
    if (at == std::string::npos) throw std::runtime_error("no key " + key + " in " + relativePath);
  }
  std::size_t from = s.find(':', at) + 1;
  while (from < s.size() && s[from] == ' ') ++from;
  std::size_t to = from;
  while (to < s.size() && std::string("0123456789+-.eE").find(s[to]) != std::string::npos) ++to;
  return korv::ParseReal(s.substr(from, to - from));
}

}  // namespace korv::test
