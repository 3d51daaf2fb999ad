// korv-batch dhes: the main road up to the saved Fermi level, then the DHES window's own
// presenter: N successive peaks found with "Next Peak", evaluated, and the *.DHES saved.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch/Options.h"
#include "app/batch/RoadReport.h"

namespace korv::batch {

struct DhesOptions {
  std::string input;
  std::string outdir;                       // empty: beside the input
  int peaks = 2;                            // 1 to 4
  std::optional<std::vector<int>> presses;  // "Next Peak" presses of each peak
  bool json = false;
  bool quiet = false;  // print nothing but errors
  RoadOptions road;    // --smoothness, --mass, --minima of the main road
};

struct DhesPeakResult {
  int index = 0;
  int presses = 0;
  double temperature = 0;  // lower grid temperature of the interval, K
  double abscissa = 0;     // Fermi level, eV
  double signal = 0;       // cm^-3
  double level = 0;        // eV
  double density = 0;      // cm^-3
};

// Its files: "spl", "fl", "DHES".
struct DhesReport : RoadReport {
  DhesOptions options;
  std::vector<DhesPeakResult> peaks;
};

// Throws UsageError (batch/Options.h) for a bad command line; args start after "dhes".
DhesOptions ParseDhesOptions(const std::vector<std::string>& args);
DhesReport RunDhes(const DhesOptions& options);
std::string DhesSummaryText(const DhesReport& report);
std::string DhesJsonText(const DhesReport& report);

// The whole subcommand: parses, runs, prints; returns the exit status.
int RunDhesCommand(const std::vector<std::string>& args);

}  // namespace korv::batch
