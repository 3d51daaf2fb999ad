// Text bytes as files hold them. The program keeps the bytes it reads; windows show
// UTF-8. A text is taken as UTF-8 when it is valid UTF-8 and as Windows-1252
// otherwise, and goes back in the encoding it came in, so untouched bytes never change.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korv {

enum class TextEncoding { Utf8, Windows1252 };

bool IsValidUtf8(std::string_view bytes);

// Utf8 when the bytes are valid UTF-8, else Windows1252.
TextEncoding DetectEncoding(std::string_view bytes);

// The text as UTF-8. Every Windows-1252 byte maps to one character; the five bytes the
// code page leaves unassigned (81, 8D, 8F, 90, 9D) map to the control characters of the
// same number, so that every byte comes back unchanged.
std::string ToUtf8(std::string_view bytes, TextEncoding encoding);
// Bytes or UTF-8, whichever is not valid UTF-8 shown as Windows-1252.
inline std::string DisplayText(std::string_view bytes) { return ToUtf8(bytes, DetectEncoding(bytes)); }

// The UTF-8 text in `encoding`. False when a character has no byte in it; `refused` then
// holds the first such character.
bool FromUtf8(std::string_view utf8, TextEncoding encoding, std::string& out, std::string* refused = nullptr);

// At most `count` characters of a UTF-8 text, never half a character.
std::string_view FirstCharacters(std::string_view utf8, std::size_t count);

// "UTF-8" or "Windows-1252".
const char* EncodingName(TextEncoding encoding);

}  // namespace korv
