// Response header blocks through the Set-Cookie reader and the cookie merge.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "service/http/header_text.h"

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
  return 0;
}
