// What a provider's operations need from outside to reach its API: where each service is,
// and a way to send a signed request with the retries the provider's answers allow.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "provider_request.h"

namespace ydt::live {

// Service name ("cvm", "billing", "ecs", "bss", "iam", "ims", ...) → base address that
// replaces the provider's own host for that service ("http://127.0.0.1:PORT"). Only
// `--endpoint NAME=URL` fills it; nothing else in the gateway knows it is being tested.
// Alibaba and Huawei both call services "ecs" and "bss", so a name may carry its provider
// ("aliyun.ecs", "huawei.ecs") to reach one of them alone.
struct EndpointOverrides {
  std::map<std::string, std::string> byService;

  // What one provider ("qcloud", "aliyun", "huawei") sees: its qualified names as plain
  // ones, ahead of the plain names; other providers' qualified names left out.
  EndpointOverrides ForProvider(const std::string& provider) const;

  // Scheme and host[:port] for `service`: the override's, or "https" and `defaultHost`.
  void Resolve(const std::string& service, const std::string& defaultHost, std::string& scheme,
               std::string& host) const;
};

// How the transport may treat one call.
struct CallPolicy {
  // Whether sending it twice is harmless: reads, and writes that carry an idempotency
  // token the provider honours. Only these are retried.
  bool retryable = true;
  // The provider's way of saying "too many requests" inside an answer (an error code in an
  // HTTP 200 or 400 body); 429 and 5xx answers are recognised without it.
  std::function<bool(const ProviderResponse&)> throttled;
};

class ProviderTransport {
 public:
  virtual ~ProviderTransport() = default;
  // Sends a request built afresh for every attempt (so each carries its own signature time
  // and nonce), and returns the last answer. `credentialKey` names the key pair, so requests
  // of one pair are limited in number at once. Thread-safe.
  virtual ProviderResponse Send(const std::string& credentialKey,
                                const std::function<ProviderRequest()>& build,
                                const CallPolicy& policy) = 0;
};

}  // namespace ydt::live
