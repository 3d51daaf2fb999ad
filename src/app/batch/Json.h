// A small JSON writer for korv-batch's --json output: objects, arrays, strings and
// full-precision numbers, written in order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korv::batch {

class Json {
 public:
  Json& BeginObject();
  Json& EndObject();
  Json& BeginArray();
  Json& EndArray();
  Json& Key(std::string_view key);
  Json& String(std::string_view value);
  // Shortest decimal that reads back to the same double; null for NaN and infinities.
  Json& Number(double value);
  Json& Integer(long long value);
  Json& Bool(bool value);
  Json& Null();
  const std::string& Text() const { return out_; }

 private:
  void separate();
  std::string out_;
  std::vector<bool> first_;  // per open container: no element written yet
  bool afterKey_ = false;
};

std::string JsonEscape(std::string_view text);

}  // namespace korv::batch
