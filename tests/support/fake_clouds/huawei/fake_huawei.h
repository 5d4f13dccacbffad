// A local stand-in for Huawei Cloud's compute (ECS), image (IMS), identity (IAM) and billing
// (BSS) APIs, all on one address. Every request must carry a valid AK/SK signature of a
// known key pair; answers and errors follow the provider's documented shapes. Machines live
// per key pair and region, behind the region's project ID as the provider keeps them.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "fake_provider.h"

namespace ydt::test {

class FakeHuawei final : public FakeProvider {
 public:
  struct Machine {
    std::string id;
    std::string name;
    std::string status = "ACTIVE";  // ACTIVE, SHUTOFF
    std::string flavor = "s6.small.1";
    std::string image;
    std::string zone;
    std::string publicIp;  // empty: no floating address
    std::string created = "2021-06-01T08:30:00Z";
    std::string autoTerminateTime;
  };

  // What the next answers do instead of their work.
  enum class Fault { kThrottle, kServerError, kMalformed, kUnknownProject };

  FakeHuawei();

  std::string Name() const override { return "huawei"; }
  live::ProviderResponse Handle(const live::ProviderRequest& request) override;

  void AddKey(const std::string& accessKey, const std::string& secretKey);
  // Machines named "<prefix>-0001" … in the key pair's region, half of every third stopped.
  void AddMachines(const std::string& accessKey, const std::string& region, int count);
  std::vector<Machine> Machines(const std::string& accessKey, const std::string& region) const;
  std::string ProjectId(const std::string& accessKey, const std::string& region) const;
  // Gives the region a new project ID, as when a project is deleted and created again; the
  // old ID is then refused.
  void ReissueProject(const std::string& accessKey, const std::string& region);
  void FailNext(Fault fault, int times = 1);
  int ServersCreated() const;

 private:
  struct Account {
    std::string secretKey;
    std::map<std::string, std::string> projects;  // region → project ID
    std::map<std::string, std::vector<Machine>> machines;
    std::map<std::string, nlohmann::ordered_json> createdByToken;  // X-Client-Token → answer
  };

  live::ProviderResponse Route(const live::ProviderRequest& request, Account& account,
                               const std::string& accessKey);
  live::ProviderResponse Ecs(const live::ProviderRequest& request, Account& account,
                             const std::string& region, const std::string& rest);
  live::ProviderResponse CreateServers(const live::ProviderRequest& request, Account& account,
                                       const std::string& region);
  std::string NewId();
  std::string ProjectFor(const std::string& accessKey, const std::string& region);

  mutable std::mutex mutex_;
  std::map<std::string, Account> accounts_;  // access key → account
  std::deque<Fault> faults_;
  int serial_ = 0;
  int serversCreated_ = 0;
};

}  // namespace ydt::test
