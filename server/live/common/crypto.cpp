#include "crypto.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <ctime>
#include <random>

namespace ydt::live {
namespace {

std::string Mac(const EVP_MD* md, std::string_view key, std::string_view data) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!HMAC(md, key.data(), static_cast<int>(key.size()),
            reinterpret_cast<const unsigned char*>(data.data()), data.size(), out, &length)) {
    return {};
  }
  return std::string(reinterpret_cast<const char*>(out), length);
}

std::string Format(long long unixSeconds, const char* picture) {
  std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[40];
  std::strftime(text, sizeof text, picture, &tm);
  return text;
}

}  // namespace

std::string Sha256(std::string_view data) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!EVP_Digest(data.data(), data.size(), out, &length, EVP_sha256(), nullptr)) return {};
  return std::string(reinterpret_cast<const char*>(out), length);
}

std::string HmacSha256(std::string_view key, std::string_view data) {
  return Mac(EVP_sha256(), key, data);
}

std::string HmacSha1(std::string_view key, std::string_view data) {
  return Mac(EVP_sha1(), key, data);
}

std::string HexLower(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string RandomHex() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    std::random_device device;
    for (auto& b : bytes) b = static_cast<unsigned char>(device());
  }
  return HexLower(std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes));
}

std::string Sha256Hex(std::string_view data) {
  return HexLower(Sha256(data));
}

std::string Base64(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3), '\0');
  const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                      reinterpret_cast<const unsigned char*>(bytes.data()),
                                      static_cast<int>(bytes.size()));
  out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return out;
}

std::string UriEncode(std::string_view text, bool keepSlash) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char c : text) {
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
                            c == '~' || (keepSlash && c == '/');
    if (unreserved) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kDigits[c >> 4];
      out += kDigits[c & 15];
    }
  }
  return out;
}

std::string UtcDate(long long unixSeconds) {
  return Format(unixSeconds, "%Y-%m-%d");
}
std::string UtcIso8601(long long unixSeconds) {
  return Format(unixSeconds, "%Y-%m-%dT%H:%M:%SZ");
}
std::string UtcBasic(long long unixSeconds) {
  return Format(unixSeconds, "%Y%m%dT%H%M%SZ");
}

}  // namespace ydt::live
