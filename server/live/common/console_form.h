// Reading the console's form fields for a provider call, with the same checks and refusal
// texts for every provider, so the console reads the same answers whichever cloud is behind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "front/clouds.h"

namespace ydt::live {

// Envelope codes of the live clouds. The console treats every non-zero code alike; these
// tell an operator reading the journal where a failure came from.
inline constexpr int kCodeBadField = 1001;  // the console's form lacks a field or holds a bad one
inline constexpr int kCodeBadKeys = 1002;   // the provider refused the key pair
inline constexpr int kCodeRefused = 1003;   // the provider refused the operation
inline constexpr int kCodeBadReply = 502;   // no answer, or one that is not the provider's
inline constexpr int kCodeTimedOut = 504;   // the provider did not answer in time

// Instance IDs of the console's list forms "[id]", "[\"id\"]" and "id1,id2,": blanks and
// quotes around each ID dropped, empty entries and repeats skipped, order kept.
std::vector<std::string> ParseInstanceIds(std::string_view text);

// `items` in runs of at most `size`, in order (the providers take a bounded number of IDs
// per call).
std::vector<std::vector<std::string>> InRunsOf(const std::vector<std::string>& items,
                                               std::size_t size);

// A field the operation cannot do without; an empty value counts as missing.
bool RequireText(const front::CloudRequest& request, const char* name, std::string& value,
                 front::CloudReply& failure);

// The region field: required, and made of lower-case letters, digits and "-" as every
// provider's region codes are, so nothing else reaches a signed request or a host name.
bool RequireRegion(const front::CloudRequest& request, std::string& region,
                   front::CloudReply& failure);

// A whole number in [lo, hi]. An absent field gives `fallback`, or a failure when
// `required`.
struct IntField {
  const char* name;
  bool required;
  long long fallback;
  long long lo;
  long long hi;
};
bool ReadInt(const front::CloudRequest& request, const IntField& field, long long& value,
             front::CloudReply& failure);

}  // namespace ydt::live
