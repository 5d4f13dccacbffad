// The simulator's starting state: login users, provider accounts with their machines and
// images, the announcement. Either the built-in demo set or a JSON file of the same shape.
#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "catalogue.h"
#include "machine.h"

namespace ydt::sim {

struct SeedUser {
  std::string username;
  std::string password;  // plain; the login compares MD5 digests of its GBK bytes
};

struct SeedAccount {
  Provider provider = Provider::kQcloud;
  std::string secretId;
  std::string secretKey;
  std::string balance;                                    // in the provider's own unit and spelling
  std::string uin;                                        // Tencent account number
  std::vector<std::pair<std::string, int>> generated;     // region, machine count
  std::vector<std::pair<std::string, Machine>> machines;  // region, explicit machine
  std::vector<Image> privateImages;
  std::vector<Image> sharedImages;
};

struct SeedData {
  std::vector<SeedUser> users;
  std::vector<SeedAccount> accounts;
  std::string announcement;
};

// Parses a seed file's text; on failure returns false and says why in `error`.
bool ParseSeed(const std::string& jsonText, SeedData& out, std::string& error);

// The built-in demo set, as seed-file JSON (so it doubles as the file format's example).
std::string DemoSeedJson();

// Machine number `index` of an account's region, the same on every run.
Machine GenerateMachine(Provider provider, const std::string& secretId, const std::string& region,
                        int index);

// A UTC time in the provider's creation-time style.
std::string FormatIsoTime(Provider provider, std::time_t when);

}  // namespace ydt::sim
