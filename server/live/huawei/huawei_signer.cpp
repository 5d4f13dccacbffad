#include "live/huawei/huawei_signer.h"

#include <algorithm>
#include <cctype>

#include "live/common/crypto.h"

namespace ydt::live::huawei {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Each path segment encoded on its own (the path is already encoded, so "%" is encoded
// again, as the gateway does), with a trailing "/" added when missing.
std::string CanonicalUri(const std::string& path) {
  std::string out;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = path.find('/', start);
    out += UriEncode(
        path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
    if (slash == std::string::npos) break;
    out += '/';
    start = slash + 1;
  }
  if (out.empty() || out.back() != '/') out += '/';
  return out;
}

std::string CanonicalQuery(const NameValues& query) {
  NameValues sorted = query;
  std::sort(sorted.begin(), sorted.end());
  std::string out;
  for (const auto& [name, value] : sorted) {
    if (!out.empty()) out += '&';
    out += UriEncode(name) + "=" + UriEncode(value);
  }
  return out;
}

std::string HeaderValue(const ProviderRequest& request, const std::string& lowerName) {
  if (lowerName == "host") return request.host;
  return request.Header(lowerName);
}

}  // namespace

std::string CanonicalRequest(const ProviderRequest& request,
                             const std::vector<std::string>& signedHeaders) {
  std::vector<std::string> names;
  for (const auto& name : signedHeaders) names.push_back(Lower(name));
  std::sort(names.begin(), names.end());
  std::string headers, joined;
  for (const auto& name : names) {
    headers += name + ":" + HeaderValue(request, name) + "\n";
    joined += (joined.empty() ? "" : ";") + name;
  }
  // A client may declare the body unsigned (streams); the gateway then signs that word.
  std::string payloadHash = request.Header("X-Sdk-Content-Sha256");
  if (payloadHash.empty()) payloadHash = Sha256Hex(request.body);
  return request.method + "\n" + CanonicalUri(request.path) + "\n" + CanonicalQuery(request.query) +
         "\n" + headers + "\n" + joined + "\n" + payloadHash;
}

std::string Signature(const ProviderRequest& request, const std::string& secretKey,
                      const std::string& sdkDate, const std::vector<std::string>& signedHeaders) {
  const std::string toSign = std::string(kSignAlgorithm) + "\n" + sdkDate + "\n" +
                             Sha256Hex(CanonicalRequest(request, signedHeaders));
  return HexLower(HmacSha256(secretKey, toSign));
}

NameValues SignRequest(const ProviderRequest& request, const KeyPair& key, long long unixSeconds) {
  const std::string date = UtcBasic(unixSeconds);
  ProviderRequest dated = request;
  dated.headers.emplace_back(kDateHeader, date);
  std::vector<std::string> names = {"host"};
  for (const auto& [name, value] : dated.headers) {
    const std::string lower = Lower(name);
    if (std::find(names.begin(), names.end(), lower) == names.end()) names.push_back(lower);
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const auto& name : names) joined += (joined.empty() ? "" : ";") + name;
  const std::string signature = Signature(dated, key.secretKey, date, names);
  return {{kDateHeader, date},
          {"Authorization", std::string(kSignAlgorithm) + " Access=" + key.accessKey +
                                ", SignedHeaders=" + joined + ", Signature=" + signature}};
}

}  // namespace ydt::live::huawei
