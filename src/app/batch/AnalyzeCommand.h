// korv-batch analyze: the road of a typical analysis, walked through the main window's
// own presenter with scripted answers, so that every step, file and message is the
// window's.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch/Options.h"
#include "app/batch/RoadReport.h"
#include "core/Analysis.h"

class Analysis;

namespace korv::batch {

struct AnalysisResult {
  std::string name;  // "H1" (or "S1"), "H2", "H3"
  double eref = 0;
  double peakTemperature = 0;
  double peakValue = 0;
  double degeneracyFactor = 0;
  double checkTemperature = 0;
  double density = 0;
  double energyLevel = 0;
  double temporaryCompensatingDensity = 0;
};

// Its files by kind: "spl", "fl", "H1", ...
struct AnalyzeReport : RoadReport {
  std::string input;
  std::string sample;
  std::vector<AnalysisResult> analyses;
  double compensatingDensity = 0;
  bool evaluationFinished = false;
  std::vector<std::string> errors;  // the error boxes shown, in order
  std::string implausible;          // what makes the result implausible; empty when nothing
  std::string splineWarning;        // the spline tab's notice; empty when the spline follows the data
};

AnalyzeReport RunAnalyze(const AnalyzeOptions& options);
// The same road over a record of the caller's, which holds every stage afterwards.
AnalyzeReport RunAnalyze(const AnalyzeOptions& options, Analysis& record);

// The road of `analyze` for a command that goes on in a side window: with `stopAfterH1` it
// ends after saving H1; `then` runs at the end of the road with its record and report
// (not when the input could not be read).
struct RoadEnd {
  bool stopAfterH1 = false;
  std::function<void(Analysis& record, AnalyzeReport& report)> then;
};
AnalyzeReport RunAnalyze(const AnalyzeOptions& options, const RoadEnd& end);

std::string SummaryText(const AnalyzeReport& report);
std::string JsonText(const AnalyzeReport& report);

// The series table: a row of column names, then one row per report (file, sample,
// semiconductor, type, density and energy of levels 1 to 3, compensating density, status,
// first warning or error), tab-separated.
// Numbers with 6 significant digits, or the shortest exact text with `fullPrecision`.
std::vector<std::string> TableLines(const std::vector<AnalyzeReport>& reports, bool fullPrecision = false);
// Writes the table (CR LF) atomically; throws korv::Error when it cannot.
void WriteTable(const std::string& path, const std::vector<AnalyzeReport>& reports, bool fullPrecision = false);
// "done", "failed", "unreadable" or "implausible: <what>".
std::string StatusText(const AnalyzeReport& report);

}  // namespace korv::batch
