// A ProviderTransport that hands each request straight to a FakeProvider, once, with no
// sockets and no retries: for tests of what an operation sends and how it reads the answer.
// Retries and time-outs belong to the real transport and are tested there.
#pragma once

#include <atomic>

#include "fake_provider.h"
#include "live/common/provider_transport.h"

namespace ydt::test {

class InProcessTransport final : public live::ProviderTransport {
 public:
  explicit InProcessTransport(FakeProvider& provider) : provider_(provider) {}

  live::ProviderResponse Send(const std::string&,
                              const std::function<live::ProviderRequest()>& build,
                              const live::CallPolicy&) override {
    ++sent_;
    return provider_.Handle(build());
  }
  int Sent() const { return sent_; }

 private:
  FakeProvider& provider_;
  std::atomic<int> sent_{0};
};

}  // namespace ydt::test
