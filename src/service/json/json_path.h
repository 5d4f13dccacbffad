// JsonPath addresses a value inside a parsed JSON tree with member names separated by "."
// and "[n]" indexes ("data.servers[3].flavor.name", "[0].id"); the empty path is the root.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace ydt {

class JsonPath {
 public:
  explicit JsonPath(std::string_view text);

  // False for text that is not a path at all ("a..b", "a[x]", "a[0]b").
  bool IsValid() const { return valid_; }

  // The value the path names, or nullptr when it is invalid or anything on the way is
  // missing. Names are compared exactly.
  const nlohmann::ordered_json* Resolve(const nlohmann::ordered_json& root) const;

 private:
  struct Step {
    bool isIndex = false;
    std::string name;
    std::size_t index = 0;
  };

  std::vector<Step> steps_;
  bool valid_ = true;
};

// Resolves a path the way a document's reads do. A document knows its root by the name
// "da", so a path that starts with that name ("da", "da.code", "da[0]") addresses from the
// root when it names a non-null value there; every other path is taken from the root.
const nlohmann::ordered_json* ResolveDocumentPath(const nlohmann::ordered_json& root,
                                                  std::string_view path);

}  // namespace ydt
