// Where Alibaba Cloud's APIs live: the ECS endpoint of each region and the billing (BSS)
// endpoint, each replaceable by service name through EndpointOverrides ("ecs", "bss").
#pragma once

#include <string>
#include <string_view>

#include "live/common/provider_transport.h"

namespace ydt::live::aliyun {

inline constexpr char kEcsService[] = "ecs";
inline constexpr char kBssService[] = "bss";
inline constexpr char kEcsVersion[] = "2014-05-26";
inline constexpr char kBssVersion[] = "2017-12-14";

// Whether ECS serves `region` ("cn-beijing", "ap-southeast-1", ...).
bool IsKnownRegion(std::string_view region);

// The provider's own host for a service: the regional ECS host, or the billing host, which
// is one for all regions of the China site.
std::string DefaultHost(std::string_view service, std::string_view region);

// Scheme and host[:port] a request to `service` in `region` goes to.
struct Endpoint {
  std::string scheme;
  std::string host;
};
Endpoint ResolveEndpoint(const EndpointOverrides& overrides, std::string_view service,
                         std::string_view region);

}  // namespace ydt::live::aliyun
