#include "live/common/json_text.h"

namespace ydt::live {
namespace {

constexpr auto npos = std::string_view::npos;

std::size_t SkipSpace(std::string_view t, std::size_t i) {
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r')) ++i;
  return i;
}

// Just past the closing quote of the string whose opening quote is at `i`.
std::size_t StringEnd(std::string_view t, std::size_t i) {
  for (++i; i < t.size(); ++i) {
    if (t[i] == '\\') {
      ++i;
    } else if (t[i] == '"') {
      return i + 1;
    }
  }
  return npos;
}

// Just past the value that starts at `i`.
std::size_t ValueEnd(std::string_view t, std::size_t i) {
  if (i >= t.size()) return npos;
  if (t[i] == '"') return StringEnd(t, i);
  if (t[i] == '{' || t[i] == '[') {
    int depth = 0;
    for (std::size_t j = i; j < t.size(); ++j) {
      if (t[j] == '"') {
        j = StringEnd(t, j);
        if (j == npos) return npos;
        --j;
      } else if (t[j] == '{' || t[j] == '[') {
        ++depth;
      } else if ((t[j] == '}' || t[j] == ']') && --depth == 0) {
        return j + 1;
      }
    }
    return npos;
  }
  std::size_t j = i;
  while (j < t.size() && t[j] != ',' && t[j] != '}' && t[j] != ']' && t[j] != ' ' && t[j] != '\t' &&
         t[j] != '\n' && t[j] != '\r')
    ++j;
  return j;
}

}  // namespace

std::optional<std::string_view> MemberText(std::string_view text, std::string_view name) {
  std::size_t i = SkipSpace(text, 0);
  if (i >= text.size() || text[i] != '{') return std::nullopt;
  i = SkipSpace(text, i + 1);
  std::optional<std::string_view> found;
  while (i < text.size() && text[i] == '"') {
    const std::size_t keyEnd = StringEnd(text, i);
    if (keyEnd == npos) return std::nullopt;
    const std::string_view key = text.substr(i + 1, keyEnd - i - 2);
    if (key.find('\\') != npos) return std::nullopt;
    i = SkipSpace(text, keyEnd);
    if (i >= text.size() || text[i] != ':') return std::nullopt;
    i = SkipSpace(text, i + 1);
    const std::size_t valueEnd = ValueEnd(text, i);
    if (valueEnd == npos) return std::nullopt;
    if (key == name) {
      if (found) return std::nullopt;
      found = text.substr(i, valueEnd - i);
    }
    i = SkipSpace(text, valueEnd);
    if (i < text.size() && text[i] == ',') i = SkipSpace(text, i + 1);
  }
  return found;
}

}  // namespace ydt::live
