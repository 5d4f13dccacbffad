// Each console operation through Perform: the console's form in, the provider call out, the
// provider's answer back in the envelope the console reads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "huawei/fake_huawei.h"
#include "in_process_transport.h"
#include "live/common/console_form.h"
#include "live/huawei/huawei_clouds.h"
#include "live/huawei/huawei_endpoints.h"

namespace ydt::live::huawei {
namespace {

using front::CloudReply;
using front::Operation;
using nlohmann::json;
using test::FakeHuawei;

constexpr const char* kAk = "HPUAFAKEAK00001";
constexpr const char* kSk = "fake/secret+key=0001";
constexpr const char* kRegion = "cn-north-4";
constexpr long long kTime = 1489276800;  // 2017-03-12T00:00:00Z

// Hands every request to the fake and remembers what the operation allowed for it.
class PolicyRecordingTransport final : public ProviderTransport {
 public:
  explicit PolicyRecordingTransport(test::FakeProvider& fake) : fake_(fake) {}
  ProviderResponse Send(const std::string&, const std::function<ProviderRequest()>& build,
                        const CallPolicy& policy) override {
    retryable.push_back(policy.retryable);
    ProviderResponse response = fake_.Handle(build());
    throttled.push_back(policy.throttled && policy.throttled(response));
    // A retry as the real transport makes it: the request built again, sent again.
    for (int i = 0; i < extraAttempts && policy.retryable; ++i) response = fake_.Handle(build());
    return response;
  }
  std::vector<bool> retryable, throttled;
  int extraAttempts = 0;

 private:
  test::FakeProvider& fake_;
};

class HuaweiOperations : public ::testing::Test {
 protected:
  HuaweiOperations() : transport_(fake_), clouds_(transport_, Overrides(), Environment()) {
    fake_.AddKey(kAk, kSk);
    fake_.AddMachines(kAk, kRegion, 3);  // ACTIVE, SHUTOFF, ACTIVE
    for (const auto& m : fake_.Machines(kAk, kRegion)) ids_.push_back(m.id);
  }

  static EndpointOverrides Overrides() {
    EndpointOverrides o;
    for (const char* service : {kEcs, kIms, kIam, kBss}) o.byService[service] = "http://fake:1";
    return o;
  }
  HuaweiEnvironment Environment() {
    return {[] { return kTime; }, [this] { return "token-" + std::to_string(++tokens_); }};
  }

  CloudReply Perform(Operation operation, std::map<std::string, std::string> fields) {
    front::CloudRequest request;
    request.provider = front::Provider::kHuawei;
    request.operation = operation;
    request.fields = {{"secretid", kAk}, {"secretkey", kSk}, {"region", kRegion}};
    for (auto& [name, value] : fields) request.fields[name] = value;
    return clouds_.Perform(request);
  }

  ProviderRequest Last() const { return fake_.Received().back(); }
  int Count(const std::string& path) const {
    int n = 0;
    for (const auto& r : fake_.Received()) n += r.path == path;
    return n;
  }
  std::string Project() const { return fake_.ProjectId(kAk, kRegion); }

  FakeHuawei fake_;
  PolicyRecordingTransport transport_;
  HuaweiClouds clouds_;
  std::vector<std::string> ids_;
  int tokens_ = 0;
};

std::string QueryOf(const ProviderRequest& r, const std::string& name) {
  for (const auto& [k, v] : r.query)
    if (k == name) return v;
  return "<absent>";
}

TEST_F(HuaweiOperations, EachOperationCallsItsActionAndAnswersWhatTheConsoleReads) {
  struct Case {
    Operation operation;
    std::map<std::string, std::string> fields;
    std::string method, path;  // "{p}" is the region's project ID, "{id}" the first machine's
    NameValues query;
    std::vector<std::pair<std::string, json>> sent, answered;  // JSON pointer → value
  };
  const std::vector<Case> cases = {
      {Operation::kInstances,
       {{"page", "1"}, {"limit", "1"}},
       "GET",
       "/v1/{p}/cloudservers/detail",
       {{"offset", "1"}, {"limit", "1"}},
       {},
       {{"/count", 3},
        {"/servers/0/id", ids_[0]},
        {"/servers/0/flavor/vcpus", "1"},
        {"/servers/0/metadata/os_type", "Linux"}}},
      {Operation::kStart,
       {{"instanceids", "[" + ids_[1] + "]"}},
       "POST",
       "/v1/{p}/cloudservers/action",
       {},
       {{"/os-start/servers", json::array({{{"id", ids_[1]}}})}},
       {}},
      {Operation::kStop,
       {{"instanceids", ids_[0] + "," + ids_[2] + ","}},
       "POST",
       "/v1/{p}/cloudservers/action",
       {},
       {{"/os-stop/type", "SOFT"}, {"/os-stop/servers/1/id", ids_[2]}},
       {}},
      {Operation::kTerminate,
       {{"instanceids", "[\"" + ids_[0] + "\"]"}},
       "POST",
       "/v1/{p}/cloudservers/delete",
       {},
       {{"/servers/0/id", ids_[0]}, {"/delete_publicip", true}, {"/delete_volume", true}},
       {}},
      {Operation::kImages,
       {{"imagetype", "private"}},
       "GET",
       "/v2/cloudimages",
       {{"__imagetype", "private"}},
       {},
       {{"/images/0/name", "我的镜像（网站）"}}},
      {Operation::kRebuildImages,
       {{"imagetype", "gold"}},
       "GET",
       "/v2/cloudimages",
       {{"__imagetype", "gold"}},
       {},
       {{"/images/1/name", "Ubuntu 22.04 server 64bit"}}},
      {Operation::kInstanceTypes,
       {{"zone", "cn-north-4a"}},
       "GET",
       "/v1/{p}/cloudservers/flavors",
       {{"availability_zone", "cn-north-4a"}},
       {},
       {{"/flavors/0/name", "s6.small.1"}, {"/flavors/0/ram", 1024}}},
      {Operation::kRebuild,
       {{"instanceids", "[" + ids_[2] + "]"},
        {"imagesid", "c0ffee00-2222-4000-8000-000000000001"},
        {"password", "Qzt.Hv731.Nep#"}},
       "POST",
       "/v2/{p}/cloudservers/{id}/changeos",
       {},
       {{"/os-change/imageid", "c0ffee00-2222-4000-8000-000000000001"},
        {"/os-change/adminpass", "Qzt.Hv731.Nep#"},
        {"/os-change/mode", "withStopServer"}},
       {}},
      {Operation::kBalance,
       {},
       "GET",
       "/v2/accounts/customer-accounts/balances",
       {},
       {},
       // The provider lists credit before cash; the console reads the first as the balance.
       {{"/account_balances/0/amount", 88.5}, {"/account_balances/1/account_type", 2}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(front::PathOf(c.operation)));
    const CloudReply reply = Perform(c.operation, c.fields);
    ASSERT_EQ(reply.code, 0) << reply.msg;
    const ProviderRequest sent = Last();
    std::string path = c.path;
    if (auto at = path.find("{p}"); at != std::string::npos) path.replace(at, 3, Project());
    if (auto at = path.find("{id}"); at != std::string::npos) path.replace(at, 4, ids_[2]);
    EXPECT_EQ(sent.method, c.method);
    EXPECT_EQ(sent.path, path);
    for (const auto& [name, value] : c.query) EXPECT_EQ(QueryOf(sent, name), value) << name;
    const json body = sent.body.empty() ? json() : json::parse(sent.body);
    for (const auto& [pointer, value] : c.sent)
      EXPECT_EQ(body.value(json::json_pointer(pointer), json()), value) << pointer;
    const json data = json::parse(reply.Data().dump());
    for (const auto& [pointer, value] : c.answered)
      EXPECT_EQ(data.value(json::json_pointer(pointer), json()), value) << pointer;
    if (c.method == "POST") {
      EXPECT_FALSE(data.value("job_id", "").empty());
    }
  }
  // Regional calls named their project; one lookup served them all.
  EXPECT_EQ(Count("/v3/projects"), 1);
  EXPECT_EQ(fake_.Machines(kAk, kRegion).size(), 2u);
}

TEST_F(HuaweiOperations, CreationSendsTheTemplateOnceWhateverTheRetries) {
  transport_.extraAttempts = 1;
  const std::map<std::string, std::string> form = {
      {"zone", "cn-north-4b"},
      {"instancetype", "s6.large.2"},
      {"imageid", "c0ffee00-1111-4000-8000-000000000002"},
      {"disktype", "SSD"},
      {"bandwidth", "5"},
      {"vpcid", "3b5d2a8e-0c1f-4d6a-9e7b-1a2b3c4d5e6f"},
      {"subnetid", "7c8d9e0f-1a2b-4c3d-8e4f-5a6b7c8d9e0f"},
      {"password", "Qzt.Hv731.Nep#"},
      {"instancecount", "2"},
      {"is_actiontimer", "1"},
      {"actiontimer", "3"}};
  const CloudReply reply = Perform(Operation::kRun, form);
  ASSERT_EQ(reply.code, 0) << reply.msg;
  EXPECT_EQ(reply.Data()["serverIds"].size(), 2u);
  // Both attempts carried the one token, so the provider created two machines, not four.
  EXPECT_EQ(fake_.ServersCreated(), 2);
  const auto received = fake_.Received();
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received.back().Header("X-Client-Token"), "token-1");
  EXPECT_EQ(received[received.size() - 2].Header("X-Client-Token"), "token-1");
  const json server = json::parse(received.back().body)["server"];
  EXPECT_EQ(server["availability_zone"], "cn-north-4b");
  EXPECT_EQ(server["flavorRef"], "s6.large.2");
  EXPECT_EQ(server["imageRef"], "c0ffee00-1111-4000-8000-000000000002");
  EXPECT_EQ(server["root_volume"]["volumetype"], "SSD");
  EXPECT_EQ(server["publicip"]["eip"]["bandwidth"]["size"], 5);
  EXPECT_EQ(server["vpcid"], "3b5d2a8e-0c1f-4d6a-9e7b-1a2b3c4d5e6f");
  EXPECT_EQ(server["nics"][0]["subnet_id"], "7c8d9e0f-1a2b-4c3d-8e4f-5a6b7c8d9e0f");
  EXPECT_EQ(server["adminPass"], "Qzt.Hv731.Nep#");
  EXPECT_EQ(server["count"], 2);
  EXPECT_EQ(server["auto_terminate_time"], "2017-03-12T03:00:00Z");

  // No bandwidth: no public address asked for; no timer: none sent.
  auto plain = form;
  plain["bandwidth"] = "0";
  plain["is_actiontimer"] = "0";
  plain["actiontimer"] = "0";
  ASSERT_EQ(Perform(Operation::kRun, plain).code, 0);
  const json second = json::parse(fake_.Received().back().body)["server"];
  EXPECT_FALSE(second.contains("publicip"));
  EXPECT_FALSE(second.contains("auto_terminate_time"));
  EXPECT_EQ(fake_.Received().back().Header("X-Client-Token"), "token-2");
}

TEST_F(HuaweiOperations, RetriesAreAllowedOnlyWhereRepeatingIsHarmless) {
  ASSERT_EQ(Perform(Operation::kInstances, {{"page", "1"}, {"limit", "100"}}).code, 0);
  ASSERT_EQ(Perform(Operation::kStop, {{"instanceids", "[" + ids_[0] + "]"}}).code, 0);
  ASSERT_EQ(Perform(Operation::kRebuild, {{"instanceids", "[" + ids_[0] + "]"},
                                          {"imagesid", "c0ffee00-2222-4000-8000-000000000001"},
                                          {"password", "Qzt.Hv731.Nep#"}})
                .code,
            0);
  // Project lookup, list, stop: retryable; the reinstall is not.
  EXPECT_EQ(transport_.retryable, (std::vector<bool>{true, true, true, false}));
  fake_.FailNext(FakeHuawei::Fault::kThrottle);
  const CloudReply throttled = Perform(Operation::kInstances, {{"page", "1"}, {"limit", "1"}});
  EXPECT_NE(throttled.code, 0);
  EXPECT_NE(throttled.msg.find("APIGW.0308"), std::string::npos) << throttled.msg;
  EXPECT_EQ(transport_.throttled.back(), true);
  EXPECT_EQ(transport_.throttled.front(), false);
}

TEST_F(HuaweiOperations, ProjectIdIsLookedUpOnceAndAgainWhenRefused) {
  ASSERT_EQ(Perform(Operation::kInstances, {{"page", "1"}, {"limit", "1"}}).code, 0);
  ASSERT_EQ(Perform(Operation::kImages, {{"imagetype", "gold"}}).code, 0);
  EXPECT_EQ(Count("/v3/projects"), 1);
  const std::string before = Project();
  fake_.ReissueProject(kAk, kRegion);
  const CloudReply reply = Perform(Operation::kInstances, {{"page", "1"}, {"limit", "1"}});
  ASSERT_EQ(reply.code, 0) << reply.msg;
  EXPECT_EQ(Count("/v3/projects"), 2);
  EXPECT_NE(Project(), before);
  EXPECT_EQ(Last().path, "/v1/" + Project() + "/cloudservers/detail");
  // A refusal that a fresh lookup does not change is reported, not retried forever.
  fake_.FailNext(FakeHuawei::Fault::kUnknownProject);
  const CloudReply refused = Perform(Operation::kInstances, {{"page", "1"}, {"limit", "1"}});
  EXPECT_NE(refused.code, 0);
  EXPECT_EQ(Count("/v3/projects"), 3);
}

// Answers of the fake with a byte-order mark before them, which the parser reads past and
// the console's envelope could not hold.
class MarkedProvider final : public test::FakeProvider {
 public:
  explicit MarkedProvider(test::FakeProvider& inner) : inner_(inner) {}
  std::string Name() const override { return inner_.Name(); }
  ProviderResponse Handle(const ProviderRequest& request) override {
    ProviderResponse answer = inner_.Handle(request);
    answer.body.insert(0, "\xEF\xBB\xBF");
    return answer;
  }

 private:
  test::FakeProvider& inner_;
};

TEST_F(HuaweiOperations, APageOnlyTheParserAcceptsIsWrittenAfreshForTheConsole) {
  MarkedProvider marked(fake_);
  PolicyRecordingTransport transport(marked);
  HuaweiClouds clouds(transport, Overrides(), Environment());
  front::CloudRequest request;
  request.provider = front::Provider::kHuawei;
  request.operation = Operation::kInstances;
  request.fields = {
      {"secretid", kAk}, {"secretkey", kSk}, {"region", kRegion}, {"page", "1"}, {"limit", "10"}};
  const CloudReply reply = clouds.Perform(request);
  ASSERT_EQ(reply.code, 0) << reply.msg;
  EXPECT_TRUE(reply.dataText.empty());  // the document is written out, without the mark
  EXPECT_EQ(reply.data["servers"].size(), 3u);
}

TEST_F(HuaweiOperations, BatchesOfMoreThanAHundredAreSplit) {
  fake_.AddMachines(kAk, kRegion, 147);
  std::string list;
  for (const auto& m : fake_.Machines(kAk, kRegion)) list += m.id + ",";
  const CloudReply reply = Perform(Operation::kStart, {{"instanceids", list}});
  ASSERT_EQ(reply.code, 0) << reply.msg;
  const auto received = fake_.Received();
  ASSERT_EQ(received.size(), 3u);  // lookup, 100, 50
  EXPECT_EQ(json::parse(received[1].body)["os-start"]["servers"].size(), 100u);
  EXPECT_EQ(json::parse(received[2].body)["os-start"]["servers"].size(), 50u);
  EXPECT_EQ(reply.Data()["job_ids"].size(), 2u);
}

TEST_F(HuaweiOperations, FailuresAreNeverSuccessAndSayWhy) {
  struct Case {
    const char* name;
    Operation operation;
    std::map<std::string, std::string> fields;
    std::function<void(FakeHuawei&)> arrange;
    std::string inMsg;
    bool sendsNothing;
    int code = 0;  // 0: any failure will do
  };
  const std::vector<Case> cases = {
      {"unknown machine",
       Operation::kStop,
       {{"instanceids", "[nope]"}},
       nullptr,
       "Ecs.0114",
       false},
      {"provider refuses a field",
       Operation::kRun,
       {{"zone", "cn-north-4a"},
        {"instancetype", "no.such.flavor"},
        {"imageid", "x"},
        {"disktype", "SSD"},
        {"bandwidth", "1"},
        {"vpcid", "v"},
        {"subnetid", "s"},
        {"password", "Qzt.Hv731.Nep#"},
        {"instancecount", "1"}},
       nullptr,
       "Ecs.0005",
       false},
      {"wrong secret",
       Operation::kBalance,
       {{"secretkey", "not-the-key"}},
       nullptr,
       "APIGW.0301",
       false,
       live::kCodeBadKeys},
      {"malformed answer",
       Operation::kBalance,
       {},
       [](FakeHuawei& f) { f.FailNext(FakeHuawei::Fault::kMalformed); },
       "无法解析",
       false},
      {"server error",
       Operation::kBalance,
       {},
       [](FakeHuawei& f) { f.FailNext(FakeHuawei::Fault::kServerError); },
       "Ecs.0500",
       false},
      {"unknown region", Operation::kInstances, {{"region", "mars-1"}}, nullptr, "mars-1", true},
      {"zones", Operation::kZones, {}, nullptr, "可用区", true},
      {"no ids", Operation::kStart, {{"instanceids", "[]"}}, nullptr, "instanceids", true},
      {"bad image type", Operation::kImages, {{"imagetype", "market"}}, nullptr, "market", true},
      {"too many",
       Operation::kRun,
       {{"zone", "cn-north-4a"},
        {"instancetype", "s6.small.1"},
        {"imageid", "x"},
        {"disktype", "SSD"},
        {"bandwidth", "1"},
        {"vpcid", "v"},
        {"subnetid", "s"},
        {"password", "Qzt.Hv731.Nep#"},
        {"instancecount", "101"}},
       nullptr,
       "机器数量",
       true},
      {"missing field", Operation::kRun, {{"instancecount", "1"}}, nullptr, "缺少字段", true},
      {"no key", Operation::kBalance, {{"secretid", ""}}, nullptr, "SecretId", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake_.ClearReceived();
    if (c.arrange) c.arrange(fake_);
    const CloudReply reply = Perform(c.operation, c.fields);
    EXPECT_NE(reply.code, 0);
    if (c.code != 0) {
      EXPECT_EQ(reply.code, c.code);
    }
    EXPECT_NE(reply.msg.find(c.inMsg), std::string::npos) << reply.msg;
    EXPECT_EQ(reply.msg.find(kSk), std::string::npos);
    if (c.sendsNothing) {
      EXPECT_TRUE(fake_.Received().empty());
    }
  }
}

// A provider message that quotes the secret key or the password must not carry it on.
TEST(HuaweiSecrets, NeverLeaveInAMessage) {
  struct Echo final : test::FakeProvider {
    std::string Name() const override { return "huawei"; }
    ProviderResponse Handle(const ProviderRequest&) override {
      return {400,
              {},
              R"({"error_code":"CBC.0100","error_msg":"bad sk fake/secret+key=0001"})",
              "",
              false};
    }
  } echo;
  test::InProcessTransport transport(echo);
  HuaweiClouds clouds(transport, {});
  front::CloudRequest request;
  request.operation = Operation::kBalance;
  request.fields = {{"secretid", kAk}, {"secretkey", kSk}};
  const CloudReply reply = clouds.Perform(request);
  EXPECT_EQ(reply.code, 1003);
  EXPECT_EQ(reply.msg, "华为云接口错误：CBC.0100：bad sk ***");
}

// The front calls Perform from many workers at once; they share the project cache.
TEST(HuaweiConcurrency, RequestsAtOnceShareOneProjectCache) {
  test::FakeHuawei fake;
  fake.AddKey(kAk, kSk);
  fake.AddMachines(kAk, kRegion, 5);
  test::InProcessTransport transport(fake);
  EndpointOverrides overrides;
  for (const char* service : {kEcs, kIms, kIam, kBss}) overrides.byService[service] = "http://f:1";
  HuaweiClouds clouds(transport, overrides);
  std::atomic<int> ok{0};
  std::vector<std::thread> workers;
  for (int i = 0; i < 8; ++i) {
    workers.emplace_back([&, i] {
      front::CloudRequest request;
      request.operation = i % 2 ? Operation::kInstances : Operation::kImages;
      request.fields = {{"secretid", kAk}, {"secretkey", kSk}, {"region", kRegion},
                        {"page", "1"},     {"limit", "100"},   {"imagetype", "gold"}};
      for (int n = 0; n < 5; ++n) ok += clouds.Perform(request).code == 0;
    });
  }
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(ok, 40);
  int lookups = 0;
  for (const auto& r : fake.Received()) lookups += r.path == "/v3/projects";
  EXPECT_GE(lookups, 1);
  EXPECT_LE(lookups, 8);  // only the first request of each worker can miss the cache
}

}  // namespace
}  // namespace ydt::live::huawei
