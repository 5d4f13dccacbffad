// Salted, slow hashes of what the console sends for a password, with the cost parameters
// kept beside each hash so they can be raised later without invalidating older entries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ydt::gateway {

// scrypt's cost: N (a power of two), r and p. The default takes about 32 MiB and a tenth of a
// second, which a login can afford and a guesser cannot.
struct ScryptParams {
  std::uint64_t n = std::uint64_t{1} << 15;
  std::uint64_t r = 8;
  std::uint64_t p = 1;
};

struct PasswordHash {
  ScryptParams params;
  std::string salt;  // raw bytes
  std::string hash;  // raw bytes
};

// Hashes `secret` under a fresh random salt. False when the parameters are out of bounds or
// the random source or the key derivation fails.
bool HashSecret(std::string_view secret, const ScryptParams& params, PasswordHash& out);

// Whether `secret` gives `stored`'s hash; the comparison takes the same time wherever the
// bytes differ.
bool SecretMatches(const PasswordHash& stored, std::string_view secret);

// "scrypt$N$r$p$SALTHEX$HASHHEX", and back. Parsing refuses parameters that would make one
// login take unbounded memory or time.
std::string FormatHash(const PasswordHash& hash);
bool ParseHash(std::string_view text, PasswordHash& out);

}  // namespace ydt::gateway
