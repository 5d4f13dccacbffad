// The three providers' fakes on loopback servers, each with one key pair and one region
// seeded with machines, and the --endpoint flags that send a gateway to them.
//
//   ydt::test::FakedClouds clouds(250);
//   ydt::test::GatewayProcess gateway(clouds.EndpointFlags());
//   clouds.Keys("aliyun")  → {"LTAIgateway0001", "..."}; clouds.Region("aliyun") → "cn-beijing"
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "aliyun/fake_aliyun.h"
#include "fake_cloud_server.h"
#include "fake_qcloud.h"
#include "huawei/fake_huawei.h"

namespace ydt::test {

class FakedClouds {
 public:
  // "qcloud", "aliyun", "huawei": the console's tab order.
  static const std::vector<std::string>& Providers();

  // Seeds `machines` machines in Region(p) of each provider's key pair.
  explicit FakedClouds(int machines);
  ~FakedClouds();
  FakedClouds(const FakedClouds&) = delete;
  FakedClouds& operator=(const FakedClouds&) = delete;

  // Every server found a port.
  bool Started() const;

  // SecretId and SecretKey of the provider's seeded account.
  std::pair<std::string, std::string> Keys(const std::string& provider) const;
  // The seeded region: the first of the console's region list.
  std::string Region(const std::string& provider) const;
  // The seeded region's machine IDs as the fake holds them now.
  std::vector<std::string> MachineIds(const std::string& provider) const;
  // "--endpoint", "qcloud.cvm=http://127.0.0.1:P", ... for every service of every provider.
  std::vector<std::string> EndpointFlags() const;
  // The provider's service names and where its fake answers, for a caller that builds the
  // provider's clouds in process.
  std::vector<std::pair<std::string, std::string>> Endpoints(const std::string& provider) const;

  FakeProvider& Fake(const std::string& provider);
  FakeQcloud& Qcloud() { return qcloud_; }
  FakeAliyun& Aliyun() { return aliyun_; }
  FakeHuawei& Huawei() { return huawei_; }

  // The Tencent account's balance as the fake holds it, in cents.
  static constexpr long long kQcloudBalanceCents = 8765432;
  static constexpr const char* kAliyunCash = "2345.5";

 private:
  FakeQcloud qcloud_;
  FakeAliyun aliyun_;
  FakeHuawei huawei_;
  std::unique_ptr<FakeCloudServer> qcloudServer_;
  std::unique_ptr<FakeCloudServer> aliyunServer_;
  std::unique_ptr<FakeCloudServer> huaweiServer_;
};

}  // namespace ydt::test
