// Reading a provider's JSON answer as text, where its own words can be passed on unchanged.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace ydt::live {

// Whether `text` is one JSON value (RFC 8259, strings in well-formed UTF-8) with nothing but
// white space around it. It never builds anything, so a page of machines is checked in a
// fraction of what parsing it costs. It errs only towards no: a byte-order mark, a nesting
// deeper than 256, a lone UTF-16 surrogate escape or a number that may reach 10^308 answer no,
// and the caller then takes the parser's word.
bool IsJson(std::string_view text);

// What one pass of that check learns of an answer: whether it is JSON, and where the members of
// its top-level object and of the objects directly inside that one lie. A provider's page is
// then read once, however many questions about its envelope are asked of it.
class JsonOutline {
 public:
  explicit JsonOutline(std::string_view text);

  bool IsJson() const { return valid_; }

  // Member `name` of the top-level object (`outer` empty) or of the object that its member
  // `outer` holds (so a top-level member keyed "" cannot be asked about). Nullopt when it is absent
  // or there twice, and also when the text is not JSON, `outer` is there twice or holds no object,
  // or a key was written with escapes: the caller then reads the parsed document instead.
  std::optional<std::string_view> Member(std::string_view outer, std::string_view name) const;

  // Whether that object certainly has no member `name`; false wherever Member would be unsure,
  // and when there is no such object at all.
  bool SurelyLacks(std::string_view outer, std::string_view name) const;

  struct Entry {
    bool top;  // a member of the top-level object, not of an object inside it
    std::string_view outer, key, value;
    // Whether it belongs to the object that `outer` means (see Member).
    bool In(std::string_view where) const { return where.empty() ? top : !top && outer == where; }
  };

 private:
  // Whether the object meant by `outer` can be answered for at all.
  bool Sure(std::string_view outer) const;

  std::vector<Entry> entries_;
  bool valid_ = false;
  bool objectAtTop_ = false;
  bool unsure_ = false;  // an escaped key, or more members than are kept
};

// The text of member `name` of the JSON object `text`, which must already have parsed
// successfully. Nullopt when `text` is not an object or lacks the member, and also when it
// holds the member twice or writes a key with escapes, which a plain comparison cannot see
// through: the caller then reads the parsed document instead.
std::optional<std::string_view> MemberText(std::string_view text, std::string_view name);

// Whether the JSON object `text` (valid JSON, as above) certainly has no member `name`:
// false also when it is not an object or writes a key with escapes.
bool SurelyLacks(std::string_view text, std::string_view name);

}  // namespace ydt::live
