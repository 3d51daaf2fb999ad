// Command line of korv-batch: what the user asked for, checked before anything runs.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/batch/RangeWindowCommand.h"

namespace korv::batch {

// Bad usage: exit status 2 with this one-line reason.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& reason) : std::runtime_error(reason) {}
};

struct AnalyzeOptions {
  std::string input;                // the file RunAnalyze analyses
  std::vector<std::string> inputs;  // every file of the command line, in order
  std::string table;                // one row per file into this TSV file; empty: none
  bool fullPrecision = false;       // the table's numbers exact instead of 6 significant digits
  std::string outdir;               // empty: beside the input
  double smoothness = 5000;
  std::optional<double> mass;
  std::optional<double> minima;
  std::optional<double> g[3];                 // degeneracy factor of H1, H2, H3
  int functionType = 2;                       // 2 = H function, 1 = S function
  std::optional<std::string> evaluationType;  // "Type-A" .. "Type-D"
  bool answerYes = true;                      // the H2/H3 recalculation question
  bool json = false;
  bool quiet = false;
};

// The options of the main window's road that the side-window commands share with analyze.
struct RoadOptions {
  double smoothness = 5000;
  std::optional<double> mass;
  std::optional<double> minima;
};
// When `arg` is --smoothness, --mass or --minima, takes its value from `value` into `road`
// and returns true; throws UsageError for a value that is no positive number.
bool TakeRoadOption(const std::string& arg, const std::function<std::string()>& value, RoadOptions& road);

struct ConvertOptions {
  std::string input;
  std::string output;
  // Columns by name or by number (1-based, as the conversion window offers them).
  std::string tColumn, nColumn, reliabilityColumn;
  std::string quantity;  // "concentration" or "hall-coefficient"; empty: from the file or the unit
  std::string unit;      // "cm-3", "m-3", "cm3/C", "m3/C", "cm-2", "m-2"; empty: from the file
  std::string hallFactor = "1";
  std::string run;
  std::string runColumn;  // empty: found in the file
  bool celsius = false;   // given: --celsius or --kelvin
  bool celsiusGiven = false;
  bool average = false;
  bool dropRefused = false;
  std::string conductionType;
  std::string semiconductor;
  std::string sampleNumber;
  std::string measurementName, measurementDate, analysisName, analysisDate, comment;
  std::string thickness = "0", magneticField = "0", current = "0";
  int skipLines = 0;  // header lines of the foreign file left out, as the user deletes them in the window
  bool quiet = false;
};

struct Command {
  enum class Kind { Help, Version, Analyze, Convert, Conventional } kind = Kind::Help;
  AnalyzeOptions analyze;
  ConvertOptions convert;
  ConventionalOptions conventional;  // one-impurity, donor-acceptor
};

// Throws UsageError for anything that is not a valid command line.
Command ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();
// The part of the usage text of one command ("convert", "analyze", ...); the whole text when
// there is none.
std::string UsageText(const std::string& command);

}  // namespace korv::batch
