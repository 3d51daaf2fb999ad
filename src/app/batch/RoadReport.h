// What every command that walks the main window's road reports of it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korv::batch {

struct RoadReport {
  std::string conductionType;
  std::string semiconductor;
  std::vector<std::string> messages;                       // every box shown, main window first
  std::vector<std::pair<std::string, std::string>> files;  // kind and path
  int exitStatus = 0;                                      // 0 done, 1 a step failed, 2 bad usage or unreadable input
  std::string failure;
};

}  // namespace korv::batch
