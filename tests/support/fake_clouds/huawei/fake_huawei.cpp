#include "fake_huawei.h"

#include <algorithm>
#include <cstdio>

#include "live/common/crypto.h"
#include "live/huawei/huawei_endpoints.h"
#include "live/huawei/huawei_signer.h"

namespace ydt::test {
namespace {

using live::ProviderRequest;
using live::ProviderResponse;
using nlohmann::ordered_json;

ProviderResponse Json(int status, const ordered_json& body) {
  return {status, {{"content-type", "application/json;charset=UTF-8"}}, body.dump(), "", false};
}

// The API gateway's own refusals (signature, throttling, unknown path) and the billing
// service's errors share this shape.
ProviderResponse GatewayError(int status, const std::string& code, const std::string& message) {
  return Json(status, {{"error_msg", message}, {"error_code", code}, {"request_id", "0"}});
}

// Compute and image services wrap code and message in "error". The reference pages name no
// code for some of these cases; the fake's own numbers stand in there.
ProviderResponse ServiceError(int status, const std::string& code, const std::string& message) {
  return Json(status, {{"error", {{"code", code}, {"message", message}}}});
}

std::string QueryValue(const ProviderRequest& request, const std::string& name) {
  for (const auto& [key, value] : request.query)
    if (key == name) return value;
  return {};
}

bool ParseCount(const std::string& text, long long& out) {
  if (text.empty() || text.size() > 9) return false;
  out = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

// Parses "SDK-HMAC-SHA256 Access=AK, SignedHeaders=a;b, Signature=hex".
bool ParseAuthorization(const std::string& text, std::string& access,
                        std::vector<std::string>& headers, std::string& signature) {
  const std::string prefix = std::string(live::huawei::kSignAlgorithm) + " ";
  if (text.rfind(prefix, 0) != 0) return false;
  std::string rest = text.substr(prefix.size()), signedHeaders;
  std::size_t pos = 0;
  while (pos < rest.size()) {
    std::size_t comma = rest.find(',', pos);
    if (comma == std::string::npos) comma = rest.size();
    std::string part = rest.substr(pos, comma - pos);
    part.erase(0, part.find_first_not_of(' '));
    const auto eq = part.find('=');
    if (eq != std::string::npos) {
      const std::string key = part.substr(0, eq), value = part.substr(eq + 1);
      if (key == "Access") access = value;
      if (key == "SignedHeaders") signedHeaders = value;
      if (key == "Signature") signature = value;
    }
    pos = comma + 1;
  }
  for (std::size_t start = 0; start <= signedHeaders.size();) {
    std::size_t semi = signedHeaders.find(';', start);
    if (semi == std::string::npos) semi = signedHeaders.size();
    if (semi > start) headers.push_back(signedHeaders.substr(start, semi - start));
    start = semi + 1;
  }
  auto has = [&](const char* name) {
    return std::find(headers.begin(), headers.end(), name) != headers.end();
  };
  return !access.empty() && !signature.empty() && has("host") && has("x-sdk-date");
}

ordered_json RenderServer(const FakeHuawei::Machine& m) {
  ordered_json fixed = {{"version", "4"},
                        {"addr", "192.168.0." + std::to_string(m.id.back() % 200 + 10)},
                        {"OS-EXT-IPS:type", "fixed"},
                        {"OS-EXT-IPS-MAC:mac_addr", "fa:16:3e:00:00:01"},
                        {"OS-EXT-IPS:port_id", "port-" + m.id}};
  ordered_json network = ordered_json::array({fixed});
  if (!m.publicIp.empty()) {
    ordered_json floating = fixed;
    floating["addr"] = m.publicIp;
    floating["OS-EXT-IPS:type"] = "floating";
    network.push_back(floating);
  }
  const bool small = m.flavor.find("small") != std::string::npos;
  return {{"id", m.id},
          {"name", m.name},
          {"status", m.status},
          {"addresses", {{"vpc-fake", network}}},
          {"flavor",
           {{"id", m.flavor},
            {"name", m.flavor},
            {"disk", "0"},
            {"vcpus", small ? "1" : "2"},
            {"ram", small ? "1024" : "4096"}}},
          {"image", {{"id", m.image}}},
          {"metadata", {{"os_type", "Linux"}, {"charging_mode", "0"}}},
          {"OS-EXT-AZ:availability_zone", m.zone},
          {"OS-EXT-STS:task_state", ""},
          {"OS-EXT-STS:vm_state", m.status == "ACTIVE" ? "active" : "stopped"},
          {"created", m.created},
          {"updated", m.created},
          {"auto_terminate_time", m.autoTerminateTime}};
}

const std::vector<std::pair<std::string, std::string>>& GoldImages() {
  static const std::vector<std::pair<std::string, std::string>> images = {
      {"c0ffee00-1111-4000-8000-000000000001", "CentOS 7.9 64bit"},
      {"c0ffee00-1111-4000-8000-000000000002", "Ubuntu 22.04 server 64bit"}};
  return images;
}

const char* kPrivateImage = "c0ffee00-2222-4000-8000-000000000001";
const char* kSharedImage = "c0ffee00-3333-4000-8000-000000000001";
const std::vector<std::string> kFlavors = {"s6.small.1", "s6.large.2"};
const std::vector<std::string> kVolumeTypes = {"SATA",  "SAS",   "SSD", "GPSSD",
                                               "co-p1", "uh-l1", "ESSD"};

bool KnownImage(const std::string& id) {
  if (id == kPrivateImage || id == kSharedImage) return true;
  for (const auto& [gold, name] : GoldImages())
    if (gold == id) return true;
  return false;
}

}  // namespace

FakeHuawei::FakeHuawei() = default;

void FakeHuawei::AddKey(const std::string& accessKey, const std::string& secretKey) {
  std::lock_guard lock(mutex_);
  accounts_[accessKey].secretKey = secretKey;
}

void FakeHuawei::AddMachines(const std::string& accessKey, const std::string& region, int count) {
  std::lock_guard lock(mutex_);
  auto& list = accounts_[accessKey].machines[region];
  for (int i = 0; i < count; ++i) {
    Machine m;
    m.id = NewId();
    m.name = "ecs-" + m.id.substr(m.id.size() - 4);
    m.status = i % 3 == 1 ? "SHUTOFF" : "ACTIVE";
    m.image = GoldImages().front().first;
    m.zone = region + "a";
    if (i % 2 == 0) m.publicIp = "121.36.0." + std::to_string(i % 250 + 2);
    list.push_back(m);
  }
}

std::vector<FakeHuawei::Machine> FakeHuawei::Machines(const std::string& accessKey,
                                                      const std::string& region) const {
  std::lock_guard lock(mutex_);
  auto account = accounts_.find(accessKey);
  if (account == accounts_.end()) return {};
  auto it = account->second.machines.find(region);
  return it == account->second.machines.end() ? std::vector<Machine>{} : it->second;
}

std::string FakeHuawei::ProjectId(const std::string& accessKey, const std::string& region) const {
  std::lock_guard lock(mutex_);
  auto account = accounts_.find(accessKey);
  if (account == accounts_.end()) return {};
  auto it = account->second.projects.find(region);
  return it == account->second.projects.end() ? std::string() : it->second;
}

void FakeHuawei::ReissueProject(const std::string& accessKey, const std::string& region) {
  std::lock_guard lock(mutex_);
  accounts_[accessKey].projects.erase(region);
  ProjectFor(accessKey, region);
}

void FakeHuawei::FailNext(Fault fault, int times) {
  std::lock_guard lock(mutex_);
  for (int i = 0; i < times; ++i) faults_.push_back(fault);
}

int FakeHuawei::ServersCreated() const {
  std::lock_guard lock(mutex_);
  return serversCreated_;
}

std::string FakeHuawei::NewId() {
  char tail[13];
  std::snprintf(tail, sizeof tail, "%012d", ++serial_);
  return std::string("c0ffee00-0000-4000-8000-") + tail;
}

std::string FakeHuawei::ProjectFor(const std::string& accessKey, const std::string& region) {
  auto& projects = accounts_[accessKey].projects;
  auto it = projects.find(region);
  if (it != projects.end()) return it->second;
  const std::string id =
      live::Sha256Hex(accessKey + "/" + region + "/" + std::to_string(++serial_)).substr(0, 32);
  projects[region] = id;
  return id;
}

ProviderResponse FakeHuawei::Handle(const ProviderRequest& request) {
  Remember(request);
  std::lock_guard lock(mutex_);
  Fault fault{};
  bool faulty = false;
  if (!faults_.empty()) {
    fault = faults_.front();
    faults_.pop_front();
    faulty = true;
  }
  if (faulty && fault == Fault::kThrottle) {
    return GatewayError(429, "APIGW.0308",
                        "The throttling threshold has been reached: policy user over "
                        "ratelimit,limit:5,time:1 second");
  }
  if (faulty && fault == Fault::kServerError)
    return ServiceError(500, "Ecs.0500", "Internal server error.");
  if (faulty && fault == Fault::kMalformed)
    return {200, {{"content-type", "text/html"}}, "<html>502 Bad Gateway</html>", "", false};

  std::string access, signature;
  std::vector<std::string> signedHeaders;
  const std::string date = request.Header(live::huawei::kDateHeader);
  auto account = accounts_.end();
  if (ParseAuthorization(request.Header("Authorization"), access, signedHeaders, signature) &&
      !date.empty()) {
    account = accounts_.find(access);
  }
  if (account == accounts_.end() || live::huawei::Signature(request, account->second.secretKey,
                                                            date, signedHeaders) != signature) {
    return GatewayError(401, "APIGW.0301",
                        "Incorrect IAM authentication information: verify aksk signature fail");
  }
  if (faulty && fault == Fault::kUnknownProject)
    return ServiceError(400, "Ecs.0019", "The project ID in the request is not the caller's.");
  return Route(request, account->second, access);
}

ProviderResponse FakeHuawei::Route(const ProviderRequest& request, Account& account,
                                   const std::string& accessKey) {
  const std::string& path = request.path;
  if (request.method == "GET" && path == "/v3/projects") {
    ordered_json projects = ordered_json::array();
    const std::string name = QueryValue(request, "name");
    if (live::huawei::IsKnownRegion(name)) {
      projects.push_back({{"id", ProjectFor(accessKey, name)},
                          {"name", name},
                          {"domain_id", "d" + live::Sha256Hex(accessKey).substr(0, 31)},
                          {"is_domain", false},
                          {"enabled", true},
                          {"description", ""}});
    }
    return Json(200, {{"projects", projects}, {"links", {{"self", "/v3/projects"}}}});
  }
  if (request.method == "GET" && path == "/v2/accounts/customer-accounts/balances") {
    // Credit before cash, as nothing promises the cash account comes first.
    return Json(200, {{"account_balances",
                       {{{"account_id", "credit-1"},
                         {"account_type", 2},
                         {"amount", 0},
                         {"currency", "CNY"},
                         {"designated_amount", 0},
                         {"credit_amount", 5000},
                         {"measure_id", 1}},
                        {{"account_id", "cash-1"},
                         {"account_type", 1},
                         {"amount", 88.5},
                         {"currency", "CNY"},
                         {"designated_amount", 0},
                         {"credit_amount", 0},
                         {"measure_id", 1}}}},
                      {"debt_amount", 0},
                      {"measure_id", 1},
                      {"currency", "CNY"}});
  }

  // Regional services: the project comes in the path (compute) or the header (images).
  std::string project, rest;
  const bool compute = path.rfind("/v1/", 0) == 0 || path.rfind("/v2/", 0) == 0;
  if (request.method == "GET" && path == "/v2/cloudimages") {
    project = request.Header("X-Project-Id");
  } else if (compute && path.size() > 4) {
    const auto slash = path.find('/', 4);
    project = path.substr(4, slash == std::string::npos ? std::string::npos : slash - 4);
    rest = slash == std::string::npos ? "" : path.substr(slash);
  }
  std::string region;
  for (const auto& [r, id] : account.projects)
    if (id == project && !project.empty()) region = r;
  if (project.empty() && rest.empty())
    return GatewayError(404, "APIGW.0101", "The API does not exist or has not been published");
  if (region.empty())
    return ServiceError(400, "Ecs.0019", "The project ID in the request is not the caller's.");

  if (path == "/v2/cloudimages") {
    const std::string type = QueryValue(request, "__imagetype");
    ordered_json images = ordered_json::array();
    auto add = [&](const std::string& id, const std::string& name) {
      images.push_back({{"id", id},
                        {"name", name},
                        {"status", "active"},
                        {"__imagetype", type},
                        {"__os_type", "Linux"},
                        {"min_disk", 40},
                        {"visibility", type == "gold" ? "public" : "private"}});
    };
    if (type == "gold")
      for (const auto& [id, name] : GoldImages()) add(id, name);
    else if (type == "private")
      add(kPrivateImage, "我的镜像（网站）");
    else if (type == "shared")
      add(kSharedImage, "共享镜像-开发");
    else if (!type.empty())
      return ServiceError(400, "IMG.0001", "Invalid __imagetype: " + type);
    return Json(200, {{"images", images},
                      {"first", "/v2/cloudimages?__imagetype=" + type},
                      {"schema", "/v2/schemas/images"}});
  }
  return Ecs(request, account, region, rest);
}

ProviderResponse FakeHuawei::Ecs(const ProviderRequest& request, Account& account,
                                 const std::string& region, const std::string& rest) {
  auto& machines = account.machines[region];
  const bool v1 = request.path.rfind("/v1/", 0) == 0;
  auto find = [&](const std::string& id) {
    return std::find_if(machines.begin(), machines.end(),
                        [&](const Machine& m) { return m.id == id; });
  };
  auto job = [&] { return Json(200, {{"job_id", "job-" + NewId()}}); };
  const ordered_json body = ordered_json::parse(request.body, nullptr, false);

  if (v1 && request.method == "GET" && rest == "/cloudservers/detail") {
    long long offset = 1, limit = 25;
    const std::string offsetText = QueryValue(request, "offset");
    const std::string limitText = QueryValue(request, "limit");
    if ((!offsetText.empty() && !ParseCount(offsetText, offset)) || offset < 1 ||
        (!limitText.empty() && !ParseCount(limitText, limit)) || limit < 1 || limit > 1000) {
      return ServiceError(400, "Ecs.0005", "Invalid offset or limit.");
    }
    ordered_json servers = ordered_json::array();
    const auto first = static_cast<std::size_t>((offset - 1) * limit);
    for (std::size_t i = first; i < machines.size() && i < first + static_cast<std::size_t>(limit);
         ++i) {
      servers.push_back(RenderServer(machines[i]));
    }
    return Json(200, {{"count", machines.size()}, {"servers", servers}});
  }
  if (v1 && request.method == "GET" && rest == "/cloudservers/flavors") {
    const std::string zone = QueryValue(request, "availability_zone");
    ordered_json flavors = ordered_json::array();
    if (zone.empty() || zone.rfind(region, 0) == 0) {
      for (const auto& name : kFlavors) {
        const bool small = name.find("small") != std::string::npos;
        flavors.push_back({{"id", name},
                           {"name", name},
                           {"vcpus", small ? "1" : "2"},
                           {"ram", small ? 1024 : 4096},
                           {"disk", "0"},
                           {"swap", ""},
                           {"os_extra_specs", {{"cond:operation:az", zone + "(normal)"}}}});
      }
    }
    return Json(200, {{"flavors", flavors}});
  }
  if (v1 && request.method == "POST" && rest == "/cloudservers") {
    return CreateServers(request, account, region);
  }

  // The batch actions name their machines in "servers"; one unknown ID refuses them all.
  auto named = [&](const ordered_json& holder, std::vector<std::string>& ids) {
    if (!holder.is_object() || !holder.contains("servers") || !holder["servers"].is_array() ||
        holder["servers"].empty())
      return false;
    for (const auto& s : holder["servers"]) {
      if (!s.is_object() || !s.contains("id") || !s["id"].is_string()) return false;
      ids.push_back(s["id"].get<std::string>());
    }
    return true;
  };
  auto unknownOf = [&](const std::vector<std::string>& ids) -> std::string {
    for (const auto& id : ids)
      if (find(id) == machines.end()) return id;
    return {};
  };
  if (v1 && request.method == "POST" && rest == "/cloudservers/action" && body.is_object()) {
    std::vector<std::string> ids;
    const bool start = body.contains("os-start");
    const bool stop = body.contains("os-stop");
    if (!(start || stop) || !named(body[start ? "os-start" : "os-stop"], ids))
      return ServiceError(400, "Ecs.0005", "Request body is invalid.");
    if (auto unknown = unknownOf(ids); !unknown.empty())
      return ServiceError(404, "Ecs.0114", "Instance " + unknown + " could not be found.");
    for (const auto& id : ids) find(id)->status = start ? "ACTIVE" : "SHUTOFF";
    return job();
  }
  if (v1 && request.method == "POST" && rest == "/cloudservers/delete") {
    std::vector<std::string> ids;
    if (!named(body, ids)) return ServiceError(400, "Ecs.0005", "Request body is invalid.");
    if (auto unknown = unknownOf(ids); !unknown.empty())
      return ServiceError(404, "Ecs.0114", "Instance " + unknown + " could not be found.");
    for (const auto& id : ids) machines.erase(find(id));
    return job();
  }
  const std::string changeos = "/changeos";
  if (!v1 && request.method == "POST" && rest.rfind("/cloudservers/", 0) == 0 &&
      rest.size() > changeos.size() &&
      rest.compare(rest.size() - changeos.size(), changeos.size(), changeos) == 0) {
    const std::string id = rest.substr(14, rest.size() - 14 - changeos.size());
    const auto option = body.is_object() ? body.value("os-change", ordered_json()) : ordered_json();
    if (!option.is_object() || !KnownImage(option.value("imageid", "")) ||
        option.value("adminpass", "").empty())
      return ServiceError(400, "Ecs.0005", "Invalid os-change: imageid or adminpass.");
    auto it = find(id);
    if (it == machines.end())
      return ServiceError(404, "Ecs.0114", "Instance " + id + " could not be found.");
    it->image = option.value("imageid", "");
    return job();
  }
  return GatewayError(404, "APIGW.0101", "The API does not exist or has not been published");
}

ProviderResponse FakeHuawei::CreateServers(const ProviderRequest& request, Account& account,
                                           const std::string& region) {
  const std::string token = request.Header("X-Client-Token");
  if (!token.empty()) {
    auto it = account.createdByToken.find(token);
    if (it != account.createdByToken.end()) return Json(200, it->second);
  }
  const ordered_json body = ordered_json::parse(request.body, nullptr, false);
  const ordered_json server =
      body.is_object() ? body.value("server", ordered_json()) : ordered_json();
  auto text = [&](const char* name) {
    return server.is_object() && server.contains(name) && server[name].is_string()
               ? server[name].get<std::string>()
               : std::string();
  };
  auto invalid = [](const std::string& what) {
    return ServiceError(400, "Ecs.0005", "Invalid parameter: " + what);
  };
  if (!server.is_object()) return invalid("server");
  for (const char* name : {"imageRef", "flavorRef", "name", "vpcid", "adminPass"})
    if (text(name).empty()) return invalid(name);
  if (!KnownImage(text("imageRef"))) return invalid("imageRef");
  if (std::find(kFlavors.begin(), kFlavors.end(), text("flavorRef")) == kFlavors.end())
    return invalid("flavorRef");
  const std::string zone = text("availability_zone");
  if (zone.rfind(region, 0) != 0) return invalid("availability_zone");
  const auto nics = server.value("nics", ordered_json());
  if (!nics.is_array() || nics.empty() || nics[0].value("subnet_id", "").empty())
    return invalid("nics");
  const auto volume = server.value("root_volume", ordered_json());
  if (!volume.is_object() || std::find(kVolumeTypes.begin(), kVolumeTypes.end(),
                                       volume.value("volumetype", "")) == kVolumeTypes.end())
    return invalid("root_volume.volumetype");
  const auto count = server.value("count", 1);
  if (count < 1 || count > 500) return invalid("count");
  std::string publicIp;
  if (server.contains("publicip")) {
    const auto size = server["publicip"]
                          .value("eip", ordered_json::object())
                          .value("bandwidth", ordered_json::object())
                          .value("size", 0);
    if (size < 1 || size > 2000) return invalid("publicip.eip.bandwidth.size");
    publicIp = "121.37.0.";
  }
  const std::string due = text("auto_terminate_time");
  if (server.contains("auto_terminate_time") &&
      (due.size() != 20 || due[10] != 'T' || due.substr(16) != ":00Z"))
    return invalid("auto_terminate_time");

  ordered_json ids = ordered_json::array();
  for (int i = 0; i < count; ++i) {
    Machine m;
    m.id = NewId();
    m.name =
        count > 1 ? text("name") + "-" + std::to_string(1000 + i + 1).substr(0, 4) : text("name");
    m.flavor = text("flavorRef");
    m.image = text("imageRef");
    m.zone = zone;
    if (!publicIp.empty()) m.publicIp = publicIp + std::to_string(serial_ % 250 + 2);
    m.autoTerminateTime = due;
    account.machines[region].push_back(m);
    ids.push_back(m.id);
  }
  serversCreated_ += count;
  ordered_json answer = {{"job_id", "job-" + NewId()}, {"serverIds", ids}};
  if (!token.empty()) account.createdByToken[token] = answer;
  return Json(200, answer);
}

}  // namespace ydt::test
