// The network between the gateway and a provider, as far as the fakes themselves do not
// model it: an answer that comes too late, and one lost after the provider acted. Mount the
// wrapper on FakeCloudServer in place of the fake it wraps.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include "fake_provider.h"

namespace ydt::test {

class FaultyProvider final : public FakeProvider {
 public:
  using Match = std::function<bool(const live::ProviderRequest&)>;

  explicit FaultyProvider(FakeProvider& inner) : inner_(inner) {}

  std::string Name() const override { return inner_.Name(); }

  // The next `times` requests that `match` accepts wait `delay` before the fake sees them.
  void DelayNext(Match match, std::chrono::milliseconds delay, int times = 1);
  // The next request that `match` accepts is acted on, then answered with HTTP `status` and
  // no body, as a proxy does when the provider's answer never reached it.
  void LoseNextAnswer(Match match, int status = 502);

  // Remembers each request on arrival, before any delay, so a test sees the attempts the
  // transport gave up on.
  live::ProviderResponse Handle(const live::ProviderRequest& request) override;

 private:
  struct Fault {
    Match match;
    int times = 1;
    std::chrono::milliseconds delay{0};
    int lostStatus = 0;  // 0: the answer is delivered
  };

  FakeProvider& inner_;
  std::mutex mutex_;
  std::vector<Fault> faults_;
};

}  // namespace ydt::test
