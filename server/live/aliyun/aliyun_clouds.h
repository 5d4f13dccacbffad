// The Alibaba Cloud tab on the provider's public APIs: each console operation becomes ECS
// (2014-05-26) or billing (BSS 2017-12-14) calls, signed with the operator's key pair, and
// the replies come back in `data` in the shapes the console reads.
#pragma once

#include <memory>

#include "front/clouds.h"
#include "live/aliyun/aliyun_api.h"

namespace ydt::live::aliyun {

class AliyunClouds final : public front::Clouds {
 public:
  AliyunClouds(ProviderTransport& transport, EndpointOverrides endpoints,
               Environment environment = Environment::System());

  front::CloudReply Perform(const front::CloudRequest& request) override;

 private:
  AliyunApi api_;
};

// The factory the gateway's table of providers calls.
std::unique_ptr<front::Clouds> MakeAliyunClouds(ProviderTransport& transport,
                                                const EndpointOverrides& endpoints);

}  // namespace ydt::live::aliyun
