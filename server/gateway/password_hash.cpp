#include "password_hash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <charconv>
#include <vector>

#include "front/text_codec.h"

namespace ydt::gateway {
namespace {

constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;
// A users file someone else wrote must not make a login take gigabytes.
constexpr std::uint64_t kMaxMemory = std::uint64_t{1} << 30;

std::uint64_t MemoryFor(const ScryptParams& p) {
  return 128 * p.r * (p.n + 2) + 128 * p.r * p.p;
}

bool ParamsUsable(const ScryptParams& p) {
  const bool powerOfTwo = p.n >= 2 && (p.n & (p.n - 1)) == 0;
  return powerOfTwo && p.n <= (std::uint64_t{1} << 24) && p.r >= 1 && p.r <= 64 && p.p >= 1 &&
         p.p <= 16 && MemoryFor(p) <= kMaxMemory;
}

bool Derive(std::string_view secret, const std::string& salt, const ScryptParams& p,
            std::string& out) {
  if (!ParamsUsable(p)) return false;
  std::string key(kHashBytes, '\0');
  const int ok = EVP_PBE_scrypt(secret.data(), secret.size(),
                                reinterpret_cast<const unsigned char*>(salt.data()), salt.size(),
                                p.n, p.r, p.p, MemoryFor(p) + (1u << 20),
                                reinterpret_cast<unsigned char*>(key.data()), key.size());
  if (ok != 1) return false;
  out = std::move(key);
  return true;
}

bool FromHex(std::string_view hex, std::string& out) {
  if (hex.empty() || hex.size() % 2 != 0) return false;
  out.clear();
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (ec != std::errc() || end != hex.data() + i + 2) return false;
    out.push_back(static_cast<char>(value));
  }
  return true;
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

bool HashSecret(std::string_view secret, const ScryptParams& params, PasswordHash& out) {
  std::string salt(kSaltBytes, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) != 1)
    return false;
  std::string hash;
  if (!Derive(secret, salt, params, hash)) return false;
  out = PasswordHash{params, std::move(salt), std::move(hash)};
  return true;
}

bool SecretMatches(const PasswordHash& stored, std::string_view secret) {
  std::string hash;
  if (!Derive(secret, stored.salt, stored.params, hash) || hash.size() != stored.hash.size())
    return false;
  return CRYPTO_memcmp(hash.data(), stored.hash.data(), hash.size()) == 0;
}

std::string FormatHash(const PasswordHash& hash) {
  return "scrypt$" + std::to_string(hash.params.n) + "$" + std::to_string(hash.params.r) + "$" +
         std::to_string(hash.params.p) + "$" + front::ToHex(hash.salt) + "$" +
         front::ToHex(hash.hash);
}

bool ParseHash(std::string_view text, PasswordHash& out) {
  std::vector<std::string_view> parts;
  std::size_t pos = 0;
  while (true) {
    const std::size_t sep = text.find('$', pos);
    parts.push_back(text.substr(pos, sep == std::string_view::npos ? sep : sep - pos));
    if (sep == std::string_view::npos) break;
    pos = sep + 1;
  }
  if (parts.size() != 6 || parts[0] != "scrypt") return false;
  PasswordHash parsed;
  if (!ParseNumber(parts[1], parsed.params.n) || !ParseNumber(parts[2], parsed.params.r) ||
      !ParseNumber(parts[3], parsed.params.p) || !ParamsUsable(parsed.params) ||
      !FromHex(parts[4], parsed.salt) || !FromHex(parts[5], parsed.hash))
    return false;
  out = std::move(parsed);
  return true;
}

}  // namespace ydt::gateway
