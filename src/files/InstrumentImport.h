// Measurements from the delimited text files that Hall systems and lab scripts export: a
// preamble of key/value lines or a settings block closed by a marker line such as "[Data]"
// (in any language), comment lines, a row of column names and a row of units, cells
// separated by blanks, tabs, commas (RFC 4180 quoting) or semicolons (with a decimal comma
// where the numbers need it), a run column holding several runs, a Type column, signed
// densities, sheet densities, and a Hall coefficient R_H instead of a carrier concentration.
//
// The reader first looks at the text as a whole (ImportLayout: where the table is -- the
// longest run of rows with one number of cells that hold numbers --, the separator, the
// column names and units, the runs, the header values of the preamble), then turns the rows
// of one run into points (ImportMeasurement). Every line that gives no point is accounted for: skipped (a comment,
// the settings block, a header, another run, a row whose R_H sign disagrees with the
// conduction type, ...) or refused (a row that would be a wrong point: no number, T not
// above 0 K, a concentration not above 0, a negative reliability).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Physics.h"

namespace korv {

// Elementary charge [C] used to turn a Hall coefficient into a concentration.
inline constexpr double kImportCharge = phys::Q_ELEMENTARY;
// Largest column number a choice by number may give (the window offers 1 to 15).
inline constexpr int kImportMaxColumn = 15;

// The leading numeric part of a token: optional sign, digits with an optional point, an
// optional exponent; 0 when the token does not start with a number. `outOfRange` is set
// when the number does not fit a double (a number too small for one reads as 0).
double LeadingNumber(std::string_view token, bool& outOfRange);
// Whether the whole token is a number (with a point, or a comma when `decimalComma`).
bool IsNumberCell(std::string_view token, bool decimalComma);
// Tokens at runs of blanks, tabs and commas, at most `limit` of them (the first ones).
std::vector<std::string_view> SplitTokens(std::string_view line, std::size_t limit = SIZE_MAX);

enum class ImportSeparator {
  Mixed,      // any run of blanks, tabs and commas
  Tab,        // tabs only: a cell may hold blanks, and commas when they are decimal commas
  Semicolon,  // each semicolon; blanks around a cell are dropped; empty cells count
  Comma,      // each comma (RFC 4180: quoted cells, doubled quotes); empty cells count
};

// Values of the measurement found in the preamble ("Sample","SiB-17" / Thickness,525,um).
struct ImportHeader {
  std::string sample, date;
  double thickness = 0;                                                                 // micron; 0 when not given
  double field = 0;                                                                     // T
  double current = 0;                                                                   // A
  int thicknessLine = 0, sampleLine = 0, fieldLine = 0, currentLine = 0, dateLine = 0;  // 1-based; 0: none
};

// A unit read from a units row or a column name.
enum class ColumnUnit {
  None,
  Kelvin,
  Celsius,
  PerCubicCentimetre,
  PerCubicMetre,
  CubicCentimetrePerCoulomb,
  CubicMetrePerCoulomb,
  PerSquareCentimetre,
  PerSquareMetre,
};
// "K", "°C", "cm^-3", "cm-3", "1/cm3", "cm⁻³", "cm3/C", "m^-2", ... ; None when unknown.
ColumnUnit ParseColumnUnit(std::string_view text);
// The unit part of a column name: inside its last (...) or [...], or after its last '_'.
std::string UnitOfName(std::string_view name);

struct ImportLayout {
  bool byteOrderMark = false;  // a UTF-8 byte-order mark opened the text
  int lineCount = 0;
  int markerLine = 0;  // 1-based line of the "[Data]" marker; 0 when none
  std::string marker;
  ImportSeparator separator = ImportSeparator::Mixed;
  bool decimalComma = false;
  int namesLine = 0;  // 1-based line of the column names; 0 when none
  std::vector<std::string> names;
  std::vector<int> headerLines;   // further lines without any number before the data
  int runColumn = -1;             // 0-based; -1 when the rows hold one run only
  std::vector<std::string> runs;  // distinct labels of the run column, in order of appearance
  // Tabs: each tab separates (the rows agree in their number of tabs), so empty cells count.
  bool strictTabs = false;
  bool quotes = false;             // quoted cells were seen
  int preambleEnd = 0;             // last line of a preamble without marker before the names; 0: none
  int preambleLines = 0;           // lines of that preamble that are neither empty nor comments
  int unitsLine = 0;               // 1-based line of a units row below the names; 0 when none
  std::vector<std::string> units;  // per column: the units row's cell or the unit in the name
  int firstDataLine = 0;           // 1-based first line of the table; 0 when none
  int typeColumn = -1;             // 0-based column of "n"/"p" labels; -1 when none
  std::string typeProposed;        // "n-type" or "p-type" from the Type column
  ImportHeader header;

  // The cells of one data line under this layout, at most `limit` of them.
  std::vector<std::string> Cells(std::string_view line, std::size_t limit = SIZE_MAX) const;
  // "semicolon, decimal comma" and the like.
  std::string SeparatorText() const;
};

// Looks at the text as a whole. `runColumn` forces the run column (0-based; -1: a column
// named "run" or the first column of text labels that repeat, when there is one). The
// first `skipLines` lines are left out of every judgement.
ImportLayout AnalyseLayout(std::string_view text, int runColumn = -1, int skipLines = 0);

// Whether a line is a comment: it starts (after blanks) with '#', '%', ';' or "//".
bool IsCommentLine(std::string_view line);

enum class ImportQuantity { Concentration, HallCoefficient };
enum class ImportUnit {
  PerCubicCentimetre,
  PerCubicMetre,
  CubicCentimetrePerCoulomb,
  CubicMetrePerCoulomb,
  PerSquareCentimetre,  // sheet densities, divided by the sample thickness
  PerSquareMetre,
};

// "cm-3", "m-3", "cm3/C", "m3/C", "cm-2", "m-2" (the command line's spelling) and back;
// false when unknown.
bool ParseImportUnit(std::string_view text, ImportUnit& unit);
std::string ImportUnitText(ImportUnit unit);  // "cm^-3", "m^-3", "cm^3/C", "m^3/C", "cm^-2", "m^-2"
bool UnitFits(ImportQuantity quantity, ImportUnit unit);
bool IsSheetUnit(ImportUnit unit);

// Every choice of an import, as the window and the command line make them. Choices left
// empty are taken from the file (names, units row); a choice given that contradicts the
// file is refused with both named.
struct ImportSettings {
  // A column name of the names row, or the column's number ("1" is the first column).
  // Empty: the column the names and units propose.
  std::string temperatureColumn;
  std::string concentrationColumn;
  std::string reliabilityColumn;  // empty: reliability 1 for every point
  std::string runColumn;          // empty: found by AnalyseLayout
  // Label of the run to read; empty: the first run. A number matches a number of the run
  // column by value ("0.5" reads the rows with 0.50).
  std::string run;
  std::optional<ImportQuantity> quantity;  // empty: from the unit or name of the column
  std::optional<ImportUnit> unit;          // empty: from the file, else cm^-3 (cm^3/C for R_H)
  double hallFactor = 1;
  std::optional<bool> celsius;  // empty: from the file, else kelvin
  double thickness = 0;         // micron, for sheet densities; 0: the preamble's thickness
  bool average = false;         // average the points of one temperature (repeated sweeps)
  bool dropRefused = false;     // save the good rows and list the refused ones
  // "n-type" or "p-type": rows whose R_H sign disagrees are left out. Empty: the type
  // the signs propose.
  std::string conductionType;
  // Leading lines to leave out whatever they hold (a header the reader cannot tell).
  int skipLines = 0;
};

// Why a row gives no point.
enum class Refusal { None, Temperature, Concentration, Reliability };

struct ImportedPoint {
  int line = 0;  // 1-based
  std::string rawTemperature, rawConcentration;
  double temperature = 0;    // K
  double concentration = 0;  // cm^-3
  double reliability = 1;
  Refusal refusal = Refusal::None;
  std::string reason;  // of the refusal
};

// Consecutive lines left out for one reason.
struct LineRange {
  int first = 0, last = 0;
  std::string reason;
  bool refused = false;
};

struct ImportResult {
  ImportLayout layout;
  int temperatureColumn = -1, concentrationColumn = -1, reliabilityColumn = -1;  // 0-based
  std::string run;  // the run read; empty without a run column
  // Every row that gave a value pair, refused ones included, in the order of the text.
  std::vector<ImportedPoint> points;
  std::vector<LineRange> notes;  // every line that gave no point, in order, with its reason
  // Counts of the lines left out.
  int askedLines = 0, commentLines = 0, emptyLines = 0, settingsLines = 0, headerLines = 0, otherRunLines = 0,
      shortLines = 0, outOfRangeLines = 0, signLines = 0, preambleLines = 0, averagedLines = 0;
  std::vector<int> signLineNumbers;  // rows left out for their R_H sign
  // From the signs of R_H: "p-type" when most are positive, "n-type" when most are
  // negative, empty without a Hall coefficient.
  std::string proposedType;
  std::string namedType;       // "p-type" for a density column named "p", "n-type" for "n"
  std::string conductionType;  // the type the rows were checked against
  int positiveRows = 0, negativeRows = 0;
  bool signedDensities = false;  // concentrations written negative for electrons

  // The choices as applied, from the settings or from the file.
  ImportQuantity quantity = ImportQuantity::Concentration;
  ImportUnit unit = ImportUnit::PerCubicCentimetre;
  bool celsius = false;
  std::string unitSource;          // "from the units row", "from the column name", "as chosen", ""
  double thickness = 0;            // micron, used for sheet densities
  std::string remark;              // for the header's remark line: how the densities were made
  std::vector<std::string> hints;  // "°C? choose Temperature in °C", ...
  int sweeps = 1;                  // temperature sweeps found in the rows read

  // The type the file proposes: by the signs or a Type column, else by the column's name.
  const std::string& TypeOfFile() const { return proposedType.empty() ? namedType : proposedType; }

  int Accepted() const;  // points without refusal
  int Refused() const;   // points with a refusal
  const ImportedPoint* FirstRefused() const;
  // What was read, skipped and refused, in lines of plain text.
  std::string Report(const ImportSettings& settings) const;
};

// What the names and units of the text propose for the choices a user leaves open.
struct ImportProposal {
  int temperatureColumn = -1, concentrationColumn = -1;  // 0-based; -1: none
  std::optional<ImportQuantity> quantity;
  std::optional<ImportUnit> unit;
  std::optional<bool> celsius;
};
ImportProposal ProposeImport(const ImportLayout& layout);

// Reads the points that the settings choose. Throws korv::Error for a choice that does not
// fit the text (an unknown column name, a run that is not there, a unit of the other
// quantity or one the file contradicts, a Hall factor not above 0, sheet densities without
// a thickness, repeated temperatures without a run or averaging).
ImportResult ImportMeasurement(std::string_view text, const ImportSettings& settings);

// The text of a compact list of line numbers: "48-54, 60"; after `maxRanges` ranges, "...".
std::string LineList(const std::vector<int>& lines, std::size_t maxRanges = SIZE_MAX);

// "column 3 \"B (T)\"": a column by number and, when it has one, by name.
std::string ColumnText(const ImportLayout& layout, int column);

// A line of the text for a message: tabs as blanks, controls as '?', at most 200 characters.
std::string QuotedLine(std::string_view line);

}  // namespace korv
