#include "qcloud_clouds.h"

#include <ctime>

#include "live/common/console_form.h"
#include "live/common/crypto.h"
#include "live/common/curl_transport.h"

namespace ydt::live::qcloud {
namespace {

using front::CloudReply;
using front::Operation;
using nlohmann::ordered_json;

// CVM takes at most this many instance IDs per call, and this many list entries per page.
constexpr std::size_t kIdsPerCall = 100;
constexpr long long kPageSize = 100;
// A region with more images than this is not one the console's image box could show.
constexpr int kMaxImagePages = 20;
constexpr long long kMaxCreatePerRequest = 100;

struct Context {
  const Api& api;
  const front::CloudRequest& request;
  Tc3Key key;
  std::string region;
  const std::function<std::string()>& clientToken;
};

CloudReply Answer(Outcome outcome) {
  if (!outcome.ok) return std::move(outcome.failure);
  if (!outcome.responseText.empty()) return CloudReply::OkText(std::move(outcome.responseText));
  return CloudReply::Ok(std::move(outcome.response));
}

ordered_json Filter(const char* name, const std::string& value) {
  return ordered_json::array({{{"Name", name}, {"Values", ordered_json::array({value})}}});
}

// Runs the calls in order, each whatever the previous one answered, as the console's batches
// expect: one refused run of IDs does not keep the others from being acted on.
CloudReply Sequence(const Context& c, const std::vector<Call>& calls) {
  ordered_json last;
  std::size_t failed = 0;
  CloudReply firstFailure;
  for (const Call& call : calls) {
    Outcome outcome = c.api.Perform(c.key, call);
    if (outcome.ok) {
      last = std::move(outcome.response);
    } else if (failed++ == 0) {
      firstFailure = std::move(outcome.failure);
    }
  }
  if (failed == 0) return CloudReply::Ok(std::move(last));
  if (calls.size() > 1) {
    firstFailure.msg = std::to_string(calls.size()) + "次调用中" + std::to_string(failed) +
                       "次失败，首个失败：" + firstFailure.msg;
  }
  return firstFailure;
}

bool ReadIds(const Context& c, std::vector<std::string>& ids, CloudReply& failure) {
  std::string text;
  if (!RequireText(c.request, "instanceids", text, failure)) return false;
  ids = ParseInstanceIds(text);
  if (ids.empty()) {
    failure = CloudReply::Fail(kCodeBadField, "instanceids中没有实例ID");
    return false;
  }
  return true;
}

CloudReply ActOn(const Context& c, const char* action) {
  std::vector<std::string> ids;
  CloudReply failure;
  if (!ReadIds(c, ids, failure)) return failure;
  std::vector<Call> calls;
  for (auto& run : InRunsOf(ids, kIdsPerCall)) {
    calls.push_back({&kCvm, action, c.region, {{"InstanceIds", std::move(run)}}});
  }
  return Sequence(c, calls);
}

CloudReply Instances(const Context& c) {
  long long offset = 0, limit = 0;
  CloudReply failure;
  if (!ReadInt(c.request, {"offset", false, 0, 0, 1LL << 31}, offset, failure) ||
      !ReadInt(c.request, {"limit", false, 20, 1, kPageSize}, limit, failure)) {
    return failure;
  }
  // A page of machines goes to the console as Tencent wrote it: the largest answer the
  // gateway carries, and one it has nothing to change in.
  Call call{&kCvm, "DescribeInstances", c.region, {{"Offset", offset}, {"Limit", limit}}};
  call.passOn = true;
  return Answer(c.api.Perform(c.key, call));
}

CloudReply Start(const Context& c) {
  return ActOn(c, "StartInstances");
}
CloudReply Stop(const Context& c) {
  return ActOn(c, "StopInstances");
}
CloudReply Terminate(const Context& c) {
  return ActOn(c, "TerminateInstances");
}

CloudReply Balance(const Context& c) {
  return Answer(c.api.Perform(c.key, {&kBilling, "DescribeAccountBalance", ""}));
}

CloudReply Zones(const Context& c) {
  return Answer(c.api.Perform(c.key, {&kCvm, "DescribeZones", c.region}));
}

// The console shows every image of the type in one box, so the pages are joined into one
// ImageSet; TotalCount and RequestId stay those of the first page.
CloudReply Images(const Context& c) {
  std::string type;
  CloudReply failure;
  if (!RequireText(c.request, "imagetype", type, failure)) return failure;
  ordered_json merged;
  ordered_json all = ordered_json::array();
  long long offset = 0;
  for (int page = 0; page < kMaxImagePages; ++page) {
    Outcome outcome = c.api.Perform(
        c.key,
        {&kCvm,
         "DescribeImages",
         c.region,
         {{"Filters", Filter("image-type", type)}, {"Offset", offset}, {"Limit", kPageSize}}});
    if (!outcome.ok) return outcome.failure;
    const ordered_json set = outcome.response.value("ImageSet", ordered_json::array());
    const long long total = outcome.response.value("TotalCount", 0LL);
    if (set.is_array()) {
      for (const auto& image : set) all.push_back(image);
    }
    if (merged.is_null()) merged = std::move(outcome.response);
    offset += set.is_array() ? static_cast<long long>(set.size()) : 0;
    if (!set.is_array() || set.empty() || offset >= total) break;
  }
  merged["ImageSet"] = std::move(all);
  return CloudReply::Ok(std::move(merged));
}

CloudReply InstanceTypes(const Context& c) {
  std::string zone;
  CloudReply failure;
  if (!RequireText(c.request, "zone", zone, failure)) return failure;
  return Answer(c.api.Perform(
      c.key,
      {&kCvm, "DescribeInstanceTypeConfigs", c.region, {{"Filters", Filter("zone", zone)}}}));
}

CloudReply Run(const Context& c) {
  std::string zone, type, image, password;
  long long bandwidth = 0, count = 0, timer = 0, hours = 0;
  CloudReply failure;
  if (!RequireText(c.request, "zone", zone, failure) ||
      !RequireText(c.request, "instancetype", type, failure) ||
      !RequireText(c.request, "imageid", image, failure) ||
      !ReadInt(c.request, {"bandwidth", true, 0, 0, 65535}, bandwidth, failure) ||
      !RequireText(c.request, "password", password, failure) ||
      !ReadInt(c.request, {"instancecount", true, 0, 1, kMaxCreatePerRequest}, count, failure) ||
      !ReadInt(c.request, {"is_actiontimer", false, 0, 0, 1}, timer, failure) ||
      !ReadInt(c.request, {"actiontimer", false, 0, 0, 8760}, hours, failure)) {
    return failure;
  }
  if (timer == 1 && hours < 1) {
    return CloudReply::Fail(kCodeBadField, "定时销毁时间不正确：" + std::to_string(hours));
  }
  const std::string chargeType = c.request.Field("instancechargetype").value_or("");
  const std::string diskType = c.request.Field("disktype").value_or("");

  ordered_json params;
  params["InstanceChargeType"] = chargeType.empty() ? "POSTPAID_BY_HOUR" : chargeType;
  params["Placement"] = {{"Zone", zone}};
  params["InstanceType"] = type;
  params["ImageId"] = image;
  // Without a disk type Tencent picks one that is in stock.
  if (!diskType.empty()) params["SystemDisk"] = {{"DiskType", diskType}};
  params["InternetAccessible"] = {{"InternetChargeType", "TRAFFIC_POSTPAID_BY_HOUR"},
                                  {"InternetMaxBandwidthOut", bandwidth}};
  // A public address needs bandwidth; asking for one without is refused.
  if (bandwidth > 0) params["InternetAccessible"]["PublicIpAssigned"] = true;
  params["InstanceCount"] = count;
  params["LoginSettings"] = {{"Password", password}};
  if (timer == 1) {
    params["ActionTimer"] = {{"TimerAction", "TerminateInstances"},
                             {"ActionTime", UtcIso8601(c.api.Now() + hours * 3600)}};
  }
  // One token per console request, in the body every attempt resends, so a creation whose
  // answer was lost and is retried makes the machines only once.
  params["ClientToken"] = c.clientToken();
  return Answer(c.api.Perform(c.key, {&kCvm, "RunInstances", c.region, std::move(params)}));
}

CloudReply Rebuild(const Context& c) {
  std::vector<std::string> ids;
  std::string image, password;
  CloudReply failure;
  if (!ReadIds(c, ids, failure) || !RequireText(c.request, "imagesid", image, failure) ||
      !RequireText(c.request, "password", password, failure)) {
    return failure;
  }
  // ResetInstance takes one machine; the console sends one per request, but a list is
  // reinstalled machine by machine rather than refused.
  std::vector<Call> calls;
  for (const std::string& id : ids) {
    calls.push_back(
        {&kCvm,
         "ResetInstance",
         c.region,
         {{"InstanceId", id}, {"ImageId", image}, {"LoginSettings", {{"Password", password}}}},
         false});
  }
  return Sequence(c, calls);
}

struct Entry {
  Operation operation;
  bool regional;
  CloudReply (*handler)(const Context&);
};

constexpr Entry kOperations[] = {
    {Operation::kInstances, true, &Instances},
    {Operation::kStart, true, &Start},
    {Operation::kStop, true, &Stop},
    {Operation::kTerminate, true, &Terminate},
    {Operation::kBalance, false, &Balance},
    {Operation::kZones, true, &Zones},
    {Operation::kImages, true, &Images},
    {Operation::kRebuildImages, true, &Images},
    {Operation::kInstanceTypes, true, &InstanceTypes},
    {Operation::kRun, true, &Run},
    {Operation::kRebuild, true, &Rebuild},
};

}  // namespace

QcloudClouds::QcloudClouds(ProviderTransport& transport, const EndpointOverrides& endpoints,
                           QcloudOptions options)
    : api_(transport, endpoints, options.clock ? std::move(options.clock) : Api::Clock([] {
             return static_cast<long long>(std::time(nullptr));
           })),
      clientToken_(options.clientToken ? std::move(options.clientToken) : &RandomHex) {}

CloudReply QcloudClouds::Perform(const front::CloudRequest& request) {
  CloudReply reply = Dispatch(request);
  // Provider messages may quote what they were sent; the console's log must not show keys
  // or passwords.
  reply.msg = RedactSecrets(std::move(reply.msg), {request.Field("secretkey").value_or(""),
                                                   request.Field("password").value_or("")});
  return reply;
}

CloudReply QcloudClouds::Dispatch(const front::CloudRequest& request) const {
  const Entry* entry = nullptr;
  for (const Entry& e : kOperations) {
    if (e.operation == request.operation) entry = &e;
  }
  if (request.provider != front::Provider::kQcloud || entry == nullptr) {
    return CloudReply::Fail(kCodeBadField,
                            "腾讯云不支持该操作：" + std::string(front::PathOf(request.operation)));
  }
  Context c{api_, request, {}, {}, clientToken_};
  CloudReply failure;
  if (!RequireText(request, "secretid", c.key.secretId, failure) ||
      !RequireText(request, "secretkey", c.key.secretKey, failure) ||
      (entry->regional && !RequireRegion(request, c.region, failure))) {
    return failure;
  }
  // The SecretId is written into the signature's credential scope, where "/" separates parts;
  // Tencent's are letters and digits.
  if (c.key.secretId.find_first_not_of(
          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") !=
      std::string::npos) {
    return CloudReply::Fail(kCodeBadKeys, "SecretId格式不正确");
  }
  return entry->handler(c);
}

std::unique_ptr<front::Clouds> MakeQcloudClouds(ProviderTransport& transport,
                                                const EndpointOverrides& endpoints) {
  return std::make_unique<QcloudClouds>(transport, endpoints);
}

}  // namespace ydt::live::qcloud
