// Numbers in text: the forms the files use, the display patterns of the windows
// and the parsing of typed or read numbers. Everything here is independent of
// the C locale, so a German desktop still reads and writes "0.5".
#pragma once

#include <string>
#include <string_view>

namespace korv {

// Header real format: up to 15 significant digits, shortest form, fixed notation for
// magnitudes from 0.0001 up to (not including) 1e15, else "4.8E15", "1.5E-7".
std::string FormatHeaderReal(double value);

// Point format of formatted streams: 6 significant digits ("77.5", "1.23457e+15").
std::string FormatPoint(double value);

// Shortest general form used for plain numbers on screen ("5000", "0.5").
inline std::string FormatGeneral(double value) { return FormatHeaderReal(value); }

// Display pattern: "0" always shows a digit, "#" only a significant one, "." the point,
// "E+00" an exponent with sign and at least as many digits as zeros, "E-00" a sign only
// when negative. The value's 15-significant-digit decimal form is rounded half away
// from zero ("0.00" shows 2.675 as "2.68").
std::string FormatPattern(double value, std::string_view pattern);

// The whole trimmed text must be a finite number; otherwise korv::Error with
// "'<text>' is not a valid floating point value".
double ParseReal(std::string_view text);

// The whole trimmed text must be an integer; otherwise korv::Error with
// "'<text>' is not a valid integer value".
int ParseInt(std::string_view text);

// Like ParseReal and ParseInt, without throwing: false when the text is not a number.
bool TryParseReal(std::string_view text, double& value);
bool TryParseInt(std::string_view text, int& value);

// Text with blanks, tabs and line ends removed at both ends.
std::string_view Trim(std::string_view text);

}  // namespace korv
