// One golden run of korv-batch: a p-type measurement analysed in its own folder, every
// file it writes compared line by line with the copy kept in tests/data/golden/batch.
// Header lines must match byte for byte, the numbers of point lines to the printed
// digits. KORV_UPDATE_GOLDEN=1 rewrites the kept copies.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const char* kStem = "02_si_p_B_comp20";

std::vector<std::string> crlfLines(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  const std::string text = s.str();
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

bool samePoints(const std::string& a, const std::string& e) {
  if (a == e) return true;
  std::istringstream ia(a), ie(e);
  double x, y;
  int n = 0;
  while (ie >> y) {
    if (!(ia >> x)) return false;
    if (std::fabs(x - y) > 2e-5 * std::max(std::fabs(x), std::fabs(y))) return false;
    ++n;
  }
  std::string rest;
  return n > 0 && !(ia >> rest);
}

}  // namespace

TEST(BatchGolden, EveryWrittenFileMatchesTheKeptCopy) {
  const fs::path dir = fs::temp_directory_path() / ("korv-batch-golden-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string input = std::string(kStem) + ".pT";
  fs::copy_file(fs::path(KORV_TEST_DATA) / "datasets" / input, dir / input);
  // Run in the folder with a plain file name, so that the headers name no scratch folder.
  const std::string cmd = "cd '" + dir.string() + "' && '" + KORV_BATCH_EXE + "' analyze " + input + " --quiet";
  const int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << cmd;

  const fs::path golden = fs::path(KORV_TEST_DATA) / "golden" / "batch";
  const char* extensions[] = {".spl", ".fl", ".H1", ".H2", ".simH", ".datH"};
  for (const char* ext : extensions) {
    const std::string name = std::string(kStem) + ext;
    SCOPED_TRACE(name);
    if (std::getenv("KORV_UPDATE_GOLDEN")) {
      fs::create_directories(golden);
      if (fs::exists(dir / name)) fs::copy_file(dir / name, golden / name, fs::copy_options::overwrite_existing);
    }
    ASSERT_TRUE(fs::exists(golden / name)) << "no kept copy";
    ASSERT_TRUE(fs::exists(dir / name)) << "not written";
    const auto actual = crlfLines(dir / name), expected = crlfLines(golden / name);
    ASSERT_EQ(actual.size(), expected.size());
    int mismatches = 0;
    for (std::size_t i = 0; i < actual.size() && mismatches < 8; ++i) {
      const bool header = expected[i].empty() || expected[i][0] == '%' || std::string(ext) == ".datH";
      if (header ? actual[i] != expected[i] : !samePoints(actual[i], expected[i])) {
        ++mismatches;
        ADD_FAILURE() << "line " << i + 1 << "\n  written: [" << actual[i] << "]\n  kept:    [" << expected[i] << "]";
      }
    }
  }
  fs::remove_all(dir);
}
