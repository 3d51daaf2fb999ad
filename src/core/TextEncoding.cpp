#include "core/TextEncoding.h"

#include <array>
#include <cstdint>

namespace korv {
namespace {

// Unicode of the Windows-1252 bytes 80 to 9F; the unassigned ones keep their number.
constexpr std::array<char32_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t unicodeOf(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte; }

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Length of the valid UTF-8 sequence at `i`, 0 when there is none (overlong forms,
// surrogates and values past U+10FFFF are not valid).
std::size_t sequenceAt(std::string_view s, std::size_t i, char32_t& c) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = b(i);
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  std::size_t n;
  char32_t min;
  if ((lead & 0xE0) == 0xC0) {
    n = 2, c = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    n = 3, c = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    n = 4, c = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b(i + k) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  char32_t c;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = sequenceAt(bytes, i, c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

TextEncoding DetectEncoding(std::string_view bytes) {
  return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

std::string ToUtf8(std::string_view bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (unsigned char b : bytes) appendUtf8(out, unicodeOf(b));
  return out;
}

bool FromUtf8(std::string_view utf8, TextEncoding encoding, std::string& out, std::string* refused) {
  out.clear();
  if (encoding == TextEncoding::Utf8) {
    out.assign(utf8);
    return true;
  }
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c;
    std::size_t n = sequenceAt(utf8, i, c);
    if (n == 0) {  // not UTF-8 at all: the byte stands for itself
      out += utf8[i++];
      continue;
    }
    int byte = -1;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      byte = static_cast<int>(c);
    } else {
      for (std::size_t k = 0; k < kHigh.size(); ++k)
        if (kHigh[k] == c) byte = static_cast<int>(0x80 + k);
    }
    if (byte < 0) {
      if (refused) refused->assign(utf8.substr(i, n));
      return false;
    }
    out += static_cast<char>(byte);
    i += n;
  }
  return true;
}

std::string_view FirstCharacters(std::string_view utf8, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t k = 0; k < count && i < utf8.size(); ++k) {
    char32_t c;
    const std::size_t n = sequenceAt(utf8, i, c);
    i += n == 0 ? 1 : n;
  }
  return utf8.substr(0, i);
}

const char* EncodingName(TextEncoding encoding) { return encoding == TextEncoding::Utf8 ? "UTF-8" : "Windows-1252"; }

}  // namespace korv
