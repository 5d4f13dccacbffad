// A local stand-in for Tencent Cloud's API 3.0 (CVM 2017-03-12 and billing 2018-07-09), for
// tests only. It checks the TC3-HMAC-SHA256 signature of every request against its key
// table, answers in the API's documented shapes (Response with RequestId; Response.Error on
// failures), keeps machines per key pair and region, and can be told to misbehave.
#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "fake_provider.h"

namespace ydt::test {

struct QcloudMachine {
  std::string id;
  std::string state = "RUNNING";
  std::string zone;
  std::string instanceType = "S5.SMALL2";
  int cpu = 1;
  int memory = 2;
  std::string imageId;
  std::string osName;
  std::string diskType = "CLOUD_PREMIUM";
  std::string chargeType = "POSTPAID_BY_HOUR";
  int bandwidth = 1;
  std::vector<std::string> publicIps;
  std::string privateIp;
  std::string created;     // 2026-12-01T08:30:00Z
  std::string actionTime;  // when a creation asked for timed destruction, else empty
};

struct QcloudFault {
  enum class Kind {
    kThrottle,    // Response.Error RequestLimitExceeded
    kError,       // Response.Error with `code` and `message`
    kHttpStatus,  // HTTP `status` with a non-JSON body, before anything is checked
    kMalformed,   // HTTP 200 with a cut-off JSON body
  };
  Kind kind = Kind::kThrottle;
  std::string action;  // only requests of this action; empty: any
  int times = 1;
  std::string code;
  std::string message;
  int status = 503;

  static QcloudFault Throttle(std::string action, int times = 1) {
    return Make(Kind::kThrottle, std::move(action), times);
  }
  static QcloudFault Error(std::string action, std::string code, std::string message) {
    QcloudFault f = Make(Kind::kError, std::move(action), 1);
    f.code = std::move(code);
    f.message = std::move(message);
    return f;
  }
  static QcloudFault Status(std::string action, int status = 503) {
    QcloudFault f = Make(Kind::kHttpStatus, std::move(action), 1);
    f.status = status;
    return f;
  }
  static QcloudFault Malformed(std::string action) {
    return Make(Kind::kMalformed, std::move(action), 1);
  }

 private:
  static QcloudFault Make(Kind kind, std::string action, int times) {
    QcloudFault f;
    f.kind = kind;
    f.action = std::move(action);
    f.times = times;
    return f;
  }
};

class FakeQcloud final : public FakeProvider {
 public:
  struct Account {
    std::string secretKey;
    long long uin = 100012345678;
    long long balanceCents = 1234567;  // 12345.67 yuan
  };

  FakeQcloud();
  std::string Name() const override { return "qcloud"; }
  live::ProviderResponse Handle(const live::ProviderRequest& request) override;

  void AddAccount(const std::string& secretId, Account account);
  // `count` running machines with predictable IDs, addresses and times.
  void AddMachines(const std::string& secretId, const std::string& region, int count);
  std::vector<QcloudMachine> Machines(const std::string& secretId, const std::string& region) const;
  void Inject(QcloudFault fault);
  // Unix seconds the signature times are checked against; the system clock by default.
  void SetClock(std::function<long long()> clock);
  // Requests refused because their signature did not verify.
  int SignatureFailures() const;
  // The number of public images the fake offers in every region (more than one page).
  static constexpr int kPublicImages = 130;

 private:
  using Json = nlohmann::ordered_json;
  struct Call;

  live::ProviderResponse Answer(const live::ProviderRequest& request);
  bool PopFault(const std::string& action, QcloudFault& fault);
  Json Verify(const live::ProviderRequest& request, const std::string& service,
              std::string& secretId);
  Json Dispatch(Call& call);
  std::vector<QcloudMachine>& Bucket(const std::string& secretId, const std::string& region);
  std::string NewRequestId();

  Json DescribeInstances(Call& call);
  Json ActOnInstances(Call& call);
  Json DescribeAccountBalance(Call& call);
  Json DescribeZones(Call& call);
  Json DescribeImages(Call& call);
  Json DescribeInstanceTypeConfigs(Call& call);
  Json RunInstances(Call& call);
  Json ResetInstance(Call& call);

  mutable std::mutex stateMutex_;
  std::map<std::string, Account> accounts_;
  std::map<std::string, std::vector<QcloudMachine>> buckets_;  // secretId|region
  std::map<std::string, std::vector<std::string>> tokens_;     // secretId|ClientToken → IDs
  std::vector<QcloudFault> faults_;
  std::function<long long()> clock_;
  int signatureFailures_ = 0;
  unsigned long long serial_ = 0;
};

}  // namespace ydt::test
