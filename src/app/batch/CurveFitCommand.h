// korv-batch curve-fit: the road of analyze, then the fine adjustment in the curve-fitting
// window's own presenter: the range reached with its range commands, an optional
// compensating density typed into its edit, one "Curve Fitting" and the *.cft saved. With
// --relative the window's relative deviation is chosen, and --merge-unresolved presses
// "Merge" while the fit leaves two levels (or a level and its neighbour) unresolved.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/batch/Options.h"

namespace korv::batch {

struct CurveFitOptions {
  std::string input;
  std::string outdir;
  std::optional<int> lowIndex, highIndex;          // indices into the fit points
  std::optional<std::string> compensatingDensity;  // typed into the edit as given
  bool json = false;
  bool quiet = false;            // print nothing but errors
  bool relative = false;         // the bounded fit in relative deviations
  bool mergeUnresolved = false;  // with it: Merge until every level is resolved
  RoadOptions road;              // --smoothness, --mass, --minima of the main road
};

// Throws UsageError (batch/Options.h) for a bad command line (`args` follow "curve-fit").
CurveFitOptions ParseCurveFit(const std::vector<std::string>& args);

// Runs the command and prints its summary or JSON; the exit status as for analyze.
int RunCurveFitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korv::batch
