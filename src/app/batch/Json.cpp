#include "app/batch/Json.h"

#include <charconv>
#include <cmath>

namespace korv::batch {

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

void Json::separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ += ", ";
    first_.back() = false;
  }
}

Json& Json::BeginObject() {
  separate();
  out_ += '{';
  first_.push_back(true);
  return *this;
}

Json& Json::EndObject() {
  out_ += '}';
  first_.pop_back();
  return *this;
}

Json& Json::BeginArray() {
  separate();
  out_ += '[';
  first_.push_back(true);
  return *this;
}

Json& Json::EndArray() {
  out_ += ']';
  first_.pop_back();
  return *this;
}

Json& Json::Key(std::string_view key) {
  separate();
  out_ += JsonEscape(key);
  out_ += ": ";
  afterKey_ = true;
  return *this;
}

Json& Json::String(std::string_view value) {
  separate();
  out_ += JsonEscape(value);
  return *this;
}

Json& Json::Number(double value) {
  if (!std::isfinite(value)) return Null();
  separate();
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  out_.append(buf, res.ptr);
  return *this;
}

Json& Json::Integer(long long value) {
  separate();
  out_ += std::to_string(value);
  return *this;
}

Json& Json::Bool(bool value) {
  separate();
  out_ += value ? "true" : "false";
  return *this;
}

Json& Json::Null() {
  separate();
  out_ += "null";
  return *this;
}

}  // namespace korv::batch
