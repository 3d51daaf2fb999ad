// korv-batch convert: the format conversion window, driven with the command line's answers.
#pragma once

#include <string>

#include "app/batch/Options.h"
#include "files/InstrumentImport.h"

namespace korv::batch {

struct ConvertReport {
  int exitStatus = 0;
  std::string failure;
  std::string output;
  int points = 0;
  std::string notes;          // what the window said (lines skipped, ...)
  std::string report;         // what was read, skipped and refused
  korv::ImportResult result;  // the same as data: points, lines left out with their reasons
};

ConvertReport RunConvert(const ConvertOptions& options);

}  // namespace korv::batch
