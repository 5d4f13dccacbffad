#include "service/http/url_parts.h"

#include <algorithm>

#include "service/text/text.h"

namespace ydt {
namespace {

std::string HostWithPort(std::string_view address) {
  std::string lower = ToLowerText(address);
  if (lower.empty() || lower.back() != '/') lower += '/';
  std::size_t start;
  if (lower.starts_with("https://")) {
    start = 8;
  } else {
    if (lower.find("http://") == std::string::npos) lower.insert(0, "http://");
    start = lower.find("http://") + 7;
  }
  const std::size_t end = lower.find('/', start);
  return lower.substr(start, end - start);
}

}  // namespace

std::string UrlHost(std::string_view address) {
  std::string host = HostWithPort(address);
  return host.substr(0, host.find(':'));
}

int UrlPort(std::string_view address) {
  const std::string host = HostWithPort(address);
  const std::size_t colon = host.find(':');
  if (colon == std::string::npos) return ToLowerText(address).starts_with("https") ? 443 : 80;
  return TextToInt(std::string_view(host).substr(colon + 1));
}

std::string UrlPath(std::string_view address) {
  const std::string lower = ToLowerText(address);
  // Look for the host only after the scheme: a host such as "h" or "tt" would otherwise be
  // found inside "http://" and the path would start at the scheme's slashes.
  std::size_t from = 0;
  if (lower.starts_with("http://")) from = 7;
  if (lower.starts_with("https://")) from = 8;
  const std::size_t hostAt = lower.find(UrlHost(address), from);
  if (hostAt == std::string::npos) return "/";
  const std::size_t slash = address.find('/', hostAt);
  if (slash == std::string_view::npos) return "/";
  return std::string(address.substr(slash));
}

}  // namespace ydt
