// The console's Huawei Cloud operations carried to the provider's public APIs: compute (ECS),
// images (IMS), billing (BSS), with the project ID of each region looked up through the
// identity service (IAM) once and kept.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "front/clouds.h"
#include "live/common/provider_transport.h"

namespace ydt::live::huawei {

// What a request takes from outside besides the console's fields, injectable for tests.
struct HuaweiEnvironment {
  std::function<long long()> now;               // Unix seconds, for the signature and timers
  std::function<std::string()> newClientToken;  // one per creation request
  static HuaweiEnvironment System();
};

class HuaweiClouds final : public front::Clouds {
 public:
  HuaweiClouds(ProviderTransport& transport, EndpointOverrides endpoints,
               HuaweiEnvironment environment = HuaweiEnvironment::System());
  front::CloudReply Perform(const front::CloudRequest& request) override;

  // Forgets every cached project ID (the cache is otherwise kept for the process's life).
  void ForgetProjects();

 private:
  class ConsoleCall;
  friend class ConsoleCall;

  ProviderTransport& transport_;
  EndpointOverrides endpoints_;
  HuaweiEnvironment environment_;
  std::mutex projectsMutex_;
  std::map<std::string, std::string> projects_;  // access key + "\n" + region → project ID
};

std::unique_ptr<front::Clouds> MakeHuaweiClouds(ProviderTransport& transport,
                                                const EndpointOverrides& endpoints);

}  // namespace ydt::live::huawei
