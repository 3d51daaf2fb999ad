// The engine's error: carries the message the user sees. Command handlers catch it
// at the command boundary and show it in an error box.
#pragma once

#include <stdexcept>
#include <string>

namespace korv {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace korv
