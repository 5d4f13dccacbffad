#include "live/live_clouds.h"

namespace ydt::live {
namespace {

// Answers every operation with a refusal until a provider is carried to its real API, so
// the console says plainly that nothing was done.
class NotCarriedClouds final : public front::Clouds {
 public:
  front::CloudReply Perform(const front::CloudRequest& request) override {
    return front::CloudReply::Fail(
        501, "网关尚未接入该云厂商：" + std::string(front::SegmentOf(request.provider)));
  }
};

}  // namespace

std::unique_ptr<front::Clouds> MakeLiveClouds(const LiveOptions&) {
  return std::make_unique<NotCarriedClouds>();
}

}  // namespace ydt::live
