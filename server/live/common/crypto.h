// The digests and encodings the providers' signing schemes are made of, on OpenSSL.
#pragma once

#include <string>
#include <string_view>

namespace ydt::live {

// Raw digests and MACs (binary strings).
std::string Sha256(std::string_view data);
std::string HmacSha256(std::string_view key, std::string_view data);
std::string HmacSha1(std::string_view key, std::string_view data);

std::string HexLower(std::string_view bytes);

// 16 bytes from OpenSSL's generator as 32 lower-case hex digits: signature nonces and the
// client tokens that make a resent creation the same creation.
std::string RandomHex();
std::string Sha256Hex(std::string_view data);
std::string Base64(std::string_view bytes);

// RFC 3986 percent-encoding: A–Z a–z 0–9 "-" "_" "." "~" stay, every other byte becomes
// "%XX" with upper-case hex; "/" stays too when `keepSlash`.
std::string UriEncode(std::string_view text, bool keepSlash = false);

// UTC time for signing: "2026-12-10" and "2026-12-10T15:00:00Z" style texts of a Unix time.
std::string UtcDate(long long unixSeconds);     // yyyy-MM-dd
std::string UtcIso8601(long long unixSeconds);  // yyyy-MM-ddTHH:mm:ssZ
std::string UtcBasic(long long unixSeconds);    // yyyyMMddTHHmmssZ

}  // namespace ydt::live
