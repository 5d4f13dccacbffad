// The console's Tencent Cloud operations carried to Tencent's own API: CVM for machines,
// zones, images and instance types, billing for the balance. `data` of every success is the
// API's `Response` object, which already has the members the console reads.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "front/clouds.h"
#include "live/common/provider_transport.h"
#include "qcloud_api.h"

namespace ydt::live::qcloud {

struct QcloudOptions {
  Api::Clock clock;                          // Unix seconds; empty: the system clock
  std::function<std::string()> clientToken;  // a fresh idempotency token; empty: 32 random hex
};

class QcloudClouds final : public front::Clouds {
 public:
  QcloudClouds(ProviderTransport& transport, const EndpointOverrides& endpoints,
               QcloudOptions options = {});
  front::CloudReply Perform(const front::CloudRequest& request) override;

 private:
  front::CloudReply Dispatch(const front::CloudRequest& request) const;

  Api api_;
  std::function<std::string()> clientToken_;
};

std::unique_ptr<front::Clouds> MakeQcloudClouds(ProviderTransport& transport,
                                                const EndpointOverrides& endpoints);

}  // namespace ydt::live::qcloud
