#include "live/huawei/huawei_reply.h"

#include <algorithm>
#include <cctype>

namespace ydt::live::huawei {
namespace {

using nlohmann::json;

std::string Text(const json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_number() || value.is_boolean()) return value.dump();
  return {};
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::optional<ProviderError> ErrorOf(const ProviderResponse& response) {
  if (response.status >= 200 && response.status < 300) return std::nullopt;
  ProviderError error{"HTTP " + std::to_string(response.status), ""};
  const json body = json::parse(response.body, nullptr, false);
  if (!body.is_object()) return error;
  // The API gateway and the billing service: {"error_code", "error_msg"}.
  if (body.contains("error_code") || body.contains("error_msg")) {
    if (auto code = Text(body.value("error_code", json())); !code.empty()) error.code = code;
    error.message = Text(body.value("error_msg", json()));
    return error;
  }
  // Compute, images: {"error": {"code", "message"}}; the identity service and the native
  // OpenStack paths wrap the same pair in other names ("itemNotFound", "badRequest").
  for (const auto& [name, inner] : body.items()) {
    if (!inner.is_object() || !inner.contains("message")) continue;
    if (auto code = Text(inner.value("code", json())); !code.empty()) error.code = code;
    error.message = Text(inner["message"]);
    break;
  }
  return error;
}

bool IsThrottled(const ProviderResponse& response) {
  if (response.status == 429) return true;
  const auto error = ErrorOf(response);
  return error && (error->code == "APIG.0308" || error->code == "APIGW.0308");
}

bool IsKeyRefusal(const ProviderError& error) {
  return error.code == "APIGW.0301" || error.code == "APIG.0301";
}

bool IsUnknownProject(const ProviderResponse& response) {
  if (response.status != 400 && response.status != 401 && response.status != 403 &&
      response.status != 404)
    return false;
  const auto error = ErrorOf(response);
  return error && Lower(error->code + " " + error->message).find("project") != std::string::npos;
}

}  // namespace ydt::live::huawei
