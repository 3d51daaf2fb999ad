// korv-batch: KORV's analyses from the command line.
#include <clocale>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "batch/Analyze.h"
#include "batch/Convert.h"
#include "batch/Curvefit.h"
#include "batch/Dhes.h"
#include "batch/Options.h"

using namespace korv::batch;

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "curve-fit")
    return RunCurveFitCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
  if (!args.empty() && args[0] == "dhes") return RunDhesCommand({args.begin() + 1, args.end()});
  Command command;
  try {
    command = ParseCommandLine(args);
  } catch (const UsageError& e) {
    std::cerr << "korv-batch: " << e.what() << "\n";
    return 2;
  }
  try {
    switch (command.kind) {
      case Command::Kind::Help:
        std::cout << UsageText();
        return 0;
      case Command::Kind::Version:
        std::cout << "korv-batch (KORV Ver. 1.51)\n";
        return 0;
      case Command::Kind::Analyze: {
        AnalyzeReport report = RunAnalyze(command.analyze);
        if (report.exitStatus == 2) {
          std::cerr << "korv-batch: " << report.failure << "\n";
          return 2;
        }
        if (command.analyze.json)
          std::cout << JsonText(report);
        else if (!command.analyze.quiet)
          std::cout << SummaryText(report);
        if (report.exitStatus != 0) std::cerr << "korv-batch: " << report.failure << "\n";
        return report.exitStatus;
      }
      case Command::Kind::Convert: {
        ConvertReport report = RunConvert(command.convert);
        if (!report.notes.empty() && !command.convert.quiet) std::cerr << report.notes;
        if (report.exitStatus != 0) {
          std::cerr << "korv-batch: " << report.failure << "\n";
          return report.exitStatus;
        }
        if (!command.convert.quiet) std::cout << "Wrote " << report.output << " (" << report.points << " points)\n";
        return 0;
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "korv-batch: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
