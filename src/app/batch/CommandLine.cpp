#include "app/batch/CommandLine.h"

#include <algorithm>
#include <exception>
#include <ostream>

#include "app/batch/ConvertCommand.h"
#include "app/batch/CurveFitCommand.h"
#include "app/batch/DhesCommand.h"
#include "app/batch/ExcitedStatesCommand.h"
#include "app/batch/Options.h"
#include "core/Analysis.h"
#include "core/Error.h"
#include "core/Version.h"

namespace korv::batch {
namespace {

// Every file in turn with the same options; one that fails does not stop the rest.
int analyzeCommand(const AnalyzeOptions& o, std::ostream& out, std::ostream& err, const CommandHooks& hooks) {
  const bool series = o.inputs.size() > 1;
  std::vector<AnalyzeReport> reports;
  std::vector<std::string> json;
  int worst = 0;
  for (const std::string& input : o.inputs) {
    AnalyzeOptions one = o;
    one.input = input;
    Analysis record;
    AnalyzeReport report = RunAnalyze(one, record);
    if (hooks.analyzed && report.exitStatus != 2) hooks.analyzed(report, record);
    worst = std::max(worst, report.exitStatus);
    if (report.exitStatus != 2) {
      if (o.json)
        json.push_back(JsonText(report));
      else if (!o.quiet)
        out << (reports.empty() ? "" : "\n") << SummaryText(report);
    }
    if (report.exitStatus != 0)
      err << "korv-batch: " << (series && report.exitStatus == 1 ? input + ": " : "") << report.failure << "\n";
    reports.push_back(std::move(report));
  }
  if (o.json && !series) {
    if (!json.empty()) out << json.front();
  } else if (o.json) {
    out << "[\n";
    for (std::size_t i = 0; i < json.size(); ++i) {
      std::string text = json[i];
      while (!text.empty() && text.back() == '\n') text.pop_back();
      out << text << (i + 1 < json.size() ? ",\n" : "\n");
    }
    out << "]\n";
  }
  if (!o.table.empty()) {
    try {
      WriteTable(o.table, reports, o.fullPrecision);
      if (!o.quiet && !o.json) out << "\nTable written: " << o.table << " (" << reports.size() << " rows)\n";
    } catch (const korv::Error& e) {
      err << "korv-batch: " << e.what() << "\n";
      worst = 2;
    }
  }
  return worst;
}

int convertCommand(const ConvertOptions& o, std::ostream& out, std::ostream& err) {
  ConvertReport report = RunConvert(o);
  if (!report.report.empty() && !o.quiet) out << report.report;
  if (report.exitStatus != 0) {
    err << "korv-batch: " << report.failure << "\n";
    return report.exitStatus;
  }
  if (!o.quiet)
    out << "Wrote " << report.output << " (" << report.points << (report.points == 1 ? " point)\n" : " points)\n");
  return 0;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const CommandHooks& hooks) {
  // Every command answers --help with its own part of the usage.
  if (args.size() >= 2 && args[0].rfind("-", 0) != 0 &&
      std::any_of(args.begin() + 1, args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; })) {
    out << UsageText(args[0]);
    return 0;
  }
  if (!args.empty() && args[0] == "dhes") return RunDhesCommand({args.begin() + 1, args.end()}, out, err);
  if (!args.empty() && args[0] == "curve-fit") return RunCurveFitCommand({args.begin() + 1, args.end()}, out, err);
  if (!args.empty() && args[0] == "excited-states")
    return ExcitedStatesCommand({args.begin() + 1, args.end()}, out, err);
  Command command;
  try {
    command = ParseCommandLine(args);
  } catch (const UsageError& e) {
    err << "korv-batch: " << e.what() << "\n";
    return 2;
  }
  try {
    switch (command.kind) {
      case Command::Kind::Help:
        out << UsageText();
        return 0;
      case Command::Kind::Version:
        out << "korv-batch (KORV Ver. " KORV_VERSION ")\n";
        return 0;
      case Command::Kind::Analyze:
        return analyzeCommand(command.analyze, out, err, hooks);
      case Command::Kind::Conventional:
        return RunConventionalCommand(command.conventional, out, err);
      case Command::Kind::Convert:
        return convertCommand(command.convert, out, err);
    }
  } catch (const std::exception& e) {
    err << "korv-batch: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace korv::batch
