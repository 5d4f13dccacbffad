#include "live/huawei/huawei_clouds.h"

#include <ctime>
#include <optional>

#include "live/common/console_form.h"
#include "live/common/crypto.h"
#include "live/common/json_text.h"
#include "live/huawei/huawei_endpoints.h"
#include "live/huawei/huawei_reply.h"
#include "live/huawei/huawei_signer.h"

namespace ydt::live::huawei {
namespace {

using front::CloudReply;
using nlohmann::ordered_json;

// The stand-in's answer for an operation the provider has no API for.
constexpr int kCodeUnsupported = 404;

// The console sends pages and batches of at most 100; the provider takes more, but a bound
// keeps one console request from turning into an unbounded provider call.
constexpr long long kMaxPageSize = 100;
constexpr std::size_t kMaxIdsPerCall = 100;
constexpr long long kMaxCreateCount = 100;

struct Call {
  Call(std::string service, std::string method, std::string path, NameValues query = {},
       std::string body = {})
      : service(std::move(service)),
        method(std::move(method)),
        path(std::move(path)),
        query(std::move(query)),
        body(std::move(body)) {}

  std::string service;
  std::string method;
  std::string path;  // "{project_id}" stands for the region's project ID
  NameValues query;
  std::string body;
  NameValues headers;  // besides Content-Type, X-Project-Id and the signature
  // The answer goes to the console as Huawei wrote it: checked, not built into a document.
  bool passOn = false;
  bool retryable = true;
};

// A provider answer read as JSON, or the reply that tells the console why not.
struct Result {
  std::optional<CloudReply> failure;
  ordered_json body;
  std::string text;  // the answer as it came, when it parsed
};

Result Failed(int code, std::string msg) {
  return {CloudReply::Fail(code, std::move(msg)), {}, {}};
}

std::optional<long long> ToInt(const std::string& text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  if (what.empty()) return;
  for (auto pos = text.find(what); pos != std::string::npos;
       pos = text.find(what, pos + with.size())) {
    text.replace(pos, what.size(), with);
  }
}

// The console shows account_balances[0].amount as "the" balance; the provider lists the
// cash account beside credit, bonus and deposit accounts in no promised order.
void PutCashAccountFirst(ordered_json& body) {
  auto it = body.find("account_balances");
  if (it == body.end() || !it->is_array()) return;
  auto& list = *it;
  for (std::size_t i = 1; i < list.size(); ++i) {
    if (list[i].is_object() && list[i].value("account_type", 0) == 1) {
      ordered_json cash = list[i];
      list.erase(i);
      list.insert(list.begin(), std::move(cash));
      return;
    }
  }
}

// A version 4 UUID, the form the provider's SDK gives its client tokens.
std::string NewUuid() {
  std::string hex = RandomHex();
  hex[12] = '4';
  const int high = hex[16] <= '9' ? hex[16] - '0' : hex[16] - 'a' + 10;
  hex[16] = "89ab"[high & 3];  // the RFC 4122 variant
  return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
         hex.substr(16, 4) + "-" + hex.substr(20);
}

}  // namespace

HuaweiEnvironment HuaweiEnvironment::System() {
  return {[] { return static_cast<long long>(std::time(nullptr)); }, NewUuid};
}

// One console request: its key pair and region, and the provider calls it takes.
class HuaweiClouds::ConsoleCall {
 public:
  ConsoleCall(HuaweiClouds& clouds, const front::CloudRequest& request)
      : clouds_(clouds),
        request_(request),
        key_{request.Field("secretid").value_or(""), request.Field("secretkey").value_or("")},
        region_(request.Field("region").value_or("")) {}

  CloudReply Run() {
    using front::Operation;
    // The console keeps its own zone table and never asks; answer as the stand-in does.
    if (request_.operation == Operation::kZones)
      return CloudReply::Fail(kCodeUnsupported, "华为云不提供可用区查询接口");
    if (key_.accessKey.empty() || key_.secretKey.empty())
      return CloudReply::Fail(kCodeBadKeys, "缺少华为云的SecretId或SecretKey");
    if (request_.operation == Operation::kBalance) return Balance();
    if (region_.empty()) return CloudReply::Fail(kCodeBadField, "缺少区域（region）");
    if (!IsKnownRegion(region_))
      return CloudReply::Fail(kCodeBadField, "华为云没有该区域：" + region_);
    switch (request_.operation) {
      case Operation::kInstances:
        return Instances();
      case Operation::kStart:
        return Act("/v1/{project_id}/cloudservers/action", [](ordered_json servers) {
          return ordered_json{{"os-start", {{"servers", std::move(servers)}}}};
        });
      case Operation::kStop:
        return Act("/v1/{project_id}/cloudservers/action", [](ordered_json servers) {
          return ordered_json{{"os-stop", {{"type", "SOFT"}, {"servers", std::move(servers)}}}};
        });
      case Operation::kTerminate:
        // The machine's public IPs and disks go with it, as releasing it in the console does.
        return Act("/v1/{project_id}/cloudservers/delete", [](ordered_json servers) {
          return ordered_json{
              {"servers", std::move(servers)}, {"delete_publicip", true}, {"delete_volume", true}};
        });
      case Operation::kImages:
      case Operation::kRebuildImages:
        return Images();
      case Operation::kInstanceTypes:
        return Flavors();
      case Operation::kRun:
        return Create();
      case Operation::kRebuild:
        return Rebuild();
      default:
        return CloudReply::Fail(kCodeUnsupported, "华为云不支持该操作");
    }
  }

 private:
  std::string Field(const std::string& name) const { return request_.Field(name).value_or(""); }

  CloudReply Reply(Result result) {
    if (result.failure) return *result.failure;
    return CloudReply::Ok(std::move(result.body));
  }

  CloudReply Instances() {
    const std::string pageText = request_.Field("page").value_or("1");
    const std::string limitText = request_.Field("limit").value_or("10");
    const auto page = ToInt(pageText);
    const auto limit = ToInt(limitText);
    if (!page || *page < 1) return CloudReply::Fail(kCodeBadField, "page不正确：" + pageText);
    if (!limit || *limit < 1 || *limit > kMaxPageSize)
      return CloudReply::Fail(kCodeBadField, "limit应在1到100之间：" + limitText);
    // The provider's offset is a page number from 1, as the console's page is.
    Call call{kEcs,
              "GET",
              "/v1/{project_id}/cloudservers/detail",
              {{"offset", std::to_string(*page)}, {"limit", std::to_string(*limit)}}};
    // A page of machines goes on as Huawei wrote it, not built and written again.
    call.passOn = true;
    Result result = Send(call);
    if (!result.failure && !result.text.empty()) return CloudReply::OkText(std::move(result.text));
    return Reply(std::move(result));
  }

  template <typename BodyOf>
  CloudReply Act(const std::string& path, BodyOf bodyOf) {
    const auto ids = ParseInstanceIds(Field("instanceids"));
    if (ids.empty()) return CloudReply::Fail(kCodeBadField, "instanceids中没有实例ID");
    std::vector<Call> calls;
    for (const auto& run : InRunsOf(ids, kMaxIdsPerCall)) {
      ordered_json servers = ordered_json::array();
      for (const std::string& id : run) servers.push_back({{"id", id}});
      // Starting, stopping or deleting twice ends in the same state, so a retry is safe.
      calls.emplace_back(kEcs, "POST", path, NameValues{}, bodyOf(std::move(servers)).dump());
    }
    return SendInTurn(calls, kMaxIdsPerCall);
  }

  // Sends the calls one after another, each for `machinesPerCall` machines, and stops at the
  // first refusal, saying how many machines the calls before it already took. The reply is
  // the first call's answer, with every call's job ID when there were several.
  CloudReply SendInTurn(const std::vector<Call>& calls, std::size_t machinesPerCall) {
    ordered_json data, jobs = ordered_json::array();
    for (std::size_t i = 0; i < calls.size(); ++i) {
      Result result = Send(calls[i]);
      if (result.failure) {
        if (i > 0) {
          result.failure->msg =
              "前" + std::to_string(i * machinesPerCall) + "台已提交；" + result.failure->msg;
        }
        return *result.failure;
      }
      if (data.is_null()) data = result.body;
      jobs.push_back(result.body.value("job_id", ""));
    }
    if (jobs.size() > 1) data["job_ids"] = std::move(jobs);
    return CloudReply::Ok(std::move(data));
  }

  CloudReply Balance() {
    Call call{kBss, "GET", "/v2/accounts/customer-accounts/balances"};
    Result result = Send(call);
    if (!result.failure) PutCashAccountFirst(result.body);
    return Reply(std::move(result));
  }

  CloudReply Images() {
    const std::string type = Field("imagetype");
    if (type != "private" && type != "shared" && type != "gold")
      return CloudReply::Fail(kCodeBadField, "镜像类型不正确：" + type);
    Call call{kIms, "GET", "/v2/cloudimages", {{"__imagetype", type}, {"status", "active"}}};
    return Reply(Send(call));
  }

  CloudReply Flavors() {
    const std::string zone = Field("zone");
    if (zone.empty()) return CloudReply::Fail(kCodeBadField, "缺少可用区（zone）");
    Call call{kEcs, "GET", "/v1/{project_id}/cloudservers/flavors", {{"availability_zone", zone}}};
    return Reply(Send(call));
  }

  CloudReply Create() {
    for (const char* name :
         {"zone", "instancetype", "imageid", "disktype", "vpcid", "subnetid", "password"}) {
      if (Field(name).empty())
        return CloudReply::Fail(kCodeBadField, std::string("缺少字段：") + name);
    }
    const auto count = ToInt(Field("instancecount"));
    if (!count || *count < 1 || *count > kMaxCreateCount)
      return CloudReply::Fail(kCodeBadField, "机器数量应在1到100之间：" + Field("instancecount"));
    const auto bandwidth = ToInt(Field("bandwidth"));
    if (!bandwidth || *bandwidth > 2000)
      return CloudReply::Fail(kCodeBadField, "带宽不正确：" + Field("bandwidth"));
    const auto timer = ToInt(request_.Field("is_actiontimer").value_or("0"));
    const auto hours = ToInt(request_.Field("actiontimer").value_or("0"));
    if (!timer || *timer > 1 || !hours)
      return CloudReply::Fail(kCodeBadField, "定时销毁参数不正确");
    if (*timer == 1 && *hours < 1)
      return CloudReply::Fail(kCodeBadField, "定时销毁时间不正确：" + std::to_string(*hours));

    const long long now = clouds_.environment_.now();
    ordered_json server = {
        {"availability_zone", Field("zone")},
        {"name", "ecs-" + UtcBasic(now).substr(0, 15)},
        {"imageRef", Field("imageid")},
        {"flavorRef", Field("instancetype")},
        {"adminPass", Field("password")},
        {"vpcid", Field("vpcid")},
        {"nics", ordered_json::array({{{"subnet_id", Field("subnetid")}}})},
        {"root_volume", {{"volumetype", Field("disktype")}}},
        {"count", *count},
    };
    if (*bandwidth > 0) {
      server["publicip"] = {
          {"eip",
           {{"iptype", "5_bgp"},
            {"bandwidth",
             {{"size", *bandwidth}, {"sharetype", "PER"}, {"chargemode", "traffic"}}}}},
          {"delete_on_termination", true}};
    }
    if (*timer == 1) {
      // The provider deletes the machines itself at this time (whole minutes, UTC).
      const long long due = now + *hours * 3600;
      server["auto_terminate_time"] = UtcIso8601(due - due % 60);
    }
    // One token for every attempt of this request: a retry after a lost answer is then
    // recognised by the provider as the same request and creates nothing more.
    Call call(kEcs, "POST", "/v1/{project_id}/cloudservers", {},
              ordered_json{{"server", std::move(server)}}.dump());
    call.headers = {{"X-Client-Token", clouds_.environment_.newClientToken()}};
    return Reply(Send(call));
  }

  CloudReply Rebuild() {
    const auto ids = ParseInstanceIds(Field("instanceids"));
    if (ids.empty()) return CloudReply::Fail(kCodeBadField, "instanceids中没有实例ID");
    if (ids.size() > kMaxIdsPerCall) return CloudReply::Fail(kCodeBadField, "一次最多重装100台");
    const std::string image = Field("imagesid"), password = Field("password");
    if (image.empty()) return CloudReply::Fail(kCodeBadField, "缺少字段：imagesid");
    if (password.empty()) return CloudReply::Fail(kCodeBadField, "缺少字段：password");
    // A running machine is stopped first by the provider, as the console expects to
    // reinstall a machine in any steady state.
    const std::string body =
        ordered_json{{"os-change",
                      {{"adminpass", password}, {"imageid", image}, {"mode", "withStopServer"}}}}
            .dump();
    std::vector<Call> calls;
    for (const std::string& id : ids) {
      // Not retried: a second attempt after a lost answer would wipe the disk again.
      calls.emplace_back(kEcs, "POST",
                         "/v2/{project_id}/cloudservers/" + UriEncode(id) + "/changeos",
                         NameValues{}, body);
      calls.back().retryable = false;
    }
    return SendInTurn(calls, 1);
  }

  // One provider call, with the region's project ID filled in, looked up again once when
  // the provider says the cached one is not the caller's.
  Result Send(const Call& call) {
    const auto endpoint = ResolveEndpoint(call.service, region_, clouds_.endpoints_);
    if (!endpoint) return Failed(kCodeBadField, "华为云没有该区域：" + region_);
    const bool needsProject =
        call.service == kEcs || call.service == kIms;  // regional services are project-scoped
    std::string project;
    if (needsProject) {
      if (auto failure = LookUpProject(false, project)) return {failure, {}, {}};
    }
    ProviderResponse response = Exchange(call, *endpoint, project);
    if (needsProject && IsUnknownProject(response)) {
      std::string fresh;
      if (auto failure = LookUpProject(true, fresh)) return {failure, {}, {}};
      if (fresh != project) response = Exchange(call, *endpoint, fresh);
    }
    return Interpret(response, call.passOn);
  }

  std::optional<CloudReply> LookUpProject(bool refresh, std::string& id) {
    const std::string cacheKey = key_.accessKey + "\n" + region_;
    {
      std::lock_guard lock(clouds_.projectsMutex_);
      if (refresh) {
        clouds_.projects_.erase(cacheKey);
      } else if (auto it = clouds_.projects_.find(cacheKey); it != clouds_.projects_.end()) {
        id = it->second;
        return std::nullopt;
      }
    }
    const auto iam = ResolveEndpoint(kIam, region_, clouds_.endpoints_);
    Result result =
        Interpret(Exchange(Call(kIam, "GET", "/v3/projects", {{"name", region_}}), *iam, ""));
    if (result.failure) {
      result.failure->msg = "查询项目ID失败：" + result.failure->msg;
      return result.failure;
    }
    const auto projects = result.body.find("projects");
    if (projects != result.body.end() && projects->is_array()) {
      for (const auto& project : *projects) {
        if (project.is_object() && project.value("name", "") == region_ &&
            !project.value("id", "").empty()) {
          id = project.value("id", "");
          std::lock_guard lock(clouds_.projectsMutex_);
          clouds_.projects_[cacheKey] = id;
          return std::nullopt;
        }
      }
    }
    return CloudReply::Fail(kCodeRefused, "华为云账号在该区域没有项目：" + region_);
  }

  ProviderResponse Exchange(const Call& call, const Endpoint& endpoint,
                            const std::string& project) {
    CallPolicy policy;
    policy.retryable = call.retryable;
    policy.throttled = IsThrottled;
    const KeyPair& key = key_;
    const HuaweiEnvironment& environment = clouds_.environment_;
    auto build = [&]() {
      ProviderRequest request;
      request.method = call.method;
      request.scheme = endpoint.scheme;
      request.host = endpoint.host;
      request.path = call.path;
      ReplaceAll(request.path, "{project_id}", UriEncode(project));
      request.query = call.query;
      request.headers.emplace_back("Content-Type", "application/json");
      if (!project.empty()) request.headers.emplace_back("X-Project-Id", project);
      for (const auto& header : call.headers) request.headers.push_back(header);
      request.body = call.body;
      // Signed afresh per attempt, so a retry carries its own time.
      for (auto& header : SignRequest(request, key, environment.now()))
        request.headers.push_back(std::move(header));
      return request;
    };
    return clouds_.transport_.Send(key.accessKey, build, policy);
  }

  static Result Interpret(const ProviderResponse& response, bool passOn = false) {
    if (response.status == 0 || !response.transportError.empty()) {
      if (response.timedOut) return Failed(kCodeTimedOut, "华为云接口超时未应答");
      return Failed(kCodeBadReply, "华为云接口无法连接：" + response.transportError);
    }
    if (const auto error = ErrorOf(response)) {
      return Failed(
          IsKeyRefusal(*error) ? kCodeBadKeys : kCodeRefused,
          "华为云接口错误：" + error->code + (error->message.empty() ? "" : "：" + error->message));
    }
    if (response.body.empty()) return {std::nullopt, ordered_json::object(), {}};
    if (passOn) {
      const auto first = response.body.find_first_not_of(" \t\r\n");
      if (first != std::string::npos && response.body[first] == '{' && IsJson(response.body)) {
        return {std::nullopt, {}, response.body};
      }
    }
    ordered_json body = ordered_json::parse(response.body, nullptr, false);
    if (!body.is_object()) {
      return Failed(kCodeBadReply,
                    "华为云接口返回内容无法解析（HTTP " + std::to_string(response.status) + "）");
    }
    // Only text the checker passed goes on as it came: what only the parser accepts (a
    // byte-order mark before the object) would break the console's envelope.
    return {std::nullopt, std::move(body), {}};
  }

  HuaweiClouds& clouds_;
  const front::CloudRequest& request_;
  KeyPair key_;
  std::string region_;
};

HuaweiClouds::HuaweiClouds(ProviderTransport& transport, EndpointOverrides endpoints,
                           HuaweiEnvironment environment)
    : transport_(transport),
      endpoints_(std::move(endpoints)),
      environment_(std::move(environment)) {}

front::CloudReply HuaweiClouds::Perform(const front::CloudRequest& request) {
  CloudReply reply;
  try {
    reply = ConsoleCall(*this, request).Run();
  } catch (const std::exception&) {
    reply = CloudReply::Fail(kCodeBadReply, "华为云接口处理失败");
  }
  // A provider message may quote what it was sent; the operator's secrets never go back.
  ReplaceAll(reply.msg, request.Field("secretkey").value_or(""), "***");
  if (const auto password = request.Field("password"); password && password->size() >= 6)
    ReplaceAll(reply.msg, *password, "***");
  return reply;
}

void HuaweiClouds::ForgetProjects() {
  std::lock_guard lock(projectsMutex_);
  projects_.clear();
}

std::unique_ptr<front::Clouds> MakeHuaweiClouds(ProviderTransport& transport,
                                                const EndpointOverrides& endpoints) {
  return std::make_unique<HuaweiClouds>(transport, endpoints);
}

}  // namespace ydt::live::huawei
