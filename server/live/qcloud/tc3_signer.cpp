#include "tc3_signer.h"

#include <algorithm>
#include <cctype>

#include "live/common/crypto.h"

namespace ydt::live::qcloud {
namespace {

constexpr std::string_view kAlgorithm = "TC3-HMAC-SHA256";

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string HostWithoutPort(std::string_view host) {
  const auto bracket = host.rfind(']');
  const auto colon = host.rfind(':');
  if (colon == std::string_view::npos || (bracket != std::string_view::npos && colon < bracket)) {
    return std::string(host);
  }
  return std::string(host.substr(0, colon));
}

std::string Tc3CanonicalRequest(const ProviderRequest& request, std::string_view canonicalHeaders,
                                std::string_view signedHeaders) {
  std::string out;
  out.append(request.method).append("\n");
  out.append(request.path).append("\n");
  out.append(request.EncodedQuery()).append("\n");
  out.append(canonicalHeaders).append("\n");
  out.append(signedHeaders).append("\n");
  out.append(Sha256Hex(request.body));
  return out;
}

std::string Tc3Authorization(std::string_view canonicalRequest, std::string_view signedHeaders,
                             std::string_view service, const Tc3Key& key, long long unixTime) {
  const std::string date = UtcDate(unixTime);
  const std::string scope = date + "/" + std::string(service) + "/tc3_request";
  const std::string stringToSign = std::string(kAlgorithm) + "\n" + std::to_string(unixTime) +
                                   "\n" + scope + "\n" + Sha256Hex(canonicalRequest);
  const std::string dateKey = HmacSha256("TC3" + key.secretKey, date);
  const std::string serviceKey = HmacSha256(dateKey, service);
  const std::string signingKey = HmacSha256(serviceKey, "tc3_request");
  const std::string signature = HexLower(HmacSha256(signingKey, stringToSign));
  return std::string(kAlgorithm) + " Credential=" + key.secretId + "/" + scope +
         ", SignedHeaders=" + std::string(signedHeaders) + ", Signature=" + signature;
}

NameValues Tc3Sign(const ProviderRequest& request, std::string_view service, const Tc3Key& key,
                   long long unixTime) {
  const std::string canonicalHeaders =
      "content-type:" + Lower(TrimmedHeaderValue(request.Header("Content-Type"))) + "\n" +
      "host:" + Lower(HostWithoutPort(request.host)) + "\n";
  constexpr std::string_view kSigned = "content-type;host";
  const std::string canonical = Tc3CanonicalRequest(request, canonicalHeaders, kSigned);
  return {{"X-TC-Timestamp", std::to_string(unixTime)},
          {"Authorization", Tc3Authorization(canonical, kSigned, service, key, unixTime)}};
}

}  // namespace ydt::live::qcloud
