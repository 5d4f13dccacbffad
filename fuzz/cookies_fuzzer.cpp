// Response header blocks through the Set-Cookie reader and the cookie merge.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "service/http/header_text.h"

namespace {

// Cookies a response sets, made from the input so that the value each name was set to last
// is known: names c0 to c3, now and then deleted.
std::string SetCookieText(std::string_view bytes, std::map<std::string, std::string>& last) {
  std::string text;
  for (const unsigned char b : bytes.substr(0, 16)) {
    const std::string name = "c" + std::to_string(b % 4);
    last[name] = b & 0x80 ? "deleted" : std::to_string(b);
    text += (text.empty() ? "" : "; ") + name + "=" + last[name];
  }
  return text;
}

// The items of a cookie text, which joins them with "; ".
std::vector<std::string_view> Items(std::string_view text) {
  std::vector<std::string_view> items;
  for (std::size_t at = 0; at <= text.size();) {
    const std::size_t end = std::min(text.find("; ", at), text.size());
    items.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return items;
}

// The name of a name=value item, blanks around it dropped; empty for an item without "=".
std::string_view NameOf(std::string_view item) {
  if (item.find('=') == item.npos) return {};
  item = item.substr(0, item.find('='));
  while (item.starts_with(' ')) item.remove_prefix(1);
  while (item.ends_with(' ')) item.remove_suffix(1);
  return item;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = ydt::fuzz::SplitAtZero(data, size);
  const std::string_view block = parts[0];
  const std::string_view old = parts.size() > 1 ? parts[1] : std::string_view("a=1; c=3");

  const std::string returned = ydt::ExtractSetCookies(block);
  const std::string merged = ydt::MergeCookies(old, returned);
  // The merge reads old and new items alike: a cookie text merged with itself or with
  // nothing comes back unchanged in both cases, and never keeps a "=deleted" item.
  YDT_FUZZ_CHECK(ydt::MergeCookies(merged, merged) == ydt::MergeCookies(merged, ""));
  YDT_FUZZ_CHECK(!merged.ends_with("=deleted"));
  (void)ydt::MergeCookies(returned, old);

  // Each name holds the value set last, or nothing once deleted; an old value of a name
  // set anew never survives.
  std::map<std::string, std::string> last;
  const std::string set = SetCookieText(parts.size() > 2 ? parts[2] : block, last);
  const std::string mergedSet = ydt::MergeCookies(old, set);
  const std::vector<std::string_view> items = Items(mergedSet);
  const std::vector<std::string_view> setItems = Items(set);
  for (const auto& [name, value] : last) {
    const bool held = std::ranges::count(items, name + "=" + value) > 0;
    YDT_FUZZ_CHECK(held == (value != "deleted"));
  }
  for (std::string_view item : items) {
    YDT_FUZZ_CHECK(!last.contains(std::string(NameOf(item))) ||
                   std::ranges::count(setItems, item) > 0);
  }
  return 0;
}
