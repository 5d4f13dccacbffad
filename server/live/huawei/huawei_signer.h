// The provider's AK/SK request signature (SDK-HMAC-SHA256): what a request must carry so the
// provider's API gateway accepts it as coming from the key pair's owner.
#pragma once

#include <string>
#include <vector>

#include "live/common/provider_request.h"

namespace ydt::live::huawei {

struct KeyPair {
  std::string accessKey;
  std::string secretKey;
};

inline constexpr const char* kSignAlgorithm = "SDK-HMAC-SHA256";
inline constexpr const char* kDateHeader = "X-Sdk-Date";

// The canonical request over the given header names (lower case, any order), exactly as the
// gateway rebuilds it from what arrived. `request.host` stands for the Host header.
std::string CanonicalRequest(const ProviderRequest& request,
                             const std::vector<std::string>& signedHeaders);

// Hex HMAC of the string to sign; `sdkDate` is the X-Sdk-Date value (yyyyMMddTHHmmssZ).
std::string Signature(const ProviderRequest& request, const std::string& secretKey,
                      const std::string& sdkDate, const std::vector<std::string>& signedHeaders);

// The headers to add for a request sent at `unixSeconds`: X-Sdk-Date and Authorization. Every
// header already in the request, the Host and the date are signed, so add the request's own
// headers (Content-Type, X-Project-Id, X-Client-Token) before calling this.
NameValues SignRequest(const ProviderRequest& request, const KeyPair& key, long long unixSeconds);

}  // namespace ydt::live::huawei
