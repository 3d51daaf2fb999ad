// korv-batch one-impurity and donor-acceptor: the main road up to the saved Fermi level,
// then the side window opened from the main window's menu, its range moved with its own
// range commands, "Evaluation" pressed once and the result file saved as proposed.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch/RoadReport.h"

namespace korv::batch {

struct ConventionalOptions {
  bool donorAcceptor = false;  // false: one-impurity
  std::string input;
  std::string outdir;
  double smoothness = 5000;
  std::optional<double> mass;
  std::optional<double> minima;
  std::optional<int> lowIndex, highIndex;  // measured-point indices, both or neither
  std::optional<std::string> netDensity;   // typed into EditNetDensity as given
  bool json = false;
  bool quiet = false;
};

struct ConventionalReport : RoadReport {
  ConventionalOptions options;
  std::string caption;  // the window's caption
  int lowIndex = 0, highIndex = 0;
  double lowTemperature = 0, highTemperature = 0;
  // The window's labels and edits by control name, as shown after the evaluation.
  std::vector<std::pair<std::string, std::string>> shown;
  // The results at full precision.
  std::vector<std::pair<std::string, double>> values;
  int simulatedPoints = 0;
  bool confirmationShown = false;
};

// `command` is "one-impurity" or "donor-acceptor", `args` what follows it. Throws
// UsageError (batch/Options.h) for a bad command line.
ConventionalOptions ParseConventional(const std::string& command, const std::vector<std::string>& args);

ConventionalReport RunOneImpurity(const ConventionalOptions& options);
ConventionalReport RunDonorAcceptor(const ConventionalOptions& options);

std::string ConventionalSummary(const ConventionalReport& report);
std::string ConventionalJson(const ConventionalReport& report);

// Runs the command, prints its summary or JSON and the failure; returns the exit status.
int RunConventionalCommand(const ConventionalOptions& options);

std::string ConventionalUsage();

}  // namespace korv::batch
