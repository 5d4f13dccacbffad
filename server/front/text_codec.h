// Byte-level text helpers: the console speaks GBK on the wire, the simulator keeps UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace ydt::front {

// GBK bytes to UTF-8. Bytes that do not form GBK characters become "?", so a hostile body
// can never make the conversion fail or loop.
std::string GbkToUtf8(std::string_view gbk);

// UTF-8 to GBK; characters GBK lacks (and broken UTF-8) become "?".
std::string Utf8ToGbk(std::string_view utf8);

bool IsValidUtf8(std::string_view bytes);

// Form-value decoding as browsers and form parsers do it: "+" is a blank, "%XX" a byte.
// A "%" not followed by two hex digits is kept as it stands.
std::string PercentDecode(std::string_view text);

// 32 lower-case hex digits.
std::string Md5Hex(std::string_view bytes);

std::string ToHex(std::string_view bytes);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);

// Parses a whole decimal integer (optional leading "-"); false for anything else, including
// values that do not fit.
bool ParseInt(std::string_view text, long long& value);

}  // namespace ydt::front
