#include "provider_request.h"

#include <strings.h>

namespace ydt::live {

std::string ProviderRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
  }
  return {};
}

}  // namespace ydt::live
