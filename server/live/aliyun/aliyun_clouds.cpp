#include "live/aliyun/aliyun_clouds.h"

#include <charconv>
#include <optional>
#include <utility>

#include "live/aliyun/aliyun_endpoints.h"
#include "live/common/console_form.h"
#include "live/common/crypto.h"
#include "live/common/json_text.h"

namespace ydt::live::aliyun {
namespace {

using front::CloudReply;
using front::CloudRequest;
using front::Operation;
using nlohmann::ordered_json;

constexpr std::size_t kMaxIdsPerCall = 100;  // InstanceId.N of Start/Stop/DeleteInstances
constexpr long long kMaxPageSize = 100;      // PageSize of DescribeInstances and DescribeImages
constexpr long long kMaxAmount = 100;        // Amount of RunInstances
constexpr long long kMaxReleaseHours = 3 * 365 * 24;  // AutoReleaseTime: at most three years on
constexpr int kMaxImagePages = 10;                    // an image list stops at 1,000 images

CloudReply Fail(int code, std::string msg, ordered_json data = ordered_json()) {
  CloudReply reply = CloudReply::Fail(code, std::move(msg));
  reply.data = std::move(data);
  return reply;
}

CloudReply FailFrom(ApiResult result) {
  return Fail(result.code, std::move(result.msg), std::move(result.body));
}

CloudReply Missing(const char* name) {
  return Fail(kCodeBadField, std::string("缺少参数：") + name);
}

// A whole number in [lo, hi] written in decimal digits.
std::optional<long long> Number(const std::string& text, long long lo, long long hi) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < lo || value > hi) {
    return std::nullopt;
  }
  return value;
}

// One console request on its way to the provider.
struct Context {
  const AliyunApi& api;
  const CloudRequest& request;
  AccessKey key;
  std::string region;

  std::string Field(const char* name) const { return request.Field(name).value_or(""); }

  // A whole-number field in [lo, hi]; an absent one reads as `fallback` when there is one.
  bool Int(const char* name, std::optional<long long> fallback, long long lo, long long hi,
           long long& value, CloudReply& failure) const {
    const auto text = request.Field(name);
    if (!text && fallback) {
      value = *fallback;
      return true;
    }
    if (!text) {
      failure = Missing(name);
      return false;
    }
    const auto number = Number(*text, lo, hi);
    if (!number) {
      failure = Fail(kCodeBadField, std::string("参数不正确：") + name + "=" + *text + "（取值" +
                                        std::to_string(lo) + "-" + std::to_string(hi) + "）");
      return false;
    }
    value = *number;
    return true;
  }

  ApiResult Ecs(std::string action, NameValues params, bool retryable = true,
                std::function<bool(std::string_view)> passOn = {}) const {
    return api.Call(
        key, region,
        ApiCall{kEcsService, std::move(action), std::move(params), retryable, std::move(passOn)});
  }
};

// Several provider requests of one console request, answered as one: the bodies in order
// (a single one as it came), and every refusal in the message.
class Outcome {
 public:
  void Add(ApiResult result, const std::string& prefix = {}) {
    if (!result.ok) {
      if (code_ == 0) code_ = result.code;
      if (!failures_.empty()) failures_ += "；";
      failures_ += prefix + result.msg;
    }
    bodies_.push_back(std::move(result.body));
  }

  CloudReply Reply() && {
    ordered_json data;
    if (bodies_.size() == 1) {
      data = std::move(bodies_.front());
    } else {
      data = ordered_json::object();
      data["Replies"] = std::move(bodies_);
    }
    if (code_ == 0) return CloudReply::Ok(std::move(data));
    return Fail(code_, std::move(failures_), std::move(data));
  }

 private:
  ordered_json bodies_ = ordered_json::array();
  std::string failures_;
  int code_ = 0;
};

// Whether a machine page needs no elastic address shown (see below), told from its text:
// every EipAddress holds an empty IpAddress or none. Anything the text leaves uncertain
// (escapes, an EipAddress that is not a plain object) answers no.
bool NoElasticAddressIn(std::string_view text) {
  if (text.find("\\u") != std::string_view::npos) return false;
  constexpr std::string_view kKey = "\"EipAddress\"";
  for (auto at = text.find(kKey); at != std::string_view::npos; at = text.find(kKey, at + 1)) {
    if (at > 0 && text[at - 1] == '\\') return false;
    auto i = text.find_first_not_of(" \t\r\n", at + kKey.size());
    if (i == std::string_view::npos || text[i] != ':') continue;  // a value, not a key
    i = text.find_first_not_of(" \t\r\n", i + 1);
    if (i == std::string_view::npos || text[i] != '{') return false;
    const std::string_view eip = text.substr(i);
    if (!SurelyLacks(eip, "IpAddress") && MemberText(eip, "IpAddress") != "\"\"") return false;
  }
  return true;
}

// A VPC machine whose public address is an elastic IP lists it under EipAddress and leaves
// PublicIpAddress empty, while the console reads PublicIpAddress.IpAddress[0] alone.
// Whether any machine needed it.
bool ShowElasticAddresses(ordered_json& body) {
  bool shownAny = false;
  const auto instances = body.find("Instances");
  if (instances == body.end() || !instances->is_object()) return false;
  const auto list = instances->find("Instance");
  if (list == instances->end() || !list->is_array()) return false;
  for (ordered_json& machine : *list) {
    if (!machine.is_object() || !machine.contains("EipAddress")) continue;
    const ordered_json& eip = machine["EipAddress"];
    if (!eip.is_object() || !eip.contains("IpAddress") || !eip["IpAddress"].is_string()) continue;
    const std::string address = eip["IpAddress"].get<std::string>();
    if (address.empty()) continue;
    ordered_json& shown = machine["PublicIpAddress"];
    if (!shown.is_object()) shown = ordered_json::object();
    ordered_json& addresses = shown["IpAddress"];
    if (addresses.is_array() && !addresses.empty()) continue;
    addresses = ordered_json::array({address});
    shownAny = true;
  }
  return shownAny;
}

// The console reads the cash balance into a float, which would stop at a thousands
// separator; the documented amounts carry none, so this changes nothing on them.
void PlainAmount(ordered_json& body) {
  const auto data = body.find("Data");
  if (data == body.end() || !data->is_object()) return;
  const auto amount = data->find("AvailableCashAmount");
  if (amount == data->end() || !amount->is_string()) return;
  std::string text = amount->get<std::string>();
  std::erase(text, ',');
  *amount = text;
}

CloudReply Instances(const Context& c) {
  long long page = 0, limit = 0;
  CloudReply failure;
  if (!c.Int("page", 1, 1, 1'000'000'000, page, failure) ||
      !c.Int("limit", 10, 1, kMaxPageSize, limit, failure)) {
    return failure;
  }
  ApiResult result = c.Ecs("DescribeInstances",
                           {{"RegionId", c.region},
                            {"PageNumber", std::to_string(page)},
                            {"PageSize", std::to_string(limit)}},
                           true, NoElasticAddressIn);
  if (!result.ok) return FailFrom(std::move(result));
  if (result.body.is_null()) return CloudReply::OkText(std::move(result.text));
  // A page the console can read as it came goes on as Alibaba wrote it, not written again.
  if (!ShowElasticAddresses(result.body)) return CloudReply::OkText(std::move(result.text));
  return CloudReply::Ok(std::move(result.body));
}

CloudReply Act(const Context& c, Operation operation) {
  const auto ids = ParseInstanceIds(c.Field("instanceids"));
  if (ids.empty()) return Fail(kCodeBadField, "instanceids中没有实例ID");
  const char* action = operation == Operation::kStart  ? "StartInstances"
                       : operation == Operation::kStop ? "StopInstances"
                                                       : "DeleteInstances";
  Outcome outcome;
  for (const auto& chunk : InRunsOf(ids, kMaxIdsPerCall)) {
    NameValues params = {{"RegionId", c.region}};
    for (std::size_t i = 0; i < chunk.size(); ++i) {
      params.emplace_back("InstanceId." + std::to_string(i + 1), chunk[i]);
    }
    if (operation == Operation::kTerminate) {
      // The console releases running machines too; the token makes a resent release the
      // same release.
      params.emplace_back("Force", "true");
      params.emplace_back("ClientToken", c.api.NewToken());
    }
    // Starting and stopping converge on a state: a resent request can do nothing the first
    // did not, at worst the provider refuses it as already under way.
    outcome.Add(c.Ecs(action, std::move(params)));
  }
  return std::move(outcome).Reply();
}

CloudReply Balance(const Context& c) {
  ApiResult result =
      c.api.Call(c.key, {}, ApiCall{kBssService, "QueryAccountBalance", {}, true, {}});
  if (!result.ok) return FailFrom(std::move(result));
  PlainAmount(result.body);
  return CloudReply::Ok(std::move(result.body));
}

CloudReply Zones(const Context& c) {
  ApiResult result = c.Ecs("DescribeAvailableResource", {{"RegionId", c.region},
                                                         {"DestinationResource", "Zone"},
                                                         {"ResourceType", "instance"},
                                                         {"InstanceChargeType", "PostPaid"}});
  if (!result.ok) return FailFrom(std::move(result));
  return CloudReply::Ok(std::move(result.body));
}

CloudReply InstanceTypes(const Context& c) {
  NameValues params = {{"RegionId", c.region}};
  // Without a zone the provider lists every zone; the console shows the first.
  if (const std::string zone = c.Field("zone"); !zone.empty()) params.emplace_back("ZoneId", zone);
  params.insert(params.end(), {{"DestinationResource", "InstanceType"},
                               {"IoOptimized", "optimized"},
                               {"InstanceChargeType", "PostPaid"},
                               {"ResourceType", "instance"}});
  ApiResult result = c.Ecs("DescribeAvailableResource", std::move(params));
  if (!result.ok) return FailFrom(std::move(result));
  return CloudReply::Ok(std::move(result.body));
}

// DescribeImages answers ten images a page unless told otherwise, and at most a hundred:
// the console gets every page, up to kMaxImagePages, as one list.
CloudReply Images(const Context& c) {
  const std::string kind = c.Field("imagetype");
  if (kind != "self" && kind != "others" && kind != "system" && kind != "marketplace") {
    return Fail(kCodeBadField, "镜像类型不正确：" + kind);
  }
  ordered_json first;
  ordered_json images = ordered_json::array();
  for (int page = 1; page <= kMaxImagePages; ++page) {
    ApiResult result = c.Ecs("DescribeImages", {{"RegionId", c.region},
                                                {"ImageOwnerAlias", kind},
                                                {"PageNumber", std::to_string(page)},
                                                {"PageSize", std::to_string(kMaxPageSize)}});
    if (!result.ok) return FailFrom(std::move(result));
    std::size_t got = 0;
    if (const auto list = result.body.find("Images");
        list != result.body.end() && list->is_object() && list->contains("Image") &&
        (*list)["Image"].is_array()) {
      const ordered_json& pageImages = (*list)["Image"];
      got = pageImages.size();
      images.insert(images.end(), pageImages.begin(), pageImages.end());
    }
    if (page == 1) first = std::move(result.body);
    const auto total = first.find("TotalCount");
    const bool more = total != first.end() && total->is_number_integer() &&
                      static_cast<long long>(images.size()) < total->get<long long>();
    if (got < static_cast<std::size_t>(kMaxPageSize) || !more) break;
  }
  const std::size_t count = images.size();
  if (!first.contains("Images") || !first["Images"].is_object()) {
    first["Images"] = ordered_json::object();
  }
  first["Images"]["Image"] = std::move(images);
  first["PageSize"] = count;
  return CloudReply::Ok(std::move(first));
}

CloudReply Run(const Context& c) {
  long long count = 0, bandwidth = 0, timer = 0, hours = 0;
  CloudReply failure;
  if (!c.Int("instancecount", std::nullopt, 1, kMaxAmount, count, failure) ||
      !c.Int("bandwidth", std::nullopt, 0, 1'000'000, bandwidth, failure) ||
      !c.Int("is_actiontimer", 0, 0, 1, timer, failure)) {
    return failure;
  }
  // A timer of no hours would release the machines at once, or be refused after the
  // machines are paid for: it is refused here before anything is created.
  if (timer == 1 && !c.Int("actiontimer", std::nullopt, 1, kMaxReleaseHours, hours, failure)) {
    return failure;
  }
  NameValues params = {{"RegionId", c.region}};
  if (const std::string zone = c.Field("zone"); !zone.empty()) params.emplace_back("ZoneId", zone);
  for (const auto& [field, name] :
       {std::pair{"instancetype", "InstanceType"}, std::pair{"imageid", "ImageId"}}) {
    const std::string value = c.Field(field);
    if (value.empty()) return Missing(field);
    params.emplace_back(name, value);
  }
  if (const std::string disk = c.Field("disktype"); !disk.empty()) {
    params.emplace_back("SystemDisk.Category", disk);
  }
  params.emplace_back("InternetMaxBandwidthOut", std::to_string(bandwidth));
  for (const auto& [field, name] :
       {std::pair{"securitygroupid", "SecurityGroupId"}, std::pair{"vswitchid", "VSwitchId"},
        std::pair{"password", "Password"}}) {
    const std::string value = c.Field(field);
    if (value.empty()) return Missing(field);
    params.emplace_back(name, value);
  }
  params.emplace_back("Amount", std::to_string(count));
  params.emplace_back("InstanceChargeType", "PostPaid");
  if (timer == 1) params.emplace_back("AutoReleaseTime", UtcIso8601(c.api.Now() + hours * 3600));
  // One token per console request, fixed with every other parameter before the first
  // attempt: a resent creation is then the same creation, never a second one.
  params.emplace_back("ClientToken", c.api.NewToken());
  ApiResult result = c.Ecs("RunInstances", std::move(params));
  if (!result.ok) return FailFrom(std::move(result));
  return CloudReply::Ok(std::move(result.body));
}

// ReplaceSystemDisk takes one machine, which must be stopped: the provider's refusal of a
// running one is the reply, so it reaches the operator's log.
CloudReply Rebuild(const Context& c) {
  const auto ids = ParseInstanceIds(c.Field("instanceids"));
  if (ids.empty()) return Fail(kCodeBadField, "instanceids中没有实例ID");
  const std::string image = c.Field("imagesid");
  if (image.empty()) return Missing("imagesid");
  // Without a password the new system could not be logged into.
  const std::string password = c.Field("password");
  if (password.empty()) return Missing("password");
  Outcome outcome;
  for (const auto& id : ids) {
    outcome.Add(c.Ecs("ReplaceSystemDisk", {{"InstanceId", id},
                                            {"ImageId", image},
                                            {"Password", password},
                                            {"ClientToken", c.api.NewToken()}}),
                ids.size() > 1 ? id + "：" : std::string());
  }
  return std::move(outcome).Reply();
}

CloudReply Dispatch(Context& c) {
  if (c.request.provider != front::Provider::kAliyun) {
    return Fail(kCodeBadField, "阿里云接口收到了其他云厂商的请求");
  }
  if (c.key.id.empty()) return Missing("secretid");
  if (c.key.secret.empty()) return Missing("secretkey");
  if (c.request.operation == Operation::kBalance) return Balance(c);
  c.region = c.Field("region");
  if (c.region.empty()) return Missing("region");
  if (!IsKnownRegion(c.region)) return Fail(kCodeBadField, "阿里云没有该地域：" + c.region);
  switch (c.request.operation) {
    case Operation::kInstances:
      return Instances(c);
    case Operation::kStart:
    case Operation::kStop:
    case Operation::kTerminate:
      return Act(c, c.request.operation);
    case Operation::kZones:
      return Zones(c);
    case Operation::kImages:
    case Operation::kRebuildImages:
      return Images(c);
    case Operation::kInstanceTypes:
      return InstanceTypes(c);
    case Operation::kRun:
      return Run(c);
    case Operation::kRebuild:
      return Rebuild(c);
    case Operation::kBalance:
      break;
  }
  return Balance(c);
}

}  // namespace

AliyunClouds::AliyunClouds(ProviderTransport& transport, EndpointOverrides endpoints,
                           Environment environment)
    : api_(transport, std::move(endpoints), std::move(environment)) {}

CloudReply AliyunClouds::Perform(const CloudRequest& request) {
  Context context{api_, request, {}, {}};
  context.key = {context.Field("secretid"), context.Field("secretkey")};
  CloudReply reply = Dispatch(context);
  // Whatever a message quotes (a form field, a provider's text), the key stays out of it.
  const std::string& secret = context.key.secret;
  for (std::size_t at = 0;
       !secret.empty() && (at = reply.msg.find(secret, at)) != std::string::npos; at += 3) {
    reply.msg.replace(at, secret.size(), "***");
  }
  return reply;
}

std::unique_ptr<front::Clouds> MakeAliyunClouds(ProviderTransport& transport,
                                                const EndpointOverrides& endpoints) {
  return std::make_unique<AliyunClouds>(transport, endpoints);
}

}  // namespace ydt::live::aliyun
