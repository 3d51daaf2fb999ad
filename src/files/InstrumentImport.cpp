#include "files/InstrumentImport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <system_error>

#include "core/Error.h"
#include "core/Numbers.h"

namespace korv {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (isBlank(s.front()) || s.front() == '\n')) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

// The number a cell starts with. False when it starts with none.
bool parseCell(std::string_view cell, bool decimalComma, double& value, bool& outOfRange) {
  outOfRange = false;
  value = 0;
  std::string buffer;
  if (decimalComma && cell.find(',') != std::string_view::npos) {
    buffer.assign(cell);
    std::replace(buffer.begin(), buffer.end(), ',', '.');
    cell = buffer;
  }
  std::size_t i = 0;
  bool negative = false;
  if (i < cell.size() && (cell[i] == '+' || cell[i] == '-')) negative = cell[i++] == '-';
  const std::size_t start = i;
  std::size_t digits = 0;
  while (i < cell.size() && isDigit(cell[i])) ++i, ++digits;
  if (i < cell.size() && cell[i] == '.') {
    ++i;
    while (i < cell.size() && isDigit(cell[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  std::size_t end = i;
  if (i < cell.size() && (cell[i] == 'e' || cell[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < cell.size() && (cell[j] == '+' || cell[j] == '-')) ++j;
    if (j < cell.size() && isDigit(cell[j])) {
      while (j < cell.size() && isDigit(cell[j])) ++j;
      end = j;
    }
  }
  auto [ptr, ec] = std::from_chars(cell.data() + start, cell.data() + end, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too small rounds to zero as reading does elsewhere; too large is no number.
    std::string_view number = cell.substr(0, end);
    bool tiny = number.find("e-") != std::string_view::npos || number.find("E-") != std::string_view::npos;
    if (!tiny) outOfRange = true;
    value = 0;
    return true;
  }
  if (ec != std::errc()) {
    value = 0;
    return true;
  }
  if (negative) value = -value;
  return true;
}

bool startsWithNumber(std::string_view cell, bool decimalComma) {
  double v = 0;
  bool big = false;
  return parseCell(cell, decimalComma, v, big);
}

// Lines without their line ends (LF or CR LF); no line after a final line end.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

std::string_view withoutByteOrderMark(std::string_view text, bool& had) {
  had = text.substr(0, 3) == "\xEF\xBB\xBF";
  if (had) text.remove_prefix(3);
  return text;
}

bool isMarkerLine(std::string_view line) {
  line = trimmed(line);
  return line.size() >= 2 && line.front() == '[' && line.back() == ']' &&
         lowered(line).find("data") != std::string::npos;
}

bool isEmptyLine(std::string_view line) {
  for (char c : line)
    if (!isBlank(c) && c != ',' && c != ';') return false;
  return true;
}

// The names of the names row: split at its strongest separator.
std::vector<std::string> nameCells(std::string_view line, const ImportLayout& layout) {
  std::vector<std::string> names;
  char sep = 0;
  if (layout.separator == ImportSeparator::Semicolon)
    sep = ';';
  else if (line.find('\t') != std::string_view::npos)
    sep = '\t';
  else if (layout.separator == ImportSeparator::Mixed && line.find(',') != std::string_view::npos)
    sep = ',';
  if (sep == 0) {
    for (auto t : layout.Cells(line, 1000)) names.emplace_back(t);
    return names;
  }
  std::size_t pos = 0;
  while (pos <= line.size() && names.size() < 1000) {
    std::size_t end = line.find(sep, pos);
    if (end == std::string_view::npos) end = line.size();
    std::string_view cell = trimmed(line.substr(pos, end - pos));
    // Runs of tabs count as one separator, as they do between numbers.
    if (!(sep == '\t' && cell.empty())) names.emplace_back(cell);
    pos = end + 1;
  }
  return names;
}

// A column chosen by its number ("1" is the first) or by its name.
int resolveColumn(const std::string& choice, const ImportLayout& layout, const char* what) {
  std::string_view c = trimmed(choice);
  if (c.empty()) throw Error(std::string("Please choose the column of the ") + what);
  if (std::all_of(c.begin(), c.end(), isDigit)) {
    int n = 0;
    auto [ptr, ec] = std::from_chars(c.data(), c.data() + c.size(), n);
    if (ec != std::errc() || n < 1 || n > kImportMaxColumn)
      throw Error("'" + std::string(c) + "' is not a column from 1 to " + std::to_string(kImportMaxColumn));
    return n - 1;
  }
  for (int pass = 0; pass < 2; ++pass)
    for (std::size_t i = 0; i < layout.names.size(); ++i)
      if (pass == 0 ? layout.names[i] == c : lowered(layout.names[i]) == lowered(c)) return static_cast<int>(i);
  std::string message = "There is no column named '" + std::string(c) + "'";
  if (layout.names.empty()) throw Error(message + ": the text has no row of column names");
  std::string list;
  for (const auto& n : layout.names) list += (list.empty() ? "" : ", ") + n;
  throw Error(message + " (the columns are " + list + ")");
}

std::string plural(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string columnText(int column, const ImportLayout& layout) {
  std::string s = "column " + std::to_string(column + 1);
  if (column >= 0 && column < static_cast<int>(layout.names.size()) && !layout.names[column].empty())
    s += " \"" + layout.names[column] + "\"";
  return s;
}

}  // namespace

// ---- Cells ---------------------------------------------------------------------------------

std::vector<std::string_view> SplitTokens(std::string_view line, std::size_t limit) {
  std::vector<std::string_view> tokens;
  auto sep = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r'; };
  std::size_t i = 0;
  while (i < line.size() && tokens.size() < limit) {
    while (i < line.size() && sep(line[i])) ++i;
    std::size_t start = i;
    while (i < line.size() && !sep(line[i])) ++i;
    if (i > start) tokens.push_back(line.substr(start, i - start));
  }
  return tokens;
}

double LeadingNumber(std::string_view token, bool& outOfRange) {
  double v = 0;
  parseCell(token, false, v, outOfRange);
  return v;
}

bool IsNumberCell(std::string_view token, bool decimalComma) {
  std::string s(trimmed(token));
  if (decimalComma) std::replace(s.begin(), s.end(), ',', '.');
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  if (s.empty()) return false;
  double v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  return ptr == s.data() + s.size() && (ec == std::errc() || ec == std::errc::result_out_of_range);
}

std::vector<std::string_view> ImportLayout::Cells(std::string_view line, std::size_t limit) const {
  std::vector<std::string_view> cells;
  if (separator == ImportSeparator::Mixed) return SplitTokens(line, limit);
  if (separator == ImportSeparator::Tab) {
    // Runs of tabs count as one separator; blanks around a cell are dropped.
    std::size_t i = 0;
    while (i < line.size() && cells.size() < limit) {
      while (i < line.size() && (line[i] == '\t' || line[i] == '\r')) ++i;
      std::size_t start = i;
      while (i < line.size() && line[i] != '\t' && line[i] != '\r') ++i;
      std::string_view cell = trimmed(line.substr(start, i - start));
      if (!cell.empty()) cells.push_back(cell);
    }
    return cells;
  }
  std::size_t pos = 0;
  while (pos <= line.size() && cells.size() < limit) {
    std::size_t end = line.find(';', pos);
    if (end == std::string_view::npos) end = line.size();
    cells.push_back(trimmed(line.substr(pos, end - pos)));
    pos = end + 1;
  }
  return cells;
}

std::string ImportLayout::SeparatorText() const {
  std::string s = separator == ImportSeparator::Semicolon ? "semicolons"
                  : separator == ImportSeparator::Tab     ? "tabs"
                                                          : "blanks, tabs or commas";
  return s + (decimalComma ? ", decimal comma" : ", decimal point");
}

bool IsCommentLine(std::string_view line) {
  line = trimmed(line);
  if (line.empty()) return false;
  return line[0] == '#' || line[0] == '%' || line[0] == ';' || line.substr(0, 2) == "//";
}

// ---- Layout --------------------------------------------------------------------------------

ImportLayout AnalyseLayout(std::string_view text, int runColumn, int skipLines) {
  ImportLayout layout;
  text = withoutByteOrderMark(text, layout.byteOrderMark);
  const std::vector<std::string_view> lines = splitLines(text);
  layout.lineCount = static_cast<int>(lines.size());
  const std::size_t skipped = static_cast<std::size_t>(std::max(skipLines, 0));
  for (std::size_t i = skipped; i < lines.size(); ++i)
    if (isMarkerLine(lines[i])) {
      layout.markerLine = static_cast<int>(i) + 1;
      layout.marker = std::string(trimmed(lines[i]));
    }

  // The lines that may hold data: after the marker, neither empty nor comments.
  std::vector<int> content;
  for (std::size_t i = std::max<std::size_t>(layout.markerLine, skipped); i < lines.size(); ++i)
    if (!isEmptyLine(lines[i]) && !IsCommentLine(lines[i])) content.push_back(static_cast<int>(i));

  // The separator and the decimal sign, judged on the first lines.
  constexpr std::size_t kJudged = 1000;
  const std::size_t judged = std::min(content.size(), kJudged);
  bool semicolon = false, tab = false;
  for (std::size_t k = 0; k < judged; ++k) {
    semicolon = semicolon || lines[content[k]].find(';') != std::string_view::npos;
    tab = tab || lines[content[k]].find('\t') != std::string_view::npos;
  }
  if (semicolon || tab) {
    ImportLayout probe;
    probe.separator = semicolon ? ImportSeparator::Semicolon : ImportSeparator::Tab;
    // A decimal comma stands between digits ("77,5"); any other comma separates.
    auto decimalCommaNumber = [](std::string_view cell) {
      std::size_t at = cell.find(',');
      return at != std::string_view::npos && at > 0 && at + 1 < cell.size() && isDigit(cell[at - 1]) &&
             isDigit(cell[at + 1]) && cell.find(',', at + 1) == std::string_view::npos &&
             cell.find('.') == std::string_view::npos && IsNumberCell(cell, true);
    };
    bool commaNumbers = false, pointNumbers = false, strayCommas = false;
    for (std::size_t k = 0; k < judged; ++k)
      for (auto cell : probe.Cells(lines[content[k]], 64)) {
        if (decimalCommaNumber(cell))
          commaNumbers = true;
        else if (cell.find(',') != std::string_view::npos)
          strayCommas = true;
        if (cell.find('.') != std::string_view::npos && IsNumberCell(cell, false)) pointNumbers = true;
      }
    const bool commas = commaNumbers || strayCommas;
    if (semicolon) {
      layout.separator = ImportSeparator::Semicolon;
      layout.decimalComma = commaNumbers;
    } else if (!commas || (commaNumbers && !pointNumbers && !strayCommas)) {
      // Tabs alone separate: a cell may hold blanks (a time stamp) or a decimal comma.
      layout.separator = ImportSeparator::Tab;
      layout.decimalComma = commas;
    }
  }

  // Lines before the first number: the first gives the column names.
  std::size_t firstData = 0;
  for (; firstData < content.size(); ++firstData) {
    std::string_view line = lines[content[firstData]];
    auto cells = layout.Cells(line, 1000);
    bool number = std::any_of(cells.begin(), cells.end(),
                              [&](std::string_view c) { return startsWithNumber(c, layout.decimalComma); });
    if (number) break;
    if (layout.namesLine == 0) {
      layout.namesLine = content[firstData] + 1;
      layout.names = nameCells(line, layout);
    } else {
      layout.headerLines.push_back(content[firstData] + 1);
    }
  }

  // The run column: the one asked for, one named "run", or the first of repeated labels that
  // are not numbers ("180uA" is a label).
  if (runColumn < 0) {
    for (std::size_t i = 0; i < layout.names.size() && runColumn < 0; ++i)
      if (lowered(layout.names[i]).rfind("run", 0) == 0) runColumn = static_cast<int>(i);
  }
  if (runColumn < 0) {
    constexpr std::size_t kColumns = 20;
    const std::size_t rows = std::min(content.size() - firstData, static_cast<std::size_t>(2000));
    std::vector<bool> text(kColumns, rows > 1);
    std::vector<std::map<std::string, int>> labels(kColumns);
    for (std::size_t k = 0; k < rows; ++k) {
      auto cells = layout.Cells(lines[content[firstData + k]], kColumns);
      for (std::size_t c = 0; c < kColumns; ++c) {
        if (!text[c]) continue;
        if (c >= cells.size() || cells[c].empty() || IsNumberCell(cells[c], layout.decimalComma))
          text[c] = false;
        else
          ++labels[c][std::string(cells[c])];
      }
    }
    for (std::size_t c = 0; c < kColumns && runColumn < 0; ++c)
      if (text[c] && labels[c].size() < rows) runColumn = static_cast<int>(c);
  }
  layout.runColumn = runColumn;
  if (runColumn >= 0) {
    constexpr std::size_t kMaxRuns = 1000;
    std::set<std::string, std::less<>> seen;
    for (std::size_t k = firstData; k < content.size(); ++k) {
      auto cells = layout.Cells(lines[content[k]], static_cast<std::size_t>(runColumn) + 1);
      if (static_cast<int>(cells.size()) <= runColumn || seen.count(cells[runColumn])) continue;
      if (layout.runs.size() == kMaxRuns) break;
      seen.emplace(cells[runColumn]);
      layout.runs.emplace_back(cells[runColumn]);
    }
  }
  return layout;
}

// ---- Units ---------------------------------------------------------------------------------

bool ParseImportUnit(std::string_view text, ImportUnit& unit) {
  static const std::pair<const char*, ImportUnit> units[] = {
      {"cm-3", ImportUnit::PerCubicCentimetre},
      {"cm^-3", ImportUnit::PerCubicCentimetre},
      {"m-3", ImportUnit::PerCubicMetre},
      {"m^-3", ImportUnit::PerCubicMetre},
      {"cm3/C", ImportUnit::CubicCentimetrePerCoulomb},
      {"cm^3/C", ImportUnit::CubicCentimetrePerCoulomb},
      {"m3/C", ImportUnit::CubicMetrePerCoulomb},
      {"m^3/C", ImportUnit::CubicMetrePerCoulomb},
  };
  for (const auto& [name, u] : units)
    if (text == name) return unit = u, true;
  return false;
}

std::string ImportUnitText(ImportUnit unit) {
  switch (unit) {
    case ImportUnit::PerCubicCentimetre:
      return "cm^-3";
    case ImportUnit::PerCubicMetre:
      return "m^-3";
    case ImportUnit::CubicCentimetrePerCoulomb:
      return "cm^3/C";
    case ImportUnit::CubicMetrePerCoulomb:
      return "m^3/C";
  }
  return "";
}

bool UnitFits(ImportQuantity quantity, ImportUnit unit) {
  bool concentration = unit == ImportUnit::PerCubicCentimetre || unit == ImportUnit::PerCubicMetre;
  return concentration == (quantity == ImportQuantity::Concentration);
}

// ---- Points --------------------------------------------------------------------------------

int ImportResult::Accepted() const {
  return static_cast<int>(
      std::count_if(points.begin(), points.end(), [](const ImportedPoint& p) { return p.refusal == Refusal::None; }));
}

int ImportResult::Refused() const { return static_cast<int>(points.size()) - Accepted(); }

const ImportedPoint* ImportResult::FirstRefused() const {
  for (const auto& p : points)
    if (p.refusal != Refusal::None) return &p;
  return nullptr;
}

std::string LineList(const std::vector<int>& lines, std::size_t maxRanges) {
  std::string s;
  std::size_t ranges = 0;
  for (std::size_t i = 0; i < lines.size();) {
    if (ranges++ == maxRanges) return s + ", ...";
    std::size_t j = i;
    while (j + 1 < lines.size() && lines[j + 1] == lines[j] + 1) ++j;
    if (!s.empty()) s += ", ";
    s += std::to_string(lines[i]);
    if (j > i) s += "-" + std::to_string(lines[j]);
    i = j + 1;
  }
  return s;
}

ImportResult ImportMeasurement(std::string_view text, const ImportSettings& settings) {
  ImportResult r;
  {
    ImportLayout names = AnalyseLayout(text, -1, settings.skipLines);
    int forced = settings.runColumn.empty() ? -1 : resolveColumn(settings.runColumn, names, "run");
    r.layout = forced < 0 ? std::move(names) : AnalyseLayout(text, forced, settings.skipLines);
  }
  const ImportLayout& layout = r.layout;
  const bool hall = settings.quantity == ImportQuantity::HallCoefficient;
  if (!UnitFits(settings.quantity, settings.unit))
    throw Error("The unit " + ImportUnitText(settings.unit) + " does not belong to " +
                (hall ? "a Hall coefficient" : "a carrier concentration"));
  if (hall && !(settings.hallFactor > 0 && std::isfinite(settings.hallFactor)))
    throw Error("The Hall factor must be a number greater than 0");
  r.temperatureColumn = resolveColumn(settings.temperatureColumn, layout, "temperature");
  r.concentrationColumn =
      resolveColumn(settings.concentrationColumn, layout, hall ? "Hall coefficient" : "concentration");
  if (!trimmed(settings.reliabilityColumn).empty())
    r.reliabilityColumn = resolveColumn(settings.reliabilityColumn, layout, "reliability");
  if (layout.runColumn >= 0 && !layout.runs.empty()) {
    r.run = settings.run.empty() ? layout.runs.front() : settings.run;
    if (std::find(layout.runs.begin(), layout.runs.end(), r.run) == layout.runs.end()) {
      std::string list;
      for (const auto& l : layout.runs) list += (list.empty() ? "" : ", ") + l;
      throw Error("There is no run '" + r.run + "' in the text (the runs are " + list + ")");
    }
  } else if (!settings.run.empty()) {
    throw Error("There is no run '" + settings.run + "': the text holds one run only");
  }

  // Reasons are kept once; each line left out refers to its reason.
  std::vector<std::string> reasons;
  struct Note {
    int line;
    int reason;
    bool refused;
  };
  std::vector<Note> notes;
  std::map<std::string, int, std::less<>> reasonIndex;
  auto note = [&](int line, const std::string& reason, bool refused = false) {
    auto [it, added] = reasonIndex.try_emplace(reason, static_cast<int>(reasons.size()));
    if (added) reasons.push_back(reason);
    notes.push_back({line, it->second, refused});
  };

  bool bom = false;
  const std::vector<std::string_view> lines = splitLines(withoutByteOrderMark(text, bom));
  const int needed = std::max({r.temperatureColumn, r.concentrationColumn, r.reliabilityColumn, layout.runColumn});
  const double unitFactor = settings.unit == ImportUnit::PerCubicMetre          ? 1e-6
                            : settings.unit == ImportUnit::CubicMetrePerCoulomb ? 1e6
                                                                                : 1.0;
  const std::string settingsReason =
      "settings block" + (layout.marker.empty() ? std::string() : " up to the marker " + layout.marker);
  std::vector<double> hallValues;  // R_H of each point, cm^3/C
  std::size_t nextHeader = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int lineNumber = static_cast<int>(i) + 1;
    std::string_view line = lines[i];
    if (lineNumber <= settings.skipLines) {
      ++r.askedLines;
      note(lineNumber, "left out as asked");
      continue;
    }
    if (lineNumber <= layout.markerLine) {
      ++r.settingsLines;
      note(lineNumber, settingsReason);
      continue;
    }
    if (isEmptyLine(line)) {
      ++r.emptyLines;
      note(lineNumber, "empty or separators only");
      continue;
    }
    if (IsCommentLine(line)) {
      ++r.commentLines;
      note(lineNumber, "comment");
      continue;
    }
    if (lineNumber == layout.namesLine) {
      ++r.headerLines;
      note(lineNumber, "column names");
      continue;
    }
    if (nextHeader < layout.headerLines.size() && layout.headerLines[nextHeader] == lineNumber) {
      ++nextHeader;
      ++r.headerLines;
      note(lineNumber, "header without numbers");
      continue;
    }
    // Only the cells up to the chosen columns matter: a line of millions of cells costs no memory.
    auto cells = layout.Cells(line, static_cast<std::size_t>(needed) + 1);
    if (layout.runColumn >= 0 && static_cast<int>(cells.size()) > layout.runColumn &&
        cells[layout.runColumn] != r.run) {
      ++r.otherRunLines;
      note(lineNumber, "run " + std::string(cells[layout.runColumn]));
      continue;
    }
    if (static_cast<int>(cells.size()) <= needed) {
      ++r.shortLines;
      note(lineNumber, "fewer values than the chosen columns");
      continue;
    }
    ImportedPoint p;
    p.line = lineNumber;
    p.rawTemperature = std::string(cells[r.temperatureColumn]);
    p.rawConcentration = std::string(cells[r.concentrationColumn]);
    bool bigT = false, bigC = false, bigR = false;
    double value = 0;
    bool hasT = parseCell(cells[r.temperatureColumn], layout.decimalComma, p.temperature, bigT);
    bool hasC = parseCell(cells[r.concentrationColumn], layout.decimalComma, value, bigC);
    bool hasR = true;
    if (r.reliabilityColumn >= 0)
      hasR = parseCell(cells[r.reliabilityColumn], layout.decimalComma, p.reliability, bigR);
    if (bigT || bigC || bigR) {
      ++r.outOfRangeLines;
      note(lineNumber, "a value too large for a number");
      continue;
    }
    if (settings.celsius && hasT) p.temperature += 273.15;
    double hallValue = 0;
    if (hall) {
      hallValue = value * unitFactor;
      p.concentration = hallValue != 0 ? settings.hallFactor / (kImportCharge * std::fabs(hallValue)) : 0;
    } else {
      p.concentration = value * unitFactor;
    }
    const std::string quantity = hall ? "R_H" : "concentration";
    if (!hasT) {
      p.refusal = Refusal::Temperature, p.reason = "no number in the temperature column";
    } else if (!(p.temperature > 0)) {
      p.refusal = Refusal::Temperature, p.reason = "temperature not above 0 K";
    } else if (!hasC) {
      p.refusal = Refusal::Concentration, p.reason = "no number in the " + quantity + " column";
    } else if (hall && hallValue == 0) {
      p.refusal = Refusal::Concentration, p.reason = "R_H is zero";
    } else if (!std::isfinite(p.concentration)) {
      p.refusal = Refusal::Concentration, p.reason = "concentration too large for a number";
    } else if (!(p.concentration > 0)) {
      p.refusal = Refusal::Concentration, p.reason = "concentration zero or negative";
    } else if (!hasR) {
      p.refusal = Refusal::Reliability, p.reason = "no number in the reliability column";
    } else if (!(p.reliability >= 0)) {
      p.refusal = Refusal::Reliability, p.reason = "negative reliability";
    }
    if (hall) {
      if (hallValue > 0) ++r.positiveRows;
      if (hallValue < 0) ++r.negativeRows;
    }
    r.points.push_back(std::move(p));
    hallValues.push_back(hallValue);
  }

  // The conduction type the signs propose: holes for R_H > 0, electrons for R_H < 0; on a
  // tie the sign at the lowest temperature, where the sample is farthest from intrinsic.
  if (hall && r.positiveRows + r.negativeRows > 0) {
    bool holes = r.positiveRows > r.negativeRows;
    if (r.positiveRows == r.negativeRows) {
      std::size_t lowest = r.points.size();
      for (std::size_t k = 0; k < r.points.size(); ++k)
        if (hallValues[k] != 0 && (lowest == r.points.size() || r.points[k].temperature < r.points[lowest].temperature))
          lowest = k;
      holes = hallValues[lowest] > 0;
    }
    r.proposedType = holes ? "p-type" : "n-type";
  }
  r.conductionType = settings.conductionType == "n-type" || settings.conductionType == "p-type"
                         ? settings.conductionType
                         : r.proposedType;
  if (hall && !r.conductionType.empty()) {
    const bool holes = r.conductionType == "p-type";
    const std::string reason = "R_H " + std::string(holes ? "< 0" : "> 0") + " disagrees with " + r.conductionType;
    std::vector<ImportedPoint> kept;
    for (std::size_t k = 0; k < r.points.size(); ++k) {
      if (hallValues[k] != 0 && (hallValues[k] > 0) != holes) {
        ++r.signLines;
        r.signLineNumbers.push_back(r.points[k].line);
        note(r.points[k].line, reason);
      } else {
        kept.push_back(std::move(r.points[k]));
      }
    }
    r.points = std::move(kept);
  }
  for (const auto& p : r.points)
    if (p.refusal != Refusal::None) note(p.line, p.reason, true);

  std::sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.line < b.line; });
  for (const auto& n : notes) {
    if (!r.notes.empty() && r.notes.back().last + 1 == n.line && r.notes.back().reason == reasons[n.reason] &&
        r.notes.back().refused == n.refused) {
      r.notes.back().last = n.line;
    } else {
      r.notes.push_back({n.line, n.line, reasons[n.reason], n.refused});
    }
  }
  return r;
}

std::string ImportResult::Report(const ImportSettings& settings) const {
  const bool hall = settings.quantity == ImportQuantity::HallCoefficient;
  std::string s = "Read " + plural(Accepted(), "point", "points");
  if (!run.empty()) s += " of run " + run;
  s += ": T [" + std::string(settings.celsius ? "°C" : "K") + "] from " + columnText(temperatureColumn, layout) + ", " +
       (hall ? "R_H" : "n") + " [" + ImportUnitText(settings.unit) + "] from " +
       columnText(concentrationColumn, layout);
  if (reliabilityColumn >= 0) s += ", reliability from " + columnText(reliabilityColumn, layout);
  s += ".\n";
  if (hall) s += "n = r_H/(q*|R_H|) with the Hall factor r_H = " + FormatGeneral(settings.hallFactor) + ".\n";
  s += "Cells: " + layout.SeparatorText() + ".";
  if (layout.byteOrderMark) s += " A UTF-8 byte-order mark was skipped.";
  s += "\n";
  if (layout.markerLine > 0)
    s += "Settings block: lines " + std::to_string(std::min(settings.skipLines + 1, layout.markerLine)) + "-" +
         std::to_string(layout.markerLine) + ", up to the marker " + layout.marker + ".\n";
  if (layout.namesLine > 0) {
    std::string list;
    for (const auto& n : layout.names) list += (list.empty() ? "" : ", ") + n;
    s += "Column names (line " + std::to_string(layout.namesLine) + "): " + list + ".\n";
  }
  if (layout.runColumn >= 0 && !layout.runs.empty()) {
    std::string list;
    for (const auto& l : layout.runs) list += (list.empty() ? "" : ", ") + l;
    s += "Runs in " + columnText(layout.runColumn, layout) + ": " + list + ".\n";
  }
  if (hall && positiveRows + negativeRows > 0) {
    s += "R_H > 0 in " + std::to_string(positiveRows) + ", R_H < 0 in " + std::to_string(negativeRows) +
         " rows: " + proposedType + " proposed";
    if (!conductionType.empty() && conductionType != proposedType) s += ", read as " + conductionType;
    s += ".\n";
  }
  std::vector<std::string> skipped;
  if (askedLines) skipped.push_back(plural(askedLines, "line", "lines") + " left out as asked");
  if (commentLines) skipped.push_back(plural(commentLines, "comment line", "comment lines"));
  if (settingsLines) skipped.push_back(plural(settingsLines, "line", "lines") + " of the settings block");
  if (headerLines) skipped.push_back(plural(headerLines, "header line", "header lines"));
  if (emptyLines) skipped.push_back(plural(emptyLines, "empty line", "empty lines"));
  if (otherRunLines) skipped.push_back(plural(otherRunLines, "line", "lines") + " of other runs");
  if (shortLines) skipped.push_back(plural(shortLines, "line", "lines") + " with fewer values than the chosen columns");
  if (outOfRangeLines)
    skipped.push_back(plural(outOfRangeLines, "line", "lines") + " with a value too large for a number");
  if (signLines)
    skipped.push_back(plural(signLines, "row", "rows") + " whose R_H sign disagrees with " + conductionType +
                      " (lines " + LineList(signLineNumbers, 50) + ")");
  s += "Skipped: ";
  if (skipped.empty()) s += "none";
  for (std::size_t i = 0; i < skipped.size(); ++i) s += (i ? ", " : "") + skipped[i];
  s += ".\nRefused: ";
  s += Refused() == 0 ? "none.\n" : plural(Refused(), "line", "lines") + ":";
  constexpr int kListed = 50;
  int listed = 0;
  for (const auto& p : points)
    if (p.refusal != Refusal::None && listed++ < kListed) s += "\n  line " + std::to_string(p.line) + ": " + p.reason;
  if (listed > kListed) s += "\n  ... (" + std::to_string(listed - kListed) + " more)";
  if (Refused() > 0) s += "\n";
  return s;
}

}  // namespace korv
