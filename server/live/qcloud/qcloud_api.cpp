#include "qcloud_api.h"

#include "live/common/console_form.h"
#include "live/common/json_text.h"

namespace ydt::live::qcloud {
namespace {

using nlohmann::ordered_json;

constexpr std::string_view kThrottleCode = "RequestLimitExceeded";

// Codes Tencent answers for a region it does not offer (the common one, and CVM's own).
bool IsRegionError(std::string_view code) {
  return code == "UnsupportedRegion" || code == "InvalidRegion.NotFound" ||
         code == "InvalidParameterValue.InvalidRegion";
}

const ordered_json* ErrorOf(const ordered_json& body) {
  if (!body.is_object()) return nullptr;
  auto response = body.find("Response");
  if (response == body.end() || !response->is_object()) return nullptr;
  auto error = response->find("Error");
  if (error == response->end() || !error->is_object()) return nullptr;
  return &*error;
}

std::string TextOf(const ordered_json& object, const char* name) {
  auto it = object.find(name);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

front::CloudReply ProviderFailure(const ordered_json& error, const Call& call) {
  const std::string code = TextOf(error, "Code");
  const std::string text = code + ": " + TextOf(error, "Message");
  if (IsRegionError(code)) {
    return front::CloudReply::Fail(kCodeBadField,
                                   "腾讯云不支持该地域：" + call.region + "（" + text + "）");
  }
  return front::CloudReply::Fail(code.rfind("AuthFailure", 0) == 0 ? kCodeBadKeys : kCodeRefused,
                                 text);
}

Outcome Read(const ProviderResponse& answer, const Call& call, const std::string& host) {
  Outcome out;
  const std::string where = "腾讯云" + std::string(call.service->name) + "接口（" + host + "）";
  if (!answer.transportError.empty()) {
    out.failure = answer.timedOut
                      ? front::CloudReply::Fail(kCodeTimedOut, where + "应答超时，请稍后再试")
                      : front::CloudReply::Fail(kCodeBadReply,
                                                "无法连接" + where + "：" + answer.transportError);
    return out;
  }
  // A page passed on is checked in one pass without building a document: valid JSON, one Response
  // object, no Error in it. Anything less certain is read the long way below.
  if (call.passOn && answer.status == 200) {
    const JsonOutline page(answer.body);
    const auto response = page.Member("", "Response");
    if (response && page.SurelyLacks("Response", "Error")) {
      out.ok = true;
      out.responseText = std::string(*response);
      return out;
    }
  }
  ordered_json body = ordered_json::parse(answer.body, nullptr, false);
  if (const ordered_json* error = ErrorOf(body)) {
    out.failure = ProviderFailure(*error, call);
    return out;
  }
  const bool shaped = !body.is_discarded() && body.is_object() && body.contains("Response") &&
                      body["Response"].is_object();
  if (answer.status != 200 || !shaped) {
    out.failure = front::CloudReply::Fail(kCodeBadReply, where + "返回了无法识别的应答（HTTP " +
                                                             std::to_string(answer.status) + "）");
    return out;
  }
  out.ok = true;
  // Moved, not copied: a page of machines is the largest thing the gateway handles.
  out.response = std::move(body["Response"]);
  return out;
}

}  // namespace

bool IsThrottled(const ProviderResponse& response) {
  // Most answers are not errors at all; skip parsing those.
  if (response.body.find(kThrottleCode) == std::string::npos) return false;
  const ordered_json body = ordered_json::parse(response.body, nullptr, false);
  const ordered_json* error = ErrorOf(body);
  return error != nullptr && TextOf(*error, "Code").rfind(kThrottleCode, 0) == 0;
}

Api::Api(ProviderTransport& transport, const EndpointOverrides& endpoints, Clock clock)
    : transport_(transport), endpoints_(endpoints), clock_(std::move(clock)) {}

Outcome Api::Perform(const Tc3Key& key, const Call& call) const {
  std::string scheme, host;
  endpoints_.Resolve(std::string(call.service->name), std::string(call.service->host), scheme,
                     host);
  const std::string body = call.params.dump();
  auto build = [&] {
    ProviderRequest request;
    request.method = "POST";
    request.scheme = scheme;
    request.host = host;
    request.path = "/";
    request.headers = {{"Content-Type", "application/json; charset=utf-8"},
                       {"X-TC-Action", call.action},
                       {"X-TC-Version", std::string(call.service->version)},
                       // Error messages in Chinese, as the console's operator reads them.
                       {"X-TC-Language", "zh-CN"}};
    if (!call.region.empty()) request.headers.emplace_back("X-TC-Region", call.region);
    request.body = body;
    for (auto& header : Tc3Sign(request, call.service->name, key, clock_())) {
      request.headers.push_back(std::move(header));
    }
    return request;
  };
  CallPolicy policy;
  policy.retryable = call.retryable;
  policy.throttled = &IsThrottled;
  return Read(transport_.Send("qcloud:" + key.secretId, build, policy), call, host);
}

}  // namespace ydt::live::qcloud
