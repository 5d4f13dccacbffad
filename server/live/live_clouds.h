// The providers' public APIs behind the front: each console operation becomes the provider's
// own call, signed here with the operator's key pair and sent over HTTPS.
#pragma once

#include <memory>

#include "front/clouds.h"
#include "live/common/curl_transport.h"
#include "live/common/provider_transport.h"

namespace ydt::live {

struct LiveOptions {
  EndpointOverrides endpoints;
  TransportOptions transport;  // time-outs, retries, requests in flight per key pair
};

// Starts libcurl (see CurlTransport): call it before the front starts its threads.
std::unique_ptr<front::Clouds> MakeLiveClouds(const LiveOptions& options);

}  // namespace ydt::live
