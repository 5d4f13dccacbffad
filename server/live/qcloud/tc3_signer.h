// Tencent Cloud's request signature, TC3-HMAC-SHA256, as its API and official SDKs compute
// it: a plain request and a key pair in, the headers that sign it out.
#pragma once

#include <string>
#include <string_view>

#include "live/common/provider_request.h"

namespace ydt::live::qcloud {

struct Tc3Key {
  std::string secretId;
  std::string secretKey;
};

// The headers to add to `request` so that `service` ("cvm", "billing") accepts it as sent at
// `unixTime`: X-TC-Timestamp and Authorization. Signs the content-type and host headers and
// the SHA-256 of the body; the host is signed without its port, as the SDKs do.
NameValues Tc3Sign(const ProviderRequest& request, std::string_view service, const Tc3Key& key,
                   long long unixTime);

// The parts, for a server that checks a signature over the headers a client chose to sign.
// "cvm.tencentcloudapi.com:443" → "cvm.tencentcloudapi.com"; "[::1]:80" → "[::1]".
std::string HostWithoutPort(std::string_view host);
// Method, path, query, "name:value\n" lines, signed names, hex SHA-256 of the body, one per
// line.
std::string Tc3CanonicalRequest(const ProviderRequest& request, std::string_view canonicalHeaders,
                                std::string_view signedHeaders);
// "TC3-HMAC-SHA256 Credential=…, SignedHeaders=…, Signature=…" for a canonical request.
std::string Tc3Authorization(std::string_view canonicalRequest, std::string_view signedHeaders,
                             std::string_view service, const Tc3Key& key, long long unixTime);

}  // namespace ydt::live::qcloud
