// Text helpers shared by the service layer and the consoles. Inside the program text is
// UTF-8; GBK appears only at the edges (request bodies, the settings file, digests).
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ydt {

// Removes space characters (0x20 only) at both ends; tabs and line breaks stay.
std::string TrimSpaces(std::string_view text);

// GBK bytes -> UTF-8 text. Bytes that do not form GBK characters become "?".
std::string GbkToUtf8(std::string_view gbk);
// UTF-8 text -> GBK bytes. Characters GBK lacks become "?".
std::string Utf8ToGbk(std::string_view utf8);
// Length in bytes of the text once encoded as GBK (the unit of every byte-counted rule).
std::size_t GbkLength(std::string_view utf8);

// Reply bytes -> text: decodes UTF-8 with the stop rules of the backend reply decoder
// (stops for good at a stray continuation byte, 0xFE/0xFF, an interrupted or truncated
// sequence; ends at the first zero character), then keeps only what GBK can hold:
// every character GBK lacks becomes "?". The result is UTF-8.
std::string UTF8ToText(std::string_view bytes);

// The UTF-8 bytes of a text. Internal text already is UTF-8, so this is the identity;
// it exists so callers state where the wire wants UTF-8 rather than GBK.
std::string ToUtf8(std::string_view text);

// Percent-encodes every byte as "%" + two upper-case hex digits; with keepSafe, the bytes
// "-", ".", 0-9, A-Z, a-z stay as they are. convertToUtf8 is a no-op for UTF-8 text.
std::string UrlEncode(std::string_view text, bool keepSafe = false, bool convertToUtf8 = false);

// Whether the user's locale writes times on a 24-hour clock.
bool LocaleUses24HourClock();

// Date/time pictures by style 0-3 and part 0-5 (see the table in text.cpp). With no time
// given, the current local time. use24Hour defaults to the locale's setting.
std::string FormatDateTime(std::optional<std::tm> time = std::nullopt, int style = 0, int part = 0,
                           std::optional<bool> use24Hour = std::nullopt);

std::string EscapeRegexText(std::string_view text);

// All texts between each occurrence of `left` and the next `right` (case-insensitive,
// non-overlapping, left to right). Returns the number of texts placed in `out`.
int ExtractAllBetween(std::string_view subject, std::string_view left, std::string_view right,
                      std::vector<std::string>& out);

// RFC 4648 Base64 with "=" padding and no line breaks.
std::string Base64Encode(std::string_view bytes);

// Upper/lower case of ASCII letters only; every other byte unchanged.
std::string ToUpperText(std::string_view text);
std::string ToLowerText(std::string_view text);

// Leading decimal digits with an optional sign (after leading spaces); none gives 0.
// Values beyond 32 bits saturate at INT32_MIN / INT32_MAX.
std::int32_t TextToInt(std::string_view text);

// The leading decimal number of a text (after leading white space) as a 32-bit float; none
// gives 0, a number beyond the float's range infinity. The decimal point is "." whatever the
// desktop's language: the backend writes numbers the JSON way.
float TextToFloat(std::string_view text);

// `value` with up to `precision` significant digits in the shortest general form, as
// printf's "%.*g" writes it in the C locale: 123.45, 1.23457e+06, never 123,45.
std::string GeneralNumberText(double value, int precision);

// MD5 of bytes as 32 lower-case hex digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace ydt
