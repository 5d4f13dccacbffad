#include "provider_transport.h"

namespace ydt::live {

EndpointOverrides EndpointOverrides::ForProvider(const std::string& provider) const {
  EndpointOverrides mine;
  const std::string prefix = provider + ".";
  for (const auto& [name, url] : byService) {
    if (name.find('.') == std::string::npos) mine.byService.emplace(name, url);
  }
  for (const auto& [name, url] : byService) {
    if (name.size() > prefix.size() && name.rfind(prefix, 0) == 0)
      mine.byService[name.substr(prefix.size())] = url;
  }
  return mine;
}

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
