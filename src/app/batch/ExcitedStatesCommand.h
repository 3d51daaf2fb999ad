// korv-batch excited-states: the road of `analyze` (or up to H1), then the excited-states
// window's own presenter with scripted answers: "Evaluation", then the *.simN and the
// *.exc under their proposed names.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analyses/ExcitedStates.h"
#include "app/batch/AnalyzeCommand.h"

namespace korv::batch {

struct ExcitedStatesOptions {
  std::string input;
  std::string outdir;
  std::optional<double> dielectricConstant;
  bool afterH1 = false;
  bool json = false;
  bool quiet = false;
  RoadOptions road;  // --smoothness, --mass, --minima of the main road
};

struct ExcitedStatesReport {
  AnalyzeReport road;  // the main road: its H1 result, messages and files
  bool evaluated = false;
  bool valid = false;
  int chosenTrial = -1;
  int highestLevel = 0;
  double dielectricConstant = 0;
  double density = 0, energyLevel = 0, compensatingDensity = 0, deviation = 0;
  bool mainSimulationCurve = false;  // the *.simN carries the main simulation's curve
  std::vector<korv::excited::TrialResult> trials;
  std::vector<std::string> messages;                       // the window's boxes, in order
  std::vector<std::pair<std::string, std::string>> files;  // "simN", "exc"
  int exitStatus = 0;
  std::string failure;
};

// Throws UsageError for a bad command line (the arguments after "excited-states").
ExcitedStatesOptions ParseExcitedStates(const std::vector<std::string>& args);
ExcitedStatesReport RunExcitedStates(const ExcitedStatesOptions& options);
std::string ExcitedSummaryText(const ExcitedStatesReport& report);
std::string ExcitedJsonText(const ExcitedStatesReport& report);

// The whole command: parse, run, print; returns the exit status.
int ExcitedStatesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korv::batch
