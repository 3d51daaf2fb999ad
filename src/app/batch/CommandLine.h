// korv-batch's command line run in-process: the program's main and the Python module both
// drive a command through here, so they give the same output from the same code.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/batch/AnalyzeCommand.h"

class Analysis;

namespace korv::batch {

struct CommandHooks {
  // Called for each analysed file after its road, with its report and the record that
  // holds every stage (not for an input that could not be read).
  std::function<void(const AnalyzeReport& report, Analysis& record)> analyzed;
};

// Runs one command line (the arguments after the program's name): what korv-batch
// prints goes to `out` and `err`; returns its exit status.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const CommandHooks& hooks = {});

}  // namespace korv::batch
