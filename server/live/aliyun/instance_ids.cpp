#include "live/aliyun/instance_ids.h"

#include <algorithm>
#include <unordered_set>

namespace ydt::live::aliyun {
namespace {

std::string_view Trimmed(std::string_view text, std::string_view blanks) {
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

std::vector<std::string> ParseInstanceIds(std::string_view text) {
  std::string_view body = Trimmed(text, " \t\r\n");
  if (body.size() >= 2 && body.front() == '[' && body.back() == ']') {
    body = body.substr(1, body.size() - 2);
  }
  std::vector<std::string> ids;
  std::unordered_set<std::string_view> seen;
  while (!body.empty()) {
    const auto comma = body.find(',');
    const std::string_view id = Trimmed(body.substr(0, comma), " \t\r\n\"'");
    if (!id.empty() && seen.insert(id).second) ids.emplace_back(id);
    if (comma == std::string_view::npos) break;
    body.remove_prefix(comma + 1);
  }
  return ids;
}

std::vector<std::vector<std::string>> Chunked(const std::vector<std::string>& ids,
                                              std::size_t size) {
  std::vector<std::vector<std::string>> chunks;
  for (std::size_t at = 0; at < ids.size(); at += size) {
    const std::size_t end = std::min(ids.size(), at + size);
    chunks.emplace_back(ids.begin() + static_cast<std::ptrdiff_t>(at),
                        ids.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return chunks;
}

}  // namespace ydt::live::aliyun
