// Just enough JSON reading for the tests: objects, arrays, strings, numbers, booleans, null.
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace korv::test::minijson {

struct Value {
  enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<Value> array;
  std::map<std::string, Value> object;

  const Value& operator[](const std::string& key) const {
    auto it = object.find(key);
    if (it == object.end()) throw std::runtime_error("no key " + key);
    return it->second;
  }
  const Value& operator[](std::size_t i) const { return array.at(i); }
  bool Has(const std::string& key) const { return object.count(key) > 0; }
};

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}
  Value Parse() {
    Value v = value();
    ws();
    if (p_ != s_.size()) throw std::runtime_error("trailing text in JSON");
    return v;
  }

 private:
  void ws() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t')) ++p_;
  }
  char peek() {
    ws();
    if (p_ >= s_.size()) throw std::runtime_error("unexpected end of JSON");
    return s_[p_];
  }
  void expect(char c) {
    if (peek() != c) throw std::runtime_error(std::string("expected ") + c + " in JSON at " + std::to_string(p_));
    ++p_;
  }
  std::string str() {
    expect('"');
    std::string out;
    while (p_ < s_.size() && s_[p_] != '"') {
      char c = s_[p_++];
      if (c == '\\') {
        char e = s_.at(p_++);
        if (e == 'n')
          out += '\n';
        else if (e == 't')
          out += '\t';
        else if (e == 'r')
          out += '\r';
        else if (e == 'u') {
          out += '?';
          p_ += 4;
        } else
          out += e;
      } else {
        out += c;
      }
    }
    ++p_;
    return out;
  }
  Value value() {
    Value v;
    char c = peek();
    if (c == '{') {
      ++p_;
      v.type = Value::Type::Object;
      if (peek() == '}') {
        ++p_;
        return v;
      }
      for (;;) {
        std::string k = str();
        expect(':');
        v.object[k] = value();
        if (peek() == ',') {
          ++p_;
          continue;
        }
        expect('}');
        return v;
      }
    }
    if (c == '[') {
      ++p_;
      v.type = Value::Type::Array;
      if (peek() == ']') {
        ++p_;
        return v;
      }
      for (;;) {
        v.array.push_back(value());
        if (peek() == ',') {
          ++p_;
          continue;
        }
        expect(']');
        return v;
      }
    }
    if (c == '"') {
      v.type = Value::Type::String;
      v.string = str();
      return v;
    }
    if (s_.compare(p_, 4, "true") == 0) {
      p_ += 4;
      v.type = Value::Type::Bool;
      v.boolean = true;
      return v;
    }
    if (s_.compare(p_, 5, "false") == 0) {
      p_ += 5;
      v.type = Value::Type::Bool;
      return v;
    }
    if (s_.compare(p_, 4, "null") == 0) {
      p_ += 4;
      return v;
    }
    char* end = nullptr;
    v.number = std::strtod(s_.c_str() + p_, &end);
    if (end == s_.c_str() + p_) throw std::runtime_error("bad JSON value at " + std::to_string(p_));
    p_ = end - s_.c_str();
    v.type = Value::Type::Number;
    return v;
  }
  const std::string& s_;
  std::size_t p_ = 0;
};

inline Value Parse(const std::string& text) { return Parser(text).Parse(); }

}  // namespace korv::test::minijson
