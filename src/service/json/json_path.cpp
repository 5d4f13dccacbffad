#include "service/json/json_path.h"

namespace ydt {

namespace {

constexpr std::string_view kRootName = "da";
constexpr std::size_t kMaxIndexDigits = 18;  // keeps the index inside 64 bits

}  // namespace

JsonPath::JsonPath(std::string_view text) {
  if (text.empty()) return;
  std::size_t i = 0;
  bool needName = text[0] != '[';
  while (true) {
    if (needName) {
      const std::size_t end = text.find_first_of(".[", i);
      const std::string_view name =
          text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
      if (name.empty() || name.find(']') != std::string_view::npos) {
        valid_ = false;
        return;
      }
      steps_.push_back(Step{false, std::string(name), 0});
      i += name.size();
    }
    while (i < text.size() && text[i] == '[') {
      ++i;
      std::size_t index = 0;
      std::size_t digits = 0;
      while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < kMaxIndexDigits) {
        index = index * 10 + static_cast<std::size_t>(text[i] - '0');
        ++i;
        ++digits;
      }
      if (digits == 0 || i >= text.size() || text[i] != ']') {
        valid_ = false;
        return;
      }
      ++i;
      steps_.push_back(Step{true, {}, index});
    }
    if (i == text.size()) return;
    if (text[i] != '.') {
      valid_ = false;
      return;
    }
    ++i;
    needName = true;
  }
}

const nlohmann::ordered_json* JsonPath::Resolve(const nlohmann::ordered_json& root) const {
  if (!valid_) return nullptr;
  const nlohmann::ordered_json* at = &root;
  for (const Step& step : steps_) {
    if (step.isIndex) {
      if (at->is_array()) {
        if (step.index >= at->size()) return nullptr;
        at = &(*at)[step.index];
        continue;
      }
      if (at->is_object()) {
        // An index on an object reads the member of that decimal name, as a script would.
        const auto it = at->find(std::to_string(step.index));
        if (it == at->end()) return nullptr;
        at = &*it;
        continue;
      }
      return nullptr;
    }
    if (!at->is_object()) return nullptr;
    const auto it = at->find(step.name);
    if (it == at->end()) return nullptr;
    at = &*it;
  }
  return at;
}

const nlohmann::ordered_json* ResolveDocumentPath(const nlohmann::ordered_json& root,
                                                  std::string_view path) {
  if (path.substr(0, kRootName.size()) == kRootName) {
    std::string_view rest = path.substr(kRootName.size());
    bool namesRoot = rest.empty() || rest[0] == '[';
    if (!rest.empty() && rest[0] == '.') {
      rest.remove_prefix(1);
      namesRoot = !rest.empty() && rest[0] != '[';
    }
    if (namesRoot) {
      const nlohmann::ordered_json* named = JsonPath(rest).Resolve(root);
      if (named != nullptr && !named->is_null()) return named;
    }
  }
  return JsonPath(path).Resolve(root);
}

}  // namespace ydt
