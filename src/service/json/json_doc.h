// JsonDoc holds one parsed JSON value and answers reads addressed by dotted paths with
// "[n]" indexes ("data.servers[3].flavor.name"). Reads never fail: whatever is missing
// reads as the empty text or 0. The text is parsed, never executed.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace ydt {

class JsonDoc {
 public:
  JsonDoc();  // holds an empty object

  // Replaces the held value. True when the text held a JSON value that is not null.
  // Invalid text and the text null leave null; the empty text leaves nothing.
  bool Parse(const std::string& text);

  // The value's text: strings unquoted, numbers as JavaScript writes them, arrays joined
  // by ",", objects "[object Object]", null or missing the empty text.
  std::string GetText(const std::string& path) const;

  // Element count of the array at the path; 0 for anything else.
  int Count(const std::string& path) const;

  // An independent document holding a copy of the value at the path (nothing if missing).
  JsonDoc SubDocument(const std::string& path) const;

  // Compact JSON text of the held value, members in parsed order.
  std::string ToText() const;

 private:
  enum class Holding { Value, Null, Nothing };
  Holding holding_ = Holding::Value;
  nlohmann::ordered_json value_;
};

}  // namespace ydt
