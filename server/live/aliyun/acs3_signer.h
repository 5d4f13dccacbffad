// Alibaba Cloud's V3 request signature, ACS3-HMAC-SHA256: the scheme the official SDKs use by
// default for every API style, RPC included. The canonical request covers the method, the
// path, the query, the host, content-type and x-acs-* headers and the body's SHA-256; the
// secret signs its digest with HMAC-SHA256.
#pragma once

#include <string>
#include <vector>

#include "live/common/provider_request.h"

namespace ydt::live::aliyun {

struct AccessKey {
  std::string id;
  std::string secret;
};

inline constexpr char kAcs3Algorithm[] = "ACS3-HMAC-SHA256";

// The headers to append to `request` so that it is signed at `unixTime` with `nonce`:
// x-acs-date, x-acs-signature-nonce, x-acs-content-sha256 and Authorization, in that order.
// The request must not carry them already; every header it does carry that is signed
// (host, content-type, x-acs-*) is signed as it stands.
NameValues SignAcs3(const ProviderRequest& request, long long unixTime, const std::string& nonce,
                    const AccessKey& key);

// The pieces the provider recomputes, for a fake that checks a signature the same way.
// Lower-case names of the headers that are signed, sorted and without repeats.
std::vector<std::string> Acs3SignedHeaderNames(const NameValues& headers);
std::string Acs3CanonicalRequest(const ProviderRequest& request,
                                 const std::vector<std::string>& signedHeaders,
                                 const std::string& payloadSha256Hex);
// Hex HMAC-SHA256 of the string to sign made from `canonicalRequest`.
std::string Acs3Signature(const std::string& canonicalRequest, const std::string& secret);

}  // namespace ydt::live::aliyun
