#include "world.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <unordered_map>
#include <unordered_set>

#include "front/text_codec.h"
#include "machine_json.h"

namespace ydt::sim {
namespace {

using nlohmann::ordered_json;

constexpr int kMaxPageSize = 100;
constexpr int kMaxCreatePerRequest = 100;

struct StateWords {
  std::string running, stopped, starting, stopping, creating, rebuilding, releasing;
};

StateWords WordsOf(Provider provider) {
  switch (provider) {
    case Provider::kQcloud:
      return {"RUNNING", "STOPPED", "STARTING", "STOPPING", "PENDING", "REBOOTING", "TERMINATING"};
    case Provider::kAliyun:
      return {"Running", "Stopped", "Starting", "Stopping", "Pending", "Starting", "Stopping"};
    case Provider::kHuawei:
      break;
  }
  // Huawei keeps the status while powering on or off and shows the change in task_state.
  return {"ACTIVE", "SHUTOFF", "", "", "BUILD", "REBUILD", ""};
}

bool RequireText(const CloudRequest& form, const char* name, std::string& value, Reply& failure) {
  auto text = form.Field(name);
  if (!text || text->empty()) {
    failure = Reply::Fail(kCodeBadField, std::string("缺少参数：") + name);
    return false;
  }
  value = *text;
  return true;
}

// An optional integer field: absent gives the fallback; present must be a whole number in
// [lo, hi].
bool OptionalInt(const CloudRequest& form, const char* name, long long fallback, long long lo,
                 long long hi, long long& value, Reply& failure) {
  auto text = form.Field(name);
  if (!text) {
    value = fallback;
    return true;
  }
  if (!front::ParseInt(*text, value)) {
    failure = Reply::Fail(kCodeBadField, std::string("参数格式错误：") + name + "=" + *text);
    return false;
  }
  if (value < lo || value > hi) {
    failure = Reply::Fail(kCodeBadField, std::string("参数超出范围：") + name + " 取值范围为" +
                                             std::to_string(lo) + "-" + std::to_string(hi));
    return false;
  }
  return true;
}

bool RequireInt(const CloudRequest& form, const char* name, long long lo, long long hi,
                long long& value, Reply& failure) {
  if (!form.Field(name)) {
    failure = Reply::Fail(kCodeBadField, std::string("缺少参数：") + name);
    return false;
  }
  return OptionalInt(form, name, 0, lo, hi, value, failure);
}

bool IsUuid(const std::string& text) {
  if (text.size() != 36) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return false;
    } else if (!std::isxdigit(static_cast<unsigned char>(text[i]))) {
      return false;
    }
  }
  return true;
}

std::unordered_map<std::string, size_t> IndexById(const std::vector<Machine>& machines) {
  std::unordered_map<std::string, size_t> index;
  index.reserve(machines.size());
  for (size_t i = 0; i < machines.size(); ++i) index.emplace(machines[i].id, i);
  return index;
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& item : items) {
    if (!out.empty()) out += ",";
    out += item;
  }
  return out;
}

// Outcome of one instance-ID list: which IDs were acted on, refused or not found.
struct IdWalk {
  std::vector<std::string> unknown, refused, done;
};

// Walks the machines an ID list names, indexed first because a filtered batch may name
// thousands of machines of a large region. `act(machine, running, stopped)` returns whether
// the machine was acted on (or already where it was asked to be).
template <typename Act>
IdWalk WalkNamedMachines(std::vector<Machine>& machines, const std::vector<std::string>& ids,
                         const StateWords& words, Act act) {
  const auto index = IndexById(machines);
  IdWalk walk;
  for (const auto& id : ids) {
    auto found = index.find(id);
    if (found == index.end()) {
      walk.unknown.push_back(id);
      continue;
    }
    Machine& m = machines[found->second];
    const std::string state = front::ToUpperAscii(m.state);
    const bool running = state == front::ToUpperAscii(words.running);
    const bool stopped = state == front::ToUpperAscii(words.stopped);
    (act(m, running, stopped) ? walk.done : walk.refused).push_back(id);
  }
  return walk;
}

}  // namespace

World::World(SeedData seed, WorldOptions options)
    : seed_(std::move(seed)), options_(options), rng_(std::random_device{}()) {}

void World::Reset() {
  std::lock_guard lock(mutex_);
  buckets_.clear();
  timers_.clear();
}

void World::Advance(std::chrono::milliseconds by) {
  std::lock_guard lock(mutex_);
  advanced_ += by;
  Settle(Now());
}

bool World::CheckLogin(const std::string& username, const std::string& passwordMd5) const {
  const std::string wanted = front::ToLowerAscii(passwordMd5);
  for (const auto& user : seed_.users) {
    if (user.username == username && front::Md5Hex(front::Utf8ToGbk(user.password)) == wanted)
      return true;
  }
  return false;
}

std::vector<std::string> World::ParseInstanceIds(const std::string& text) {
  std::string body = text;
  auto trim = [](std::string s) {
    const char* blanks = " \t\r\n\"'";
    size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
  };
  body = trim(body);
  if (body.size() >= 2 && body.front() == '[' && body.back() == ']') {
    body = body.substr(1, body.size() - 2);
  }
  std::vector<std::string> ids;
  std::unordered_set<std::string> seen;
  size_t pos = 0;
  while (pos <= body.size()) {
    size_t comma = body.find(',', pos);
    if (comma == std::string::npos) comma = body.size();
    std::string id = trim(body.substr(pos, comma - pos));
    // A repeated ID is one machine: acting twice would refuse the second as "busy".
    if (!id.empty() && seen.insert(id).second) ids.push_back(std::move(id));
    pos = comma + 1;
  }
  return ids;
}

bool World::PasswordAcceptable(const std::string& password) {
  if (password.size() < 8 || password.size() > 30) return false;
  static const std::string kSymbols = "()`~!@#$%^&*-+=_|{}[]:;'<>,.?/";
  bool lower = false, upper = false, digit = false, symbol = false;
  for (char c : password) {
    if (c >= 'a' && c <= 'z')
      lower = true;
    else if (c >= 'A' && c <= 'Z')
      upper = true;
    else if (c >= '0' && c <= '9')
      digit = true;
    else if (kSymbols.find(c) != std::string::npos)
      symbol = true;
    else
      return false;
  }
  return (lower ? 1 : 0) + (upper ? 1 : 0) + (digit ? 1 : 0) + (symbol ? 1 : 0) >= 3;
}

bool World::Authenticate(Provider provider, const CloudRequest& form, const SeedAccount*& account,
                         Reply& failure) const {
  std::string id, key;
  if (!RequireText(form, "secretid", id, failure) ||
      !RequireText(form, "secretkey", key, failure)) {
    return false;
  }
  for (const auto& a : seed_.accounts) {
    if (a.provider != provider || a.secretId != id) continue;
    if (a.secretKey != key) {
      failure = Reply::Fail(kCodeBadKeys, "SecretKey错误，签名验证失败");
      return false;
    }
    account = &a;
    return true;
  }
  failure = Reply::Fail(kCodeBadKeys, "SecretId不存在，请检查访问密钥");
  return false;
}

bool World::Prepare(Provider provider, const CloudRequest& form, Context& context, Reply& failure) {
  Settle(Now());
  if (!Authenticate(provider, form, context.account, failure)) return false;
  if (!RequireText(form, "region", context.region, failure)) return false;
  if (!Catalogue::HasRegion(provider, context.region)) {
    failure = Reply::Fail(kCodeBadField, "地域不存在：" + context.region);
    return false;
  }
  return true;
}

std::string World::BucketKey(const SeedAccount& account, const std::string& region) const {
  return std::string(SegmentOf(account.provider)) + "|" + account.secretId + "|" + region;
}

std::vector<Machine>& World::Bucket(const SeedAccount& account, const std::string& region) {
  const std::string key = BucketKey(account, region);
  auto it = buckets_.find(key);
  if (it != buckets_.end()) return it->second;
  // Built on first use, so start-up stays quick however large the seed's regions are.
  std::vector<Machine> machines;
  for (const auto& [r, m] : account.machines) {
    if (r == region) machines.push_back(m);
  }
  for (const auto& [r, count] : account.generated) {
    if (r != region) continue;
    machines.reserve(machines.size() + static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
      machines.push_back(GenerateMachine(account.provider, account.secretId, region, k));
    }
  }
  return buckets_.emplace(key, std::move(machines)).first->second;
}

void World::Settle(Clock::time_point now) {
  while (!timers_.empty() && timers_.begin()->first <= now) {
    Timer timer = timers_.begin()->second;
    timers_.erase(timers_.begin());
    auto bucketIt = buckets_.find(timer.bucket);
    if (bucketIt == buckets_.end()) continue;
    auto& machines = bucketIt->second;
    auto it = std::find_if(machines.begin(), machines.end(),
                           [&](const Machine& m) { return m.id == timer.id; });
    if (it == machines.end()) continue;
    if (timer.destroy) {
      if (!(it->pending && it->removeWhenDone)) {
        auto provider = ProviderFromSegment(timer.bucket.substr(0, timer.bucket.find('|')));
        BeginRelease(provider.value_or(Provider::kQcloud), timer.bucket, *it);
      }
      continue;
    }
    if (it->generation != timer.generation) continue;
    if (it->removeWhenDone) {
      machines.erase(it);
      continue;
    }
    it->state = it->finalState;
    it->taskState.clear();
    it->pending = false;
  }
}

void World::BeginTransition(const std::string& bucket, Machine& machine,
                            const std::string& transitional, const std::string& final,
                            const std::string& taskState, bool remove) {
  ++machine.generation;
  machine.pending = true;
  if (!transitional.empty()) machine.state = transitional;
  machine.taskState = taskState;
  machine.finalState = final;
  machine.removeWhenDone = remove;
  machine.due = Now() + std::chrono::milliseconds(options_.transitionMs);
  timers_.emplace(machine.due, Timer{bucket, machine.id, machine.generation, false});
}

void World::BeginRelease(Provider provider, const std::string& bucket, Machine& machine) {
  const StateWords words = WordsOf(provider);
  BeginTransition(bucket, machine, words.releasing, "",
                  provider == Provider::kHuawei ? "deleting" : "", true);
}

const Image* World::FindImage(Provider provider, const SeedAccount& account,
                              const std::string& id) const {
  for (const auto& image : Catalogue::PublicImages(provider)) {
    if (image.id == id) return &image;
  }
  for (const auto* list : {&account.privateImages, &account.sharedImages}) {
    for (const auto& image : *list) {
      if (image.id == id) return &image;
    }
  }
  return nullptr;
}

std::string World::NewRequestId() {
  static const char* kHex = "0123456789abcdef";
  std::string id;
  std::uint64_t a = rng_(), b = rng_();
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) id.push_back('-');
    std::uint64_t& src = i < 16 ? a : b;
    id.push_back(kHex[src & 0xF]);
    src >>= 4;
  }
  return id;
}

std::string World::NewMachineId(Provider provider, const std::vector<Machine>& bucket) {
  static const char* kAlnum = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (;;) {
    std::string id;
    if (provider == Provider::kHuawei) {
      id = NewRequestId();
    } else {
      const int length = provider == Provider::kQcloud ? 8 : 20;
      id = provider == Provider::kQcloud ? "ins-" : "i-";
      for (int i = 0; i < length; ++i) id.push_back(kAlnum[rng_() % 36]);
    }
    bool taken =
        std::any_of(bucket.begin(), bucket.end(), [&](const Machine& m) { return m.id == id; });
    if (!taken) return id;
  }
}

ordered_json World::ActionData(Provider provider) {
  ordered_json data;
  if (provider == Provider::kHuawei) {
    data["job_id"] = NewRequestId();
  } else {
    data["RequestId"] = NewRequestId();
  }
  return data;
}

Reply World::Perform(const CloudRequest& request) {
  using front::Operation;
  const Provider provider = request.provider;
  switch (request.operation) {
    case Operation::kInstances:
      return Instances(provider, request);
    case Operation::kStart:
      return Act(provider, MachineAction::kStart, request);
    case Operation::kStop:
      return Act(provider, MachineAction::kStop, request);
    case Operation::kTerminate:
      return Act(provider, MachineAction::kTerminate, request);
    case Operation::kBalance:
      return Balance(provider, request);
    case Operation::kZones:
      return Zones(provider, request);
    case Operation::kImages:
    case Operation::kRebuildImages:
      return Images(provider, request);
    case Operation::kInstanceTypes:
      return InstanceTypes(provider, request);
    case Operation::kRun:
      return Run(provider, request);
    case Operation::kRebuild:
      break;
  }
  return Rebuild(provider, request);
}

Reply World::Instances(Provider provider, const CloudRequest& form) {
  std::lock_guard lock(mutex_);
  Context ctx;
  Reply failure;
  if (!Prepare(provider, form, ctx, failure)) return failure;
  long long first = 0, limit = 0, page = 1;
  if (provider == Provider::kQcloud) {
    if (!OptionalInt(form, "offset", 0, 0, 1LL << 40, first, failure)) return failure;
    if (!OptionalInt(form, "limit", 20, 1, kMaxPageSize, limit, failure)) return failure;
  } else {
    if (!OptionalInt(form, "page", 1, 1, 1LL << 30, page, failure)) return failure;
    if (!OptionalInt(form, "limit", 10, 1, kMaxPageSize, limit, failure)) return failure;
    first = (page - 1) * limit;
  }
  const auto& machines = Bucket(*ctx.account, ctx.region);
  const long long total = static_cast<long long>(machines.size());
  ordered_json list = ordered_json::array();
  for (long long i = first; i < total && i < first + limit; ++i) {
    list.push_back(RenderMachine(provider, machines[static_cast<size_t>(i)], ctx.region));
  }
  ordered_json data;
  switch (provider) {
    case Provider::kQcloud:
      data["TotalCount"] = total;
      data["InstanceSet"] = std::move(list);
      data["RequestId"] = NewRequestId();
      break;
    case Provider::kAliyun:
      data["TotalCount"] = total;
      data["PageNumber"] = page;
      data["PageSize"] = limit;
      data["Instances"] = {{"Instance", std::move(list)}};
      data["RequestId"] = NewRequestId();
      break;
    case Provider::kHuawei:
      data["count"] = total;
      data["servers"] = std::move(list);
      break;
  }
  return Reply::Ok(std::move(data), "获取成功");
}

Reply World::Act(Provider provider, MachineAction action, const CloudRequest& form) {
  std::lock_guard lock(mutex_);
  Context ctx;
  Reply failure;
  if (!Prepare(provider, form, ctx, failure)) return failure;
  std::string idText;
  if (!RequireText(form, "instanceids", idText, failure)) return failure;
  const auto ids = ParseInstanceIds(idText);
  if (ids.empty()) return Reply::Fail(kCodeBadField, "instanceids中没有实例ID");

  const StateWords words = WordsOf(provider);
  const std::string bucketKey = BucketKey(*ctx.account, ctx.region);
  auto& machines = Bucket(*ctx.account, ctx.region);
  auto [unknown, refused, done] =
      WalkNamedMachines(machines, ids, words, [&](Machine& m, bool running, bool stopped) {
        if (action == MachineAction::kTerminate) {
          if (!(m.pending && m.removeWhenDone)) BeginRelease(provider, bucketKey, m);
          return true;
        }
        const bool wantRunning = action == MachineAction::kStart;
        if (!m.pending && (wantRunning ? running : stopped)) return true;  // already there
        if (m.pending || !(wantRunning ? stopped : running)) return false;
        if (wantRunning) {
          BeginTransition(bucketKey, m, words.starting, words.running,
                          provider == Provider::kHuawei ? "powering-on" : "", false);
        } else {
          BeginTransition(bucketKey, m, words.stopping, words.stopped,
                          provider == Provider::kHuawei ? "powering-off" : "", false);
        }
        return true;
      });
  ordered_json data = ActionData(provider);
  data["InstanceIdSet"] = done;
  if (unknown.empty() && refused.empty()) return Reply::Ok(std::move(data));
  std::string msg = "部分实例操作失败";
  if (!unknown.empty()) msg += "，实例不存在：" + Join(unknown);
  if (!refused.empty()) msg += "，当前状态不支持该操作：" + Join(refused);
  return Reply{kCodeRefused, msg, std::move(data), {}};
}

Reply World::Balance(Provider provider, const CloudRequest& form) {
  std::lock_guard lock(mutex_);
  const SeedAccount* account = nullptr;
  Reply failure;
  if (!Authenticate(provider, form, account, failure)) return failure;
  ordered_json data;
  auto numberOrText = [](const std::string& text) {
    long long value = 0;
    return front::ParseInt(text, value) ? ordered_json(value) : ordered_json(text);
  };
  switch (provider) {
    case Provider::kQcloud:
      data["Balance"] = numberOrText(account->balance);
      data["Uin"] = numberOrText(account->uin);
      data["RealBalance"] = numberOrText(account->balance);
      data["CashAccountBalance"] = numberOrText(account->balance);
      data["IncomeIntoAccountBalance"] = 0;
      data["PresentAccountBalance"] = 0;
      data["FreezeAmount"] = 0;
      data["OweAmount"] = 0;
      data["RequestId"] = NewRequestId();
      break;
    case Provider::kAliyun:
      data["Data"] = {{"AvailableAmount", account->balance},
                      {"AvailableCashAmount", account->balance},
                      {"CreditAmount", "0.00"},
                      {"MybankCreditAmount", "0.00"},
                      {"Currency", "CNY"},
                      {"QuotaLimit", "0.00"}};
      data["Code"] = "200";
      data["Message"] = "Successful!";
      data["RequestId"] = NewRequestId();
      data["Success"] = true;
      break;
    case Provider::kHuawei:
      data["account_balances"] =
          ordered_json::array({{{"account_id", "a" + account->secretId.substr(0, 6)},
                                {"account_type", 1},
                                {"amount", account->balance},
                                {"currency", "CNY"},
                                {"designated_amount", "0.000"},
                                {"credit_amount", "0.000"},
                                {"measure_id", 1}}});
      data["debt_amount"] = "0.000";
      data["measure_id"] = 1;
      data["currency"] = "CNY";
      break;
  }
  return Reply::Ok(std::move(data), "获取成功");
}

Reply World::Zones(Provider provider, const CloudRequest& form) {
  if (provider == Provider::kHuawei) {
    return Reply::Fail(kCodeUnknownOperation, "华为云不提供可用区查询接口");
  }
  std::lock_guard lock(mutex_);
  Context ctx;
  Reply failure;
  if (!Prepare(provider, form, ctx, failure)) return failure;
  const auto zones = Catalogue::Zones(provider, ctx.region);
  ordered_json data;
  if (provider == Provider::kQcloud) {
    ordered_json set = ordered_json::array();
    for (const auto& z : zones) {
      set.push_back(
          {{"Zone", z.id}, {"ZoneName", z.name}, {"ZoneId", z.numericId}, {"ZoneState", z.state}});
    }
    data["TotalCount"] = zones.size();
    data["ZoneSet"] = std::move(set);
  } else {
    ordered_json set = ordered_json::array();
    for (const auto& z : zones) {
      set.push_back({{"RegionId", ctx.region},
                     {"ZoneId", z.id},
                     {"Status", z.state},
                     {"StatusCategory", z.usable ? "WithStock" : "WithoutStock"}});
    }
    data["AvailableZones"] = {{"AvailableZone", std::move(set)}};
  }
  data["RequestId"] = NewRequestId();
  return Reply::Ok(std::move(data), "获取成功");
}

Reply World::Images(Provider provider, const CloudRequest& form) {
  std::lock_guard lock(mutex_);
  Context ctx;
  Reply failure;
  if (!Prepare(provider, form, ctx, failure)) return failure;
  std::string kind;
  if (!RequireText(form, "imagetype", kind, failure)) return failure;
  const ImageKinds kinds = Catalogue::Kinds(provider);
  const std::vector<Image>* list = nullptr;
  if (kind == kinds.privateKind)
    list = &ctx.account->privateImages;
  else if (kind == kinds.sharedKind)
    list = &ctx.account->sharedImages;
  else if (kind == kinds.publicKind)
    list = &Catalogue::PublicImages(provider);
  else
    return Reply::Fail(kCodeBadField, "镜像类型不正确：" + kind);

  ordered_json set = ordered_json::array();
  for (const auto& image : *list) {
    switch (provider) {
      case Provider::kQcloud:
        set.push_back({{"ImageId", image.id},
                       {"ImageName", image.name},
                       {"ImageType", image.kind},
                       {"OsName", image.osName},
                       {"Platform", image.windows ? "Windows" : "Linux"},
                       {"ImageState", "NORMAL"}});
        break;
      case Provider::kAliyun:
        set.push_back({{"ImageId", image.id},
                       {"ImageName", image.name},
                       {"ImageOwnerAlias", image.kind},
                       {"OSName", image.osName},
                       {"OSType", image.windows ? "windows" : "linux"},
                       {"Status", "Available"}});
        break;
      case Provider::kHuawei:
        set.push_back({{"id", image.id},
                       {"name", image.name},
                       {"__imagetype", image.kind},
                       {"__os_type", image.windows ? "Windows" : "Linux"},
                       {"status", "active"}});
        break;
    }
  }
  ordered_json data;
  if (provider == Provider::kQcloud) {
    data["TotalCount"] = set.size();
    data["ImageSet"] = std::move(set);
    data["RequestId"] = NewRequestId();
  } else if (provider == Provider::kAliyun) {
    data["TotalCount"] = set.size();
    data["PageNumber"] = 1;
    data["PageSize"] = set.size();
    data["Images"] = {{"Image", std::move(set)}};
    data["RequestId"] = NewRequestId();
  } else {
    data["images"] = std::move(set);
  }
  return Reply::Ok(std::move(data), "获取成功");
}

Reply World::InstanceTypes(Provider provider, const CloudRequest& form) {
  std::lock_guard lock(mutex_);
  Context ctx;
  Reply failure;
  if (!Prepare(provider, form, ctx, failure)) return failure;
  std::string zone;
  if (!RequireText(form, "zone", zone, failure)) return failure;
  if (!Catalogue::FindZone(provider, ctx.region, zone)) {
    return Reply::Fail(kCodeBadField, "可用区不存在：" + zone);
  }
  const auto flavors = Catalogue::Flavors(provider, ctx.region, zone);
  ordered_json data;
  if (provider == Provider::kQcloud) {
    ordered_json set = ordered_json::array();
    for (const auto& f : flavors) {
      set.push_back({{"Zone", zone},
                     {"InstanceType", f.name},
                     {"InstanceFamily", f.name.substr(0, f.name.find('.'))},
                     {"GPU", 0},
                     {"CPU", f.cpu},
                     {"Memory", f.memoryGb},
                     {"FPGA", 0}});
    }
    data["TotalCount"] = set.size();
    data["InstanceTypeConfigSet"] = std::move(set);
    data["RequestId"] = NewRequestId();
  } else if (provider == Provider::kAliyun) {
    ordered_json supported = ordered_json::array();
    for (const auto& f : flavors) {
      supported.push_back(
          {{"Value", f.name},
           {"Status", f.status},
           {"StatusCategory", f.status == "Available" ? "WithStock" : "WithoutStock"}});
    }
    ordered_json resource = {{"Type", "InstanceType"},
                             {"SupportedResources", {{"SupportedResource", std::move(supported)}}}};
    ordered_json availableZone = {
        {"RegionId", ctx.region},
        {"ZoneId", zone},
        {"Status", flavors.empty() ? "SoldOut" : "Available"},
        {"StatusCategory", flavors.empty() ? "WithoutStock" : "WithStock"},
        {"AvailableResources", {{"AvailableResource", ordered_json::array({resource})}}}};
    data["AvailableZones"] = {{"AvailableZone", ordered_json::array({availableZone})}};
    data["RequestId"] = NewRequestId();
  } else {
    ordered_json set = ordered_json::array();
    for (const auto& f : flavors) {
      set.push_back({{"id", f.name},
                     {"name", f.name},
                     {"vcpus", std::to_string(f.cpu)},
                     {"ram", f.memoryGb * 1024},
                     {"disk", "0"},
                     {"os_extra_specs", {{"cond:operation:az", zone + "(normal)"}}}});
    }
    data["flavors"] = std::move(set);
  }
  return Reply::Ok(std::move(data), "获取成功");
}

Reply World::Run(Provider provider, const CloudRequest& form) {
  std::lock_guard lock(mutex_);
  Context ctx;
  Reply failure;
  if (!Prepare(provider, form, ctx, failure)) return failure;
  std::string zone, type, imageId, diskType, password;
  long long bandwidth = 0, count = 0, timer = 0, hours = 0;
  if (!RequireText(form, "zone", zone, failure)) return failure;
  auto zoneInfo = Catalogue::FindZone(provider, ctx.region, zone);
  if (!zoneInfo) return Reply::Fail(kCodeBadField, "可用区不存在：" + zone);
  if (!zoneInfo->usable) return Reply::Fail(kCodeRefused, "可用区已售罄：" + zone);
  if (!RequireText(form, "instancetype", type, failure)) return failure;
  const auto flavors = Catalogue::Flavors(provider, ctx.region, zone);
  auto flavor =
      std::find_if(flavors.begin(), flavors.end(), [&](const Flavor& f) { return f.name == type; });
  if (flavor == flavors.end()) return Reply::Fail(kCodeBadField, "该可用区不提供机型：" + type);
  if (flavor->status != "Available") return Reply::Fail(kCodeRefused, "机型已售罄：" + type);
  if (!RequireText(form, "imageid", imageId, failure)) return failure;
  const Image* image = FindImage(provider, *ctx.account, imageId);
  if (!image) return Reply::Fail(kCodeBadField, "镜像不存在：" + imageId);
  if (!RequireText(form, "disktype", diskType, failure)) return failure;
  const auto& disks = Catalogue::DiskTypes(provider);
  if (std::find(disks.begin(), disks.end(), diskType) == disks.end()) {
    return Reply::Fail(kCodeBadField, "硬盘类型不正确：" + diskType);
  }
  if (!RequireInt(form, "bandwidth", 0, 200, bandwidth, failure)) return failure;
  if (provider == Provider::kAliyun) {
    std::string sg, vsw;
    if (!RequireText(form, "securitygroupid", sg, failure) ||
        !RequireText(form, "vswitchid", vsw, failure)) {
      return failure;
    }
    if (sg.rfind("sg-", 0) != 0 || sg.size() < 4)
      return Reply::Fail(kCodeBadField, "安全组ID格式不正确：" + sg);
    if (vsw.rfind("vsw-", 0) != 0 || vsw.size() < 5)
      return Reply::Fail(kCodeBadField, "交换机ID格式不正确：" + vsw);
  } else if (provider == Provider::kHuawei) {
    std::string vpc, subnet;
    if (!RequireText(form, "vpcid", vpc, failure) ||
        !RequireText(form, "subnetid", subnet, failure)) {
      return failure;
    }
    if (!IsUuid(vpc)) return Reply::Fail(kCodeBadField, "VPC ID格式不正确：" + vpc);
    if (!IsUuid(subnet)) return Reply::Fail(kCodeBadField, "子网ID格式不正确：" + subnet);
  }
  if (!RequireText(form, "password", password, failure)) return failure;
  if (!PasswordAcceptable(password)) {
    return Reply::Fail(
        kCodeBadField,
        "密码不符合要求：长度8-30位，至少包含大写字母、小写字母、数字和特殊符号中的三种");
  }
  if (!RequireInt(form, "instancecount", -(1LL << 40), 1LL << 40, count, failure)) return failure;
  if (count < 1) return Reply::Fail(kCodeBadField, "机器数量不正确：" + std::to_string(count));
  if (count > kMaxCreatePerRequest) {
    return Reply::Fail(kCodeRefused,
                       "单次最多创建" + std::to_string(kMaxCreatePerRequest) + "台机器");
  }
  if (!RequireInt(form, "is_actiontimer", 0, 1, timer, failure)) return failure;
  if (!RequireInt(form, "actiontimer", 0, 8760, hours, failure)) return failure;
  if (timer == 1 && hours < 1)
    return Reply::Fail(kCodeBadField, "定时销毁时间不正确：" + std::to_string(hours));
  std::string chargeType = "POSTPAID_BY_HOUR";
  if (provider == Provider::kQcloud) {
    if (!RequireText(form, "instancechargetype", chargeType, failure)) return failure;
    const auto& types = Catalogue::ChargeTypes();
    if (std::find(types.begin(), types.end(), chargeType) == types.end()) {
      return Reply::Fail(kCodeBadField, "计费类型不正确：" + chargeType);
    }
  }

  const std::string bucketKey = BucketKey(*ctx.account, ctx.region);
  auto& machines = Bucket(*ctx.account, ctx.region);
  const StateWords words = WordsOf(provider);
  const std::time_t nowWall = std::time(nullptr);
  std::vector<std::string> ids;
  for (long long n = 0; n < count; ++n) {
    Machine m = GenerateMachine(provider, ctx.account->secretId, ctx.region,
                                static_cast<int>(machines.size()));
    m.id = NewMachineId(provider, machines);
    m.name = provider == Provider::kHuawei ? "ecs-" + m.id.substr(m.id.size() - 4) : "未命名";
    m.zone = zone;
    m.instanceType = flavor->name;
    m.cpu = flavor->cpu;
    m.memoryGb = flavor->memoryGb;
    m.imageId = image->id;
    m.osName = image->osName;
    m.windows = image->windows;
    m.diskType = diskType;
    m.chargeType = chargeType;
    m.bandwidth = static_cast<int>(bandwidth);
    m.created = FormatIsoTime(provider, nowWall);
    if (bandwidth == 0) {
      std::erase_if(m.addresses, [](const Address& a) { return a.floating; });
    } else if (std::none_of(m.addresses.begin(), m.addresses.end(),
                            [](const Address& a) { return a.floating; })) {
      std::uint64_t r = rng_();
      m.addresses.push_back({m.addresses.front().network,
                             std::to_string(provider == Provider::kQcloud   ? 43
                                            : provider == Provider::kAliyun ? 47
                                                                            : 121) +
                                 "." + std::to_string(r % 254 + 1) + "." +
                                 std::to_string((r >> 8) % 254 + 1) + "." +
                                 std::to_string((r >> 16) % 253 + 2),
                             true});
    }
    if (timer == 1) {
      m.destroyDue = Now() + std::chrono::milliseconds(hours * options_.hourMs);
      m.destroyAtText = FormatIsoTime(provider, nowWall + static_cast<std::time_t>(hours) * 3600);
    }
    m.state = words.creating;
    machines.push_back(std::move(m));
    Machine& added = machines.back();
    BeginTransition(bucketKey, added, words.creating, words.running,
                    provider == Provider::kHuawei ? "spawning" : "", false);
    if (added.destroyDue) timers_.emplace(*added.destroyDue, Timer{bucketKey, added.id, 0, true});
    ids.push_back(added.id);
  }
  ordered_json data;
  if (provider == Provider::kQcloud) {
    data["InstanceIdSet"] = ids;
    data["RequestId"] = NewRequestId();
  } else if (provider == Provider::kAliyun) {
    data["InstanceIdSets"] = {{"InstanceIdSet", ids}};
    data["RequestId"] = NewRequestId();
  } else {
    data["job_id"] = NewRequestId();
    data["serverIds"] = ids;
  }
  return Reply::Ok(std::move(data), "创建成功");
}

Reply World::Rebuild(Provider provider, const CloudRequest& form) {
  std::lock_guard lock(mutex_);
  Context ctx;
  Reply failure;
  if (!Prepare(provider, form, ctx, failure)) return failure;
  std::string idText, password, imageId;
  if (!RequireText(form, "instanceids", idText, failure)) return failure;
  if (!RequireText(form, "imagesid", imageId, failure)) return failure;
  if (!RequireText(form, "password", password, failure)) return failure;
  const auto ids = ParseInstanceIds(idText);
  if (ids.empty()) return Reply::Fail(kCodeBadField, "instanceids中没有实例ID");
  const Image* image = FindImage(provider, *ctx.account, imageId);
  if (!image) return Reply::Fail(kCodeBadField, "镜像不存在：" + imageId);
  if (!PasswordAcceptable(password)) {
    return Reply::Fail(
        kCodeBadField,
        "密码不符合要求：长度8-30位，至少包含大写字母、小写字母、数字和特殊符号中的三种");
  }
  const StateWords words = WordsOf(provider);
  const std::string bucketKey = BucketKey(*ctx.account, ctx.region);
  auto& machines = Bucket(*ctx.account, ctx.region);
  auto [unknown, refused, done] =
      WalkNamedMachines(machines, ids, words, [&](Machine& m, bool running, bool stopped) {
        // Aliyun replaces the system disk only of a stopped machine.
        const bool allowed =
            !m.pending && (provider == Provider::kAliyun ? stopped : running || stopped);
        if (!allowed) return false;
        m.imageId = image->id;
        m.osName = image->osName;
        m.windows = image->windows;
        BeginTransition(bucketKey, m, words.rebuilding, words.running,
                        provider == Provider::kHuawei ? "rebuilding" : "", false);
        return true;
      });
  ordered_json data = ActionData(provider);
  if (unknown.empty() && refused.empty()) return Reply::Ok(std::move(data), "重装任务已提交");
  std::string msg = "部分实例重装失败";
  if (!unknown.empty()) msg += "，实例不存在：" + Join(unknown);
  if (!refused.empty()) {
    msg += provider == Provider::kAliyun ? "，请先关机：" : "，当前状态不支持重装：";
    msg += Join(refused);
  }
  return Reply{kCodeRefused, msg, std::move(data), {}};
}

}  // namespace ydt::sim
