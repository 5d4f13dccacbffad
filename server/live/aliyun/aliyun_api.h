// One call of an Alibaba Cloud RPC API through the gateway's transport: the request is built
// and signed afresh for every attempt, and the answer is read into the provider's reply or
// a failure the console can show.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "live/aliyun/acs3_signer.h"
#include "live/common/console_form.h"
#include "live/common/provider_transport.h"

namespace ydt::live::aliyun {

// What varies between a real run and a test: the clock of the signatures and the source of
// unique texts (signature nonces and client tokens). Both are called from many threads.
struct Environment {
  std::function<long long()> now;      // Unix seconds
  std::function<std::string()> nonce;  // unique, at most 64 ASCII characters
  static Environment System();
};

struct ApiCall {
  std::string service;  // kEcsService or kBssService
  std::string action;
  NameValues params;
  // Only calls that can be sent twice without doing anything twice: reads, and writes whose
  // parameters carry a client token the provider honours.
  bool retryable = true;
  // Given a successful answer's text, whether it may go to the console as it came without
  // being read into a document; the result's body then stays empty.
  std::function<bool(std::string_view)> passOn;
};

struct ApiResult {
  bool ok = false;
  nlohmann::ordered_json body;  // the provider's reply; on failure its error body, if any
  std::string text;             // the reply as it came, when ok
  int code = 0;                 // failures only
  std::string msg;              // failures only
};

// Whether an answer is the provider's "too many requests": an error whose Code names
// Throttling (Throttling, Throttling.User, Throttling.Api ...).
bool IsThrottling(const ProviderResponse& response);

// Reads one answer of `host` into a result.
ApiResult ReadAnswer(const ProviderResponse& response, const std::string& host,
                     const std::function<bool(std::string_view)>& passOn = {});

class AliyunApi {
 public:
  AliyunApi(ProviderTransport& transport, EndpointOverrides endpoints, Environment environment);

  // `region` picks the regional endpoint (the billing service has one for all regions).
  ApiResult Call(const AccessKey& key, const std::string& region, const ApiCall& call) const;
  // A fresh client token, made once per provider request and kept for its retries.
  std::string NewToken() const { return environment_.nonce(); }
  long long Now() const { return environment_.now(); }

 private:
  ProviderTransport& transport_;
  EndpointOverrides endpoints_;
  Environment environment_;
};

}  // namespace ydt::live::aliyun
