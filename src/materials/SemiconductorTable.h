// The semiconductor reference table: literature data of 77 semiconductors for the
// user entering masses, minima and dielectric constants by hand. Read-only texts; the
// material defaults of an analysis come from the material parameter table instead.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace korv {

inline constexpr int kSemiconductorTableRows = 78;     // header row and 77 materials
inline constexpr int kSemiconductorTableColumns = 13;  // material name and 12 data columns
inline constexpr std::string_view kSemiconductorTableCaption = "Semiconductor Data used in KORV";
inline constexpr int kSemiconductorTableRowHeight = 16;  // pixels

// Cells of one row, column 0 (material) to 12 (references). "" is an empty cell.
using SemiconductorRow = std::array<std::string_view, kSemiconductorTableColumns>;

// Row 0 holds the headers, rows 1 to 77 the materials in display order.
std::span<const SemiconductorRow> SemiconductorTable();
// The numbered literature references "1)" to "6)", one line each.
std::span<const std::string_view> SemiconductorReferences();
// The comment lines "a)" to "h)" in display order.
std::span<const std::string_view> SemiconductorComments();
// The note lines explaining the symbols.
std::span<const std::string_view> SemiconductorNotes();
// Column widths in pixels, left to right.
std::span<const int> SemiconductorColumnWidths();

}  // namespace korv
