#include "files/ResultFiles.h"

#include "core/Error.h"
#include "core/Numbers.h"

namespace korv::files {

std::string FunctionText(int functionType) {
  if (functionType == 1) return kSFunctionText;
  if (functionType == 2) return kHFunctionText;
  return "Unknown";
}

const std::string& DashLine() {
  static const std::string line = "% " + std::string(60, '-') + " ";
  return line;
}

void RequirePath(const std::string& path, std::string_view file) {
  if (path.empty()) throw Error("Cannot save the " + std::string(file) + ": no file name was given.");
}

void RequireLength(std::size_t size, int count, std::string_view file, std::string_view what) {
  if (count < 0)
    throw Error("Cannot save the " + std::string(file) + ": the number of points is negative (" +
                std::to_string(count) + ").");
  if (size < static_cast<std::size_t>(count))
    throw Error("Cannot save the " + std::string(file) + ": " + std::string(what) + " holds " + std::to_string(size) +
                " of " + std::to_string(count) + " values; calculate it again before saving.");
}

}  // namespace korv::files
