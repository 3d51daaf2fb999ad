// Files of the tests: a fresh folder for what one test writes, the readers of written
// files, and the paths and parameters of the measurements under tests/data.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korv::test {

class TempFolder {
 public:
  // `tag` names the test area in the folder's name, next to the test, the process and
  // a counter, so that parallel runs and several folders of one test never meet.
  explicit TempFolder(const std::string& tag = "test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string operator/(const std::string& name) const { return File(name); }
  // Writes `text` byte for byte to the file `name` in the folder and returns its path.
  std::string Write(const std::string& name, const std::string& text) const;

 private:
  std::filesystem::path path_;
};

// The bytes of a file (empty when it cannot be read).
std::string ReadBytes(const std::string& path);

// The lines of a file written with CR LF; a line end without its CR fails the test.
std::vector<std::string> ReadCrLfLines(const std::string& path);

// The path of a file under tests/data.
inline std::string DataPath(const std::string& relative) { return std::string(KORV_TEST_DATA) + "/" + relative; }

// The n-th (from 0) number after "key": in a JSON file under tests/data: enough for the
// flat fields and the list of flat level objects of the datasets' parameter files.
double JsonNumber(const std::string& relativePath, const std::string& key, int nth = 0);

}  // namespace korv::test
