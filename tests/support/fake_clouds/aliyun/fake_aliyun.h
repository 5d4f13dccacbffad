// A local stand-in for Alibaba Cloud's ECS (2014-05-26) and billing (2017-12-14) RPC APIs,
// for tests only. It checks the ACS3-HMAC-SHA256 signature of every request against its key
// table, refuses a reused signature nonce, keeps machines per key pair and region with their
// states, honours client tokens, answers in the provider's documented shapes and errors, and
// can be told to answer the next requests with throttling, an error or an unreadable body.
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

class FakeAliyun final : public FakeProvider {
 public:
  struct Machine {
    std::string id;
    std::string zone;
    std::string status = "Running";  // Pending, Running, Starting, Stopping, Stopped
    std::string instanceType = "ecs.s6-c1m1.small";
    int cpu = 1;
    int memory = 1024;  // MiB
    std::string imageId = "centos_7_9_x64_20G_alibase_20230613.vhd";
    std::string osName = "CentOS  7.9 64位";
    std::string publicIp;  // PublicIpAddress.IpAddress[0], empty for none
    std::string eip;       // EipAddress.IpAddress, empty for none
    std::string creationTime = "2024-05-01T08:30Z";
    std::string autoReleaseTime;
  };

  std::string Name() const override { return "aliyun"; }
  live::ProviderResponse Handle(const live::ProviderRequest& request) override;

  void AddKey(const std::string& id, const std::string& secret, std::string cash = "100.00");
  void AddMachine(const std::string& keyId, const std::string& region, Machine machine);
  // `count` machines i-<region>-<n> in the region's first zone, all in `status`.
  void AddMachines(const std::string& keyId, const std::string& region, int count,
                   const std::string& status = "Running");
  // A custom ("self") image of one key pair; system images exist in every region.
  void AddOwnImage(const std::string& keyId, const std::string& id, const std::string& name);
  std::vector<Machine> Machines(const std::string& keyId, const std::string& region) const;

  // The next `times` requests get this answer instead of their own.
  void Inject(int status, std::string body, int times = 1);
  static std::string ErrorBody(const std::string& code, const std::string& message);

 private:
  struct Account {
    std::string secret;
    std::string cash;
    std::map<std::string, std::vector<Machine>> machines;  // by region
    std::vector<std::pair<std::string, std::string>> ownImages;
  };
  struct Answer {
    int status;
    std::string body;
  };
  struct Call;

  Answer Serve(const live::ProviderRequest& request);
  static const char* Paging(const Call& call, long long& page, long long& size);
  Answer DescribeInstances(Call& call);
  Answer ChangeState(Call& call);
  Answer DeleteInstances(Call& call);
  Answer RunInstances(Call& call);
  Answer ReplaceSystemDisk(Call& call);
  Answer DescribeAvailableResource(Call& call);
  Answer DescribeImages(Call& call);
  Answer QueryAccountBalance(Call& call);
  std::vector<nlohmann::ordered_json> ImagesOf(const Account& account,
                                               const std::string& alias) const;
  // The image of that ID the account may use, or null.
  nlohmann::ordered_json Image(const Account& account, const std::string& id) const;
  std::string NewRequestId();
  Answer Error(int status, const std::string& code, const std::string& message);
  Answer Ok(const nlohmann::ordered_json& fields);
  Machine* Find(Account& account, const std::string& region, const std::string& id);

  mutable std::mutex mutex_;
  std::map<std::string, Account> accounts_;
  std::deque<Answer> injected_;
  std::set<std::string> nonces_;
  // Client token → the parameters it came with and the answer it got.
  std::map<std::string, std::pair<std::string, Answer>> tokens_;
  long long serial_ = 0;
};

}  // namespace ydt::test
