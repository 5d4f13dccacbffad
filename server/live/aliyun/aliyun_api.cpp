#include "live/aliyun/aliyun_api.h"

#include <ctime>

#include "live/aliyun/aliyun_endpoints.h"
#include "live/common/crypto.h"
#include "live/common/json_text.h"

namespace ydt::live::aliyun {
namespace {

using nlohmann::ordered_json;

std::string Text(const ordered_json& object, const char* name) {
  auto it = object.find(name);
  if (it == object.end() || it->is_null()) return {};
  return it->is_string() ? it->get<std::string>() : it->dump();
}

// Key-pair and signature refusals, told apart so the operator looks at the keys first.
bool IsKeyRefusal(const std::string& code) {
  for (const char* prefix : {"InvalidAccessKeyId", "SignatureDoesNotMatch", "IncompleteSignature",
                             "InvalidAccessKeySecret", "Forbidden.AccessKeyDisabled"}) {
    if (code.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

ApiResult Failure(int code, std::string msg, ordered_json body = ordered_json()) {
  ApiResult result;
  result.code = code;
  result.msg = std::move(msg);
  result.body = std::move(body);
  return result;
}

}  // namespace

Environment Environment::System() {
  return Environment{[] { return static_cast<long long>(std::time(nullptr)); }, RandomHex};
}

bool IsThrottling(const ProviderResponse& response) {
  if (response.status < 400) return false;
  const ordered_json body = ordered_json::parse(response.body, nullptr, false);
  return body.is_object() && Text(body, "Code").find("Throttling") != std::string::npos;
}

ApiResult ReadAnswer(const ProviderResponse& response, const std::string& host,
                     const std::function<bool(std::string_view)>& passOn) {
  if (response.timedOut) return Failure(kCodeTimedOut, "阿里云接口应答超时：" + host);
  if (!response.transportError.empty() || response.status == 0) {
    return Failure(kCodeBadReply, "无法连接阿里云接口 " + host + "：" + response.transportError);
  }
  // A page of machines is the largest answer; read into a document it costs the gateway more
  // than everything else it does for the request.
  if (passOn && response.status >= 200 && response.status < 300 &&
      JsonOutline(response.body).SurelyLacks("", "Success") && passOn(response.body)) {
    ApiResult result;
    result.ok = true;
    result.text = response.body;
    return result;
  }
  ordered_json body = ordered_json::parse(response.body, nullptr, false);
  if (!body.is_object()) {
    return Failure(kCodeBadReply, "阿里云接口 " + host + " 返回了无法解析的应答（HTTP " +
                                      std::to_string(response.status) + "）");
  }
  // The billing API answers some refusals with HTTP 200 and "Success": false.
  const auto success = body.find("Success");
  const bool refused = response.status >= 400 ||
                       (success != body.end() && success->is_boolean() && !success->get<bool>());
  if (!refused) {
    if (response.status >= 200 && response.status < 300) {
      ApiResult result;
      result.ok = true;
      result.body = std::move(body);
      result.text = response.body;
      return result;
    }
    return Failure(kCodeBadReply, "阿里云接口 " + host + " 返回了意外的应答（HTTP " +
                                      std::to_string(response.status) + "）");
  }
  const std::string code = Text(body, "Code");
  std::string msg = code.empty() ? "HTTP " + std::to_string(response.status) : code;
  const std::string message = Text(body, "Message");
  if (!message.empty()) msg += "：" + message;
  const std::string requestId = Text(body, "RequestId");
  if (!requestId.empty()) msg += "（RequestId：" + requestId + "）";
  return Failure(IsKeyRefusal(code) ? kCodeBadKeys : kCodeRefused, std::move(msg), std::move(body));
}

AliyunApi::AliyunApi(ProviderTransport& transport, EndpointOverrides endpoints,
                     Environment environment)
    : transport_(transport),
      endpoints_(std::move(endpoints)),
      environment_(std::move(environment)) {}

ApiResult AliyunApi::Call(const AccessKey& key, const std::string& region,
                          const ApiCall& call) const {
  const Endpoint endpoint = ResolveEndpoint(endpoints_, call.service, region);
  const std::string version = call.service == kBssService ? kBssVersion : kEcsVersion;
  auto build = [&] {
    ProviderRequest request;
    request.method = "POST";
    request.scheme = endpoint.scheme;
    request.host = endpoint.host;
    request.path = "/";
    request.query = call.params;
    // Content-Type is named (and so signed) although the body is empty: an HTTP client may
    // add one of its own to a POST, and an unsigned one would not match the signature.
    request.headers = {{"host", endpoint.host},
                       {"x-acs-action", call.action},
                       {"x-acs-version", version},
                       {"accept", "application/json"},
                       {"content-type", "application/x-www-form-urlencoded"}};
    NameValues signature = SignAcs3(request, environment_.now(), environment_.nonce(), key);
    request.headers.insert(request.headers.end(), signature.begin(), signature.end());
    return request;
  };
  CallPolicy policy;
  policy.retryable = call.retryable;
  policy.throttled = IsThrottling;
  return ReadAnswer(transport_.Send("aliyun:" + key.id, build, policy), endpoint.host, call.passOn);
}

}  // namespace ydt::live::aliyun
