// korv-batch: KORV's analyses from the command line.
#include <algorithm>
#include <clocale>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/batch/AnalyzeCommand.h"
#include "app/batch/ConvertCommand.h"
#include "app/batch/CurveFitCommand.h"
#include "app/batch/DhesCommand.h"
#include "app/batch/ExcitedStatesCommand.h"
#include "app/batch/Options.h"
#include "core/Error.h"

using namespace korv::batch;

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  std::vector<std::string> args(argv + 1, argv + argc);
  // Every command answers --help with its own part of the usage.
  if (args.size() >= 2 && args[0].rfind("-", 0) != 0 &&
      std::any_of(args.begin() + 1, args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; })) {
    std::cout << UsageText(args[0]);
    return 0;
  }
  if (!args.empty() && args[0] == "dhes") return RunDhesCommand({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "curve-fit")
    return RunCurveFitCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
  if (!args.empty() && args[0] == "excited-states")
    return ExcitedStatesCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
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
        // Every file in turn with the same options; one that fails does not stop the rest.
        const AnalyzeOptions& o = command.analyze;
        const bool series = o.inputs.size() > 1;
        std::vector<AnalyzeReport> reports;
        std::vector<std::string> json;
        int worst = 0;
        for (const std::string& input : o.inputs) {
          AnalyzeOptions one = o;
          one.input = input;
          AnalyzeReport report = RunAnalyze(one);
          worst = std::max(worst, report.exitStatus);
          if (report.exitStatus != 2) {
            if (o.json)
              json.push_back(JsonText(report));
            else if (!o.quiet)
              std::cout << (reports.empty() ? "" : "\n") << SummaryText(report);
          }
          if (report.exitStatus != 0)
            std::cerr << "korv-batch: " << (series && report.exitStatus == 1 ? input + ": " : "") << report.failure
                      << "\n";
          reports.push_back(std::move(report));
        }
        if (o.json && !series) {
          if (!json.empty()) std::cout << json.front();
        } else if (o.json) {
          std::cout << "[\n";
          for (std::size_t i = 0; i < json.size(); ++i) {
            std::string text = json[i];
            while (!text.empty() && text.back() == '\n') text.pop_back();
            std::cout << text << (i + 1 < json.size() ? ",\n" : "\n");
          }
          std::cout << "]\n";
        }
        if (!o.table.empty()) {
          try {
            WriteTable(o.table, reports, o.fullPrecision);
            if (!o.quiet && !o.json)
              std::cout << "\nTable written: " << o.table << " (" << reports.size() << " rows)\n";
          } catch (const korv::Error& e) {
            std::cerr << "korv-batch: " << e.what() << "\n";
            worst = 2;
          }
        }
        return worst;
      }
      case Command::Kind::Conventional:
        return RunConventionalCommand(command.conventional);
      case Command::Kind::Convert: {
        ConvertReport report = RunConvert(command.convert);
        if (!report.report.empty() && !command.convert.quiet) std::cout << report.report;
        if (report.exitStatus != 0) {
          std::cerr << "korv-batch: " << report.failure << "\n";
          return report.exitStatus;
        }
        if (!command.convert.quiet)
          std::cout << "Wrote " << report.output << " (" << report.points
                    << (report.points == 1 ? " point)\n" : " points)\n");
        return 0;
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "korv-batch: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
