// korv-batch run as a user runs it, for the end-to-end tests of its commands: a fresh
// folder per test, standard output and error caught in files there, and the exit status.
// Needs KORV_BATCH_EXE, the path of the program (set for the batch tests only).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "Files.h"

namespace korv::test {

struct BatchOutcome {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out, err;
};

// Runs korv-batch with `args` (shell words, quoted by the caller) and no input; its output
// goes through stdout.txt and stderr.txt in `folder`.
inline BatchOutcome RunBatch(const std::string& args, const std::filesystem::path& folder) {
  const std::filesystem::path out = folder / "stdout.txt", err = folder / "stderr.txt";
  const std::string cmd =
      std::string("'") + KORV_BATCH_EXE + "' " + args + " >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
  const int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadBytes(out.string()), ReadBytes(err.string())};
}

// A fixture whose tests run korv-batch: `dir_` is a fresh folder for each test, named by
// `prefix`, the process and the test.
class BatchTest : public ::testing::Test {
 protected:
  using Outcome = BatchOutcome;

  explicit BatchTest(std::string prefix) : prefix_(std::move(prefix)) {}
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / (prefix_ + std::to_string(::getpid()) + "-" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  Outcome run(const std::string& args) { return RunBatch(args, dir_); }
  // Writes `text` byte for byte to the file `name` in the folder and returns its path.
  std::string put(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }
  static std::string dataset(const std::string& name) { return std::string(KORV_TEST_DATA) + "/datasets/" + name; }

  std::filesystem::path dir_;

 private:
  std::string prefix_;
};

}  // namespace korv::test
