#include "provider_transport.h"

namespace ydt::live {

void EndpointOverrides::Resolve(const std::string& service, const std::string& defaultHost,
                                std::string& scheme, std::string& host) const {
  auto it = byService.find(service);
  if (it == byService.end()) {
    scheme = "https";
    host = defaultHost;
    return;
  }
  const std::string& url = it->second;
  const auto colon = url.find("://");
  scheme = colon == std::string::npos ? "https" : url.substr(0, colon);
  host = colon == std::string::npos ? url : url.substr(colon + 3);
  while (!host.empty() && host.back() == '/') host.pop_back();
}

}  // namespace ydt::live
