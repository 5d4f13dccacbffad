#include "fake_aliyun.h"

#include <algorithm>
#include <cstdio>
#include <regex>

#include "live/aliyun/acs3_signer.h"
#include "live/common/crypto.h"

namespace ydt::test {
namespace {

using nlohmann::ordered_json;

constexpr char kEcsVersion[] = "2014-05-26";
constexpr char kBssVersion[] = "2017-12-14";

const std::vector<std::pair<std::string, std::string>>& SystemImages() {
  static const std::vector<std::pair<std::string, std::string>> images = {
      {"centos_7_9_x64_20G_alibase_20230613.vhd", "CentOS 7.9 64位"},
      {"ubuntu_22_04_x64_20G_alibase_20230907.vhd", "Ubuntu 22.04 64位"},
      {"win2019_1809_x64_dtc_zh-cn_40G_alibase_20230614.vhd",
       "Windows Server 2019 数据中心版 64位中文版"}};
  return images;
}

// Zones a and b of a region have stock, zone c is sold out; so are the large types of b.
std::vector<std::pair<std::string, std::string>> ZonesOf(const std::string& region) {
  return {{region + "-a", "Available"}, {region + "-b", "Available"}, {region + "-c", "SoldOut"}};
}

std::vector<std::pair<std::string, std::string>> TypesOf(const std::string& zone,
                                                         const std::string& zoneStatus) {
  const bool soldOut = zoneStatus != "Available";
  const bool zoneB = zone.back() == 'b';
  return {{"ecs.s6-c1m1.small", soldOut ? "SoldOut" : "Available"},
          {"ecs.c6.large", soldOut ? "SoldOut" : "Available"},
          {"ecs.g6.large", soldOut || zoneB ? "SoldOut" : "Available"}};
}

bool PasswordAcceptable(const std::string& password) {
  if (password.size() < 8 || password.size() > 30) return false;
  static const std::string kSymbols = "()`~!@#$%^&*-_+=|{}[]:;'<>,.?/\\\"";
  int lower = 0, upper = 0, digit = 0, symbol = 0;
  for (char c : password) {
    if (c >= 'a' && c <= 'z')
      lower = 1;
    else if (c >= 'A' && c <= 'Z')
      upper = 1;
    else if (c >= '0' && c <= '9')
      digit = 1;
    else if (kSymbols.find(c) != std::string::npos)
      symbol = 1;
    else
      return false;
  }
  return lower + upper + digit + symbol >= 3;
}

std::string FormDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

ordered_json MachineJson(const FakeAliyun::Machine& m, const std::string& region) {
  ordered_json j;
  j["InstanceId"] = m.id;
  j["InstanceName"] = "launch-advisor-" + m.id.substr(2, 8);
  j["RegionId"] = region;
  j["ZoneId"] = m.zone;
  j["Status"] = m.status;
  j["InstanceType"] = m.instanceType;
  j["Cpu"] = m.cpu;
  j["Memory"] = m.memory;
  j["OSName"] = m.osName;
  j["OSType"] = m.osName.find("Windows") == std::string::npos ? "linux" : "windows";
  j["ImageId"] = m.imageId;
  j["PublicIpAddress"] = {{"IpAddress", m.publicIp.empty() ? ordered_json::array()
                                                           : ordered_json::array({m.publicIp})}};
  j["EipAddress"] = {{"AllocationId", m.eip.empty() ? "" : "eip-" + m.id.substr(2)},
                     {"IpAddress", m.eip},
                     {"InternetChargeType", ""}};
  j["InstanceNetworkType"] = "vpc";
  j["InstanceChargeType"] = "PostPaid";
  j["InternetChargeType"] = "PayByTraffic";
  j["CreationTime"] = m.creationTime;
  j["AutoReleaseTime"] = m.autoReleaseTime;
  return j;
}

}  // namespace

struct FakeAliyun::Call {
  std::string keyId;
  Account* account = nullptr;
  std::string action;
  std::map<std::string, std::string> params;

  std::string Param(const std::string& name) const {
    auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
  }
  bool Has(const std::string& name) const { return params.count(name) > 0; }
  // InstanceId.1, InstanceId.2, ... as the RPC style numbers a list.
  std::vector<std::string> List(const std::string& name) const {
    std::vector<std::string> items;
    for (int n = 1; Has(name + "." + std::to_string(n)); ++n) {
      items.push_back(Param(name + "." + std::to_string(n)));
    }
    return items;
  }
};

std::string FakeAliyun::ErrorBody(const std::string& code, const std::string& message) {
  ordered_json body;
  body["RequestId"] = "4F1E2D3C-0000-4000-8000-00000000E770";
  body["HostId"] = "ecs.aliyuncs.com";
  body["Code"] = code;
  body["Message"] = message;
  body["Recommend"] = "https://api.aliyun.com/troubleshoot?q=" + code;
  return body.dump();
}

void FakeAliyun::AddKey(const std::string& id, const std::string& secret, std::string cash) {
  std::lock_guard lock(mutex_);
  accounts_[id].secret = secret;
  accounts_[id].cash = std::move(cash);
}

void FakeAliyun::AddMachine(const std::string& keyId, const std::string& region, Machine machine) {
  std::lock_guard lock(mutex_);
  if (machine.zone.empty()) machine.zone = region + "-a";
  accounts_[keyId].machines[region].push_back(std::move(machine));
}

void FakeAliyun::AddMachines(const std::string& keyId, const std::string& region, int count,
                             const std::string& status) {
  for (int n = 0; n < count; ++n) {
    Machine m;
    m.id = "i-" + region + "-" + std::to_string(n);
    m.status = status;
    m.publicIp = "47.0." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1);
    AddMachine(keyId, region, std::move(m));
  }
}

void FakeAliyun::AddOwnImage(const std::string& keyId, const std::string& id,
                             const std::string& name) {
  std::lock_guard lock(mutex_);
  accounts_[keyId].ownImages.emplace_back(id, name);
}

std::vector<FakeAliyun::Machine> FakeAliyun::Machines(const std::string& keyId,
                                                      const std::string& region) const {
  std::lock_guard lock(mutex_);
  auto account = accounts_.find(keyId);
  if (account == accounts_.end()) return {};
  auto machines = account->second.machines.find(region);
  return machines == account->second.machines.end() ? std::vector<Machine>() : machines->second;
}

void FakeAliyun::Inject(int status, std::string body, int times) {
  std::lock_guard lock(mutex_);
  for (int n = 0; n < times; ++n) injected_.push_back({status, body});
}

std::string FakeAliyun::NewRequestId() {
  char text[40];
  std::snprintf(text, sizeof text, "0E5A%04X-1B2C-4D3E-8F40-%012llX",
                static_cast<unsigned>(serial_ % 0x10000), static_cast<unsigned long long>(serial_));
  ++serial_;
  return text;
}

FakeAliyun::Answer FakeAliyun::Error(int status, const std::string& code,
                                     const std::string& message) {
  ordered_json body = ordered_json::parse(ErrorBody(code, message));
  body["RequestId"] = NewRequestId();
  return Answer{status, body.dump()};
}

FakeAliyun::Answer FakeAliyun::Ok(const ordered_json& fields) {
  ordered_json body;
  body["RequestId"] = NewRequestId();
  for (const auto& [name, value] : fields.items()) body[name] = value;
  return Answer{200, body.dump()};
}

FakeAliyun::Machine* FakeAliyun::Find(Account& account, const std::string& region,
                                      const std::string& id) {
  for (auto& [r, machines] : account.machines) {
    if (!region.empty() && r != region) continue;
    for (auto& machine : machines) {
      if (machine.id == id) return &machine;
    }
  }
  return nullptr;
}

live::ProviderResponse FakeAliyun::Handle(const live::ProviderRequest& request) {
  Remember(request);
  std::lock_guard lock(mutex_);
  const Answer answer = Serve(request);
  live::ProviderResponse response;
  response.status = answer.status;
  response.headers = {{"content-type", "application/json;charset=utf-8"}};
  response.body = answer.body;
  return response;
}

FakeAliyun::Answer FakeAliyun::Serve(const live::ProviderRequest& request) {
  if (!injected_.empty()) {
    Answer answer = injected_.front();
    injected_.pop_front();
    return answer;
  }
  auto error = [this](int status, const std::string& code, const std::string& message) {
    return Error(status, code, message);
  };
  static const std::regex kAuthorization(
      "ACS3-HMAC-SHA256 Credential=([^,]*),SignedHeaders=([^,]*),Signature=([0-9a-f]*)");
  std::smatch parts;
  const std::string authorization = request.Header("Authorization");
  if (!std::regex_match(authorization, parts, kAuthorization)) {
    return error(400, "IncompleteSignature",
                 "The request signature does not conform to Aliyun standards.");
  }
  const std::string keyId = parts[1];
  auto account = accounts_.find(keyId);
  if (account == accounts_.end()) {
    return error(404, "InvalidAccessKeyId.NotFound", "Specified access key is not found.");
  }
  std::vector<std::string> signedHeaders;
  const std::string signedList = parts[2];
  for (std::size_t at = 0; at <= signedList.size();) {
    std::size_t end = signedList.find(';', at);
    if (end == std::string::npos) end = signedList.size();
    signedHeaders.push_back(signedList.substr(at, end - at));
    at = end + 1;
  }
  for (const char* needed : {"host", "x-acs-action", "x-acs-version", "x-acs-date",
                             "x-acs-signature-nonce", "x-acs-content-sha256"}) {
    if (std::find(signedHeaders.begin(), signedHeaders.end(), needed) == signedHeaders.end()) {
      return error(400, "IncompleteSignature",
                   std::string("The header ") + needed + " is not signed.");
    }
  }
  const std::string contentSha = request.Header("x-acs-content-sha256");
  if (contentSha != live::Sha256Hex(request.body)) {
    return error(400, "SignatureDoesNotMatch", "The x-acs-content-sha256 does not match the body.");
  }
  const std::string expected = live::aliyun::Acs3Signature(
      live::aliyun::Acs3CanonicalRequest(request, signedHeaders, contentSha),
      account->second.secret);
  if (expected != parts[3].str()) {
    return error(400, "SignatureDoesNotMatch",
                 "Specified signature is not matched with our calculation.");
  }
  static const std::regex kDate(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)");
  if (!std::regex_match(request.Header("x-acs-date"), kDate)) {
    return error(400, "InvalidTimeStamp.Format",
                 "Specified time stamp or date value is not well formatted.");
  }
  if (!nonces_.insert(keyId + "|" + request.Header("x-acs-signature-nonce")).second) {
    return error(400, "SignatureNonceUsed", "Specified signature nonce was used already.");
  }

  Call call;
  call.keyId = keyId;
  call.account = &account->second;
  call.action = request.Header("x-acs-action");
  for (const auto& [name, value] : request.query) call.params.emplace(name, value);
  if (request.Header("content-type").rfind("application/x-www-form-urlencoded", 0) == 0) {
    std::size_t at = 0;
    while (at < request.body.size()) {
      std::size_t end = request.body.find('&', at);
      if (end == std::string::npos) end = request.body.size();
      const std::string pair = request.body.substr(at, end - at);
      const auto eq = pair.find('=');
      if (!pair.empty()) {
        call.params.emplace(FormDecode(pair.substr(0, eq)),
                            eq == std::string::npos ? "" : FormDecode(pair.substr(eq + 1)));
      }
      at = end + 1;
    }
  }

  struct Route {
    const char* version;
    Answer (FakeAliyun::*handler)(Call&);
  };
  static const std::map<std::string, Route> kRoutes = {
      {"DescribeInstances", {kEcsVersion, &FakeAliyun::DescribeInstances}},
      {"StartInstances", {kEcsVersion, &FakeAliyun::ChangeState}},
      {"StopInstances", {kEcsVersion, &FakeAliyun::ChangeState}},
      {"DeleteInstances", {kEcsVersion, &FakeAliyun::DeleteInstances}},
      {"RunInstances", {kEcsVersion, &FakeAliyun::RunInstances}},
      {"ReplaceSystemDisk", {kEcsVersion, &FakeAliyun::ReplaceSystemDisk}},
      {"DescribeAvailableResource", {kEcsVersion, &FakeAliyun::DescribeAvailableResource}},
      {"DescribeImages", {kEcsVersion, &FakeAliyun::DescribeImages}},
      {"QueryAccountBalance", {kBssVersion, &FakeAliyun::QueryAccountBalance}},
  };
  auto route = kRoutes.find(call.action);
  if (route == kRoutes.end()) {
    return error(404, "InvalidAction.NotFound",
                 "Specified api is not found, please check your url and method.");
  }
  if (request.Header("x-acs-version") != route->second.version) {
    return error(400, "InvalidVersion", "Specified parameter Version is not valid.");
  }
  if (route->second.version == std::string(kEcsVersion) && call.action != "ReplaceSystemDisk" &&
      call.Param("RegionId").empty()) {
    return error(400, "MissingRegionId", "RegionId is mandatory for this action.");
  }
  // A repeated client token is the same request: its first answer, and nothing done twice.
  const std::string token = call.Param("ClientToken");
  std::string fingerprint = call.action;
  for (const auto& [name, value] : call.params) {
    if (name != "ClientToken") fingerprint += "&" + name + "=" + value;
  }
  if (!token.empty()) {
    auto seen = tokens_.find(keyId + "|" + token);
    if (seen != tokens_.end()) {
      if (seen->second.first != fingerprint) {
        return error(400, "IdempotentParameterMismatch",
                     "The request uses the same client token as a previous, but non-identical "
                     "request.");
      }
      return seen->second.second;
    }
  }
  Answer answer = (this->*route->second.handler)(call);
  if (!token.empty() && answer.status == 200) {
    tokens_[keyId + "|" + token] = {fingerprint, answer};
  }
  return answer;
}

namespace {

// A whole-number parameter in [lo, hi]; absent gives `fallback`.
bool IntParam(const std::string& text, long long fallback, long long lo, long long hi,
              long long& value) {
  if (text.empty()) {
    value = fallback;
    return true;
  }
  if (text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12) return false;
  value = std::stoll(text);
  return value >= lo && value <= hi;
}

constexpr char kNoSuchInstance[] = "The specified InstanceId does not exist.";
constexpr char kNoSuchImage[] = "The specified ImageId does not exist.";
constexpr char kWrongStatus[] =
    "The current status of the resource does not support this operation.";

std::string InvalidParameter(const std::string& name) {
  return "The specified parameter \"" + name + "\" is not valid.";
}

std::string MissingParameter(const std::string& name) {
  return "The input parameter \"" + name +
         "\" that is mandatory for processing this request is not supplied.";
}

}  // namespace

// PageNumber from 1 and PageSize from 1 to 100 (10 when absent), as both listings take them;
// the name of the one that is not valid, or null.
const char* FakeAliyun::Paging(const Call& call, long long& page, long long& size) {
  if (!IntParam(call.Param("PageNumber"), 1, 1, 1'000'000'000, page)) return "PageNumber";
  if (!IntParam(call.Param("PageSize"), 10, 1, 100, size)) return "PageSize";
  return nullptr;
}

FakeAliyun::Answer FakeAliyun::DescribeInstances(Call& call) {
  long long page = 0, size = 0;
  if (const char* bad = Paging(call, page, size)) {
    return Error(400, "InvalidParameter", InvalidParameter(bad));
  }
  const std::string region = call.Param("RegionId");
  const auto& machines = call.account->machines[region];
  ordered_json list = ordered_json::array();
  for (long long i = (page - 1) * size; i < page * size && i < std::ssize(machines); ++i) {
    list.push_back(MachineJson(machines[static_cast<std::size_t>(i)], region));
  }
  ordered_json fields;
  fields["TotalCount"] = machines.size();
  fields["PageNumber"] = page;
  fields["PageSize"] = size;
  fields["Instances"] = {{"Instance", std::move(list)}};
  return Ok(fields);
}

// StartInstances and StopInstances in their default all-together mode: one machine that
// cannot go fails the request, and none moves.
FakeAliyun::Answer FakeAliyun::ChangeState(Call& call) {
  const auto ids = call.List("InstanceId");
  if (ids.empty()) return Error(400, "MissingParameter", MissingParameter("InstanceId"));
  if (ids.size() > 100) return Error(400, "InvalidParameter", InvalidParameter("InstanceId"));
  const bool start = call.action == "StartInstances";
  std::vector<Machine*> machines;
  for (const auto& id : ids) {
    Machine* machine = Find(*call.account, call.Param("RegionId"), id);
    if (!machine) {
      return Error(404, "InvalidInstanceId.NotFound", kNoSuchInstance);
    }
    if (machine->status != (start ? "Stopped" : "Running")) {
      return Error(403, "IncorrectInstanceStatus", kWrongStatus);
    }
    machines.push_back(machine);
  }
  ordered_json responses = ordered_json::array();
  for (Machine* machine : machines) {
    const std::string previous = machine->status;
    machine->status = start ? "Running" : "Stopped";
    responses.push_back({{"InstanceId", machine->id},
                         {"Code", "200"},
                         {"Message", "success"},
                         {"PreviousStatus", previous},
                         {"CurrentStatus", machine->status}});
  }
  return Ok({{"InstanceResponses", {{"InstanceResponse", std::move(responses)}}}});
}

FakeAliyun::Answer FakeAliyun::DeleteInstances(Call& call) {
  const auto ids = call.List("InstanceId");
  if (ids.empty()) return Error(400, "MissingParameter", MissingParameter("InstanceId"));
  if (ids.size() > 100) return Error(400, "InvalidParameter", InvalidParameter("InstanceId"));
  const std::string region = call.Param("RegionId");
  for (const auto& id : ids) {
    const Machine* machine = Find(*call.account, region, id);
    if (!machine) {
      return Error(404, "InvalidInstanceId.NotFound", kNoSuchInstance);
    }
    if (machine->status != "Stopped" && call.Param("Force") != "true") {
      return Error(403, "IncorrectInstanceStatus", kWrongStatus);
    }
  }
  auto& machines = call.account->machines[region];
  std::erase_if(machines, [&](const Machine& m) {
    return std::find(ids.begin(), ids.end(), m.id) != ids.end();
  });
  return Ok(ordered_json::object());
}

FakeAliyun::Answer FakeAliyun::RunInstances(Call& call) {
  for (const char* needed : {"InstanceType", "ImageId", "SecurityGroupId", "VSwitchId"}) {
    if (call.Param(needed).empty()) {
      return Error(400, "MissingParameter", MissingParameter(needed));
    }
  }
  long long amount = 0, bandwidth = 0;
  if (!IntParam(call.Param("Amount"), 1, 1, 100, amount)) {
    return Error(400, "InvalidParameter", InvalidParameter("Amount"));
  }
  if (!IntParam(call.Param("InternetMaxBandwidthOut"), 0, 0, 100, bandwidth)) {
    return Error(400, "InvalidParameter", InvalidParameter("InternetMaxBandwidthOut"));
  }
  const std::string region = call.Param("RegionId");
  const std::string zone = call.Has("ZoneId") ? call.Param("ZoneId") : region + "-a";
  const auto zones = ZonesOf(region);
  auto zoneIt = std::find_if(zones.begin(), zones.end(), [&](auto& z) { return z.first == zone; });
  if (zoneIt == zones.end())
    return Error(400, "InvalidZoneId.NotFound", InvalidParameter("ZoneId"));
  const auto types = TypesOf(zone, zoneIt->second);
  auto type = std::find_if(types.begin(), types.end(),
                           [&](auto& t) { return t.first == call.Param("InstanceType"); });
  if (type == types.end()) {
    return Error(400, "InvalidInstanceType.NotFound", InvalidParameter("InstanceType"));
  }
  if (type->second != "Available") {
    return Error(403, "OperationDenied.NoStock",
                 "Sales of this resource are temporarily suspended in the specified region.");
  }
  const ordered_json image = Image(*call.account, call.Param("ImageId"));
  if (image.is_null()) return Error(404, "InvalidImageId.NotFound", kNoSuchImage);
  static const std::set<std::string> kDisks = {"cloud_efficiency", "cloud_ssd", "cloud_essd",
                                               "cloud_auto", "cloud_essd_entry"};
  if (call.Has("SystemDisk.Category") && !kDisks.count(call.Param("SystemDisk.Category"))) {
    return Error(400, "InvalidSystemDiskCategory.ValueNotSupported",
                 InvalidParameter("SystemDisk.Category"));
  }
  if (call.Has("Password") && !PasswordAcceptable(call.Param("Password"))) {
    return Error(400, "InvalidPassword.Malformed", InvalidParameter("Password"));
  }
  static const std::regex kTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d(:\d\d)?Z)");
  const std::string release = call.Param("AutoReleaseTime");
  if (!release.empty() && !std::regex_match(release, kTime)) {
    return Error(400, "InvalidAutoReleaseTime.Malformed", InvalidParameter("AutoReleaseTime"));
  }
  ordered_json ids = ordered_json::array();
  for (long long n = 0; n < amount; ++n) {
    Machine m;
    m.id = "i-run" + std::to_string(serial_) + "x" + std::to_string(n);
    m.zone = zone;
    m.status = "Pending";
    m.instanceType = type->first;
    m.imageId = image["ImageId"];
    m.osName = image["OSName"];
    if (bandwidth > 0)
      m.publicIp = "47.1." + std::to_string(serial_ % 250) + "." + std::to_string(n + 1);
    m.creationTime = "2024-05-02T09:00Z";
    m.autoReleaseTime = release;
    ids.push_back(m.id);
    call.account->machines[region].push_back(std::move(m));
  }
  return Ok({{"OrderId", "2100" + std::to_string(serial_)},
             {"TradePrice", 0.0},
             {"InstanceIdSets", {{"InstanceIdSet", std::move(ids)}}}});
}

FakeAliyun::Answer FakeAliyun::ReplaceSystemDisk(Call& call) {
  if (call.Param("InstanceId").empty()) {
    return Error(400, "MissingParameter", MissingParameter("InstanceId"));
  }
  // The endpoint names the region; a local fake serves them all, so any region will do.
  Machine* machine = Find(*call.account, "", call.Param("InstanceId"));
  if (!machine) {
    return Error(404, "InvalidInstanceId.NotFound", kNoSuchInstance);
  }
  if (machine->status != "Stopped") {
    return Error(403, "IncorrectInstanceStatus", kWrongStatus);
  }
  const ordered_json image = Image(*call.account, call.Param("ImageId"));
  if (image.is_null()) return Error(404, "InvalidImageId.NotFound", kNoSuchImage);
  if (call.Has("Password") && !PasswordAcceptable(call.Param("Password"))) {
    return Error(400, "InvalidPassword.Malformed", InvalidParameter("Password"));
  }
  machine->imageId = image["ImageId"];
  machine->osName = image["OSName"];
  return Ok({{"DiskId", "d-" + machine->id.substr(2)}});
}

FakeAliyun::Answer FakeAliyun::DescribeAvailableResource(Call& call) {
  const std::string destination = call.Param("DestinationResource");
  if (destination.empty()) {
    return Error(400, "MissingParameter", MissingParameter("DestinationResource"));
  }
  if (destination != "Zone" && destination != "InstanceType") {
    return Error(400, "InvalidParameter", InvalidParameter("DestinationResource"));
  }
  const std::string region = call.Param("RegionId");
  ordered_json zones = ordered_json::array();
  for (const auto& [zone, status] : ZonesOf(region)) {
    if (call.Has("ZoneId") && call.Param("ZoneId") != zone) continue;
    ordered_json entry = {{"RegionId", region},
                          {"ZoneId", zone},
                          {"Status", status},
                          {"StatusCategory", status == "Available" ? "WithStock" : "WithoutStock"}};
    if (destination == "InstanceType") {
      ordered_json supported = ordered_json::array();
      for (const auto& [type, typeStatus] : TypesOf(zone, status)) {
        supported.push_back(
            {{"Value", type},
             {"Status", typeStatus},
             {"StatusCategory", typeStatus == "Available" ? "WithStock" : "WithoutStock"}});
      }
      entry["AvailableResources"] = {
          {"AvailableResource",
           ordered_json::array({{{"Type", "InstanceType"},
                                 {"SupportedResources", {{"SupportedResource", supported}}}}})}};
    }
    zones.push_back(std::move(entry));
  }
  return Ok({{"AvailableZones", {{"AvailableZone", std::move(zones)}}}});
}

std::vector<ordered_json> FakeAliyun::ImagesOf(const Account& account,
                                               const std::string& alias) const {
  std::vector<ordered_json> images;
  auto add = [&](const std::string& id, const std::string& name, const char* owner) {
    images.push_back({{"ImageId", id},
                      {"ImageName", name},
                      {"ImageOwnerAlias", owner},
                      {"OSName", name},
                      {"OSType", name.find("Windows") == std::string::npos ? "linux" : "windows"},
                      {"Architecture", "x86_64"},
                      {"Size", 40},
                      {"Status", "Available"},
                      {"CreationTime", "2023-06-13T02:00:00Z"}});
  };
  if (alias.empty() || alias == "system") {
    for (const auto& [id, name] : SystemImages()) add(id, name, "system");
  }
  if (alias.empty() || alias == "self") {
    for (const auto& [id, name] : account.ownImages) add(id, name, "self");
  }
  return images;
}

ordered_json FakeAliyun::Image(const Account& account, const std::string& id) const {
  for (auto& image : ImagesOf(account, "")) {
    if (image["ImageId"] == id) return image;
  }
  return nullptr;
}

FakeAliyun::Answer FakeAliyun::DescribeImages(Call& call) {
  long long page = 0, size = 0;
  if (const char* bad = Paging(call, page, size)) {
    return Error(400, "InvalidParameter", InvalidParameter(bad));
  }
  static const std::set<std::string> kAliases = {"", "system", "self", "others", "marketplace"};
  const std::string alias = call.Param("ImageOwnerAlias");
  if (!kAliases.count(alias)) {
    return Error(400, "InvalidImageOwnerAlias.ValueNotSupported",
                 InvalidParameter("ImageOwnerAlias"));
  }
  const auto images = ImagesOf(*call.account, alias);
  ordered_json list = ordered_json::array();
  for (long long i = (page - 1) * size; i < page * size && i < std::ssize(images); ++i) {
    list.push_back(images[static_cast<std::size_t>(i)]);
  }
  return Ok({{"RegionId", call.Param("RegionId")},
             {"TotalCount", images.size()},
             {"PageNumber", page},
             {"PageSize", size},
             {"Images", {{"Image", std::move(list)}}}});
}

FakeAliyun::Answer FakeAliyun::QueryAccountBalance(Call& call) {
  ordered_json body;
  body["Code"] = "200";
  body["Message"] = "success";
  body["RequestId"] = NewRequestId();
  body["Success"] = true;
  body["Data"] = {{"AvailableAmount", call.account->cash},
                  {"AvailableCashAmount", call.account->cash},
                  {"CreditAmount", "0.00"},
                  {"MybankCreditAmount", "0.00"},
                  {"Currency", "CNY"},
                  {"QuotaLimit", "0.00"}};
  return Answer{200, body.dump()};
}

}  // namespace ydt::test
