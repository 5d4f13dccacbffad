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

std::string ProviderRequest::EncodedQuery() const {
  std::string out;
  for (const auto& [name, value] : query) {
    if (!out.empty()) out += '&';
    out += UriEncode(name) + "=" + UriEncode(value);
  }
  return out;
}

}  // namespace ydt::live
