#include "core/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/Error.h"
#include "core/TextFile.h"

namespace korv {
namespace {

// A finite non-negative value as decimal digits d0 d1 ... with value 0.d0d1... * 10^(exponent+1),
// i.e. the first digit stands for 10^exponent.
struct Decimal {
  std::string digits;  // no leading zeros unless the value is zero ("0")
  int exponent = 0;
};

// The value rounded to 15 significant digits, trailing zeros removed.
Decimal toDecimal15(double magnitude) {
  Decimal d;
  if (magnitude == 0) {
    d.digits = "0";
    return d;
  }
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14);
  std::string s(buf, res.ptr);
  auto e = s.find('e');
  std::string mant = s.substr(0, e);
  d.exponent = std::atoi(s.c_str() + e + 1);
  for (char c : mant)
    if (c != '.') d.digits += c;
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Rounds to `count` significant digits (count >= 0), half away from zero. A carry
// raises the exponent. Zero digits kept means the value rounds to zero or to 10^exponent+1.
void roundSignificant(Decimal& d, int count) {
  if (d.digits == "0") return;
  if (count < 0) {
    d.digits = "0";
    d.exponent = 0;
    return;
  }
  if (static_cast<int>(d.digits.size()) <= count) return;
  bool up = d.digits[count] >= '5';
  d.digits.resize(count);
  if (up) {
    int i = count - 1;
    while (i >= 0 && d.digits[i] == '9') {
      d.digits[i] = '0';
      --i;
    }
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      d.exponent += 1;
    } else {
      d.digits[i] += 1;
    }
  }
  if (d.digits.empty()) {
    d.digits = "0";
    d.exponent = 0;
  }
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits == "0") d.exponent = 0;
}

// Digit standing for 10^power in d (0 outside its digits).
char digitAt(const Decimal& d, int power) {
  int index = d.exponent - power;
  if (index < 0 || index >= static_cast<int>(d.digits.size())) return '0';
  return d.digits[index];
}

std::string nonFinite(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

struct Pattern {
  int intZeros = 0;   // '0' placeholders before the point
  int intTotal = 0;   // all placeholders before the point
  int fracZeros = 0;  // '0' placeholders after the point
  int fracTotal = 0;  // all placeholders after the point
  bool exponent = false;
  bool exponentPlus = false;  // "E+" (sign always) or "E-" (sign only when negative)
  int exponentDigits = 0;
  std::string prefix, suffix;  // literal text around the number
};

Pattern parsePattern(std::string_view p) {
  Pattern pat;
  std::size_t i = 0;
  while (i < p.size() && p[i] != '0' && p[i] != '#' && p[i] != '.') pat.prefix += p[i++];
  bool afterPoint = false;
  for (; i < p.size(); ++i) {
    char c = p[i];
    if (c == '0' || c == '#') {
      if (afterPoint) {
        // Zeros count only up to the last one; Delphi-style "0.0#" means one required, one optional.
        pat.fracTotal++;
        if (c == '0') pat.fracZeros = pat.fracTotal;
      } else {
        pat.intTotal++;
        if (c == '0') pat.intZeros++;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if ((c == 'E' || c == 'e') && i + 1 < p.size() && (p[i + 1] == '+' || p[i + 1] == '-')) {
      pat.exponent = true;
      pat.exponentPlus = p[i + 1] == '+';
      i += 2;
      while (i < p.size() && p[i] == '0') {
        pat.exponentDigits++;
        ++i;
      }
      pat.suffix = std::string(p.substr(i));
      break;
    } else {
      pat.suffix = std::string(p.substr(i));
      break;
    }
  }
  return pat;
}

}  // namespace

std::string FormatHeaderReal(double value) {
  if (!std::isfinite(value)) return nonFinite(value);
  if (value == 0) return "0";
  Decimal d = toDecimal15(std::fabs(value));
  std::string out = value < 0 ? "-" : "";
  if (d.exponent >= -4 && d.exponent < 15) {
    if (d.exponent < 0) {
      out += "0.";
      out.append(-d.exponent - 1, '0');
      out += d.digits;
    } else {
      int intDigits = d.exponent + 1;
      for (int i = 0; i < intDigits; ++i) out += i < static_cast<int>(d.digits.size()) ? d.digits[i] : '0';
      if (static_cast<int>(d.digits.size()) > intDigits) {
        out += '.';
        out += d.digits.substr(intDigits);
      }
    }
  } else {
    out += d.digits[0];
    if (d.digits.size() > 1) {
      out += '.';
      out += d.digits.substr(1);
    }
    out += 'E';
    out += std::to_string(d.exponent);
  }
  return out;
}

std::string FormatPoint(double value) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  std::string s(buf, res.ptr);
  if (!std::isfinite(value)) return s;  // "inf", "-inf", "nan" as a stream writes them
  return s;
}

std::string FormatPattern(double value, std::string_view pattern) {
  if (!std::isfinite(value)) return nonFinite(value);
  const Pattern pat = parsePattern(pattern);
  Decimal d = toDecimal15(std::fabs(value));
  std::string body;

  if (pat.exponent) {
    // The exponent makes the mantissa carry intTotal digits before the point (at least one).
    int lead = std::max(1, pat.intTotal);
    int exp = 0;
    if (d.digits != "0") {
      roundSignificant(d, lead + pat.fracTotal);
      exp = d.exponent - (lead - 1);
    }
    // Mantissa digits: powers from d.exponent down.
    for (int i = 0; i < lead; ++i) {
      int power = d.exponent - i;
      char c = d.digits == "0" ? '0' : digitAt(d, power);
      if (i < lead - std::max(1, pat.intZeros) && c == '0' && body.empty()) continue;
      body += c;
    }
    if (body.empty()) body = "0";
    std::string frac;
    for (int i = 0; i < pat.fracTotal; ++i) frac += d.digits == "0" ? '0' : digitAt(d, d.exponent - lead - i);
    while (static_cast<int>(frac.size()) > pat.fracZeros && !frac.empty() && frac.back() == '0') frac.pop_back();
    if (!frac.empty()) body += "." + frac;
    body += 'E';
    if (exp < 0)
      body += '-';
    else if (pat.exponentPlus)
      body += '+';
    std::string e = std::to_string(std::abs(exp));
    if (static_cast<int>(e.size()) < pat.exponentDigits) e.insert(0, pat.exponentDigits - e.size(), '0');
    body += e;
  } else {
    // Round to fracTotal digits after the point: keep digits down to 10^-fracTotal.
    if (d.digits != "0") roundSignificant(d, d.exponent + 1 + pat.fracTotal);
    std::string ip;
    for (int power = std::max(d.exponent, 0); power >= 0; --power) ip += d.digits == "0" ? '0' : digitAt(d, power);
    std::size_t firstNonZero = ip.find_first_not_of('0');
    ip = firstNonZero == std::string::npos ? "" : ip.substr(firstNonZero);
    if (static_cast<int>(ip.size()) < pat.intZeros) ip.insert(0, pat.intZeros - ip.size(), '0');
    std::string frac;
    for (int i = 1; i <= pat.fracTotal; ++i) frac += d.digits == "0" ? '0' : digitAt(d, -i);
    while (static_cast<int>(frac.size()) > pat.fracZeros && !frac.empty() && frac.back() == '0') frac.pop_back();
    body = ip;
    if (!frac.empty()) body += "." + frac;
    if (body.empty()) body = "0";
  }
  bool allZero = body.find_first_of("123456789") == std::string::npos ||
                 (pat.exponent && body.substr(0, body.find('E')).find_first_of("123456789") == std::string::npos);
  std::string sign = (value < 0 && !allZero) ? "-" : "";
  return pat.prefix + sign + body + pat.suffix;
}

std::string_view Trim(std::string_view text) {
  const char* ws = " \t\r\n\v\f";
  auto b = text.find_first_not_of(ws);
  if (b == std::string_view::npos) return {};
  auto e = text.find_last_not_of(ws);
  return text.substr(b, e - b + 1);
}

bool TryParseReal(std::string_view text, double& value) {
  std::string_view t = Trim(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  // Only digits, one point, a sign and an exponent: no "inf", "nan" or hexadecimal.
  for (char c : t)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  double v = 0;
  auto res = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != t.data() + t.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool TryParseInt(std::string_view text, int& value) {
  std::string_view t = Trim(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  int v = 0;
  auto res = std::from_chars(t.data(), t.data() + t.size(), v, 10);
  if (res.ec != std::errc() || res.ptr != t.data() + t.size()) return false;
  value = v;
  return true;
}

double ParseReal(std::string_view text) {
  double v = 0;
  if (!TryParseReal(text, v)) throw Error("'" + Printable(text) + "' is not a valid floating point value");
  return v;
}

int ParseInt(std::string_view text) {
  int v = 0;
  if (!TryParseInt(text, v)) throw Error("'" + Printable(text) + "' is not a valid integer value");
  return v;
}

}  // namespace korv
