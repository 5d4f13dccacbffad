#include "live/live_clouds.h"

#include <functional>
#include <map>
#include <utility>

#include "live/aliyun/aliyun_clouds.h"
#include "live/huawei/huawei_clouds.h"
#include "live/qcloud/qcloud_clouds.h"

namespace ydt::live {
namespace {

// Builds one provider's clouds on the shared transport and the endpoint overrides.
using Factory =
    std::function<std::unique_ptr<front::Clouds>(ProviderTransport&, const EndpointOverrides&)>;

// One line per provider carried to its API.
const std::pair<front::Provider, Factory> kFactories[] = {
    {front::Provider::kQcloud, &qcloud::MakeQcloudClouds},
    {front::Provider::kAliyun, &aliyun::MakeAliyunClouds},
    {front::Provider::kHuawei, &huawei::MakeHuaweiClouds},
};

// Answers every operation of a provider not carried to its API with a refusal, so the
// console says plainly that nothing was done.
class NotCarriedClouds final : public front::Clouds {
 public:
  front::CloudReply Perform(const front::CloudRequest& request) override {
    return front::CloudReply::Fail(
        501, "网关尚未接入该云厂商：" + std::string(front::SegmentOf(request.provider)));
  }
};

// Hands each request to its provider's clouds. Owns the transport they all share, so one
// key pair's requests are limited together whichever operation sends them.
class LiveClouds final : public front::Clouds {
 public:
  explicit LiveClouds(const LiveOptions& options) : transport_(options.transport) {
    for (const auto& [provider, factory] : kFactories) {
      byProvider_.emplace(provider, factory(transport_, options.endpoints.ForProvider(std::string(
                                                            front::SegmentOf(provider)))));
    }
  }

  front::CloudReply Perform(const front::CloudRequest& request) override {
    auto it = byProvider_.find(request.provider);
    return it != byProvider_.end() ? it->second->Perform(request) : notCarried_.Perform(request);
  }

 private:
  CurlTransport transport_;
  std::map<front::Provider, std::unique_ptr<front::Clouds>> byProvider_;
  NotCarriedClouds notCarried_;
};

}  // namespace

std::unique_ptr<front::Clouds> MakeLiveClouds(const LiveOptions& options) {
  return std::make_unique<LiveClouds>(options);
}

}  // namespace ydt::live
