// Caller header texts through the name normalisation and the default completion.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "service/http/header_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = ydt::fuzz::SplitAtZero(data, size);
  const std::string_view headers = parts[0];
  const std::string_view address =
      parts.size() > 1 ? parts[1] : std::string_view("http://127.0.0.1:60080/api/v1/lxinterface/");

  const std::string normalised = ydt::NormaliseHeaderNames(headers);
  // Every line left has a name, so a second pass has nothing more to do.
  YDT_FUZZ_CHECK(ydt::NormaliseHeaderNames(normalised) == normalised);
  for (int method : {0, 1, 9}) {
    const std::string completed = ydt::CompleteHeaderText(normalised, address, method, method == 1);
    YDT_FUZZ_CHECK(ydt::HeaderTextContains(completed, "accept:"));
    YDT_FUZZ_CHECK(ydt::HeaderTextContains(completed, "Accept-Language:"));
  }
  return 0;
}
