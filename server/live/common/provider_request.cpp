#include "provider_request.h"

#include <strings.h>

#include "crypto.h"

namespace ydt::live {

std::string ProviderRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
  }
  return {};
}

std::string TrimmedHeaderValue(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

std::string ProviderRequest::EncodedQuery() const {
  std::string out;
  for (const auto& [name, value] : query) {
    if (!out.empty()) out += '&';
    out += UriEncode(name) + "=" + UriEncode(value);
  }
  return out;
}

}  // namespace ydt::live
