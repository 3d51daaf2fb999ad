// What korv-batch's commands share around their own window: the boxes logged in order,
// the common part of the command line, the lists of messages and files in the summary and
// the JSON, and how the outcome is printed with its exit status.
#pragma once

#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch/Json.h"
#include "app/batch/Options.h"
#include "presenters/common/MemoryView.h"

namespace korv::batch {

using FileList = std::vector<std::pair<std::string, std::string>>;  // kind and path

// An in-memory window that logs its boxes.
class LoggingView : public korv::ui::MemoryView {
 public:
  LoggingView(const std::vector<korv::ui::Control>& controls, const std::vector<korv::ui::ChartSpec>& charts,
              std::vector<std::string>& log)
      : MemoryView(controls, charts), log_(log) {}
  void ShowError(const std::string& text) override {
    log_.push_back(text);
    MemoryView::ShowError(text);
  }
  void ShowNotice(const std::string& text) override {
    log_.push_back(text);
    MemoryView::ShowNotice(text);
  }

 protected:
  std::vector<std::string>& Log() { return log_; }

 private:
  std::vector<std::string>& log_;
};

// The options of a command's own that `ParseCommandArgs` does not know: true when `arg`
// is one, taking its value (if any) with `value`.
using OwnOption = std::function<bool(const std::string& arg, const std::function<std::string()>& value)>;

// The command line of `command` after its name: the road's --smoothness, --mass and
// --minima, --outdir, --json, --quiet, the command's own options and one measurement file.
// Throws UsageError; a missing file is left to `RequireInput`, after the command's checks.
void ParseCommandArgs(const std::string& command, const std::vector<std::string>& args, std::string& input,
                      std::string& outdir, RoadOptions& road, bool& json, bool& quiet, const OwnOption& own);
void RequireInput(const std::string& command, const std::string& input);

// analyze's options for the main road of a command that goes on from there.
AnalyzeOptions RoadAnalyzeOptions(const std::string& input, const std::string& outdir, const RoadOptions& road);

// The command line parsed by `parse`, or nothing when it is bad usage (its reason on `err`).
template <class Parse>
auto ParseOrComplain(const Parse& parse, std::ostream& err) -> std::optional<decltype(parse())>;

// Prints what a command that ran gives: for bad usage or an unreadable input (status 2)
// only its reason; otherwise the JSON (--json wins over --quiet) or the summary, then the
// reason of a failure. Returns the exit status.
int PrintOutcome(int exitStatus, const std::string& failure, bool json, bool quiet,
                 const std::function<std::string()>& jsonText, const std::function<std::string()>& summaryText,
                 std::ostream& out, std::ostream& err);
void PrintFailure(const std::string& reason, std::ostream& err);

// `text` followed by spaces up to `width`.
std::string Padded(const std::string& text, std::size_t width);
// "  text" lines of the messages and the files, the kinds in a column of five.
void PrintMessageLines(std::ostream& out, const std::vector<std::string>& messages);
void PrintFileLines(std::ostream& out, const FileList& files);
// The blocks "Messages:" and "Files written:" at the end of a summary, each after a blank
// line and only when it lists something.
void PrintMessagesAndFiles(std::ostream& out, const std::vector<std::string>& messages, const FileList& files);

// "messages": [...] and "files": {...} of every list in turn.
void WriteMessages(Json& j, std::initializer_list<const std::vector<std::string>*> lists);
void WriteFiles(Json& j, std::initializer_list<const FileList*> lists);

template <class Parse>
auto ParseOrComplain(const Parse& parse, std::ostream& err) -> std::optional<decltype(parse())> {
  try {
    return parse();
  } catch (const UsageError& e) {
    PrintFailure(e.what(), err);
    return std::nullopt;
  }
}

}  // namespace korv::batch
