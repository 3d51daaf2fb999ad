// The subcommands of korv-batch side by side: the same options behave alike in each, and
// the help lists what each accepts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/BatchRun.h"
#include "support/Files.h"

namespace fs = std::filesystem;
using korv::test::ReadBytes;

namespace {

class BatchCommands : public korv::test::BatchTest {
 protected:
  BatchCommands() : BatchTest("korv-commands-") {}
  std::string outdir() const { return " --outdir '" + (dir_ / "out").string() + "'"; }
  static std::string dataset(const std::string& name) {
    return "'" + std::string(KORV_TEST_DATA) + "/datasets/" + name + "'";
  }
};

// The help text of one command: from its usage line to the next command's.
std::string Section(const std::string& help, const std::string& command) {
  const std::size_t from = help.find("\n  korv-batch " + command + " ");
  if (from == std::string::npos) return "";
  const std::size_t to = help.find("\n  korv-batch ", from + 1);
  return help.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

TEST_F(BatchCommands, QuietPrintsNothingButTheFilesAreWritten) {
  const std::string f = dataset("01_si_n_P_lightcomp.nT");
  const struct {
    std::string args;
    const char* file;  // the window's own file
  } cases[] = {
      {"one-impurity " + f, "01_si_n_P_lightcomp.CNO"},
      {"donor-acceptor " + f + " --net-density 1e16", "01_si_n_P_lightcomp.CNC"},
      {"dhes " + f + " --peaks 1", "01_si_n_P_lightcomp.DHES"},
      {"excited-states " + f + " --after-h1", "01_si_n_P_lightcomp.exc"},
      {"curve-fit " + f, "01_si_n_P_lightcomp.cft"},
      {"curve-fit " + f + " --relative", "01_si_n_P_lightcomp.cft"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    fs::remove_all(dir_ / "out");
    Outcome r = run(c.args + outdir() + " --quiet");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::exists(dir_ / "out" / c.file));
    // Asked for both, a script gets its JSON.
    Outcome both = run(c.args + outdir() + " --quiet --json");
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(both.out.rfind("{", 0), 0u) << both.out;
  }
}

// A number option given a text is a mistyped command line: status 2 and one line, before
// any file is written, whether the option goes into the road or is typed into a window.
TEST_F(BatchCommands, ANumberOptionThatIsNoNumberIsBadUsage) {
  const std::string f = dataset("01_si_n_P_lightcomp.nT");
  const char* const lines[] = {
      "one-impurity --smoothness",
      "dhes --mass",
      "excited-states --smoothness",
      "curve-fit --minima",
      "donor-acceptor --net-density",
      "curve-fit --compensating-density",
      "excited-states --dielectric-constant",
      "analyze --mass",
  };
  for (const std::string line : lines) {
    const std::string command = line.substr(0, line.find(' ')), option = line.substr(line.find(' ') + 1);
    SCOPED_TRACE(line);
    Outcome r = run(command + " " + f + " " + option + " 1e16x" + outdir());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("option " + option + ": '1e16x' is not a number"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "out"));
  }
}

TEST_F(BatchCommands, HelpListsEveryCommandAndTheOptionsEachAccepts) {
  const std::string help = run("--help").out;
  const struct {
    const char* command;
    std::vector<const char*> options;
  } cases[] = {
      {"analyze", {"--table", "--outdir", "--smoothness", "--json", "--quiet"}},
      {"convert", {"--t-column", "--n-column", "-o ", "--unit", "--run", "--quiet"}},
      {"one-impurity", {"--low-index", "--high-index", "--outdir", "--smoothness", "--json", "--quiet"}},
      {"donor-acceptor", {"--net-density", "--low-index", "--high-index"}},
      {"dhes", {"--peaks", "--presses", "--outdir", "--json", "--quiet", "--smoothness", "--mass", "--minima"}},
      {"excited-states",
       {"--dielectric-constant", "--after-h1", "--outdir", "--json", "--quiet", "--smoothness", "--mass", "--minima"}},
      {"curve-fit",
       {"--low-index", "--high-index", "--compensating-density", "--relative", "--merge-unresolved", "--outdir",
        "--json", "--quiet", "--smoothness", "--mass", "--minima"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    std::string section = Section(help, c.command);
    // The two conventional commands share one list of options.
    if (std::string(c.command) == "one-impurity") section += Section(help, "donor-acceptor");
    ASSERT_FALSE(section.empty());
    for (const char* o : c.options) EXPECT_NE(section.find(o), std::string::npos) << o;
  }
  // Every option the help names for a command is accepted by it: a typo in either shows here.
  for (const auto& c : cases)
    for (const char* o : c.options) {
      const std::string option = std::string(o).substr(0, std::string(o).find(' '));
      Outcome r = run(std::string(c.command) + " " + option);
      EXPECT_EQ(r.err.find("unknown option"), std::string::npos) << c.command << " " << option << ": " << r.err;
    }
}

// The summaries read alike: the files in one column after their kind, and counts in the
// singular where there is one.
TEST_F(BatchCommands, SummariesListFilesInOneColumnAndCountInTheSingular) {
  const std::string f = dataset("01_si_n_P_lightcomp.nT");
  const std::string commands[] = {
      "analyze " + f,
      "one-impurity " + f,
      "donor-acceptor " + f + " --net-density 1e16",
      "dhes " + f + " --peaks 1",
      "excited-states " + f + " --after-h1",
      "curve-fit " + f,
      "curve-fit " + dataset("17_gan_p_Mg_excited_states.pT") + " --relative --merge-unresolved",
  };
  const std::string folder = (dir_ / "out").string();
  for (const auto& c : commands) {
    SCOPED_TRACE(c);
    Outcome r = run(c + outdir());
    EXPECT_EQ(r.status, 0) << r.err;
    const std::size_t list = r.out.find("Files written:\n");
    ASSERT_NE(list, std::string::npos) << r.out;
    std::istringstream lines(r.out.substr(list + 15));
    std::string line;
    int files = 0;
    while (std::getline(lines, line) && line.rfind("  ", 0) == 0) {
      EXPECT_EQ(line.find(folder), 7u) << line;
      ++files;
    }
    EXPECT_GT(files, 0);
    for (const char* plural : {" 1 iterations", " 1 merges", " 1 accepted steps", " 1 points"})
      EXPECT_EQ(r.out.find(plural), std::string::npos) << r.out;
  }
}

// --smoothness, --mass and --minima reach the main window's road in every command that walks
// it: the Fermi-level file says what was used.
TEST_F(BatchCommands, RoadOptionsReachTheRoadOfEveryCommand) {
  const std::string f = dataset("01_si_n_P_lightcomp.nT");
  const std::string commands[] = {
      "analyze " + f, "one-impurity " + f,   "donor-acceptor " + f + " --net-density 1e16",
      "dhes " + f,    "excited-states " + f, "curve-fit " + f,
  };
  for (const auto& c : commands) {
    SCOPED_TRACE(c);
    fs::remove_all(dir_ / "out");
    Outcome r = run(c + " --smoothness 2000 --mass 0.5 --minima 4 --quiet" + outdir());
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string fl = ReadBytes(dir_ / "out" / "01_si_n_P_lightcomp.fl");
    for (const char* line : {"% Smoothness: 2000\r\n", "% Effective mass: 0.5\r\n", "% Equivalent minima: 4\r\n"})
      EXPECT_NE(fl.find(line), std::string::npos) << line;
  }
}

}  // namespace
