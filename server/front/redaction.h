// Keeps the operator's secrets out of what the backend writes down: SecretKeys and password
// digests show as "***".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "form_fields.h"

namespace ydt::front {

inline constexpr const char* kRedacted = "***";

// Whether a form field carries a secret ("secretkey", "password"; letter case ignored).
bool IsSecretField(std::string_view name);

// The form body (or query string) with the value of every secret field replaced, all other
// bytes as they came.
std::string RedactForm(std::string_view form);

// A request target ("/path?query") with its query redacted.
std::string RedactTarget(std::string_view target);

// The values of the secret fields, decoded (UTF-8) and as sent (GBK), for scrubbing texts
// that may repeat them.
std::vector<std::string> SecretValues(const FormFields& form);

// `text` with every occurrence of each secret replaced.
std::string Scrub(std::string text, const std::vector<std::string>& secrets);

}  // namespace ydt::front
