// JsonDoc holds one parsed JSON value and answers reads addressed by dotted paths with
// "[n]" indexes ("data.servers[3].flavor.name"). Reads never fail: whatever is missing
// reads as the empty text or 0. The text is parsed, never executed.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "service/json/json_path.h"

namespace ydt {

class JsonDoc {
 public:
  // A place inside a document, for reading many values below one list element without
  // building and parsing a whole path for each read. Reads give what the document's own
  // reads give for the joined path. Valid while the document lives and is not re-parsed.
  class Node {
   public:
    Node() = default;

    // The node at `path` below this one.
    Node At(const JsonPath& path) const;
    // Like JsonDoc::GetText for this node's path followed by `path`.
    std::string GetText(const JsonPath& path) const;
    // Element count when this node is an array; 0 for anything else.
    int Count() const;
    // Element `index` of this array (an index on an object reads the member of that
    // decimal name); a missing node when there is none.
    Node Element(std::size_t index) const;
    // Like SubDocument(this node's path).ToText(): empty when missing, "null" for null.
    std::string ToText() const;

   private:
    friend class JsonDoc;
    explicit Node(const nlohmann::ordered_json* value) : value_(value) {}
    const nlohmann::ordered_json* value_ = nullptr;
  };

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

  // The node at the path (missing when nothing is there).
  Node At(const std::string& path) const;

 private:
  enum class Holding { Value, Null, Nothing };
  Holding holding_ = Holding::Value;
  nlohmann::ordered_json value_;
};

}  // namespace ydt
