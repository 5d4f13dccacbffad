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

// Hands each member of the object `text` to `visit` (key as written, value text); false
// when `text` is not an object or a key is written with escapes.
template <typename Visit>
bool ForEachMember(std::string_view text, Visit visit) {
  std::size_t i = SkipSpace(text, 0);
  if (i >= text.size() || text[i] != '{') return false;
  i = SkipSpace(text, i + 1);
  while (i < text.size() && text[i] == '"') {
    const std::size_t keyEnd = StringEnd(text, i);
    if (keyEnd == npos) return false;
    const std::string_view key = text.substr(i + 1, keyEnd - i - 2);
    if (key.find('\\') != npos) return false;
    i = SkipSpace(text, keyEnd);
    if (i >= text.size() || text[i] != ':') return false;
    i = SkipSpace(text, i + 1);
    const std::size_t valueEnd = ValueEnd(text, i);
    if (valueEnd == npos) return false;
    visit(key, text.substr(i, valueEnd - i));
    i = SkipSpace(text, valueEnd);
    if (i < text.size() && text[i] == ',') i = SkipSpace(text, i + 1);
  }
  return true;
}

}  // namespace

std::optional<std::string_view> MemberText(std::string_view text, std::string_view name) {
  std::optional<std::string_view> found;
  int times = 0;
  const bool read = ForEachMember(text, [&](std::string_view key, std::string_view value) {
    if (key == name && times++ == 0) found = value;
  });
  if (!read || times != 1) return std::nullopt;
  return found;
}

bool SurelyLacks(std::string_view text, std::string_view name) {
  bool seen = false;
  const bool read = ForEachMember(
      text, [&](std::string_view key, std::string_view) { seen = seen || key == name; });
  return read && !seen;
}

}  // namespace ydt::live
