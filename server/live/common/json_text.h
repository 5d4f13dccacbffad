// Reading a provider's JSON answer as text, where its own words can be passed on unchanged.
#pragma once

#include <optional>
#include <string_view>

namespace ydt::live {

// Whether `text` is one JSON value (RFC 8259, strings in well-formed UTF-8) with nothing but
// white space around it. It never builds anything, so a page of machines is checked in a
// fraction of what parsing it costs. It errs only towards no: a byte-order mark, a nesting
// deeper than 256 or a lone UTF-16 surrogate escape answer no, and the caller then takes the
// parser's word.
bool IsJson(std::string_view text);

// The text of member `name` of the JSON object `text`, which must already have parsed
// successfully. Nullopt when `text` is not an object or lacks the member, and also when it
// holds the member twice or writes a key with escapes, which a plain comparison cannot see
// through: the caller then reads the parsed document instead.
std::optional<std::string_view> MemberText(std::string_view text, std::string_view name);

// Whether the JSON object `text` (valid JSON, as above) certainly has no member `name`:
// false also when it is not an object or writes a key with escapes.
bool SurelyLacks(std::string_view text, std::string_view name);

}  // namespace ydt::live
