// One call of Tencent Cloud's API 3.0: the endpoint table, the signed JSON POST, and the
// reading of its answer into either the `Response` object or the envelope the console gets.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "front/clouds.h"
#include "live/common/provider_transport.h"
#include "tc3_signer.h"

namespace ydt::live::qcloud {

// A service of the API: its name (also the name of its endpoint override and of its
// signature scope), its host and the API version the gateway speaks with it.
struct Service {
  std::string_view name;
  std::string_view host;
  std::string_view version;
};
inline constexpr Service kCvm{"cvm", "cvm.tencentcloudapi.com", "2017-03-12"};
inline constexpr Service kBilling{"billing", "billing.tencentcloudapi.com", "2018-07-09"};

struct Call {
  const Service* service = &kCvm;
  std::string action;
  std::string region;  // empty for services without regions (billing)
  nlohmann::ordered_json params = nlohmann::ordered_json::object();
  // Reads, and writes that either ask for an end state (start, stop, terminate) or carry a
  // ClientToken; a repeated reinstall would reinstall twice, so that one is not.
  bool retryable = true;
  // The console is given Response as Tencent wrote it (responseText), not as a document.
  bool passOn = false;
};

struct Outcome {
  bool ok = false;
  nlohmann::ordered_json response;  // Response without Error, when ok
  std::string responseText;         // instead, for a call that passes Response on
  front::CloudReply failure;        // the envelope to answer, when not
};

// Whether an answer is Tencent's "too many requests" (RequestLimitExceeded and its kinds).
bool IsThrottled(const ProviderResponse& response);

class Api {
 public:
  using Clock = std::function<long long()>;  // Unix seconds
  Api(ProviderTransport& transport, const EndpointOverrides& endpoints, Clock clock);

  Outcome Perform(const Tc3Key& key, const Call& call) const;
  long long Now() const { return clock_(); }

 private:
  ProviderTransport& transport_;
  EndpointOverrides endpoints_;
  Clock clock_;
};

}  // namespace ydt::live::qcloud
