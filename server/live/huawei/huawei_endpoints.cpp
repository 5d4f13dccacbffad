#include "live/huawei/huawei_endpoints.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace ydt::live::huawei {
namespace {

// The regions the provider's compute service answers in (its SDK's region table); the
// console offers nine of them.
constexpr std::array<std::string_view, 33> kRegions = {
    "cn-north-1",     "cn-north-2",       "cn-north-4",     "cn-north-9",     "cn-north-11",
    "cn-north-12",    "cn-east-2",        "cn-east-3",      "cn-east-4",      "cn-east-5",
    "cn-south-1",     "cn-south-2",       "cn-south-4",     "cn-southwest-2", "cn-southwest-3",
    "ap-southeast-1", "ap-southeast-2",   "ap-southeast-3", "ap-southeast-4", "ap-southeast-5",
    "af-south-1",     "af-north-1",       "sa-brazil-1",    "la-north-2",     "la-south-2",
    "na-mexico-1",    "tr-west-1",        "me-east-1",      "ae-ad-1",        "eu-west-0",
    "eu-west-101",    "my-kualalumpur-1", "ru-moscow-1",
};

}  // namespace

bool IsKnownRegion(const std::string& region) {
  return std::find(kRegions.begin(), kRegions.end(), region) != kRegions.end();
}

std::optional<Endpoint> ResolveEndpoint(const std::string& service, const std::string& region,
                                        const EndpointOverrides& overrides) {
  std::string host;
  if (service == kEcs || service == kIms) {
    if (!IsKnownRegion(region)) return std::nullopt;
    host = service + "." + region + ".myhuaweicloud.com";
  } else if (service == kIam || service == kBss) {
    host = service + ".myhuaweicloud.com";
  } else {
    return std::nullopt;
  }
  Endpoint endpoint;
  overrides.Resolve(service, host, endpoint.scheme, endpoint.host);
  return endpoint;
}

}  // namespace ydt::live::huawei
