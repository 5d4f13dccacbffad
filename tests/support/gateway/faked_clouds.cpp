#include "faked_clouds.h"

#include <stdexcept>

namespace ydt::test {
namespace {

struct Seed {
  const char* provider;
  const char* secretId;
  const char* secretKey;
  const char* region;
  std::vector<const char*> services;
};

const Seed kSeeds[] = {
    {"qcloud", "AKIDgateway0001", "gateway-qcloud-secret", "ap-beijing", {"cvm", "billing"}},
    {"aliyun", "LTAIgateway0001", "gateway-aliyun-secret", "cn-beijing", {"ecs", "bss"}},
    {"huawei",
     "HWGATEWAY0001",
     "gateway-huawei-secret",
     "cn-north-4",
     {"ecs", "ims", "iam", "bss"}},
};

const Seed& SeedOf(const std::string& provider) {
  for (const Seed& seed : kSeeds) {
    if (provider == seed.provider) return seed;
  }
  throw std::invalid_argument("no such provider: " + provider);
}

}  // namespace

const std::vector<std::string>& FakedClouds::Providers() {
  static const std::vector<std::string> providers = {"qcloud", "aliyun", "huawei"};
  return providers;
}

FakedClouds::FakedClouds(int machines) {
  const Seed& q = SeedOf("qcloud");
  FakeQcloud::Account account;
  account.secretKey = q.secretKey;
  account.balanceCents = kQcloudBalanceCents;
  qcloud_.AddAccount(q.secretId, account);
  qcloud_.AddMachines(q.secretId, q.region, machines);

  const Seed& a = SeedOf("aliyun");
  aliyun_.AddKey(a.secretId, a.secretKey, kAliyunCash);
  aliyun_.AddMachines(a.secretId, a.region, machines);

  const Seed& h = SeedOf("huawei");
  huawei_.AddKey(h.secretId, h.secretKey);
  huawei_.AddMachines(h.secretId, h.region, machines);

  qcloudServer_ = std::make_unique<FakeCloudServer>(qcloud_);
  aliyunServer_ = std::make_unique<FakeCloudServer>(aliyun_);
  huaweiServer_ = std::make_unique<FakeCloudServer>(huawei_);
}

FakedClouds::~FakedClouds() = default;

bool FakedClouds::Started() const {
  return qcloudServer_->Port() > 0 && aliyunServer_->Port() > 0 && huaweiServer_->Port() > 0;
}

std::pair<std::string, std::string> FakedClouds::Keys(const std::string& provider) const {
  const Seed& seed = SeedOf(provider);
  return {seed.secretId, seed.secretKey};
}

std::string FakedClouds::Region(const std::string& provider) const {
  return SeedOf(provider).region;
}

std::vector<std::string> FakedClouds::MachineIds(const std::string& provider) const {
  const Seed& seed = SeedOf(provider);
  std::vector<std::string> ids;
  if (provider == "qcloud") {
    for (const auto& m : qcloud_.Machines(seed.secretId, seed.region)) ids.push_back(m.id);
  } else if (provider == "aliyun") {
    for (const auto& m : aliyun_.Machines(seed.secretId, seed.region)) ids.push_back(m.id);
  } else {
    for (const auto& m : huawei_.Machines(seed.secretId, seed.region)) ids.push_back(m.id);
  }
  return ids;
}

std::vector<std::pair<std::string, std::string>> FakedClouds::Endpoints(
    const std::string& provider) const {
  const FakeCloudServer& server = provider == "qcloud"   ? *qcloudServer_
                                  : provider == "aliyun" ? *aliyunServer_
                                                         : *huaweiServer_;
  std::vector<std::pair<std::string, std::string>> endpoints;
  for (const char* service : SeedOf(provider).services)
    endpoints.emplace_back(service, server.BaseUrl());
  return endpoints;
}

std::vector<std::string> FakedClouds::EndpointFlags() const {
  std::vector<std::string> flags;
  for (const std::string& provider : Providers()) {
    for (const auto& [service, url] : Endpoints(provider)) {
      flags.push_back("--endpoint");
      flags.push_back(provider + "." + service + "=" + url);
    }
  }
  return flags;
}

FakeProvider& FakedClouds::Fake(const std::string& provider) {
  if (provider == "qcloud") return qcloud_;
  if (provider == "aliyun") return aliyun_;
  return huawei_;
}

}  // namespace ydt::test
