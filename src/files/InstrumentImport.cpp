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

bool isEmptyLine(std::string_view line) {
  for (char c : line)
    if (!isBlank(c) && c != ',' && c != ';') return false;
  return true;
}

// The names of the names row: split at its strongest separator.
std::vector<std::string> nameCells(std::string_view line, const ImportLayout& layout) {
  std::vector<std::string> names;
  if (layout.separator == ImportSeparator::Comma || layout.strictTabs || layout.quotes) return layout.Cells(line, 1000);
  char sep = 0;
  if (layout.separator == ImportSeparator::Semicolon)
    sep = ';';
  else if (line.find('\t') != std::string_view::npos)
    sep = '\t';
  else if (layout.separator == ImportSeparator::Mixed && line.find(',') != std::string_view::npos)
    sep = ',';
  if (sep == 0) {
    return layout.Cells(line, 1000);
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

namespace {

// Cells at each `sep`, RFC 4180 quoting: a cell opened by '"' runs to the closing quote, a
// doubled quote inside stands for one. Blanks around a cell are dropped.
std::vector<std::string> delimitedCells(std::string_view line, char sep, std::size_t limit) {
  std::vector<std::string> cells;
  std::size_t i = 0;
  while (cells.size() < limit) {
    while (i < line.size() && line[i] == ' ') ++i;
    std::string cell;
    if (i < line.size() && line[i] == '"') {
      ++i;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            cell += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        cell += line[i++];
      }
      // Anything after the closing quote up to the separator belongs to the cell.
      std::size_t end = line.find(sep, i);
      if (end == std::string_view::npos) end = line.size();
      cell += std::string(trimmed(line.substr(i, end - i)));
      i = end;
    } else {
      std::size_t end = line.find(sep, i);
      if (end == std::string_view::npos) end = line.size();
      cell = std::string(trimmed(line.substr(i, end - i)));
      i = end;
    }
    cells.push_back(std::string(trimmed(cell)));
    if (i >= line.size()) break;
    ++i;  // the separator
  }
  return cells;
}

}  // namespace

std::vector<std::string> ImportLayout::Cells(std::string_view line, std::size_t limit) const {
  std::vector<std::string> cells;
  if (separator == ImportSeparator::Mixed) {
    for (auto t : SplitTokens(line, limit)) cells.emplace_back(t);
    return cells;
  }
  if (separator == ImportSeparator::Comma) return delimitedCells(line, ',', limit);
  if (separator == ImportSeparator::Semicolon) return delimitedCells(line, ';', limit);
  if (strictTabs || quotes) {
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return delimitedCells(line, '\t', limit);
  }
  // Runs of tabs count as one separator; blanks around a cell are dropped.
  std::size_t i = 0;
  while (i < line.size() && cells.size() < limit) {
    while (i < line.size() && (line[i] == '\t' || line[i] == '\r')) ++i;
    std::size_t start = i;
    while (i < line.size() && line[i] != '\t' && line[i] != '\r') ++i;
    std::string_view cell = trimmed(line.substr(start, i - start));
    if (!cell.empty()) cells.emplace_back(cell);
  }
  return cells;
}

std::string ImportLayout::SeparatorText() const {
  std::string s = separator == ImportSeparator::Semicolon ? "semicolons"
                  : separator == ImportSeparator::Tab     ? "tabs"
                  : separator == ImportSeparator::Comma   ? "commas"
                                                          : "blanks, tabs or commas";
  s += decimalComma ? ", decimal comma" : ", decimal point";
  if (quotes) s += ", quoted cells";
  return s;
}

bool IsCommentLine(std::string_view line) {
  line = trimmed(line);
  if (line.empty()) return false;
  return line[0] == '#' || line[0] == '%' || line[0] == ';' || line.substr(0, 2) == "//";
}

// ---- Layout --------------------------------------------------------------------------------

namespace {

// A marker line: one bracketed word or phrase, "[Data]", "[Daten]", "[Messwerte]".
bool isBracketLine(std::string_view line) {
  line = trimmed(line);
  if (line.size() < 3 || line.front() != '[' || line.back() != ']') return false;
  return line.substr(1, line.size() - 2).find_first_of("[]\t;,") == std::string_view::npos;
}

// A row of the table: more than half of its non-empty cells are numbers.
bool isDataRow(const std::vector<std::string>& cells, bool decimalComma) {
  int numbers = 0, filled = 0;
  for (const auto& c : cells) {
    if (c.empty()) continue;
    ++filled;
    if (IsNumberCell(c, decimalComma)) ++numbers;
  }
  return numbers > 0 && 2 * numbers > filled;
}

bool isUnitsRow(const std::vector<std::string>& cells) {
  int units = 0, filled = 0;
  for (const auto& c : cells) {
    if (c.empty()) continue;
    ++filled;
    std::string_view t = trimmed(c);
    if (ParseColumnUnit(t) != ColumnUnit::None || (t.size() >= 2 && (t.front() == '(' || t.front() == '[')) ||
        lowered(t) == "a.u." || lowered(t) == "-")
      ++units;
  }
  return filled > 0 && 2 * units > filled;
}

// "n", "P", "n-type", "electrons": +1 for holes, -1 for electrons, 0 for anything else.
int typeLabel(std::string_view cell) {
  std::string t = lowered(trimmed(cell));
  if (t == "p" || t == "p-type" || t == "ptype" || t == "p type" || t == "holes" || t == "hole") return 1;
  if (t == "n" || t == "n-type" || t == "ntype" || t == "n type" || t == "electrons" || t == "electron") return -1;
  return 0;
}

bool readNumber(std::string_view text, double& value) {
  bool big = false;
  text = trimmed(text);
  return parseCell(text, false, value, big) && !big;
}

// The factor of a length unit to micron; 0 when unknown.
double micronFactor(std::string unit) {
  for (const char* p : {"\xC2\xB5", "\xCE\xBC"})
    if (unit.rfind(p, 0) == 0) unit = "u" + unit.substr(2);
  unit = lowered(trimmed(unit));
  if (unit == "um" || unit == "micron" || unit == "microns" || unit == "mikrometer") return 1;
  if (unit == "mm") return 1e3;
  if (unit == "cm") return 1e4;
  if (unit == "nm") return 1e-3;
  if (unit == "m") return 1e6;
  return 0;
}

// Reads the values of one preamble line into the header: key and value split at the first
// tab, comma, semicolon, '=' or ':'; the unit from the key's brackets or after the number.
void readHeaderLine(std::string_view line, int lineNumber, ImportHeader& h) {
  std::string plain;
  for (char c : trimmed(line))
    if (c != '"') plain += c;
  std::size_t at = plain.find_first_of("\t,;=:");
  if (at == std::string::npos) return;
  std::string key = lowered(trimmed(std::string_view(plain).substr(0, at)));
  std::string value(trimmed(std::string_view(plain).substr(at + 1)));
  for (char& c : value)
    if (c == '\t' || c == ',' || c == ';') c = ' ';
  value = std::string(trimmed(value));
  if (value.empty()) return;
  std::string keyUnit = UnitOfName(key);
  std::string name = key.substr(0, key.find_first_of("([")).substr(0, std::string::npos);
  name = std::string(trimmed(name));
  // The unit after the number: "525 um".
  double number = 0;
  bool hasNumber = readNumber(value, number);
  std::string valueUnit;
  if (hasNumber) {
    std::size_t end = value.find(' ');
    if (end != std::string::npos) valueUnit = std::string(trimmed(std::string_view(value).substr(end)));
  }
  const std::string unit = lowered(valueUnit.empty() ? keyUnit : valueUnit);
  auto has = [&](const char* w) { return name.find(w) != std::string::npos; };
  if (has("thickness") || has("dicke") || name == "d") {
    double f = unit.empty() ? 1 : micronFactor(unit);
    if (hasNumber && f > 0 && number > 0 && h.thicknessLine == 0)
      h.thickness = number * f, h.thicknessLine = lineNumber;
  } else if (has("field") || has("feld") || name == "b") {
    double f = unit.empty() || unit == "t" ? 1 : unit == "mt" ? 1e-3 : unit == "g" ? 1e-4 : unit == "kg" ? 0.1 : 0;
    if (hasNumber && f > 0 && h.fieldLine == 0) h.field = number * f, h.fieldLine = lineNumber;
  } else if (has("current") || has("strom") || name == "i") {
    std::string u = unit;
    for (const char* p : {"\xC2\xB5", "\xCE\xBC"})
      if (u.rfind(p, 0) == 0) u = "u" + u.substr(2);
    double f = u.empty() || u == "a" ? 1 : u == "ma" ? 1e-3 : u == "ua" ? 1e-6 : u == "na" ? 1e-9 : 0;
    if (hasNumber && f > 0 && h.currentLine == 0) h.current = number * f, h.currentLine = lineNumber;
  } else if (has("date") || has("datum")) {
    if (h.dateLine == 0) h.date = value, h.dateLine = lineNumber;
  } else if (has("sample") || has("probe") || has("specimen")) {
    if (h.sampleLine == 0) h.sample = value, h.sampleLine = lineNumber;
  }
}

}  // namespace

ImportLayout AnalyseLayout(std::string_view text, int runColumn, int skipLines) {
  ImportLayout layout;
  text = withoutByteOrderMark(text, layout.byteOrderMark);
  const std::vector<std::string_view> lines = splitLines(text);
  layout.lineCount = static_cast<int>(lines.size());
  const std::size_t skipped = static_cast<std::size_t>(std::max(skipLines, 0));

  // The lines that may hold data: neither empty nor comments.
  std::vector<int> content;
  for (std::size_t i = skipped; i < lines.size(); ++i)
    if (!isEmptyLine(lines[i]) && !IsCommentLine(lines[i])) content.push_back(static_cast<int>(i));
  std::vector<int> judgedContent;

  // The separator and the decimal sign, judged on the first lines after the last marker (a
  // settings block may be written otherwise than the table).
  {
    std::size_t last = content.size();
    for (std::size_t k = 0; k < content.size(); ++k)
      if (isBracketLine(lines[content[k]])) last = k;
    std::vector<int> judgedLines;
    if (last + 1 < content.size())
      judgedLines.assign(content.begin() + static_cast<std::ptrdiff_t>(last) + 1, content.end());
    judgedContent = judgedLines.empty() ? content : judgedLines;
  }
  constexpr std::size_t kJudged = 1000;
  const std::size_t judged = std::min(judgedContent.size(), kJudged);
  bool semicolon = false, tab = false, quote = false;
  std::size_t commaLines = 0;
  for (std::size_t k = 0; k < judged; ++k) {
    std::string_view l = lines[judgedContent[k]];
    semicolon = semicolon || l.find(';') != std::string_view::npos;
    tab = tab || l.find('\t') != std::string_view::npos;
    quote = quote || l.find('"') != std::string_view::npos;
    if (l.find(',') != std::string_view::npos) ++commaLines;
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
      for (const auto& cell : probe.Cells(lines[judgedContent[k]], 64)) {
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
  if (layout.separator == ImportSeparator::Mixed && judged > 0 && !tab) {
    // Commas on (nearly) every line, with quotes or empty cells: a CSV, each comma separates.
    bool emptyCells = false;
    for (std::size_t k = 0; k < judged && !emptyCells; ++k)
      for (const auto& c : delimitedCells(lines[judgedContent[k]], ',', 64))
        if (c.empty()) {
          emptyCells = true;
          break;
        }
    if ((quote || emptyCells) && commaLines * 10 >= judged * 9) layout.separator = ImportSeparator::Comma;
  }
  layout.quotes = quote && layout.separator != ImportSeparator::Mixed;
  if (layout.separator == ImportSeparator::Tab && !layout.quotes) {
    // Rows that agree in their number of tabs keep their empty cells; aligned columns with runs
    // of tabs do not.
    std::map<std::size_t, std::size_t> counts;
    std::size_t numeric = 0;
    for (std::size_t k = 0; k < judged; ++k) {
      std::string_view l = lines[judgedContent[k]];
      if (!startsWithNumber(trimmed(l), layout.decimalComma)) continue;
      ++numeric;
      ++counts[static_cast<std::size_t>(std::count(l.begin(), l.end(), '\t'))];
    }
    bool doubled = false;
    for (std::size_t k = 0; k < judged && !doubled; ++k) {
      std::string_view l = lines[judgedContent[k]];
      while (!l.empty() && (l.back() == '\r' || l.back() == ' ')) l.remove_suffix(1);
      doubled = l.find("\t\t") != std::string_view::npos || (!l.empty() && (l.back() == '\t' || l.front() == '\t'));
    }
    layout.strictTabs = doubled && counts.size() == 1 && numeric > 0;
  }

  // The table: the longest run of rows with one number of cells that hold numbers; rows of
  // numbers just above it belong to it too.
  std::vector<std::vector<std::string>> cellsOf(content.size());
  std::vector<bool> data(content.size());
  for (std::size_t k = 0; k < content.size(); ++k) {
    cellsOf[k] = layout.Cells(lines[content[k]], 64);
    data[k] = isDataRow(cellsOf[k], layout.decimalComma) && !isBracketLine(lines[content[k]]);
  }
  std::size_t bestStart = content.size(), bestLength = 0;
  for (std::size_t k = 0; k < content.size();) {
    if (!data[k]) {
      ++k;
      continue;
    }
    std::size_t j = k + 1;
    while (j < content.size() && data[j] && cellsOf[j].size() == cellsOf[k].size()) ++j;
    if (j - k > bestLength) bestStart = k, bestLength = j - k;
    k = j;
  }
  // Rows above it that hold a number are rows of the table too (refused when they give no
  // point): only lines without numbers are names, units or preamble, so nothing with a number
  // in it is left out unseen.
  std::size_t firstData = bestStart;
  auto holdsNumber = [&](std::size_t k) {
    return std::any_of(cellsOf[k].begin(), cellsOf[k].end(),
                       [&](const std::string& c) { return startsWithNumber(c, layout.decimalComma); });
  };
  for (;;) {
    while (firstData > 0 && firstData < content.size() && !isBracketLine(lines[content[firstData - 1]]) &&
           (data[firstData - 1] || (holdsNumber(firstData - 1) && !isUnitsRow(cellsOf[firstData - 1]))))
      --firstData;
    // A row of text between rows of the table ("pause", a note) belongs to it: refused, not names.
    const std::size_t width = firstData < content.size() ? cellsOf[firstData].size() : 0;
    if (firstData >= 2 && firstData < content.size() && !isBracketLine(lines[content[firstData - 1]]) &&
        data[firstData - 2] && cellsOf[firstData - 2].size() == width && cellsOf[firstData - 1].size() == width &&
        !isUnitsRow(cellsOf[firstData - 1])) {
      firstData -= 2;
      continue;
    }
    break;
  }
  // A marker just above the names closes a settings block.
  std::size_t top = firstData;  // first content index of names/units
  if (firstData == content.size()) {
    // No table: the old reading, the first line of text gives the names.
    for (std::size_t k = 0; k < content.size(); ++k)
      if (isBracketLine(lines[content[k]]) && lowered(lines[content[k]]).find("data") != std::string::npos) {
        layout.markerLine = content[k] + 1;
        layout.marker = std::string(trimmed(lines[content[k]]));
      }
    std::size_t k = 0;
    while (k < content.size() && content[k] < layout.markerLine) ++k;
    if (k < content.size()) {
      layout.namesLine = content[k] + 1;
      layout.names = nameCells(lines[content[k]], layout);
      for (++k; k < content.size(); ++k) layout.headerLines.push_back(content[k] + 1);
    }
  } else {
    // Non-data lines above the table up to a marker: names, then a units row.
    std::size_t above = firstData;
    while (above > 0 && !isBracketLine(lines[content[above - 1]]) && firstData - above < 2) --above;
    std::vector<std::size_t> heads;
    for (std::size_t k = above; k < firstData; ++k) heads.push_back(k);
    if (heads.size() == 2 && !isUnitsRow(cellsOf[heads[1]])) heads.erase(heads.begin());
    if (heads.size() == 2 && isUnitsRow(cellsOf[heads[0]]) && !isUnitsRow(cellsOf[heads[1]]))
      heads.erase(heads.begin());
    top = heads.empty() ? firstData : heads.front();
    if (!heads.empty()) {
      layout.namesLine = content[heads[0]] + 1;
      layout.names = nameCells(lines[content[heads[0]]], layout);
      for (std::size_t h = 1; h < heads.size(); ++h) {
        layout.headerLines.push_back(content[heads[h]] + 1);
        if (isUnitsRow(cellsOf[heads[h]])) layout.unitsLine = content[heads[h]] + 1;
      }
    }
    // The marker: the last bracketed line above the names.
    for (std::size_t k = 0; k < top; ++k)
      if (isBracketLine(lines[content[k]])) {
        layout.markerLine = content[k] + 1;
        layout.marker = std::string(trimmed(lines[content[k]]));
      }
    // Lines between the marker (or the top) and the names: a preamble.
    for (std::size_t k = 0; k < top; ++k)
      if (content[k] + 1 > layout.markerLine) {
        layout.preambleEnd = content[k] + 1;
        ++layout.preambleLines;
      }
    for (std::size_t k = 0; k < top; ++k) readHeaderLine(lines[content[k]], content[k] + 1, layout.header);
    layout.firstDataLine = content[firstData] + 1;
  }

  // Units of the columns: the units row, else the unit in the name.
  {
    std::vector<std::string> unitsRow;
    if (layout.unitsLine > 0) unitsRow = layout.Cells(lines[layout.unitsLine - 1], 1000);
    for (std::size_t c = 0; c < std::max(unitsRow.size(), layout.names.size()); ++c) {
      std::string u = c < unitsRow.size() ? unitsRow[c] : "";
      if (ParseColumnUnit(u) == ColumnUnit::None && c < layout.names.size()) u = UnitOfName(layout.names[c]);
      layout.units.push_back(u);
    }
  }

  // The Type column: text labels "n" and "p" only.
  if (firstData < content.size()) {
    const std::size_t rows = std::min(content.size() - firstData, static_cast<std::size_t>(2000));
    constexpr std::size_t kColumns = 20;
    std::vector<int> votes(kColumns, 0), labelled(kColumns, 0);
    std::vector<bool> typeOnly(kColumns, true);
    for (std::size_t k = 0; k < rows; ++k) {
      const auto& cells = cellsOf[firstData + k];
      for (std::size_t c = 0; c < kColumns && c < cells.size(); ++c) {
        if (cells[c].empty()) continue;
        int t = typeLabel(cells[c]);
        if (t == 0) typeOnly[c] = false;
        votes[c] += t;
        ++labelled[c];
      }
    }
    for (std::size_t c = 0; c < kColumns; ++c)
      if (typeOnly[c] && labelled[c] > 0) {
        layout.typeColumn = static_cast<int>(c);
        layout.typeProposed = votes[c] >= 0 ? "p-type" : "n-type";
        if (votes[c] == 0) {
          // On a tie, the first row's label.
          for (std::size_t k = 0; k < rows; ++k)
            if (c < cellsOf[firstData + k].size() && typeLabel(cellsOf[firstData + k][c]) != 0) {
              layout.typeProposed = typeLabel(cellsOf[firstData + k][c]) > 0 ? "p-type" : "n-type";
              break;
            }
        }
        break;
      }
  }

  // The run column: the one asked for, one named "run", or the first of repeated labels that
  // are not numbers ("180uA" is a label).
  if (runColumn < 0) {
    for (std::size_t i = 0; i < layout.names.size() && runColumn < 0; ++i)
      if (lowered(layout.names[i]).rfind("run", 0) == 0) runColumn = static_cast<int>(i);
  }
  if (runColumn < 0 && firstData < content.size()) {
    constexpr std::size_t kColumns = 20;
    const std::size_t rows = std::min(content.size() - firstData, static_cast<std::size_t>(2000));
    std::vector<bool> text(kColumns, rows > 1);
    std::vector<std::map<std::string, int>> labels(kColumns);
    for (std::size_t k = 0; k < rows; ++k) {
      const auto& cells = cellsOf[firstData + k];
      for (std::size_t c = 0; c < kColumns; ++c) {
        if (!text[c]) continue;
        if (c >= cells.size() || cells[c].empty() || IsNumberCell(cells[c], layout.decimalComma))
          text[c] = false;
        else
          ++labels[c][cells[c]];
      }
    }
    for (std::size_t c = 0; c < kColumns && runColumn < 0; ++c)
      if (text[c] && labels[c].size() < rows && static_cast<int>(c) != layout.typeColumn)
        runColumn = static_cast<int>(c);
  }
  layout.runColumn = runColumn;
  if (runColumn >= 0) {
    constexpr std::size_t kMaxRuns = 1000;
    std::set<std::string, std::less<>> seen;
    std::vector<double> values;  // runs of numbers are told apart by value
    for (std::size_t k = firstData < content.size() ? firstData : 0; k < content.size(); ++k) {
      if (content[k] + 1 <= layout.namesLine || content[k] + 1 <= layout.markerLine) continue;
      if (std::find(layout.headerLines.begin(), layout.headerLines.end(), content[k] + 1) != layout.headerLines.end())
        continue;
      auto cells = layout.Cells(lines[content[k]], static_cast<std::size_t>(runColumn) + 1);
      if (static_cast<int>(cells.size()) <= runColumn || seen.count(cells[runColumn])) continue;
      double v = 0;
      if (IsNumberCell(cells[runColumn], layout.decimalComma) &&
          readNumber(layout.decimalComma ? [&] {
            std::string t = cells[runColumn];
            std::replace(t.begin(), t.end(), ',', '.');
            return t;
          }()
                                         : cells[runColumn],
                     v)) {
        bool known = false;
        for (double w : values) known = known || std::fabs(w - v) <= 1e-9 * std::max(std::fabs(w), std::fabs(v));
        if (known) continue;
        values.push_back(v);
      }
      if (layout.runs.size() == kMaxRuns) break;
      seen.emplace(cells[runColumn]);
      layout.runs.emplace_back(cells[runColumn]);
    }
  }
  return layout;
}

// ---- Units ---------------------------------------------------------------------------------

ColumnUnit ParseColumnUnit(std::string_view text) {
  std::string t;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::string_view rest = text.substr(i);
    if (rest.rfind("\xE2\x81\xBB", 0) == 0)
      t += '-', i += 2;  // superscript minus
    else if (rest.rfind("\xC2\xB3", 0) == 0)
      t += '3', i += 1;  // superscript three
    else if (rest.rfind("\xC2\xB2", 0) == 0)
      t += '2', i += 1;  // superscript two
    else if (rest.rfind("\xC2\xB0", 0) == 0)
      t += "deg", i += 1;  // degree sign
    else if (rest.rfind("\xE2\x84\x83", 0) == 0)
      t += "degc", i += 2;  // degree Celsius sign
    else if (c == ' ' || c == '^' || c == '*' || c == '(' || c == ')' || c == '[' || c == ']' || c == '"')
      continue;
    else
      t += lower(static_cast<char>(c));
  }
  if (t == "k" || t == "kelvin") return ColumnUnit::Kelvin;
  if (t == "degc" || t == "c" || t == "celsius" || t == "grad" || t == "degreesc" || t == "degreec")
    return ColumnUnit::Celsius;
  if (t == "cm-3" || t == "1/cm3" || t == "/cm3" || t == "percm3") return ColumnUnit::PerCubicCentimetre;
  if (t == "m-3" || t == "1/m3" || t == "/m3") return ColumnUnit::PerCubicMetre;
  if (t == "cm3/c" || t == "cm3c-1" || t == "cm3/as") return ColumnUnit::CubicCentimetrePerCoulomb;
  if (t == "m3/c" || t == "m3c-1" || t == "m3/as") return ColumnUnit::CubicMetrePerCoulomb;
  if (t == "cm-2" || t == "1/cm2" || t == "/cm2") return ColumnUnit::PerSquareCentimetre;
  if (t == "m-2" || t == "1/m2" || t == "/m2") return ColumnUnit::PerSquareMetre;
  return ColumnUnit::None;
}

std::string UnitOfName(std::string_view name) {
  name = trimmed(name);
  for (auto [open, close] : {std::pair{'(', ')'}, std::pair{'[', ']'}}) {
    std::size_t end = name.rfind(close);
    std::size_t start = end == std::string_view::npos ? end : name.rfind(open, end);
    if (start != std::string_view::npos && end == name.size() - 1)
      return std::string(name.substr(start + 1, end - start - 1));
  }
  std::size_t at = name.find('_');
  // "T_K", "R_H_m3/C": the part after the last '_' that reads as a unit.
  for (std::size_t pos = name.size(); at != std::string_view::npos && pos > 0;) {
    std::size_t u = name.rfind('_', pos - 1);
    if (u == std::string_view::npos) break;
    std::string_view tail = name.substr(u + 1);
    if (ParseColumnUnit(tail) != ColumnUnit::None) return std::string(tail);
    if (u == 0) break;
    pos = u;
  }
  std::size_t blank = name.rfind(' ');
  if (blank != std::string_view::npos && ParseColumnUnit(name.substr(blank + 1)) != ColumnUnit::None)
    return std::string(name.substr(blank + 1));
  return "";
}

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
      {"cm-2", ImportUnit::PerSquareCentimetre},
      {"cm^-2", ImportUnit::PerSquareCentimetre},
      {"m-2", ImportUnit::PerSquareMetre},
      {"m^-2", ImportUnit::PerSquareMetre},
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
    case ImportUnit::PerSquareCentimetre:
      return "cm^-2";
    case ImportUnit::PerSquareMetre:
      return "m^-2";
  }
  return "";
}

bool IsSheetUnit(ImportUnit unit) {
  return unit == ImportUnit::PerSquareCentimetre || unit == ImportUnit::PerSquareMetre;
}

bool UnitFits(ImportQuantity quantity, ImportUnit unit) {
  bool concentration = unit == ImportUnit::PerCubicCentimetre || unit == ImportUnit::PerCubicMetre || IsSheetUnit(unit);
  return concentration == (quantity == ImportQuantity::Concentration);
}

std::string ColumnText(const ImportLayout& layout, int column) { return columnText(column, layout); }

std::string QuotedLine(std::string_view line) {
  std::string s;
  for (char c : line) {
    if (s.size() >= 200) return s + "...";
    if (c == '\t')
      s += ' ';
    else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
      s += c == '\r' ? "" : "?";
    else
      s += c;
  }
  return s;
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

namespace {

std::optional<ImportUnit> importUnit(ColumnUnit u) {
  switch (u) {
    case ColumnUnit::PerCubicCentimetre:
      return ImportUnit::PerCubicCentimetre;
    case ColumnUnit::PerCubicMetre:
      return ImportUnit::PerCubicMetre;
    case ColumnUnit::CubicCentimetrePerCoulomb:
      return ImportUnit::CubicCentimetrePerCoulomb;
    case ColumnUnit::CubicMetrePerCoulomb:
      return ImportUnit::CubicMetrePerCoulomb;
    case ColumnUnit::PerSquareCentimetre:
      return ImportUnit::PerSquareCentimetre;
    case ColumnUnit::PerSquareMetre:
      return ImportUnit::PerSquareMetre;
    default:
      return std::nullopt;
  }
}

ColumnUnit unitOfColumn(const ImportLayout& layout, int column) {
  if (column < 0 || column >= static_cast<int>(layout.units.size())) return ColumnUnit::None;
  return ParseColumnUnit(layout.units[column]);
}

bool startsWithWord(const std::string& name, const char* word) {
  std::size_t n = std::char_traits<char>::length(word);
  if (name.compare(0, n, word) != 0) return false;
  return name.size() == n || std::string(" _[(").find(name[n]) != std::string::npos;
}

// The column the names and units propose for the temperature, a density or R_H; -1: none.
enum class Wanted { Temperature, Density, Hall };
int proposedColumn(const ImportLayout& layout, Wanted wanted) {
  const std::size_t columns = std::max(layout.units.size(), layout.names.size());
  for (std::size_t c = 0; c < columns; ++c) {
    ColumnUnit u = unitOfColumn(layout, static_cast<int>(c));
    bool fits =
        wanted == Wanted::Temperature ? u == ColumnUnit::Kelvin || u == ColumnUnit::Celsius
        : wanted == Wanted::Hall
            ? u == ColumnUnit::CubicCentimetrePerCoulomb || u == ColumnUnit::CubicMetrePerCoulomb
            : importUnit(u) && !(u == ColumnUnit::CubicCentimetrePerCoulomb || u == ColumnUnit::CubicMetrePerCoulomb);
    if (fits) return static_cast<int>(c);
  }
  for (std::size_t c = 0; c < layout.names.size(); ++c) {
    const std::string n = lowered(trimmed(layout.names[c]));
    auto has = [&](const char* w) { return n.find(w) != std::string::npos; };
    if (has("mobil") || has("resist") || has("error") || has("sigma") || has("std")) continue;
    bool fits = false;
    if (wanted == Wanted::Temperature)
      fits = startsWithWord(n, "t") || n.rfind("temp", 0) == 0;
    else if (wanted == Wanted::Hall)
      fits = has("hall") || startsWithWord(n, "r_h") || startsWithWord(n, "rh");
    else
      fits = !has("hall") && (has("concentration") || has("density") || has("carrier") || has("dichte") ||
                              has("konzentration") || startsWithWord(n, "n") || startsWithWord(n, "p"));
    if (fits) return static_cast<int>(c);
  }
  return -1;
}

std::string quantityText(ImportQuantity q) {
  return q == ImportQuantity::HallCoefficient ? "a Hall coefficient" : "a carrier concentration";
}

std::string unitWord(ColumnUnit u) {
  if (u == ColumnUnit::Kelvin) return "K";
  if (u == ColumnUnit::Celsius) return "°C";
  auto iu = importUnit(u);
  return iu ? ImportUnitText(*iu) : "";
}

bool sameNumber(const std::string& a, const std::string& b, bool decimalComma, double& va, double& vb) {
  bool big = false;
  if (!IsNumberCell(a, decimalComma) || !IsNumberCell(b, decimalComma)) return false;
  parseCell(trimmed(a), decimalComma, va, big);
  parseCell(trimmed(b), decimalComma, vb, big);
  return std::fabs(va - vb) <= 1e-9 * std::max(std::fabs(va), std::fabs(vb));
}

}  // namespace

ImportProposal ProposeImport(const ImportLayout& layout) {
  ImportProposal p;
  p.temperatureColumn = proposedColumn(layout, Wanted::Temperature);
  p.concentrationColumn = proposedColumn(layout, Wanted::Density);
  if (p.concentrationColumn < 0) p.concentrationColumn = proposedColumn(layout, Wanted::Hall);
  if (p.concentrationColumn >= 0) {
    p.unit = importUnit(unitOfColumn(layout, p.concentrationColumn));
    if (p.unit)
      p.quantity = UnitFits(ImportQuantity::Concentration, *p.unit) ? ImportQuantity::Concentration
                                                                    : ImportQuantity::HallCoefficient;
    else if (proposedColumn(layout, Wanted::Hall) == p.concentrationColumn)
      p.quantity = ImportQuantity::HallCoefficient;
  }
  ColumnUnit t = unitOfColumn(layout, p.temperatureColumn);
  if (t == ColumnUnit::Kelvin || t == ColumnUnit::Celsius) p.celsius = t == ColumnUnit::Celsius;
  return p;
}

namespace {

// One row that gave a value pair, before the signs, types and sweeps are judged.
struct Row {
  ImportedPoint point;
  double value = 0;      // the cell's number in the chosen unit
  double signValue = 0;  // R_H or the signed density: its sign tells the type; 0: none
  int type = 0;          // of the Type column: +1 holes, -1 electrons, 0 none
  std::vector<std::string> cells;
};

}  // namespace

ImportResult ImportMeasurement(std::string_view text, const ImportSettings& settings) {
  ImportResult r;
  {
    ImportLayout names = AnalyseLayout(text, -1, settings.skipLines);
    int forced = settings.runColumn.empty() ? -1 : resolveColumn(settings.runColumn, names, "run");
    r.layout = forced < 0 ? std::move(names) : AnalyseLayout(text, forced, settings.skipLines);
  }
  const ImportLayout& layout = r.layout;
  if (settings.quantity && settings.unit && !UnitFits(*settings.quantity, *settings.unit))
    throw Error("The unit " + ImportUnitText(*settings.unit) + " does not belong to " +
                quantityText(*settings.quantity));
  if (settings.quantity == ImportQuantity::HallCoefficient &&
      !(settings.hallFactor > 0 && std::isfinite(settings.hallFactor)))
    throw Error("The Hall factor must be a number greater than 0");

  // The columns: as chosen, else as the names and units propose.
  {
    std::string t = settings.temperatureColumn;
    if (trimmed(t).empty()) {
      int c = proposedColumn(layout, Wanted::Temperature);
      if (c >= 0) t = std::to_string(c + 1);
    }
    r.temperatureColumn = resolveColumn(t, layout, "temperature");
  }
  const bool quantityGiven = settings.quantity.has_value();
  {
    std::string n = settings.concentrationColumn;
    if (trimmed(n).empty()) {
      int c = -1;
      if (!quantityGiven || settings.quantity == ImportQuantity::Concentration)
        c = proposedColumn(layout, Wanted::Density);
      if (c < 0 && (!quantityGiven || settings.quantity == ImportQuantity::HallCoefficient))
        c = proposedColumn(layout, Wanted::Hall);
      if (c >= 0) n = std::to_string(c + 1);
    }
    r.concentrationColumn = resolveColumn(
        n, layout, settings.quantity == ImportQuantity::HallCoefficient ? "Hall coefficient" : "concentration");
  }

  // Quantity, unit and temperature scale: the file's, unless chosen; a contradiction is refused.
  const ColumnUnit fileUnit = unitOfColumn(layout, r.concentrationColumn);
  const std::optional<ImportUnit> fileImportUnit = importUnit(fileUnit);
  const std::string fileSource = layout.unitsLine > 0 ? "the units row" : "the column name";
  const std::string nColumn = columnText(r.concentrationColumn, layout);
  std::optional<ImportQuantity> fileQuantity;
  if (fileImportUnit)
    fileQuantity = UnitFits(ImportQuantity::Concentration, *fileImportUnit) ? ImportQuantity::Concentration
                                                                            : ImportQuantity::HallCoefficient;
  if (quantityGiven && fileQuantity && *fileQuantity != *settings.quantity)
    throw Error("The file gives " + ImportUnitText(*fileImportUnit) + " for " + nColumn + ", " +
                quantityText(*fileQuantity) + ", but " + quantityText(*settings.quantity) + " was chosen");
  if (settings.unit && fileImportUnit && *settings.unit != *fileImportUnit)
    throw Error("The file gives " + ImportUnitText(*fileImportUnit) + " for " + nColumn + ", but the unit " +
                ImportUnitText(*settings.unit) + " was chosen");
  if (quantityGiven)
    r.quantity = *settings.quantity;
  else if (fileQuantity)
    r.quantity = *fileQuantity;
  else if (settings.unit)
    r.quantity = UnitFits(ImportQuantity::HallCoefficient, *settings.unit) ? ImportQuantity::HallCoefficient
                                                                           : ImportQuantity::Concentration;
  else
    r.quantity = proposedColumn(layout, Wanted::Hall) == r.concentrationColumn ? ImportQuantity::HallCoefficient
                                                                               : ImportQuantity::Concentration;
  const bool hall = r.quantity == ImportQuantity::HallCoefficient;
  r.unit = settings.unit    ? *settings.unit
           : fileImportUnit ? *fileImportUnit
           : hall           ? ImportUnit::CubicCentimetrePerCoulomb
                            : ImportUnit::PerCubicCentimetre;
  r.unitSource = fileImportUnit ? "from " + fileSource : settings.unit ? "as chosen" : "";
  if (!UnitFits(r.quantity, r.unit))
    throw Error("The unit " + ImportUnitText(r.unit) + " does not belong to " + quantityText(r.quantity));
  if (hall && !(settings.hallFactor > 0 && std::isfinite(settings.hallFactor)))
    throw Error("The Hall factor must be a number greater than 0");
  {
    const ColumnUnit tUnit = unitOfColumn(layout, r.temperatureColumn);
    const bool fileKnows = tUnit == ColumnUnit::Kelvin || tUnit == ColumnUnit::Celsius;
    if (settings.celsius && fileKnows && *settings.celsius != (tUnit == ColumnUnit::Celsius))
      throw Error("The file gives " + unitWord(tUnit) + " for " + columnText(r.temperatureColumn, layout) +
                  ", but temperatures in " + (*settings.celsius ? "°C" : "K") + " were chosen");
    r.celsius = settings.celsius ? *settings.celsius : tUnit == ColumnUnit::Celsius;
  }
  double sheetFactor = 1;  // cm^-2 (or m^-2) to cm^-3
  if (IsSheetUnit(r.unit)) {
    r.thickness = settings.thickness > 0 ? settings.thickness : layout.header.thickness;
    if (!(r.thickness > 0 && std::isfinite(r.thickness)))
      throw Error("Sheet densities [" + ImportUnitText(r.unit) +
                  "] need the sample thickness: give it (micron) or a Thickness line in the file");
    sheetFactor = 1 / (r.thickness * 1e-4);
    r.remark = "n = n_s/d from sheet densities [" + ImportUnitText(r.unit) + "], d = " + FormatGeneral(r.thickness) +
               " micron" +
               (settings.thickness > 0 && settings.thickness != layout.header.thickness
                    ? std::string(" as given")
                    : " from line " + std::to_string(layout.header.thicknessLine));
  }

  if (!trimmed(settings.reliabilityColumn).empty())
    r.reliabilityColumn = resolveColumn(settings.reliabilityColumn, layout, "reliability");
  if (layout.runColumn >= 0 && !layout.runs.empty()) {
    r.run = settings.run.empty() ? layout.runs.front() : settings.run;
    auto known = std::find(layout.runs.begin(), layout.runs.end(), r.run);
    if (known == layout.runs.end())
      for (const auto& label : layout.runs) {
        double a = 0, b = 0;
        if (sameNumber(label, r.run, layout.decimalComma, a, b)) {
          r.run = label;
          known = layout.runs.begin();
          break;
        }
      }
    if (known == layout.runs.end()) {
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
  constexpr int kKeptColumns = 20;  // cells kept of each row, for the run columns a sweep may need
  const int fetched = std::max({needed, layout.typeColumn, kKeptColumns - 1});
  const double unitFactor = r.unit == ImportUnit::PerCubicMetre          ? 1e-6
                            : r.unit == ImportUnit::CubicMetrePerCoulomb ? 1e6
                            : r.unit == ImportUnit::PerSquareMetre       ? 1e-4 * sheetFactor
                            : r.unit == ImportUnit::PerSquareCentimetre  ? sheetFactor
                                                                         : 1.0;
  const std::string settingsReason =
      "settings block" + (layout.marker.empty() ? std::string() : " up to the marker " + layout.marker);
  std::vector<Row> rows;
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
    if (lineNumber <= layout.preambleEnd && !isEmptyLine(line) && !IsCommentLine(line)) {
      ++r.preambleLines;
      note(lineNumber, "preamble");
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
      note(lineNumber, lineNumber == layout.unitsLine ? "units" : "header without numbers");
      continue;
    }
    // Only the cells up to the chosen columns matter: a line of millions of cells costs no memory.
    auto cells = layout.Cells(line, static_cast<std::size_t>(fetched) + 1);
    if (layout.runColumn >= 0 && static_cast<int>(cells.size()) > layout.runColumn &&
        cells[layout.runColumn] != r.run) {
      double a = 0, b = 0;
      if (!sameNumber(cells[layout.runColumn], r.run, layout.decimalComma, a, b)) {
        ++r.otherRunLines;
        note(lineNumber, "run " + cells[layout.runColumn]);
        continue;
      }
    }
    if (static_cast<int>(cells.size()) <= needed) {
      ++r.shortLines;
      note(lineNumber, "fewer values than the chosen columns");
      continue;
    }
    Row row;
    ImportedPoint& p = row.point;
    p.line = lineNumber;
    p.rawTemperature = cells[r.temperatureColumn];
    p.rawConcentration = cells[r.concentrationColumn];
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
    if (r.celsius && hasT) p.temperature += 273.15;
    row.value = value * unitFactor;
    if (hall) {
      p.concentration = row.value != 0 ? settings.hallFactor / (kImportCharge * std::fabs(row.value)) : 0;
    } else {
      p.concentration = row.value;
    }
    if (hasC) row.signValue = row.value;
    if (layout.typeColumn >= 0 && layout.typeColumn < static_cast<int>(cells.size()))
      row.type = typeLabel(cells[layout.typeColumn]);
    const std::string quantity = hall ? "R_H" : "concentration";
    const bool emptyT = trimmed(cells[r.temperatureColumn]).empty();
    const bool emptyC = trimmed(cells[r.concentrationColumn]).empty();
    if (!hasT) {
      p.refusal = Refusal::Temperature;
      p.reason = emptyT ? "empty cell in the temperature column" : "no number in the temperature column";
    } else if (!(p.temperature > 0)) {
      p.refusal = Refusal::Temperature, p.reason = "temperature not above 0 K";
    } else if (!hasC) {
      p.refusal = Refusal::Concentration;
      p.reason = (emptyC ? "empty cell in the " : "no number in the ") + quantity + " column";
    } else if (hall && row.value == 0) {
      p.refusal = Refusal::Concentration, p.reason = "R_H is zero";
    } else if (!std::isfinite(p.concentration)) {
      p.refusal = Refusal::Concentration, p.reason = "concentration too large for a number";
    } else if (!hasR) {
      p.refusal = Refusal::Reliability;
      p.reason = trimmed(cells[r.reliabilityColumn]).empty() ? "empty cell in the reliability column"
                                                             : "no number in the reliability column";
    } else if (!(p.reliability >= 0)) {
      p.refusal = Refusal::Reliability, p.reason = "negative reliability";
    }
    cells.resize(std::min<std::size_t>(cells.size(), kKeptColumns));
    row.cells = std::move(cells);
    rows.push_back(std::move(row));
  }

  // Densities written negative for electrons: the sign tells the type as for R_H.
  if (!hall)
    for (const auto& row : rows)
      if (row.point.refusal == Refusal::None && row.value < 0) r.signedDensities = true;
  const bool signs = hall || r.signedDensities;
  for (auto& row : rows) {
    ImportedPoint& p = row.point;
    if (!hall && r.signedDensities) p.concentration = std::fabs(p.concentration);
    if (!hall && p.refusal == Refusal::None && !(p.concentration > 0))
      p.refusal = Refusal::Concentration, p.reason = "concentration zero or negative";
    if (!signs) row.signValue = 0;
    if (row.signValue > 0) ++r.positiveRows;
    if (row.signValue < 0) ++r.negativeRows;
  }

  // The conduction type the signs propose: holes for R_H > 0, electrons for R_H < 0; on a
  // tie the sign at the lowest temperature, where the sample is farthest from intrinsic.
  if (signs && r.positiveRows + r.negativeRows > 0) {
    bool holes = r.positiveRows > r.negativeRows;
    if (r.positiveRows == r.negativeRows) {
      std::size_t lowest = rows.size();
      for (std::size_t k = 0; k < rows.size(); ++k)
        if (rows[k].signValue != 0 &&
            (lowest == rows.size() || rows[k].point.temperature < rows[lowest].point.temperature))
          lowest = k;
      holes = rows[lowest].signValue > 0;
    }
    r.proposedType = holes ? "p-type" : "n-type";
  } else if (!layout.typeProposed.empty()) {
    r.proposedType = layout.typeProposed;
  } else if (!hall && r.concentrationColumn < static_cast<int>(layout.names.size())) {
    // A density column named "p" holds holes, one named "n" electrons.
    const std::string name = lowered(trimmed(layout.names[r.concentrationColumn]));
    if (startsWithWord(name, "p") || name.find("hole") != std::string::npos) r.namedType = "p-type";
    if (startsWithWord(name, "n") || name.find("electron") != std::string::npos) r.namedType = "n-type";
  }
  r.conductionType = settings.conductionType == "n-type" || settings.conductionType == "p-type"
                         ? settings.conductionType
                         : r.proposedType;
  if (!r.conductionType.empty()) {
    const bool holes = r.conductionType == "p-type";
    const std::string name = hall ? "R_H" : "n";
    const std::string signReason = name + " " + (holes ? "< 0" : "> 0") + " disagrees with " + r.conductionType;
    const std::string typeReason = "type " + std::string(holes ? "n" : "p") + " disagrees with " + r.conductionType;
    std::vector<Row> kept;
    for (auto& row : rows) {
      int type = row.signValue != 0 ? (row.signValue > 0 ? 1 : -1) : row.type;
      if (type != 0 && (type > 0) != holes) {
        ++r.signLines;
        r.signLineNumbers.push_back(row.point.line);
        note(row.point.line, row.signValue != 0 ? signReason : typeReason);
      } else {
        kept.push_back(std::move(row));
      }
    }
    rows = std::move(kept);
  }

  // Repeated or reversed temperature sweeps: one curve only when a run or averaging says so.
  {
    std::vector<const Row*> good;
    for (const auto& row : rows)
      if (row.point.refusal == Refusal::None) good.push_back(&row);
    // A temperature met again now and then is a repeated point; many of them are sweeps.
    std::map<double, int> firstAt;
    int repeatLine = 0, repeatOf = 0, repeats = 0;
    for (const Row* row : good) {
      auto [it, added] = firstAt.try_emplace(row->point.temperature, row->point.line);
      if (!added && repeats++ == 0) repeatLine = row->point.line, repeatOf = it->second;
    }
    const bool repeated = static_cast<std::size_t>(repeats) >= std::max<std::size_t>(2, good.size() / 10);
    double lo = 0, hi = 0;
    if (!good.empty()) {
      auto [a, b] = std::minmax_element(good.begin(), good.end(), [](const Row* x, const Row* y) {
        return x->point.temperature < y->point.temperature;
      });
      lo = (*a)->point.temperature, hi = (*b)->point.temperature;
    }
    // A step back counts when it is more than 1 % of the range: noise on a set point does not.
    const double tolerance = 0.01 * (hi - lo);
    int direction = 0;
    r.sweeps = good.empty() ? 0 : 1;
    for (std::size_t k = 1; k < good.size(); ++k) {
      double step = good[k]->point.temperature - good[k - 1]->point.temperature;
      if (std::fabs(step) <= tolerance) continue;
      int d = step > 0 ? 1 : -1;
      if (direction != 0 && d != direction) ++r.sweeps;
      direction = d;
    }
    if (repeated) {
      // As many sweeps as the most often met temperature has points.
      std::map<double, int> count;
      for (const Row* row : good) r.sweeps = std::max(r.sweeps, ++count[row->point.temperature]);
    }
    if (r.sweeps > 1 && settings.average) {
      // The points of one temperature become their mean, at the line of the first.
      std::map<double, std::vector<std::size_t>> groups;
      for (std::size_t k = 0; k < rows.size(); ++k)
        if (rows[k].point.refusal == Refusal::None) groups[rows[k].point.temperature].push_back(k);
      std::vector<bool> drop(rows.size(), false);
      for (auto& [t, members] : groups) {
        if (members.size() < 2) continue;
        double n = 0, w = 0;
        for (std::size_t k : members) n += rows[k].point.concentration, w += rows[k].point.reliability;
        ImportedPoint& first = rows[members.front()].point;
        first.concentration = n / static_cast<double>(members.size());
        first.reliability = w / static_cast<double>(members.size());
        for (std::size_t m = 1; m < members.size(); ++m) {
          drop[members[m]] = true;
          ++r.averagedLines;
          note(rows[members[m]].point.line, "averaged into line " + std::to_string(first.line));
        }
      }
      std::vector<Row> kept;
      for (std::size_t k = 0; k < rows.size(); ++k)
        if (!drop[k]) kept.push_back(std::move(rows[k]));
      rows = std::move(kept);
    } else if (r.sweeps > 1) {
      // The columns that change between the sweeps may tell them apart.
      std::vector<std::string> candidates;
      for (int c = 0; c < kKeptColumns; ++c) {
        if (c == r.temperatureColumn || c == r.concentrationColumn || c == r.reliabilityColumn ||
            c == layout.runColumn || c == layout.typeColumn)
          continue;
        std::vector<std::string> values;
        bool present = true;
        for (const Row* row : good) {
          if (c >= static_cast<int>(row->cells.size())) {
            present = false;
            break;
          }
          const std::string& v = row->cells[c];
          bool known = false;
          for (const auto& w : values) {
            double a = 0, b = 0;
            known = known || w == v || sameNumber(w, v, layout.decimalComma, a, b);
          }
          if (!known) values.push_back(v);
          if (values.size() > good.size() / 2) break;
        }
        if (present && values.size() >= 2 && values.size() <= good.size() / 2)
          candidates.push_back(columnText(c, layout));
      }
      std::string list;
      for (const auto& c : candidates) list += (list.empty() ? "" : ", ") + c;
      std::string where = repeated ? "line " + std::to_string(repeatLine) + " repeats the temperature of line " +
                                         std::to_string(repeatOf)
                                   : std::to_string(r.sweeps) + " sweeps";
      std::string runText = r.run.empty() ? "" : " of run " + r.run;
      throw Error("The rows" + runText + " hold repeated temperatures (" + where + "): choose a run column" +
                  (list.empty() ? " (no column changes between the sweeps)" : " (candidates: " + list + ")") +
                  " and a run, or average the points of one temperature");
    }
  }

  // Hints where a choice is likely wrong.
  {
    int numericT = 0, nonPositiveT = 0, accepted = 0, huge = 0;
    for (const auto& row : rows) {
      const ImportedPoint& p = row.point;
      if (p.refusal != Refusal::Temperature || p.reason == "temperature not above 0 K") {
        ++numericT;
        if (!(p.temperature > 0)) ++nonPositiveT;
      }
      if (p.refusal == Refusal::None) {
        ++accepted;
        if (p.concentration >= 1e20) ++huge;
      }
    }
    if (numericT > 0 && nonPositiveT == numericT && !r.celsius) r.hints.push_back("°C? choose Temperature in °C");
    if (accepted > 0 && huge == accepted && !hall && r.unit == ImportUnit::PerCubicCentimetre && !fileImportUnit)
      r.hints.push_back("m⁻³? choose the unit");
  }

  for (auto& row : rows) r.points.push_back(std::move(row.point));
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
  const bool hall = quantity == ImportQuantity::HallCoefficient;
  std::string s = "Read " + plural(Accepted(), "point", "points");
  if (!run.empty()) s += " of run " + run;
  s += ": T [" + std::string(celsius ? "°C" : "K") + "] from " + columnText(temperatureColumn, layout) + ", " +
       (hall                ? "R_H"
        : IsSheetUnit(unit) ? "n_s"
                            : "n") +
       " [" + ImportUnitText(unit) + "] from " + columnText(concentrationColumn, layout);
  if (reliabilityColumn >= 0) s += ", reliability from " + columnText(reliabilityColumn, layout);
  s += ".\n";
  if (!unitSource.empty() && unitSource != "as chosen") s += "Unit " + ImportUnitText(unit) + " " + unitSource + ".\n";
  if (hall) s += "n = r_H/(q*|R_H|) with the Hall factor r_H = " + FormatGeneral(settings.hallFactor) + ".\n";
  if (!remark.empty()) s += remark + ".\n";
  s += "Cells: " + layout.SeparatorText() + ".";
  if (layout.byteOrderMark) s += " A UTF-8 byte-order mark was skipped.";
  s += "\n";
  if (layout.markerLine > 0)
    s += "Settings block: lines " + std::to_string(std::min(settings.skipLines + 1, layout.markerLine)) + "-" +
         std::to_string(layout.markerLine) + ", up to the marker " + layout.marker + ".\n";
  if (layout.preambleEnd > 0) {
    s += "Preamble: " + plural(layout.preambleLines, "line", "lines") + " up to line " +
         std::to_string(layout.preambleEnd) + ".\n";
  }
  {
    const ImportHeader& h = layout.header;
    std::vector<std::string> values;
    if (h.sampleLine) values.push_back("sample " + h.sample + " (line " + std::to_string(h.sampleLine) + ")");
    if (h.thicknessLine)
      values.push_back("thickness " + FormatGeneral(h.thickness) + " micron (line " + std::to_string(h.thicknessLine) +
                       ")");
    if (h.fieldLine)
      values.push_back("field " + FormatGeneral(h.field) + " T (line " + std::to_string(h.fieldLine) + ")");
    if (h.currentLine)
      values.push_back("current " + FormatGeneral(h.current) + " A (line " + std::to_string(h.currentLine) + ")");
    if (h.dateLine) values.push_back("date " + h.date + " (line " + std::to_string(h.dateLine) + ")");
    if (!values.empty()) {
      s += "Header values: ";
      for (std::size_t i = 0; i < values.size(); ++i) s += (i ? ", " : "") + values[i];
      s += ".\n";
    }
  }
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
  if (layout.unitsLine > 0) s += "Units row: line " + std::to_string(layout.unitsLine) + ".\n";
  if (layout.typeColumn >= 0)
    s += "Type column " + columnText(layout.typeColumn, layout) + ": " + layout.typeProposed + " proposed.\n";
  if (signedDensities && positiveRows + negativeRows > 0) {
    s += "n > 0 in " + std::to_string(positiveRows) + ", n < 0 in " + std::to_string(negativeRows) +
         " rows (signed densities): " + proposedType + " proposed";
    if (!conductionType.empty() && conductionType != proposedType) s += ", read as " + conductionType;
    s += ".\n";
  }
  if (averagedLines > 0)
    s += std::to_string(sweeps) + " temperature sweeps: " + plural(averagedLines, "row", "rows") +
         " averaged into the first row of their temperature.\n";
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
  if (preambleLines) skipped.push_back(plural(preambleLines, "line", "lines") + " of the preamble");
  if (headerLines) skipped.push_back(plural(headerLines, "header line", "header lines"));
  if (emptyLines) skipped.push_back(plural(emptyLines, "empty line", "empty lines"));
  if (otherRunLines) skipped.push_back(plural(otherRunLines, "line", "lines") + " of other runs");
  if (shortLines) skipped.push_back(plural(shortLines, "line", "lines") + " with fewer values than the chosen columns");
  if (outOfRangeLines)
    skipped.push_back(plural(outOfRangeLines, "line", "lines") + " with a value too large for a number");
  if (averagedLines) skipped.push_back(plural(averagedLines, "row", "rows") + " averaged");
  if (signLines)
    skipped.push_back(plural(signLines, "row", "rows") +
                      (hall              ? " whose R_H sign disagrees with "
                       : signedDensities ? " whose sign disagrees with "
                                         : " whose type disagrees with ") +
                      conductionType + " (lines " + LineList(signLineNumbers, 50) + ")");
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
  for (const auto& h : hints) s += "Hint: " + h + "\n";
  return s;
}

}  // namespace korv
