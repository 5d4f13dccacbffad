#include "console_form.h"

#include <charconv>
#include <unordered_set>

namespace ydt::live {
namespace {

std::string_view TrimBlanksAndQuotes(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\"'";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::string> ParseInstanceIds(std::string_view text) {
  std::string_view body = TrimBlanksAndQuotes(text);
  if (body.size() >= 2 && body.front() == '[' && body.back() == ']') {
    body = body.substr(1, body.size() - 2);
  }
  std::vector<std::string> ids;
  std::unordered_set<std::string_view> seen;
  std::size_t pos = 0;
  while (pos <= body.size()) {
    std::size_t comma = body.find(',', pos);
    if (comma == std::string_view::npos) comma = body.size();
    const std::string_view id = TrimBlanksAndQuotes(body.substr(pos, comma - pos));
    // A repeated ID is one machine; naming it twice in one call is refused by providers.
    if (!id.empty() && seen.insert(id).second) ids.emplace_back(id);
    pos = comma + 1;
  }
  return ids;
}

std::vector<std::vector<std::string>> InRunsOf(const std::vector<std::string>& items,
                                               std::size_t size) {
  std::vector<std::vector<std::string>> runs;
  for (std::size_t i = 0; i < items.size(); i += size) {
    runs.emplace_back(
        items.begin() + static_cast<std::ptrdiff_t>(i),
        items.begin() + static_cast<std::ptrdiff_t>(std::min(items.size(), i + size)));
  }
  return runs;
}

bool RequireText(const front::CloudRequest& request, const char* name, std::string& value,
                 front::CloudReply& failure) {
  auto text = request.Field(name);
  if (!text || text->empty()) {
    failure = front::CloudReply::Fail(kCodeBadField, std::string("缺少参数：") + name);
    return false;
  }
  value = *text;
  return true;
}

bool RequireRegion(const front::CloudRequest& request, std::string& region,
                   front::CloudReply& failure) {
  if (!RequireText(request, "region", region, failure)) return false;
  const bool wellFormed =
      region.size() <= 64 &&
      region.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-") == std::string::npos;
  if (!wellFormed) {
    failure = front::CloudReply::Fail(kCodeBadField, "地域不存在：" + region);
    return false;
  }
  return true;
}

bool ReadInt(const front::CloudRequest& request, const IntField& field, long long& value,
             front::CloudReply& failure) {
  auto text = request.Field(field.name);
  if (!text) {
    if (field.required) {
      failure = front::CloudReply::Fail(kCodeBadField, std::string("缺少参数：") + field.name);
      return false;
    }
    value = field.fallback;
    return true;
  }
  const char* first = text->data();
  const char* last = first + text->size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (text->empty() || error != std::errc() || end != last) {
    failure = front::CloudReply::Fail(kCodeBadField,
                                      std::string("参数格式错误：") + field.name + "=" + *text);
    return false;
  }
  if (value < field.lo || value > field.hi) {
    failure = front::CloudReply::Fail(kCodeBadField, std::string("参数超出范围：") + field.name +
                                                         " 取值范围为" + std::to_string(field.lo) +
                                                         "-" + std::to_string(field.hi));
    return false;
  }
  return true;
}

}  // namespace ydt::live
