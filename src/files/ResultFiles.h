// Helpers shared by the result-file writers: the function text of the header, the
// dash line and the checks that keep a writer from reading past a stage's arrays.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <vector>

#include "core/Analysis.h"
#include "core/TextFile.h"

namespace korv::files {

inline constexpr const char* kSFunctionText = "S(T,Eref)=n(T)*exp(Eref/kT)/kT";
inline constexpr const char* kHFunctionText = "H(T,Eref)=n(T)^2*exp(Eref/kT)/(kT)^2.5";

// The text after "% Function Type: ": the S or H formula, "Unknown" for any other type.
std::string FunctionText(int functionType);

// "% " followed by 60 hyphens and one blank.
const std::string& DashLine();

// Throws korv::Error naming `file` when `path` is empty.
void RequirePath(const std::string& path, std::string_view file);

// Throws korv::Error naming `file` and `what` when `count` is negative or `size` holds
// fewer than `count` values (the stage that fills `what` was cleared or never ran).
void RequireLength(std::size_t size, int count, std::string_view file, std::string_view what);

}  // namespace korv::files
