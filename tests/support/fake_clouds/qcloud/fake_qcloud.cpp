#include "fake_qcloud.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "live/common/crypto.h"
#include "live/qcloud/tc3_signer.h"

namespace ydt::test {
namespace {

using Json = nlohmann::ordered_json;

struct Region {
  const char* code;
  const char* name;
};
constexpr Region kRegions[] = {
    {"ap-beijing", "北京"},      {"ap-shanghai", "上海"},      {"ap-guangzhou", "广州"},
    {"ap-nanjing", "南京"},      {"ap-chengdu", "成都"},       {"ap-chongqing", "重庆"},
    {"ap-hongkong", "中国香港"}, {"ap-singapore", "新加坡"},   {"ap-seoul", "首尔"},
    {"ap-tokyo", "东京"},        {"na-siliconvalley", "硅谷"}, {"eu-frankfurt", "法兰克福"},
};
constexpr const char* kZoneOrdinals[] = {"一区", "二区", "三区"};
// The third zone of every region is sold out.
constexpr int kZones = 3;

struct Flavor {
  const char* type;
  int cpu;
  int memory;
};
constexpr Flavor kFlavors[] = {
    {"S1.SMALL1", 1, 1}, {"S5.SMALL2", 1, 2},   {"S5.MEDIUM4", 2, 4},
    {"S5.LARGE8", 4, 8}, {"SA2.MEDIUM2", 2, 2},
};

struct Image {
  std::string id, name, type, os, platform;
};

const std::vector<Image>& Images() {
  static const std::vector<Image> images = [] {
    constexpr std::pair<const char*, const char*> kOs[] = {
        {"TencentOS Server 3.1 (TK4)", "TencentOS"},
        {"Ubuntu Server 22.04 LTS 64位", "Ubuntu"},
        {"CentOS 7.9 64位", "CentOS"},
        {"Debian 12.0 64位", "Debian"},
        {"Windows Server 2019 数据中心版 64位中文版", "Windows"},
    };
    std::vector<Image> out;
    for (int i = 0; i < FakeQcloud::kPublicImages; ++i) {
      const auto& [os, platform] = kOs[i % 5];
      char id[16];
      std::snprintf(id, sizeof id, "img-%08x", 0xa000 + i);
      out.push_back({id, os, "PUBLIC_IMAGE", os, platform});
    }
    out.push_back({"img-priv0001", "我的镜像-网站", "PRIVATE_IMAGE", "CentOS 7.9 64位", "CentOS"});
    out.push_back({"img-priv0002", "backup-2026", "PRIVATE_IMAGE", "Debian 12.0 64位", "Debian"});
    out.push_back(
        {"img-shar0001", "共享镜像", "SHARED_IMAGE", "Ubuntu Server 22.04 LTS 64位", "Ubuntu"});
    return out;
  }();
  return images;
}

const Image* FindImage(const std::string& id) {
  for (const auto& image : Images()) {
    if (image.id == id) return &image;
  }
  return nullptr;
}

const Region* FindRegion(const std::string& code) {
  for (const auto& r : kRegions) {
    if (code == r.code) return &r;
  }
  return nullptr;
}

// 0-based zone index of `zone` in `region`, or -1.
int ZoneIndex(const std::string& region, const std::string& zone) {
  for (int i = 0; i < kZones; ++i) {
    if (zone == region + "-" + std::to_string(i + 1)) return i;
  }
  return -1;
}

const Flavor* FindFlavor(const std::string& type) {
  for (const auto& f : kFlavors) {
    if (type == f.type) return &f;
  }
  return nullptr;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> Split(const std::string& text, const std::string& by) {
  std::vector<std::string> parts;
  std::size_t pos = 0;
  for (;;) {
    const auto at = text.find(by, pos);
    parts.push_back(text.substr(pos, at == std::string::npos ? std::string::npos : at - pos));
    if (at == std::string::npos) return parts;
    pos = at + by.size();
  }
}

// A failure as the API reports it: HTTP 200 with Response.Error.
struct ApiError {
  std::string code;
  std::string message;
};

Json ErrorBody(const ApiError& error) {
  return {{"Error", {{"Code", error.code}, {"Message", error.message}}}};
}

bool PasswordAcceptable(const std::string& password) {
  if (password.size() < 8 || password.size() > 30) return false;
  int lower = 0, upper = 0, digit = 0, symbol = 0;
  for (char c : password) {
    if (std::islower(static_cast<unsigned char>(c)))
      lower = 1;
    else if (std::isupper(static_cast<unsigned char>(c)))
      upper = 1;
    else if (std::isdigit(static_cast<unsigned char>(c)))
      digit = 1;
    else
      symbol = 1;
  }
  return lower + upper + digit + symbol >= 2;
}

Json RenderMachine(const QcloudMachine& m) {
  Json j;
  j["Placement"] = {{"Zone", m.zone}, {"ProjectId", 0}};
  j["InstanceId"] = m.id;
  j["InstanceType"] = m.instanceType;
  j["CPU"] = m.cpu;
  j["Memory"] = m.memory;
  j["RestrictState"] = "NORMAL";
  j["InstanceName"] = "未命名";
  j["InstanceChargeType"] = m.chargeType;
  j["SystemDisk"] = {
      {"DiskType", m.diskType}, {"DiskId", "disk-" + m.id.substr(4)}, {"DiskSize", 50}};
  j["PrivateIpAddresses"] = Json::array({m.privateIp});
  // The API gives null, not an empty list, for a machine without a public address.
  j["PublicIpAddresses"] = m.publicIps.empty() ? Json(nullptr) : Json(m.publicIps);
  j["InternetAccessible"] = {{"InternetChargeType", "TRAFFIC_POSTPAID_BY_HOUR"},
                             {"InternetMaxBandwidthOut", m.bandwidth}};
  j["ImageId"] = m.imageId;
  j["RenewFlag"] = nullptr;
  j["CreatedTime"] = m.created;
  j["ExpiredTime"] = nullptr;
  j["OsName"] = m.osName;
  j["InstanceState"] = m.state;
  j["StopChargingMode"] = "NOT_APPLICABLE";
  j["LatestOperation"] = nullptr;
  j["LatestOperationState"] = nullptr;
  return j;
}

std::string IsoTime(long long unixSeconds) {
  return live::UtcIso8601(unixSeconds);
}

// "2026-12-10T15:00:00Z" → Unix seconds, or -1.
long long ParseIso(const std::string& text) {
  std::tm tm{};
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &consumed) != 6 ||
      consumed != static_cast<int>(text.size())) {
    return -1;
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<long long>(timegm(&tm));
}

}  // namespace

struct FakeQcloud::Call {
  std::string action;
  std::string region;
  std::string secretId;
  Json params;
};

FakeQcloud::FakeQcloud() : clock_([] { return static_cast<long long>(std::time(nullptr)); }) {}

void FakeQcloud::AddAccount(const std::string& secretId, Account account) {
  std::lock_guard lock(stateMutex_);
  accounts_[secretId] = std::move(account);
}

std::vector<QcloudMachine>& FakeQcloud::Bucket(const std::string& secretId,
                                               const std::string& region) {
  return buckets_[secretId + "|" + region];
}

void FakeQcloud::AddMachines(const std::string& secretId, const std::string& region, int count) {
  std::lock_guard lock(stateMutex_);
  auto& machines = Bucket(secretId, region);
  const Image& image = Images()[1];
  for (int i = 0; i < count; ++i) {
    const int n = static_cast<int>(machines.size());
    QcloudMachine m;
    char id[16];
    std::snprintf(id, sizeof id, "ins-%08x", static_cast<unsigned>(0x1000000 + serial_++));
    m.id = id;
    m.zone = region + "-" + std::to_string(n % 2 + 1);
    m.imageId = image.id;
    m.osName = image.os;
    m.publicIps = {"43.128." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1)};
    m.privateIp = "10.0." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1);
    m.created = IsoTime(1796113800 + n * 60LL);  // from 2026-12-01T08:30:00Z, a minute apart
    machines.push_back(std::move(m));
  }
}

std::vector<QcloudMachine> FakeQcloud::Machines(const std::string& secretId,
                                                const std::string& region) const {
  std::lock_guard lock(stateMutex_);
  auto it = buckets_.find(secretId + "|" + region);
  return it == buckets_.end() ? std::vector<QcloudMachine>() : it->second;
}

void FakeQcloud::Inject(QcloudFault fault) {
  std::lock_guard lock(stateMutex_);
  faults_.push_back(std::move(fault));
}

void FakeQcloud::SetClock(std::function<long long()> clock) {
  std::lock_guard lock(stateMutex_);
  clock_ = std::move(clock);
}

int FakeQcloud::SignatureFailures() const {
  std::lock_guard lock(stateMutex_);
  return signatureFailures_;
}

std::string FakeQcloud::NewRequestId() {
  char id[40];
  const unsigned long long n = ++serial_;
  std::snprintf(id, sizeof id, "8a6c1d2e-%04llx-4b7f-9c3d-%012llx", n & 0xffff, n);
  return id;
}

bool FakeQcloud::PopFault(const std::string& action, QcloudFault& fault) {
  std::lock_guard lock(stateMutex_);
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (!it->action.empty() && it->action != action) continue;
    fault = *it;
    if (--it->times <= 0) faults_.erase(it);
    return true;
  }
  return false;
}

live::ProviderResponse FakeQcloud::Handle(const live::ProviderRequest& request) {
  Remember(request);
  const std::string action = request.Header("X-TC-Action");
  QcloudFault fault;
  const bool faulty = PopFault(action, fault);
  live::ProviderResponse out;
  out.status = 200;
  out.headers = {{"Content-Type", "application/json"}};
  if (faulty) {
    switch (fault.kind) {
      case QcloudFault::Kind::kHttpStatus:
        out.status = fault.status;
        out.headers = {{"Content-Type", "text/html"}};
        out.body =
            "<html><body>" + std::to_string(fault.status) + " Service Unavailable</body></html>";
        return out;
      case QcloudFault::Kind::kMalformed:
        out.body = R"({"Response":{"TotalCount":3,"InstanceSet":[{"InstanceId":"ins-)";
        return out;
      case QcloudFault::Kind::kThrottle:
      case QcloudFault::Kind::kError: {
        const bool throttle = fault.kind == QcloudFault::Kind::kThrottle;
        Json body = ErrorBody({throttle ? "RequestLimitExceeded" : fault.code,
                               throttle ? "请求的次数超过了频率限制。" : fault.message});
        std::lock_guard lock(stateMutex_);
        body["RequestId"] = NewRequestId();
        out.body = Json{{"Response", body}}.dump();
        return out;
      }
    }
  }
  return Answer(request);
}

live::ProviderResponse FakeQcloud::Answer(const live::ProviderRequest& request) {
  live::ProviderResponse out;
  out.status = 200;
  out.headers = {{"Content-Type", "application/json"}};
  Call call;
  call.action = request.Header("X-TC-Action");
  call.region = request.Header("X-TC-Region");
  const std::string service = call.action == "DescribeAccountBalance" ? "billing" : "cvm";
  Json body = Verify(request, service, call.secretId);
  if (body.is_null()) {
    call.params = Json::parse(request.body.empty() ? "{}" : request.body, nullptr, false);
    if (!call.params.is_object()) {
      body = ErrorBody({"InvalidParameter", "请求体不是JSON对象。"});
    } else {
      std::lock_guard lock(stateMutex_);
      body = Dispatch(call);
    }
  }
  std::lock_guard lock(stateMutex_);
  body["RequestId"] = NewRequestId();
  out.body = Json{{"Response", body}}.dump();
  return out;
}

// Null when the request is signed, versioned and addressed as the API wants; otherwise the
// Response with the Error the API answers.
FakeQcloud::Json FakeQcloud::Verify(const live::ProviderRequest& request,
                                    const std::string& service, std::string& secretId) {
  const std::string authorization = request.Header("Authorization");
  constexpr std::string_view kPrefix = "TC3-HMAC-SHA256 ";
  std::map<std::string, std::string> parts;
  if (authorization.rfind(kPrefix, 0) == 0) {
    for (const auto& part : Split(authorization.substr(kPrefix.size()), ", ")) {
      const auto eq = part.find('=');
      if (eq != std::string::npos) parts[part.substr(0, eq)] = part.substr(eq + 1);
    }
  }
  const auto credential = Split(parts["Credential"], "/");
  if (credential.size() != 4 || credential[3] != "tc3_request" || parts["Signature"].empty()) {
    return ErrorBody(
        {"AuthFailure.InvalidAuthorization", "请求头部的 Authorization 不符合腾讯云标准。"});
  }
  secretId = credential[0];
  live::qcloud::Tc3Key key{secretId, {}};
  long long now = 0;
  {
    std::lock_guard lock(stateMutex_);
    auto account = accounts_.find(secretId);
    if (account == accounts_.end()) {
      return ErrorBody({"AuthFailure.SecretIdNotFound", "密钥不存在。"});
    }
    key.secretKey = account->second.secretKey;
    now = clock_();
  }
  const std::string stamp = request.Header("X-TC-Timestamp");
  long long timestamp = -1;
  if (!stamp.empty() && stamp.find_first_not_of("0123456789") == std::string::npos) {
    timestamp = std::stoll(stamp);
  }
  if (timestamp < 0 || std::llabs(now - timestamp) > 300) {
    return ErrorBody(
        {"AuthFailure.SignatureExpire", "签名过期。Timestamp 和服务器时间相差不得超过五分钟。"});
  }
  // The signature covers exactly the headers the client says it signed; the API insists on
  // content-type and host among them.
  const std::string signedHeaders = parts["SignedHeaders"];
  const auto names = Split(signedHeaders, ";");
  std::string canonicalHeaders;
  for (const auto& name : names) {
    std::string value = live::TrimmedHeaderValue(request.Header(name));
    // Handed over in process, a request has its host only in the field the header is sent from.
    if (name == "host") value = live::qcloud::HostWithoutPort(value.empty() ? request.host : value);
    canonicalHeaders += name + ":" + Lower(value) + "\n";
  }
  const bool coversRequired =
      std::find(names.begin(), names.end(), "content-type") != names.end() &&
      std::find(names.begin(), names.end(), "host") != names.end();
  const std::string expected = live::qcloud::Tc3Authorization(
      live::qcloud::Tc3CanonicalRequest(request, canonicalHeaders, signedHeaders), signedHeaders,
      service, key, timestamp);
  if (!coversRequired || credential[2] != service || expected != authorization) {
    std::lock_guard lock(stateMutex_);
    ++signatureFailures_;
    return ErrorBody({"AuthFailure.SignatureFailure",
                      "The provided credentials could not be validated. Please check your "
                      "signature is correct."});
  }
  if (request.method != "POST" ||
      Lower(request.Header("Content-Type")).rfind("application/json", 0) != 0) {
    return ErrorBody({"UnsupportedProtocol", "请求协议错误，只支持 POST application/json。"});
  }
  const std::string version = request.Header("X-TC-Version");
  if (version != (service == "billing" ? "2018-07-09" : "2017-03-12")) {
    return ErrorBody({"NoSuchVersion", "接口版本不存在：" + version});
  }
  return nullptr;
}

FakeQcloud::Json FakeQcloud::Dispatch(Call& call) {
  using Handler = Json (FakeQcloud::*)(Call&);
  static const std::map<std::string, Handler> kActions = {
      {"DescribeInstances", &FakeQcloud::DescribeInstances},
      {"StartInstances", &FakeQcloud::ActOnInstances},
      {"StopInstances", &FakeQcloud::ActOnInstances},
      {"TerminateInstances", &FakeQcloud::ActOnInstances},
      {"DescribeAccountBalance", &FakeQcloud::DescribeAccountBalance},
      {"DescribeZones", &FakeQcloud::DescribeZones},
      {"DescribeImages", &FakeQcloud::DescribeImages},
      {"DescribeInstanceTypeConfigs", &FakeQcloud::DescribeInstanceTypeConfigs},
      {"RunInstances", &FakeQcloud::RunInstances},
      {"ResetInstance", &FakeQcloud::ResetInstance},
  };
  auto handler = kActions.find(call.action);
  if (handler == kActions.end()) return ErrorBody({"InvalidAction", "接口不存在：" + call.action});
  if (call.action != "DescribeAccountBalance") {
    if (call.region.empty()) return ErrorBody({"MissingParameter", "缺少参数：Region。"});
    if (FindRegion(call.region) == nullptr) {
      return ErrorBody({"UnsupportedRegion", "接口不支持所传地域：" + call.region + "。"});
    }
  }
  return (this->*handler->second)(call);
}

namespace {

// Offset and Limit as the Describe actions read them (Limit at most 100).
bool Paging(const Json& params, long long& offset, long long& limit, Json& error) {
  offset = params.value("Offset", 0LL);
  limit = params.value("Limit", 20LL);
  if (offset < 0 || limit < 1 || limit > 100) {
    error = ErrorBody({"InvalidParameterValue", "Offset 不小于 0，Limit 取值范围为 1-100。"});
    return false;
  }
  return true;
}

// Values of the filter named `name`, or an empty list.
std::vector<std::string> FilterValues(const Json& params, const std::string& name) {
  std::vector<std::string> values;
  for (const auto& filter : params.value("Filters", Json::array())) {
    if (filter.value("Name", "") != name) continue;
    for (const auto& v : filter.value("Values", Json::array())) {
      if (v.is_string()) values.push_back(v.get<std::string>());
    }
  }
  return values;
}

}  // namespace

FakeQcloud::Json FakeQcloud::DescribeInstances(Call& call) {
  long long offset = 0, limit = 0;
  Json error;
  if (!Paging(call.params, offset, limit, error)) return error;
  auto& machines = Bucket(call.secretId, call.region);
  Json set = Json::array();
  for (long long i = offset; i < static_cast<long long>(machines.size()) && i < offset + limit;
       ++i) {
    set.push_back(RenderMachine(machines[static_cast<std::size_t>(i)]));
  }
  // A creation shows as pending once, then as running.
  for (auto& m : machines) {
    if (m.state == "PENDING") m.state = "RUNNING";
  }
  return {{"TotalCount", machines.size()}, {"InstanceSet", std::move(set)}};
}

FakeQcloud::Json FakeQcloud::ActOnInstances(Call& call) {
  const Json ids = call.params.value("InstanceIds", Json::array());
  if (!ids.is_array() || ids.empty())
    return ErrorBody({"MissingParameter", "缺少参数：InstanceIds。"});
  if (ids.size() > 100) {
    return ErrorBody({"InvalidParameterValue.LimitExceeded", "InstanceIds 最多 100 个。"});
  }
  auto& machines = Bucket(call.secretId, call.region);
  std::vector<std::size_t> at;
  for (const auto& id : ids) {
    auto it = std::find_if(machines.begin(), machines.end(), [&](const QcloudMachine& m) {
      return id.is_string() && m.id == id.get<std::string>();
    });
    if (it == machines.end()) {
      return ErrorBody({"InvalidInstanceId.NotFound", "没有找到相应实例：" + id.dump()});
    }
    if (call.action == "StartInstances" && it->state == "RUNNING") {
      return ErrorBody({"UnsupportedOperation.InstanceStateRunning",
                        "请求不支持开机状态的实例 " + it->id + "。"});
    }
    if (call.action == "StopInstances" && it->state == "STOPPED") {
      return ErrorBody(
          {"UnsupportedOperation.InstanceStateStopped", "请求不支持已关机的实例 " + it->id + "。"});
    }
    at.push_back(static_cast<std::size_t>(it - machines.begin()));
  }
  if (call.action == "TerminateInstances") {
    std::sort(at.rbegin(), at.rend());
    for (std::size_t i : at) machines.erase(machines.begin() + static_cast<std::ptrdiff_t>(i));
  } else {
    for (std::size_t i : at)
      machines[i].state = call.action == "StartInstances" ? "RUNNING" : "STOPPED";
  }
  return Json::object();
}

FakeQcloud::Json FakeQcloud::DescribeAccountBalance(Call& call) {
  const Account& a = accounts_.at(call.secretId);
  return {{"Balance", a.balanceCents},
          {"Uin", a.uin},
          {"RealBalance", a.balanceCents},
          {"CashAccountBalance", a.balanceCents},
          {"IncomeIntoAccountBalance", 0},
          {"PresentAccountBalance", 0},
          {"FreezeAmount", 0},
          {"OweAmount", 0},
          {"CreditAmount", 0},
          {"CreditBalance", a.balanceCents},
          {"RealCreditBalance", a.balanceCents},
          {"TempCredit", 0}};
}

FakeQcloud::Json FakeQcloud::DescribeZones(Call& call) {
  const Region* region = FindRegion(call.region);
  Json set = Json::array();
  for (int i = 0; i < kZones; ++i) {
    set.push_back({{"Zone", call.region + "-" + std::to_string(i + 1)},
                   {"ZoneName", std::string(region->name) + kZoneOrdinals[i]},
                   {"ZoneId", std::to_string(100001 + (region - kRegions) * 10000 + i)},
                   {"ZoneState", i + 1 < kZones ? "AVAILABLE" : "UNAVAILABLE"}});
  }
  return {{"TotalCount", set.size()}, {"ZoneSet", std::move(set)}};
}

FakeQcloud::Json FakeQcloud::DescribeImages(Call& call) {
  long long offset = 0, limit = 0;
  Json error;
  if (!Paging(call.params, offset, limit, error)) return error;
  const auto types = FilterValues(call.params, "image-type");
  std::vector<const Image*> matching;
  for (const auto& image : Images()) {
    if (types.empty() || std::find(types.begin(), types.end(), image.type) != types.end()) {
      matching.push_back(&image);
    }
  }
  Json set = Json::array();
  for (long long i = offset; i < static_cast<long long>(matching.size()) && i < offset + limit;
       ++i) {
    const Image& image = *matching[static_cast<std::size_t>(i)];
    set.push_back({{"ImageId", image.id},
                   {"OsName", image.os},
                   {"ImageType", image.type},
                   {"CreatedTime", "2026-01-05T03:00:00Z"},
                   {"ImageName", image.name},
                   {"ImageDescription", image.name},
                   {"ImageSize", 50},
                   {"Architecture", "x86_64"},
                   {"ImageState", "NORMAL"},
                   {"Platform", image.platform},
                   {"ImageCreator", nullptr},
                   {"ImageSource", image.type == "PUBLIC_IMAGE" ? "OFFICIAL" : "CREATE_IMAGE"},
                   {"SyncPercent", nullptr},
                   {"IsSupportCloudinit", true},
                   {"SnapshotSet", nullptr},
                   {"Tags", Json::array()},
                   {"LicenseType", "TencentCloud"}});
  }
  return {{"ImageSet", std::move(set)}, {"TotalCount", matching.size()}};
}

FakeQcloud::Json FakeQcloud::DescribeInstanceTypeConfigs(Call& call) {
  const auto zones = FilterValues(call.params, "zone");
  Json set = Json::array();
  for (int i = 0; i < kZones; ++i) {
    const std::string zone = call.region + "-" + std::to_string(i + 1);
    if (!zones.empty() && std::find(zones.begin(), zones.end(), zone) == zones.end()) continue;
    for (const auto& f : kFlavors) {
      const std::string type = f.type;
      set.push_back({{"Zone", zone},
                     {"InstanceType", type},
                     {"InstanceFamily", type.substr(0, type.find('.'))},
                     {"GPU", 0},
                     {"CPU", f.cpu},
                     {"Memory", f.memory},
                     {"FPGA", 0},
                     {"GpuCount", 0}});
    }
  }
  return {{"InstanceTypeConfigSet", std::move(set)}};
}

FakeQcloud::Json FakeQcloud::RunInstances(Call& call) {
  const Json& p = call.params;
  const std::string token = p.value("ClientToken", "");
  if (token.size() > 64)
    return ErrorBody({"InvalidClientToken.TooLong", "ClientToken 不超过 64 字节。"});
  const std::string tokenKey = call.secretId + "|" + token;
  if (!token.empty() && tokens_.count(tokenKey)) {
    // The same token asks for the same creation: answer what it made, make nothing.
    return {{"InstanceIdSet", tokens_[tokenKey]}};
  }
  const std::string zone = p.value("Placement", Json::object()).value("Zone", "");
  const int zoneIndex = ZoneIndex(call.region, zone);
  if (zoneIndex < 0) return ErrorBody({"InvalidZone.MismatchRegion", "指定的zone不存在：" + zone});
  if (zoneIndex + 1 == kZones) {
    return ErrorBody({"ResourceInsufficient.AvailabilityZoneSoldOut", "该可用区已售罄。"});
  }
  const Flavor* flavor = FindFlavor(p.value("InstanceType", ""));
  if (flavor == nullptr) {
    return ErrorBody({"InvalidParameterValue.InstanceTypeNotFound", "指定机型不存在。"});
  }
  const Image* image = FindImage(p.value("ImageId", ""));
  if (image == nullptr) return ErrorBody({"InvalidImageId.NotFound", "未找到该镜像。"});
  const std::string chargeType = p.value("InstanceChargeType", "POSTPAID_BY_HOUR");
  if (chargeType != "POSTPAID_BY_HOUR" && chargeType != "SPOTPAID") {
    return ErrorBody({"InvalidParameterValue", "InstanceChargeType 取值不正确：" + chargeType});
  }
  const std::string diskType =
      p.value("SystemDisk", Json::object()).value("DiskType", "CLOUD_PREMIUM");
  if (diskType != "CLOUD_PREMIUM" && diskType != "CLOUD_SSD" && diskType != "CLOUD_BSSD") {
    return ErrorBody({"InvalidParameterValue", "SystemDisk.DiskType 取值不正确：" + diskType});
  }
  const long long count = p.value("InstanceCount", 1LL);
  if (count < 1 || count > 500)
    return ErrorBody({"InvalidParameterValue.Range", "InstanceCount 取值范围为 1-500。"});
  if (!PasswordAcceptable(p.value("LoginSettings", Json::object()).value("Password", ""))) {
    return ErrorBody(
        {"InvalidParameterValue.InvalidPassword", "无效密码。指定的密码不符合密码复杂度限制。"});
  }
  const Json internet = p.value("InternetAccessible", Json::object());
  const int bandwidth = internet.value("InternetMaxBandwidthOut", 0);
  std::string actionTime;
  if (p.contains("ActionTimer")) {
    const Json& timer = p["ActionTimer"];
    actionTime = timer.value("ActionTime", "");
    const long long at = ParseIso(actionTime);
    if (timer.value("TimerAction", "") != "TerminateInstances" || at < 0) {
      return ErrorBody({"InvalidParameterValue.InvalidTimeFormat", "ActionTimer 不正确。"});
    }
    if (at < clock_() + 300) {
      return ErrorBody({"InvalidParameterValue", "执行时间必须大于当前时间5分钟。"});
    }
  }
  auto& machines = Bucket(call.secretId, call.region);
  std::vector<std::string> ids;
  for (long long i = 0; i < count; ++i) {
    QcloudMachine m;
    char id[16];
    std::snprintf(id, sizeof id, "ins-%08x", static_cast<unsigned>(0x2000000 + serial_++));
    m.id = id;
    m.state = "PENDING";
    m.zone = zone;
    m.instanceType = flavor->type;
    m.cpu = flavor->cpu;
    m.memory = flavor->memory;
    m.imageId = image->id;
    m.osName = image->os;
    m.diskType = diskType;
    m.chargeType = chargeType;
    m.bandwidth = bandwidth;
    if (bandwidth > 0) m.publicIps = {"43.129.0." + std::to_string(machines.size() % 250 + 1)};
    m.privateIp = "10.1.0." + std::to_string(machines.size() % 250 + 1);
    m.created = IsoTime(clock_());
    m.actionTime = actionTime;
    ids.push_back(m.id);
    machines.push_back(std::move(m));
  }
  if (!token.empty()) tokens_[tokenKey] = ids;
  return {{"InstanceIdSet", ids}};
}

FakeQcloud::Json FakeQcloud::ResetInstance(Call& call) {
  const std::string id = call.params.value("InstanceId", "");
  auto& machines = Bucket(call.secretId, call.region);
  auto it = std::find_if(machines.begin(), machines.end(),
                         [&](const QcloudMachine& m) { return m.id == id; });
  if (it == machines.end())
    return ErrorBody({"InvalidInstanceId.NotFound", "没有找到相应实例：" + id});
  const Image* image = FindImage(call.params.value("ImageId", it->imageId));
  if (image == nullptr) return ErrorBody({"InvalidImageId.NotFound", "未找到该镜像。"});
  const Json login = call.params.value("LoginSettings", Json::object());
  if (login.contains("Password") && !PasswordAcceptable(login.value("Password", ""))) {
    return ErrorBody(
        {"InvalidParameterValue.InvalidPassword", "无效密码。指定的密码不符合密码复杂度限制。"});
  }
  it->imageId = image->id;
  it->osName = image->os;
  return Json::object();
}

}  // namespace ydt::test
