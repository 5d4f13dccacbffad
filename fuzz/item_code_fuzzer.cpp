// Box item texts through the code reader behind every region, zone, image and disk choice.
#include <cstddef>
#include <cstdint>
#include <string>

#include "consoles/catalogue/catalogue.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::string code = ydt::itemCode(text);
  YDT_FUZZ_CHECK(code.size() <= text.size());
  YDT_FUZZ_CHECK(code.empty() || (code.front() != ' ' && code.back() != ' '));
  // A well-formed item text gives a well-formed code without brackets: the cuts fall
  // between characters. (Broken bytes around a removed bracket may join into a new one.)
  if (ydt::fuzz::IsWellFormedUtf8(text)) {
    YDT_FUZZ_CHECK(ydt::fuzz::IsWellFormedUtf8(code));
    YDT_FUZZ_CHECK(code.find("）") == std::string::npos);
  }
  for (ydt::ProviderKind kind : ydt::kAllProviders) {
    (void)ydt::StateWord(kind, text);
    (void)ydt::ImageTypeCode(kind, text);
  }
  (void)ydt::HuaweiZones(code);
  return 0;
}
