// Reply fragments searched for the texts between two markers, as the address list does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "service/text/text.h"

namespace {

void Extract(std::string_view subject, std::string_view left, std::string_view right) {
  std::vector<std::string> out{"stale"};
  const int count = ydt::ExtractAllBetween(subject, left, right, out);
  YDT_FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) == out.size());
  std::size_t total = 0;
  for (const std::string& text : out) total += text.size();
  YDT_FUZZ_CHECK(total <= subject.size());
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
