// The results report: a fixed 21-line summary of the current analysis (sample, the
// file of every stage, the densities and levels found). The obtained-results window
// shows these lines and saves them as a *.datH or *.datS file.
#pragma once

#include <string>
#include <vector>

#include "core/Analysis.h"

namespace korv {

inline constexpr int kReportLineCount = 21;

// The report before any analysis: labels with empty values.
std::vector<std::string> ReportTemplate();

// The report of the record as it stands now.
std::vector<std::string> BuildReport(const Analysis& a);

// The name proposed for saving the report: `FermiLevelFile` with its extension replaced
// by ".datS" for the S function and ".datH" otherwise (just the extension when empty).
std::string ProposedReportName(const Analysis& a);

// Writes the lines with CR LF line ends, atomically. Throws korv::Error naming the file.
void SaveReport(const std::vector<std::string>& lines, const std::string& path);

}  // namespace korv
