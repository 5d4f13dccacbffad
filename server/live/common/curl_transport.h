// The ProviderTransport of the gateway: libcurl over HTTPS with verified certificates, bounded
// retries with jittered exponential back-off, and a cap on requests in flight per key pair.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "provider_transport.h"

namespace ydt::live {

struct TransportOptions {
  std::chrono::milliseconds connectTimeout{10000};
  // One attempt from connecting to the last byte of the answer.
  std::chrono::milliseconds attemptTimeout{30000};
  // No attempt starts, and none runs on, past this much time after Send began, so a call
  // that keeps failing ends in bounded time however many attempts remain.
  std::chrono::milliseconds deadline{60000};
  int maxAttempts = 4;
  // Back-off before retry n (1-based): a uniform draw from [0, min(cap, base·2^(n-1))).
  std::chrono::milliseconds backoffBase{200};
  std::chrono::milliseconds backoffCap{5000};
  int maxInFlightPerKey = 4;
  // A larger answer is cut off and reported as a transport failure.
  std::size_t maxReplyBytes = std::size_t{64} << 20;
  // How a back-off waits, and its jitter source in [0, 1); tests replace both so they
  // neither wait nor depend on chance. Empty: sleep the thread, draw from a shared engine.
  std::function<void(std::chrono::milliseconds)> sleep;
  std::function<double()> random;
};

// Back-off before retry `retry` (1-based) for the jitter draw `unit` in [0, 1).
std::chrono::milliseconds BackoffDelay(const TransportOptions& options, int retry, double unit);

// Whether an answer is worth another attempt for a call that may be retried: no answer at
// all, 429, a 5xx, or the provider's own way of saying it is throttling.
bool IsTransient(const ProviderResponse& response, const CallPolicy& policy);

class CurlTransport final : public ProviderTransport {
 public:
  // Initialises libcurl once for the process; construct the first one before starting
  // threads, as libcurl's global set-up is not thread-safe.
  explicit CurlTransport(TransportOptions options = {});
  ~CurlTransport() override;
  CurlTransport(const CurlTransport&) = delete;
  CurlTransport& operator=(const CurlTransport&) = delete;

  ProviderResponse Send(const std::string& credentialKey,
                        const std::function<ProviderRequest()>& build,
                        const CallPolicy& policy) override;

 private:
  // Holds one of the few places a key pair may have in flight at once.
  class Slot {
   public:
    Slot(CurlTransport& owner, const std::string& key);
    ~Slot();
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

   private:
    CurlTransport& owner_;
    std::string key_;
  };

  ProviderResponse Attempt(const ProviderRequest& request, std::chrono::milliseconds timeout);
  void* TakeHandle();
  void GiveBack(void* handle);
  void Wait(std::chrono::milliseconds delay) const;
  double Draw() const;

  TransportOptions options_;
  // Easy handles between attempts. An attempt has one to itself, so no handle is ever used
  // by two threads at once, while the next attempt reuses its kept-alive connection instead
  // of paying for a new TLS handshake. Destroying the transport closes them all.
  std::mutex handlesMutex_;
  std::vector<void*> idleHandles_;
  std::mutex slotsMutex_;
  std::condition_variable slotsFreed_;
  std::map<std::string, int> inFlight_;
};

// `text` with every occurrence of each non-empty secret replaced by "***", for anything that
// leaves the gateway (envelope texts, log lines) and might echo what the operator sent.
std::string RedactSecrets(std::string text, std::initializer_list<std::string_view> secrets);

}  // namespace ydt::live
