#include "app/batch/SideCommand.h"

#include <ostream>

namespace korv::batch {

void ParseCommandArgs(const std::string& command, const std::vector<std::string>& args, std::string& input,
                      std::string& outdir, RoadOptions& road, bool& json, bool& quiet, const OwnOption& own) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::function<std::string()> value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw UsageError("option " + arg + " needs a value");
      return args[++i];
    };
    if (TakeRoadOption(arg, value, road) || own(arg, value)) {
    } else if (arg == "--outdir") {
      outdir = value();
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      throw UsageError("unknown option " + arg + " for " + command);
    } else if (input.empty()) {
      input = arg;
    } else {
      throw UsageError(command + " takes one measurement file, got also '" + arg + "'");
    }
  }
}

void RequireInput(const std::string& command, const std::string& input) {
  if (input.empty()) throw UsageError(command + " needs a measurement file (*.nT or *.pT)");
}

AnalyzeOptions RoadAnalyzeOptions(const std::string& input, const std::string& outdir, const RoadOptions& road) {
  AnalyzeOptions o;
  o.input = input;
  o.outdir = outdir;
  o.smoothness = road.smoothness;
  o.mass = road.mass;
  o.minima = road.minima;
  return o;
}

void PrintFailure(const std::string& reason, std::ostream& err) { err << "korv-batch: " << reason << "\n"; }

int PrintOutcome(int exitStatus, const std::string& failure, bool json, bool quiet,
                 const std::function<std::string()>& jsonText, const std::function<std::string()>& summaryText,
                 std::ostream& out, std::ostream& err) {
  if (exitStatus == 2) {
    PrintFailure(failure, err);
    return 2;
  }
  if (json)
    out << jsonText();
  else if (!quiet)
    out << summaryText();
  if (exitStatus != 0) PrintFailure(failure, err);
  return exitStatus;
}

std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

void PrintMessageLines(std::ostream& out, const std::vector<std::string>& messages) {
  for (const auto& m : messages) out << "  " << m << "\n";
}

void PrintFileLines(std::ostream& out, const FileList& files) {
  // A kind of five letters or more still keeps one space before its path.
  for (const auto& [kind, path] : files)
    out << "  " << kind << std::string(kind.size() < 5 ? 5 - kind.size() : 1, ' ') << path << "\n";
}

void PrintMessagesAndFiles(std::ostream& out, const std::vector<std::string>& messages, const FileList& files) {
  if (!messages.empty()) {
    out << "\nMessages:\n";
    PrintMessageLines(out, messages);
  }
  if (!files.empty()) {
    out << "\nFiles written:\n";
    PrintFileLines(out, files);
  }
}

void WriteMessages(Json& j, std::initializer_list<const std::vector<std::string>*> lists) {
  j.Key("messages").BeginArray();
  for (const auto* list : lists)
    for (const auto& m : *list) j.String(m);
  j.EndArray();
}

void WriteFiles(Json& j, std::initializer_list<const FileList*> lists) {
  j.Key("files").BeginObject();
  for (const auto* list : lists)
    for (const auto& [kind, path] : *list) j.Key(kind).String(path);
  j.EndObject();
}

}  // namespace korv::batch
