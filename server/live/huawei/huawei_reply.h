// Reading the provider's answers: its error bodies (three shapes across its services), its
// throttling word, and the answer that says a project ID is not (or no longer) the caller's.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "live/common/provider_request.h"

namespace ydt::live::huawei {

struct ProviderError {
  std::string code;     // "Ecs.0114", "APIGW.0301", "CBC.0100", or "HTTP 500" when none
  std::string message;  // may be empty
};

// The error an answer carries: any non-2xx answer, whatever its body.
std::optional<ProviderError> ErrorOf(const ProviderResponse& response);

// "Too many requests": HTTP 429 or the API gateway's throttling code.
bool IsThrottled(const ProviderResponse& response);

// The project ID in the path or header was refused, so a cached one may be stale.
bool IsUnknownProject(const ProviderResponse& response);

// The API gateway did not accept the key pair's signature ("APIGW.0301").
bool IsKeyRefusal(const ProviderError& error);

}  // namespace ydt::live::huawei
