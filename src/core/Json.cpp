#include "core/Json.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "core/Error.h"
#include "core/TextFile.h"

namespace korv {

JsonValue JsonValue::Bool(bool value) {
  JsonValue v;
  v.type_ = Type::Bool;
  v.bool_ = value;
  return v;
}

JsonValue JsonValue::Number(double value) {
  JsonValue v;
  if (!std::isfinite(value)) return v;
  v.type_ = Type::Number;
  v.number_ = value;
  return v;
}

JsonValue JsonValue::String(std::string value) {
  JsonValue v;
  v.type_ = Type::String;
  v.string_ = std::move(value);
  return v;
}

JsonValue JsonValue::Array() {
  JsonValue v;
  v.type_ = Type::Array;
  return v;
}

JsonValue JsonValue::Object() {
  JsonValue v;
  v.type_ = Type::Object;
  return v;
}

JsonValue& JsonValue::Push(JsonValue value) {
  items_.push_back(std::move(value));
  return items_.back();
}

JsonValue& JsonValue::Add(std::string key, JsonValue value) {
  members_.emplace_back(std::move(key), std::move(value));
  return members_.back().second;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (const auto& m : members_)
    if (m.first == key) return &m.second;
  return nullptr;
}

const char* JsonTypeName(JsonValue::Type type) {
  switch (type) {
    case JsonValue::Type::Null:
      return "null";
    case JsonValue::Type::Bool:
      return "boolean";
    case JsonValue::Type::Number:
      return "number";
    case JsonValue::Type::String:
      return "string";
    case JsonValue::Type::Array:
      return "array";
    case JsonValue::Type::Object:
      return "object";
  }
  return "value";
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::string JsonEscape(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          static const char* hex = "0123456789abcdef";
          out += "\\u00";
          out += hex[c >> 4];
          out += hex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return out;
}

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : t_(text) {}

  JsonValue Document() {
    skipSpace();
    JsonValue v = value(0);
    skipSpace();
    if (p_ < t_.size()) fail("the end of the text");
    return v;
  }

 private:
  [[noreturn]] void fail(const std::string& expected) const {
    std::string found = "the end of the text";
    if (p_ < t_.size()) {
      // The found text: up to the end of its line, at most 20 characters.
      std::size_t end = p_;
      while (end < t_.size() && end - p_ < 20 && t_[end] != '\n' && t_[end] != '\r') ++end;
      if (end == p_) end = p_ + 1;
      found = "'" + Printable(t_.substr(p_, end - p_)) + "'";
    }
    throw Error("In line " + std::to_string(line_) + ", column " + std::to_string(p_ - lineStart_ + 1) + ": expected " +
                expected + ", found " + found + ".");
  }

  void skipSpace() {
    while (p_ < t_.size()) {
      const char c = t_[p_];
      if (c == '\n') {
        ++line_;
        lineStart_ = p_ + 1;
      } else if (c != ' ' && c != '\t' && c != '\r') {
        break;
      }
      ++p_;
    }
  }

  bool literal(std::string_view word) {
    if (t_.substr(p_, word.size()) != word) return false;
    p_ += word.size();
    return true;
  }

  JsonValue value(int depth) {
    if (depth > kMaxJsonDepth) fail("at most " + std::to_string(kMaxJsonDepth) + " nested arrays and objects");
    const std::size_t line = line_, column = p_ - lineStart_ + 1;
    JsonValue v;
    if (p_ >= t_.size()) fail("a value");
    const char c = t_[p_];
    if (c == '{') {
      v = object(depth);
    } else if (c == '[') {
      v = array(depth);
    } else if (c == '"') {
      v = JsonValue::String(string());
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      v = number();
    } else if (literal("true")) {
      v = JsonValue::Bool(true);
    } else if (literal("false")) {
      v = JsonValue::Bool(false);
    } else if (literal("null")) {
    } else {
      fail("a value");
    }
    v.line = line;
    v.column = column;
    return v;
  }

  JsonValue object(int depth) {
    JsonValue v = JsonValue::Object();
    ++p_;
    skipSpace();
    if (p_ < t_.size() && t_[p_] == '}') return ++p_, v;
    for (;;) {
      skipSpace();
      if (p_ >= t_.size() || t_[p_] != '"') fail("a member name in double quotes");
      const std::size_t line = line_, column = p_ - lineStart_ + 1;
      std::string key = string();
      if (v.Find(key))
        throw Error("In line " + std::to_string(line) + ", column " + std::to_string(column) + ": the member \"" +
                    Printable(key) + "\" is given twice.");
      skipSpace();
      if (p_ >= t_.size() || t_[p_] != ':') fail("':'");
      ++p_;
      skipSpace();
      v.Add(std::move(key), value(depth + 1));
      skipSpace();
      if (p_ < t_.size() && t_[p_] == ',') {
        ++p_;
        continue;
      }
      if (p_ < t_.size() && t_[p_] == '}') return ++p_, v;
      fail("',' or '}'");
    }
  }

  JsonValue array(int depth) {
    JsonValue v = JsonValue::Array();
    ++p_;
    skipSpace();
    if (p_ < t_.size() && t_[p_] == ']') return ++p_, v;
    for (;;) {
      skipSpace();
      v.Push(value(depth + 1));
      skipSpace();
      if (p_ < t_.size() && t_[p_] == ',') {
        ++p_;
        continue;
      }
      if (p_ < t_.size() && t_[p_] == ']') return ++p_, v;
      fail("',' or ']'");
    }
  }

  JsonValue number() {
    const std::size_t start = p_;
    auto digits = [&] {
      const std::size_t from = p_;
      while (p_ < t_.size() && t_[p_] >= '0' && t_[p_] <= '9') ++p_;
      return p_ > from;
    };
    if (t_[p_] == '-') ++p_;
    if (p_ < t_.size() && t_[p_] == '0')
      ++p_;
    else if (!digits())
      fail("a digit");
    if (p_ < t_.size() && t_[p_] == '.') {
      ++p_;
      if (!digits()) fail("a digit after the decimal point");
    }
    if (p_ < t_.size() && (t_[p_] == 'e' || t_[p_] == 'E')) {
      ++p_;
      if (p_ < t_.size() && (t_[p_] == '+' || t_[p_] == '-')) ++p_;
      if (!digits()) fail("a digit of the exponent");
    }
    double value = 0;
    const auto res = std::from_chars(t_.data() + start, t_.data() + p_, value);
    if (res.ec != std::errc() || !std::isfinite(value)) {
      p_ = start;
      fail("a number within the range of a double");
    }
    return JsonValue::Number(value);
  }

  unsigned hex4() {
    unsigned code = 0;
    for (int i = 0; i < 4; ++i, ++p_) {
      if (p_ >= t_.size()) fail("four hexadecimal digits");
      const char c = t_[p_];
      code <<= 4;
      if (c >= '0' && c <= '9')
        code |= c - '0';
      else if (c >= 'a' && c <= 'f')
        code |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        code |= c - 'A' + 10;
      else
        fail("four hexadecimal digits");
    }
    return code;
  }

  static void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string string() {
    std::string out;
    ++p_;  // the opening quote
    for (;;) {
      if (p_ >= t_.size()) fail("'\"' at the end of the string");
      const char c = t_[p_];
      if (c == '"') {
        ++p_;
        return out;
      }
      if (static_cast<unsigned char>(c) < 0x20) fail("'\\n' or another escape for a control character");
      if (c != '\\') {
        out += c;
        ++p_;
        continue;
      }
      ++p_;
      if (p_ >= t_.size()) fail("an escaped character");
      const char e = t_[p_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          unsigned code = hex4();
          if (code >= 0xD800 && code < 0xDC00) {
            if (!literal("\\u")) fail("the second half of a surrogate pair");
            const unsigned low = hex4();
            if (low < 0xDC00 || low >= 0xE000) fail("the second half of a surrogate pair");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code < 0xE000) {
            p_ -= 6;
            fail("a character, not half a surrogate pair");
          }
          appendUtf8(out, code);
          break;
        }
        default:
          p_ -= 2;
          fail("an escape of '\"', '\\\\', '/', 'b', 'f', 'n', 'r', 't' or 'u'");
      }
    }
  }

  std::string_view t_;
  std::size_t p_ = 0;
  std::size_t line_ = 1;
  std::size_t lineStart_ = 0;
};

void write(std::string& out, const JsonValue& v, int indent) {
  const std::string pad(2 * (indent + 1), ' ');
  switch (v.type()) {
    case JsonValue::Type::Null:
      out += "null";
      break;
    case JsonValue::Type::Bool:
      out += v.AsBool() ? "true" : "false";
      break;
    case JsonValue::Type::Number:
      out += JsonNumber(v.AsNumber());
      break;
    case JsonValue::Type::String:
      out += JsonEscape(v.AsString());
      break;
    case JsonValue::Type::Array: {
      // Arrays of plain values on one line (the long number lists of a session stay
      // readable); arrays holding containers one element a line.
      bool flat = true;
      for (const auto& item : v.Items())
        if (item.type() == JsonValue::Type::Array || item.type() == JsonValue::Type::Object) flat = false;
      out += '[';
      bool first = true;
      for (const auto& item : v.Items()) {
        if (!first) out += flat ? ", " : ",";
        if (!flat) out += "\r\n" + pad;
        write(out, item, indent + 1);
        first = false;
      }
      if (!flat && !v.Items().empty()) out += "\r\n" + std::string(2 * indent, ' ');
      out += ']';
      break;
    }
    case JsonValue::Type::Object: {
      out += '{';
      bool first = true;
      for (const auto& [key, item] : v.Members()) {
        if (!first) out += ',';
        out += "\r\n" + pad + JsonEscape(key) + ": ";
        write(out, item, indent + 1);
        first = false;
      }
      if (!v.Members().empty()) out += "\r\n" + std::string(2 * indent, ' ');
      out += '}';
      break;
    }
  }
}

}  // namespace

JsonValue ReadJson(std::string_view text) { return Reader(text).Document(); }

std::string WriteJson(const JsonValue& value) {
  std::string out;
  write(out, value, 0);
  out += "\r\n";
  return out;
}

}  // namespace korv
