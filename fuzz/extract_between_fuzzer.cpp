// Reply fragments searched for the texts between two markers, as the address list does.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "service/text/text.h"

namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from) {
  for (std::size_t at = from; at + needle.size() <= text.size(); ++at) {
    if (SameNoCase(text.substr(at, needle.size()), needle)) return at;
  }
  return std::string_view::npos;
}

void Extract(std::string_view subject, std::string_view left, std::string_view right) {
  std::vector<std::string> out{"stale"};
  const int count = ydt::ExtractAllBetween(subject, left, right, out);
  YDT_FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) == out.size());
  std::size_t total = 0;
  for (const std::string& text : out) total += text.size();
  YDT_FUZZ_CHECK(total <= subject.size());

  // Markers stand for themselves unless they hold the quote word or a line break.
  for (std::string_view marker : {left, right}) {
    if (marker.find("#引号") != marker.npos || marker.find("\r\n") != marker.npos) return;
  }
  // Each text lies between its markers, in order and apart, and holds no right marker:
  // the match is the shortest.
  std::size_t from = 0;
  for (const std::string& text : out) {
    YDT_FUZZ_CHECK(right.empty() ? text.empty() : FindNoCase(text, right, 0) == text.npos);
    std::size_t found = subject.npos;
    for (std::size_t at = FindNoCase(subject, left, from); at != subject.npos;
         at = FindNoCase(subject, left, at + 1)) {
      const std::size_t textAt = at + left.size();
      if (textAt + text.size() + right.size() <= subject.size() &&
          subject.substr(textAt, text.size()) == text &&
          SameNoCase(subject.substr(textAt + text.size(), right.size()), right)) {
        found = textAt + text.size() + right.size();
        break;
      }
    }
    YDT_FUZZ_CHECK(found != subject.npos);
    from = found;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = ydt::fuzz::SplitAtZero(data, size);
  const std::string_view subject = parts[0];
  // The markers the address list uses, then markers taken from the input itself (empty
  // ones included).
  Extract(subject, "\"addr\":\"", "\"");
  if (parts.size() >= 3) Extract(subject, parts[1], parts[2]);
  if (parts.size() == 2) Extract(subject, parts[1], "");
  (void)ydt::EscapeRegexText(subject);
  return 0;
}
