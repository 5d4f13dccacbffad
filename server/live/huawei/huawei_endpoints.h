// Where each of the provider's services answers: the compute and image services per region,
// the identity and billing services once for the whole site.
#pragma once

#include <optional>
#include <string>

#include "live/common/provider_transport.h"

namespace ydt::live::huawei {

// Service names, also the names `--endpoint NAME=URL` overrides.
inline constexpr const char* kEcs = "ecs";
inline constexpr const char* kIms = "ims";
inline constexpr const char* kIam = "iam";
inline constexpr const char* kBss = "bss";

struct Endpoint {
  std::string scheme;
  std::string host;  // host[:port]
};

bool IsKnownRegion(const std::string& region);

// The endpoint of `service` for `region` (ignored by the site-wide services); nullopt for a
// region the provider does not have, or a service it does not know.
std::optional<Endpoint> ResolveEndpoint(const std::string& service, const std::string& region,
                                        const EndpointOverrides& overrides);

}  // namespace ydt::live::huawei
