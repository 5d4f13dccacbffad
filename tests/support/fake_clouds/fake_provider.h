// A local stand-in for one provider's public API, for tests only. Each fake checks the
// signature of every request with the provider's own scheme, answers in the provider's
// documented shapes and errors, and records what came. It is a plain function of the
// request, so a test can call it in process or mount it on a loopback server
// (FakeCloudServer) where the providers' official SDKs reach it too.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "live/common/provider_request.h"

namespace ydt::test {

class FakeProvider {
 public:
  virtual ~FakeProvider() = default;
  // "qcloud", "aliyun" or "huawei".
  virtual std::string Name() const = 0;
  // Answers one request. Thread-safe.
  virtual live::ProviderResponse Handle(const live::ProviderRequest& request) = 0;

  // Every request handled, in order, as it came.
  std::vector<live::ProviderRequest> Received() const;
  void ClearReceived();

 protected:
  void Remember(const live::ProviderRequest& request);

 private:
  mutable std::mutex mutex_;
  std::vector<live::ProviderRequest> received_;
};

}  // namespace ydt::test
