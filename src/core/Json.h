// JSON as the engine reads and writes it (sessions): a value tree that keeps the order
// of an object's members, a reader whose errors name the line and column, and a writer
// of two-space indented text with CR LF line ends. Numbers are written in the shortest
// form that reads back to the same double, independent of the C locale, so a text
// read and written again is byte-identical.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korv {

class JsonValue {
 public:
  enum class Type { Null, Bool, Number, String, Array, Object };
  using Member = std::pair<std::string, JsonValue>;

  JsonValue() = default;
  static JsonValue Bool(bool value);
  // NaN and the infinities become null: JSON has no word for them.
  static JsonValue Number(double value);
  static JsonValue String(std::string value);
  static JsonValue Array();
  static JsonValue Object();

  Type type() const { return type_; }
  bool IsNull() const { return type_ == Type::Null; }
  bool AsBool() const { return bool_; }
  double AsNumber() const { return number_; }
  const std::string& AsString() const { return string_; }
  const std::vector<JsonValue>& Items() const { return items_; }
  const std::vector<Member>& Members() const { return members_; }

  // Appends an element to an array, a member to an object; returns the value added.
  JsonValue& Push(JsonValue value);
  JsonValue& Add(std::string key, JsonValue value);
  // The member named `key`, nullptr when there is none.
  const JsonValue* Find(std::string_view key) const;

  // Where the value began in the text it was read from (1-based; 0 when built).
  std::size_t line = 0, column = 0;

 private:
  Type type_ = Type::Null;
  bool bool_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<JsonValue> items_;
  std::vector<Member> members_;
};

// "null", "boolean", "number", "string", "array", "object".
const char* JsonTypeName(JsonValue::Type type);

// Deepest nesting the reader accepts.
inline constexpr int kMaxJsonDepth = 64;

// Reads one JSON value that fills the whole text (white space aside). Throws
// korv::Error: "In line 3, column 14: expected ',' or '}', found 'x'." (or "found the
// end of the text"); an object that names a member twice is refused too.
JsonValue ReadJson(std::string_view text);

// The value as indented text, CR LF after every line, the last line included.
std::string WriteJson(const JsonValue& value);

// Shortest decimal that reads back to the same double ("5000", "1.6021e-19");
// "null" for NaN and the infinities.
std::string JsonNumber(double value);

// The text as a JSON string literal, quotes included.
std::string JsonEscape(std::string_view text);

}  // namespace korv
