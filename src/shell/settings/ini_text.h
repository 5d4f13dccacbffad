// Reading and editing INI text (GBK bytes) with the rules of the Windows private-profile
// functions. Pure text in, text out; SettingsStore does the file work.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ydt {

class IniText {
 public:
  // The value of key in section, or nothing when either is missing. Names are compared
  // ASCII-case-insensitively after trimming blanks; the first matching section and the
  // first matching key in it win. Blanks around the value and one pair of enclosing
  // quotes are dropped.
  static std::optional<std::string> Find(std::string_view ini, std::string_view section,
                                         std::string_view key);

  // ini with section/key set to value: an existing key line is replaced in place, a new
  // key goes after the last line of its section, a new section at the end. Every other
  // byte is kept.
  static std::string Set(std::string_view ini, std::string_view section, std::string_view key,
                         std::string_view value);
};

}  // namespace ydt
