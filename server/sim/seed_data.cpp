#include "seed_data.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>

namespace ydt::sim {
namespace {

using nlohmann::json;

std::uint64_t Fnv1a(const std::string& text) {
  std::uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return h;
}

std::string Base36(std::uint64_t value, int width) {
  static const char* kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string out(static_cast<size_t>(width), '0');
  for (int i = width - 1; i >= 0; --i) {
    out[static_cast<size_t>(i)] = kDigits[value % 36];
    value /= 36;
  }
  return out;
}

std::string Hex(std::uint64_t value, int width) {
  static const char* kDigits = "0123456789abcdef";
  std::string out(static_cast<size_t>(width), '0');
  for (int i = width - 1; i >= 0; --i) {
    out[static_cast<size_t>(i)] = kDigits[value & 0xF];
    value >>= 4;
  }
  return out;
}

std::string Ip(std::uint64_t h, int first) {
  return std::to_string(first) + "." + std::to_string((h >> 8) % 254 + 1) + "." +
         std::to_string((h >> 16) % 254 + 1) + "." + std::to_string((h >> 24) % 253 + 2);
}

std::string MachineId(Provider provider, const std::string& secretId, const std::string& region,
                      int index) {
  const std::uint64_t bucket = Fnv1a(secretId + "|" + region);
  // A bijection on [0, 36^5), so the IDs of one region never collide.
  constexpr std::uint64_t kSpace = 60466176ULL;
  const std::uint64_t scrambled =
      (static_cast<std::uint64_t>(index) * 2654435761ULL + bucket) % kSpace;
  switch (provider) {
    case Provider::kQcloud:
      return "ins-" + Base36(bucket, 3) + Base36(scrambled, 5);
    case Provider::kAliyun:
      return "i-" + Base36(bucket, 12) + Base36(bucket >> 20, 3) + Base36(scrambled, 5);
    case Provider::kHuawei:
      break;
  }
  const std::uint64_t tail = Fnv1a(std::to_string(index) + "#" + secretId + "#" + region);
  return Hex(bucket >> 32, 8) + "-" + Hex(bucket >> 16, 4) + "-4" + Hex(bucket, 3) + "-8" +
         Hex(static_cast<std::uint64_t>(index), 3) + "-" + Hex(tail, 12);
}

std::string NetworkId(const std::string& secretId, int which) {
  const std::uint64_t h = Fnv1a(secretId + "/net/" + std::to_string(which));
  return Hex(h >> 32, 8) + "-" + Hex(h >> 16, 4) + "-4" + Hex(h, 3) + "-9" + Hex(h >> 40, 3) + "-" +
         Hex(h ^ 0x5A5A5A5A5A5AULL, 12);
}

std::string StateFor(Provider provider, int index) {
  const bool stopped = index % 10 == 3;
  const bool odd = index % 97 == 50;
  switch (provider) {
    case Provider::kQcloud:
      return odd ? "LAUNCH_FAILED" : stopped ? "STOPPED" : "RUNNING";
    case Provider::kAliyun:
      return odd ? "Pending" : stopped ? "Stopped" : "Running";
    case Provider::kHuawei:
      break;
  }
  return odd ? "ERROR" : stopped ? "SHUTOFF" : "ACTIVE";
}

Image ParseImage(const json& j, const std::string& kind) {
  Image image;
  image.id = j.value("id", "");
  image.name = j.value("name", image.id);
  image.kind = kind;
  image.osName = j.value("os_name", image.name);
  image.windows = j.value("windows", false);
  return image;
}

void ApplyMachineOverrides(const json& j, Provider provider, Machine& m) {
  if (j.contains("id")) m.id = j["id"].get<std::string>();
  if (j.contains("name")) m.name = j["name"].get<std::string>();
  if (j.contains("state")) m.state = j["state"].get<std::string>();
  if (j.contains("instance_type")) {
    m.instanceType = j["instance_type"].get<std::string>();
    if (auto f = Catalogue::FindFlavor(provider, m.instanceType)) {
      m.cpu = f->cpu;
      m.memoryGb = f->memoryGb;
    }
  }
  if (j.contains("cpu")) m.cpu = j["cpu"].get<int>();
  if (j.contains("memory_gb")) m.memoryGb = j["memory_gb"].get<int>();
  if (j.contains("zone")) m.zone = j["zone"].get<std::string>();
  if (j.contains("image_id")) m.imageId = j["image_id"].get<std::string>();
  if (j.contains("os_name")) m.osName = j["os_name"].get<std::string>();
  if (j.contains("windows")) m.windows = j["windows"].get<bool>();
  if (j.contains("created")) m.created = j["created"].get<std::string>();
  if (j.contains("addresses")) {
    m.addresses.clear();
    for (const auto& a : j["addresses"]) {
      Address address;
      address.network = a.value("network", "");
      address.addr = a.value("addr", "");
      address.floating = a.value("type", "fixed") == "floating";
      m.addresses.push_back(std::move(address));
    }
  }
}

}  // namespace

std::string FormatIsoTime(Provider provider, std::time_t when) {
  std::tm tm{};
  gmtime_r(&when, &tm);
  char buffer[32];
  // Aliyun writes creation times without seconds.
  const char* format = provider == Provider::kAliyun ? "%Y-%m-%dT%H:%MZ" : "%Y-%m-%dT%H:%M:%SZ";
  std::strftime(buffer, sizeof buffer, format, &tm);
  return buffer;
}

Machine GenerateMachine(Provider provider, const std::string& secretId, const std::string& region,
                        int index) {
  Machine m;
  const std::uint64_t h = Fnv1a(secretId + "|" + region + "|" + std::to_string(index));
  m.id = MachineId(provider, secretId, region, index);
  m.state = StateFor(provider, index);

  // Large regions generate thousands of machines at once; the catalogue lookups are cached.
  struct RegionCache {
    std::vector<Zone> usable;
    std::vector<std::vector<Flavor>> flavors;
  };
  thread_local std::map<std::string, RegionCache> cache;
  const std::string cacheKey = std::string(SegmentOf(provider)) + "|" + region;
  auto cached = cache.find(cacheKey);
  if (cached == cache.end()) {
    RegionCache entry;
    for (auto& z : Catalogue::Zones(provider, region)) {
      if (!z.usable) continue;
      entry.flavors.push_back(Catalogue::Flavors(provider, region, z.id));
      entry.usable.push_back(z);
    }
    cached = cache.emplace(cacheKey, std::move(entry)).first;
  }
  const auto& usable = cached->second.usable;
  if (!usable.empty()) {
    const size_t zoneIndex = static_cast<size_t>(index) % usable.size();
    m.zone = usable[zoneIndex].id;
    const auto& flavors = cached->second.flavors[zoneIndex];
    if (!flavors.empty()) {
      const Flavor& f = flavors[static_cast<size_t>(index) % flavors.size()];
      m.instanceType = f.name;
      m.cpu = f.cpu;
      m.memoryGb = f.memoryGb;
    }
  }
  const auto& images = Catalogue::PublicImages(provider);
  const Image& image = images[static_cast<size_t>(index) % images.size()];
  m.imageId = image.id;
  m.osName = image.osName;
  m.windows = image.windows;
  m.created =
      FormatIsoTime(provider, 1714521600 - static_cast<std::time_t>(index % 20000) * 37 * 60);
  m.diskType = Catalogue::DiskTypes(provider).front();
  m.chargeType = "POSTPAID_BY_HOUR";
  m.name = provider == Provider::kHuawei ? "ecs-" + m.id.substr(m.id.size() - 4) : "未命名";

  const std::string net1 = NetworkId(secretId, 1);
  const std::string net2 = NetworkId(secretId, 2);
  const std::string privateAddr =
      "192.168." + std::to_string(index / 250 % 250) + "." + std::to_string(index % 250 + 2);
  m.addresses.push_back({net1, privateAddr, false});
  const int firstOctet = provider == Provider::kQcloud   ? 43
                         : provider == Provider::kAliyun ? 47
                                                         : 121;
  if (index % 5 == 4) {
    // No public address at all.
  } else if (provider == Provider::kHuawei && index % 3 == 0) {
    m.addresses.push_back({net2, "10.0." + std::to_string(index % 250) + ".9", false});
    m.addresses.push_back({net2, Ip(h, firstOctet), true});
  } else {
    m.addresses.push_back({net1, Ip(h, firstOctet), true});
    if (provider == Provider::kQcloud && index % 7 == 6) {
      m.addresses.push_back({net1, Ip(h >> 7, firstOctet + 1), true});
    }
  }
  return m;
}

bool ParseSeed(const std::string& jsonText, SeedData& out, std::string& error) {
  json root = json::parse(jsonText, nullptr, false);
  if (root.is_discarded() || !root.is_object()) {
    error = "seed file is not a JSON object";
    return false;
  }
  try {
    SeedData seed;
    seed.announcement = root.value("announcement", "");
    for (const auto& u : root.value("users", json::array())) {
      seed.users.push_back(
          {u.at("username").get<std::string>(), u.at("password").get<std::string>()});
    }
    for (const auto& a : root.value("accounts", json::array())) {
      SeedAccount account;
      auto provider = ProviderFromSegment(a.at("provider").get<std::string>());
      if (!provider) {
        error = "unknown provider " + a.at("provider").dump();
        return false;
      }
      account.provider = *provider;
      account.secretId = a.at("secretid").get<std::string>();
      account.secretKey = a.at("secretkey").get<std::string>();
      account.balance = a.value("balance", "0");
      account.uin = a.value("uin", "");
      const auto kinds = Catalogue::Kinds(*provider);
      const json regions = a.value("regions", json::object());
      for (const auto& [region, count] : regions.items()) {
        if (!Catalogue::HasRegion(*provider, region)) {
          error = "unknown region " + region + " for " + std::string(SegmentOf(*provider));
          return false;
        }
        account.generated.emplace_back(region, count.get<int>());
      }
      int explicitIndex = 0;
      for (const auto& m : a.value("machines", json::array())) {
        const std::string region = m.at("region").get<std::string>();
        if (!Catalogue::HasRegion(*provider, region)) {
          error = "unknown region " + region + " for " + std::string(SegmentOf(*provider));
          return false;
        }
        // Explicit machines start from a generated one far from the generated range, then
        // take whatever the file states.
        Machine machine =
            GenerateMachine(*provider, account.secretId, region, 900000 + explicitIndex++);
        ApplyMachineOverrides(m, *provider, machine);
        account.machines.emplace_back(region, std::move(machine));
      }
      for (const auto& i : a.value("private_images", json::array())) {
        account.privateImages.push_back(ParseImage(i, kinds.privateKind));
      }
      for (const auto& i : a.value("shared_images", json::array())) {
        account.sharedImages.push_back(ParseImage(i, kinds.sharedKind));
      }
      seed.accounts.push_back(std::move(account));
    }
    out = std::move(seed);
    return true;
  } catch (const std::exception& e) {
    error = std::string("seed file: ") + e.what();
    return false;
  }
}

std::string DemoSeedJson() {
  json seed;
  seed["announcement"] = "欢迎使用云舵台V3.5！本地模拟后台已启动，演示账号 demo / demo123。";
  seed["users"] = json::array({{{"username", "demo"}, {"password", "demo123"}},
                               {{"username", "测试员"}, {"password", "ceshi123"}}});
  json accounts = json::array();
  const std::string balances[3][2] = {
      {"12345", "10000"}, {"1234567.89", "12.5"}, {"88.000", "0.000"}};
  int p = 0;
  for (Provider provider : kAllProviders) {
    const std::string seg(SegmentOf(provider));
    const auto& regions = Catalogue::Regions(provider);
    const auto kinds = Catalogue::Kinds(provider);
    json main;
    main["provider"] = seg;
    main["secretid"] = "demo-" + seg + "-id";
    main["secretkey"] = "demo-" + seg + "-key";
    main["balance"] = balances[p][0];
    if (provider == Provider::kQcloud) main["uin"] = "100012345678";
    main["regions"] = {{regions[1], 250}, {regions[2], 10000}};

    // The small region shows every address shape and a state code in lower case.
    const std::string r0 = regions[0];
    const std::string secret = main["secretid"];
    auto addr = [](const std::string& net, const std::string& a, bool floating) {
      return json{{"network", net}, {"addr", a}, {"type", floating ? "floating" : "fixed"}};
    };
    json machines = json::array();
    if (provider == Provider::kQcloud) {
      machines.push_back({{"region", r0},
                          {"id", "ins-demo0001"},
                          {"state", "RUNNING"},
                          {"addresses",
                           {addr("", "10.0.0.11", false), addr("", "43.138.20.11", true),
                            addr("", "43.138.20.12", true)}}});
      machines.push_back(
          {{"region", r0},
           {"id", "ins-demo0002"},
           {"state", "STOPPED"},
           {"addresses", {addr("", "10.0.0.12", false), addr("", "43.138.20.13", true)}}});
      machines.push_back({{"region", r0},
                          {"id", "ins-demo0003"},
                          {"state", "running"},
                          {"addresses", {addr("", "10.0.0.13", false)}}});
    } else if (provider == Provider::kAliyun) {
      machines.push_back(
          {{"region", r0},
           {"id", "i-demo00000000000000001"},
           {"state", "Running"},
           {"addresses", {addr("", "172.16.0.11", false), addr("", "47.94.10.11", true)}}});
      machines.push_back(
          {{"region", r0},
           {"id", "i-demo00000000000000002"},
           {"state", "Stopped"},
           {"addresses", {addr("", "172.16.0.12", false), addr("", "47.94.10.12", true)}}});
      machines.push_back({{"region", r0},
                          {"id", "i-demo00000000000000003"},
                          {"state", "running"},
                          {"addresses", {addr("", "172.16.0.13", false)}}});
    } else {
      const std::string n1 = "5f3c2a10-7b7d-4e8a-9d41-0c6e2b1a9f01";
      const std::string n2 = "8a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d";
      machines.push_back({{"region", r0},
                          {"id", "d3b07384-d9a0-4c9b-8f3e-000000000001"},
                          {"state", "ACTIVE"},
                          {"addresses",
                           {addr(n1, "192.168.0.11", false), addr(n2, "10.0.1.11", false),
                            addr(n2, "121.36.10.11", true)}}});
      machines.push_back({{"region", r0},
                          {"id", "d3b07384-d9a0-4c9b-8f3e-000000000002"},
                          {"state", "SHUTOFF"},
                          {"addresses", {addr(n1, "192.168.0.12", false)}}});
      machines.push_back(
          {{"region", r0},
           {"id", "d3b07384-d9a0-4c9b-8f3e-000000000003"},
           {"state", "active"},
           {"addresses", {addr(n1, "192.168.0.13", false), addr(n1, "121.36.10.13", true)}}});
    }
    main["machines"] = machines;
    const std::string imagePrefix = provider == Provider::kQcloud   ? "img-"
                                    : provider == Provider::kAliyun ? "m-"
                                                                    : "";
    auto imageId = [&](const std::string& tail) {
      return provider == Provider::kHuawei ? "c0ffee00-0000-4000-8000-0000000000" + tail
                                           : imagePrefix + "demo" + tail;
    };
    main["private_images"] = json::array(
        {{{"id", imageId("01")}, {"name", "私有镜像-网站环境"}, {"os_name", "CentOS 7.9 64位"}},
         {{"id", imageId("02")}, {"name", "私有镜像-数据库"}, {"os_name", "Ubuntu 20.04 64位"}}});
    main["shared_images"] = json::array();
    accounts.push_back(main);

    json second;
    second["provider"] = seg;
    second["secretid"] = "demo2-" + seg + "-id";
    second["secretkey"] = "demo2-" + seg + "-key";
    second["balance"] = balances[p][1];
    if (provider == Provider::kQcloud) second["uin"] = "100087654321";
    second["regions"] = {{regions[0], 5}, {regions[1], 2}};
    second["private_images"] = json::array();
    second["shared_images"] = json::array(
        {{{"id", imageId("03")}, {"name", "共享镜像-测试"}, {"os_name", "CentOS 7.9 64位"}}});
    accounts.push_back(second);
    (void)kinds;
    ++p;
  }
  seed["accounts"] = accounts;
  return seed.dump(2);
}

}  // namespace ydt::sim
