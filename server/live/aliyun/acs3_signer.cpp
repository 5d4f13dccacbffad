#include "live/aliyun/acs3_signer.h"

#include <algorithm>
#include <cctype>

#include "live/common/crypto.h"

namespace ydt::live::aliyun {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n\f\v";
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsSigned(const std::string& lowerName) {
  return lowerName == "host" || lowerName == "content-type" || lowerName.rfind("x-acs-", 0) == 0;
}

std::string CanonicalQuery(const NameValues& query) {
  std::vector<std::pair<std::string, std::string>> encoded;
  encoded.reserve(query.size());
  for (const auto& [name, value] : query) encoded.emplace_back(UriEncode(name), UriEncode(value));
  std::sort(encoded.begin(), encoded.end());
  std::string out;
  for (const auto& [name, value] : encoded) {
    if (!out.empty()) out += '&';
    out += name;
    out += '=';
    out += value;
  }
  return out;
}

std::string Join(const std::vector<std::string>& parts, char separator) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

}  // namespace

std::vector<std::string> Acs3SignedHeaderNames(const NameValues& headers) {
  std::vector<std::string> names;
  for (const auto& header : headers) {
    std::string name = Lower(header.first);
    if (IsSigned(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::string Acs3CanonicalRequest(const ProviderRequest& request,
                                 const std::vector<std::string>& signedHeaders,
                                 const std::string& payloadSha256Hex) {
  std::string canonical =
      request.method + "\n" + request.path + "\n" + CanonicalQuery(request.query) + "\n";
  for (const auto& name : signedHeaders) {
    // A repeated header is signed once, its trimmed values sorted and joined by ",".
    std::vector<std::string> values;
    for (const auto& [key, value] : request.headers) {
      if (Lower(key) == name) values.push_back(Trim(value));
    }
    std::sort(values.begin(), values.end());
    canonical += name + ":" + Join(values, ',') + "\n";
  }
  canonical += "\n" + Join(signedHeaders, ';') + "\n" + payloadSha256Hex;
  return canonical;
}

std::string Acs3Signature(const std::string& canonicalRequest, const std::string& secret) {
  const std::string toSign = std::string(kAcs3Algorithm) + "\n" + Sha256Hex(canonicalRequest);
  return HexLower(HmacSha256(secret, toSign));
}

NameValues SignAcs3(const ProviderRequest& request, long long unixTime, const std::string& nonce,
                    const AccessKey& key) {
  NameValues added = {{"x-acs-date", UtcIso8601(unixTime)},
                      {"x-acs-signature-nonce", nonce},
                      {"x-acs-content-sha256", Sha256Hex(request.body)}};
  ProviderRequest signedRequest = request;
  signedRequest.headers.insert(signedRequest.headers.end(), added.begin(), added.end());
  const std::vector<std::string> names = Acs3SignedHeaderNames(signedRequest.headers);
  const std::string signature =
      Acs3Signature(Acs3CanonicalRequest(signedRequest, names, added.back().second), key.secret);
  added.emplace_back("Authorization", std::string(kAcs3Algorithm) + " Credential=" + key.id +
                                          ",SignedHeaders=" + Join(names, ';') +
                                          ",Signature=" + signature);
  return added;
}

}  // namespace ydt::live::aliyun
