// A provider's answer as the gateway checks it before passing it on unread: the check must
// never call valid what the parser refuses, and what its one-pass outline is sure of must be
// what the parsed document says.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "fuzz_input.h"
#include "live/common/json_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The answer, then optionally the member names to ask about: outer first, then inner.
  const auto parts = ydt::fuzz::SplitAtZero(data, size);
  const std::string_view text = parts[0];
  const std::string_view outer = parts.size() > 1 ? parts[1] : "Response";
  const std::string_view name = parts.size() > 2 ? parts[2] : "Error";

  const bool valid = ydt::live::IsJson(text);
  if (valid) YDT_FUZZ_CHECK(nlohmann::ordered_json::accept(text));
  const ydt::live::JsonOutline outline(text);
  YDT_FUZZ_CHECK(outline.IsJson() == valid);
  if (!valid) return 0;

  const auto parsed = nlohmann::ordered_json::parse(text);
  for (const auto& [holder, member] : {std::pair{std::string_view(), outer}, {outer, name}}) {
    const nlohmann::ordered_json* object = &parsed;
    if (!holder.empty()) {
      if (!outline.Member({}, holder)) continue;  // unsure of the holder itself
      object = &parsed.at(std::string(holder));
    }
    if (const auto found = outline.Member(holder, member)) {
      YDT_FUZZ_CHECK(object->is_object() && object->contains(std::string(member)));
      YDT_FUZZ_CHECK(nlohmann::ordered_json::parse(*found) == object->at(std::string(member)));
    }
    if (outline.SurelyLacks(holder, member)) {
      YDT_FUZZ_CHECK(object->is_object() && !object->contains(std::string(member)));
    }
  }
  return 0;
}
