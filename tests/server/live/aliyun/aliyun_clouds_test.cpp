// Each console operation of the Alibaba Cloud tab through Perform: the console's form in,
// the provider request out, the fake provider's reply, and the envelope the console reads.
#include <gtest/gtest.h>

#include <atomic>
#include <map>

#include "aliyun/fake_aliyun.h"
#include "live/aliyun/aliyun_clouds.h"
#include "live/aliyun/aliyun_endpoints.h"
#include "live/common/console_form.h"
#include "live/common/crypto.h"

namespace ydt::live::aliyun {
namespace {

using front::CloudReply;
using front::Operation;
using nlohmann::ordered_json;
using Fields = std::map<std::string, std::string>;

constexpr long long kNow = 1715000000;  // 2024-05-06T12:53:20Z
constexpr char kId[] = "LTAI5tGatewayTest";
constexpr char kSecret[] = "gw-secret-QWERTY123456";

// Hands each request to the fake and keeps the policy it came with. `resend` builds and
// sends every request twice and answers the second, as a transport does when the first
// answer is lost.
class RecordingTransport final : public ProviderTransport {
 public:
  explicit RecordingTransport(test::FakeAliyun& fake) : fake_(fake) {}
  ProviderResponse Send(const std::string& credentialKey,
                        const std::function<ProviderRequest()>& build,
                        const CallPolicy& policy) override {
    credentialKeys.push_back(credentialKey);
    policies.push_back(policy);
    ProviderResponse response = fake_.Handle(build());
    if (resend) response = fake_.Handle(build());
    return response;
  }
  bool resend = false;
  std::vector<std::string> credentialKeys;
  std::vector<CallPolicy> policies;

 private:
  test::FakeAliyun& fake_;
};

// A fake with three machines in cn-beijing (0 running, 1 and 2 stopped) and one own image,
// and the clouds on it with a fixed clock and counted nonces.
struct Rig {
  explicit Rig(EndpointOverrides endpoints = {})
      : clouds(transport, std::move(endpoints),
               Environment{[] { return kNow; },
                           [this] { return "nonce" + std::to_string(++nonces); }}) {
    fake.AddKey(kId, kSecret, "1234.50");
    fake.AddMachines(kId, "cn-beijing", 1, "Running");
    fake.AddMachines(kId, "cn-shanghai", 0);
    for (int n = 1; n <= 2; ++n) {
      test::FakeAliyun::Machine m;
      m.id = "i-cn-beijing-" + std::to_string(n);
      m.status = "Stopped";
      fake.AddMachine(kId, "cn-beijing", m);
    }
    fake.AddOwnImage(kId, "m-own1", "自定义镜像一");
  }

  CloudReply Perform(Operation operation, const Fields& extra) {
    front::CloudRequest request;
    request.provider = front::Provider::kAliyun;
    request.operation = operation;
    request.fields = {{"secretid", kId}, {"secretkey", kSecret}, {"region", "cn-beijing"}};
    for (const auto& [name, value] : extra) request.fields[name] = value;
    return clouds.Perform(request);
  }

  test::FakeAliyun fake;
  RecordingTransport transport{fake};
  std::atomic<int> nonces{0};
  AliyunClouds clouds;
};

std::map<std::string, std::string> QueryOf(const ProviderRequest& request) {
  return {request.query.begin(), request.query.end()};
}

// The text at a JSON pointer of `data`, as the console's GetText would read it.
std::string Text(const ordered_json& data, const std::string& pointer) {
  const ordered_json::json_pointer at(pointer);
  if (!data.contains(at)) return "(missing)";
  const ordered_json& value = data.at(at);
  return value.is_string() ? value.get<std::string>() : value.dump();
}

const Fields kRunForm = {{"zone", "cn-beijing-a"},
                         {"instancetype", "ecs.c6.large"},
                         {"imageid", "m-own1"},
                         {"disktype", "cloud_essd"},
                         {"bandwidth", "5"},
                         {"securitygroupid", "sg-2ze0000000000000000a"},
                         {"vswitchid", "vsw-2ze00000000000000000b"},
                         {"password", "Qzt.Hv731.Nep#"},
                         {"instancecount", "2"},
                         {"is_actiontimer", "1"},
                         {"actiontimer", "2"}};

TEST(AliyunClouds, EachOperationSendsItsActionAndAnswersWhatTheConsoleReads) {
  struct Case {
    Operation operation;
    Fields form;
    const char* host;
    const char* action;
    Fields params;     // a subset of what the provider request must carry
    const char* path;  // a path the console reads in `data`, as a JSON pointer
    const char* expected;
  } cases[] = {
      {Operation::kInstances,
       {{"page", "1"}, {"limit", "1"}},
       "ecs.cn-beijing.aliyuncs.com",
       "DescribeInstances",
       {{"RegionId", "cn-beijing"}, {"PageNumber", "1"}, {"PageSize", "1"}},
       "/TotalCount",
       "3"},
      {Operation::kInstances,
       {{"page", "2"}, {"limit", "2"}},
       "ecs.cn-beijing.aliyuncs.com",
       "DescribeInstances",
       {{"PageNumber", "2"}, {"PageSize", "2"}},
       "/Instances/Instance/0/InstanceId",
       "i-cn-beijing-2"},
      {Operation::kZones,
       {},
       "ecs.cn-beijing.aliyuncs.com",
       "DescribeAvailableResource",
       {{"DestinationResource", "Zone"}, {"ResourceType", "instance"}},
       "/AvailableZones/AvailableZone/2/Status",
       "SoldOut"},
      {Operation::kImages,
       {{"imagetype", "system"}},
       "ecs.cn-beijing.aliyuncs.com",
       "DescribeImages",
       {{"ImageOwnerAlias", "system"}, {"PageSize", "100"}},
       "/Images/Image/0/ImageName",
       "CentOS 7.9 64位"},
      {Operation::kRebuildImages,
       {{"imagetype", "self"}},
       "ecs.cn-beijing.aliyuncs.com",
       "DescribeImages",
       {{"ImageOwnerAlias", "self"}},
       "/Images/Image/0/ImageId",
       "m-own1"},
      {Operation::kInstanceTypes,
       {{"zone", "cn-beijing-b"}},
       "ecs.cn-beijing.aliyuncs.com",
       "DescribeAvailableResource",
       {{"ZoneId", "cn-beijing-b"}, {"DestinationResource", "InstanceType"}},
       "/AvailableZones/AvailableZone/0/AvailableResources/AvailableResource/0/"
       "SupportedResources/SupportedResource/2/Status",
       "SoldOut"},
      {Operation::kBalance,
       {{"region", ""}},
       "business.aliyuncs.com",
       "QueryAccountBalance",
       {},
       "/Data/AvailableCashAmount",
       "1234.50"},
      {Operation::kStart,
       {{"instanceids", "[i-cn-beijing-1]"}},
       "ecs.cn-beijing.aliyuncs.com",
       "StartInstances",
       {{"InstanceId.1", "i-cn-beijing-1"}},
       "/InstanceResponses/InstanceResponse/0/CurrentStatus",
       "Running"},
      {Operation::kStop,
       {{"instanceids", "i-cn-beijing-0,"}},
       "ecs.cn-beijing.aliyuncs.com",
       "StopInstances",
       {{"InstanceId.1", "i-cn-beijing-0"}},
       "/InstanceResponses/InstanceResponse/0/CurrentStatus",
       "Stopped"},
      {Operation::kTerminate,
       {{"instanceids", "[\"i-cn-beijing-0\"]"}},
       "ecs.cn-beijing.aliyuncs.com",
       "DeleteInstances",
       {{"InstanceId.1", "i-cn-beijing-0"}, {"Force", "true"}, {"ClientToken", "nonce1"}},
       "",
       ""},
      {Operation::kRun,
       kRunForm,
       "ecs.cn-beijing.aliyuncs.com",
       "RunInstances",
       {{"ZoneId", "cn-beijing-a"},
        {"InstanceType", "ecs.c6.large"},
        {"ImageId", "m-own1"},
        {"SystemDisk.Category", "cloud_essd"},
        {"InternetMaxBandwidthOut", "5"},
        {"SecurityGroupId", "sg-2ze0000000000000000a"},
        {"VSwitchId", "vsw-2ze00000000000000000b"},
        {"Password", "Qzt.Hv731.Nep#"},
        {"Amount", "2"},
        {"InstanceChargeType", "PostPaid"},
        {"AutoReleaseTime", "2024-05-06T14:53:20Z"},
        {"ClientToken", "nonce1"}},
       "/InstanceIdSets/InstanceIdSet/1",
       "i-run0x1"},
      {Operation::kRebuild,
       {{"instanceids", "[i-cn-beijing-2]"}, {"imagesid", "m-own1"}, {"password", "Abc12345!x"}},
       "ecs.cn-beijing.aliyuncs.com",
       "ReplaceSystemDisk",
       {{"InstanceId", "i-cn-beijing-2"}, {"ImageId", "m-own1"}, {"Password", "Abc12345!x"}},
       "/DiskId",
       "d-cn-beijing-2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action + std::string(" ") + c.path);
    Rig rig;
    const CloudReply reply = rig.Perform(c.operation, c.form);
    EXPECT_EQ(reply.code, 0) << reply.msg;
    const auto received = rig.fake.Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].host, c.host);
    EXPECT_EQ(received[0].Header("x-acs-action"), c.action);
    const auto query = QueryOf(received[0]);
    for (const auto& [name, value] : c.params)
      EXPECT_EQ(query.count(name) ? query.at(name) : "(none)", value) << name;
    if (*c.path) {
      EXPECT_EQ(Text(reply.Data(), c.path), c.expected);
    }
    ASSERT_EQ(rig.transport.credentialKeys.size(), 1u);
    EXPECT_EQ(rig.transport.credentialKeys[0], std::string("aliyun:") + kId);
    // Every operation may be resent: reads, writes with a token, and state changes that
    // converge; and every one knows the provider's throttling.
    EXPECT_TRUE(rig.transport.policies[0].retryable);
    ASSERT_TRUE(rig.transport.policies[0].throttled);
  }
}

TEST(AliyunClouds, CreationKeepsItsClientTokenWhenResent) {
  Rig rig;
  rig.transport.resend = true;
  const CloudReply reply = rig.Perform(Operation::kRun, kRunForm);
  ASSERT_EQ(reply.code, 0) << reply.msg;
  const auto sent = rig.fake.Received();
  ASSERT_EQ(sent.size(), 2u);
  const auto first = QueryOf(sent[0]), second = QueryOf(sent[1]);
  EXPECT_EQ(first, second);  // the token and the release time too
  EXPECT_NE(sent[0].Header("x-acs-signature-nonce"), sent[1].Header("x-acs-signature-nonce"));
  EXPECT_EQ(reply.Data()["InstanceIdSets"]["InstanceIdSet"].size(), 2u);
  EXPECT_EQ(rig.fake.Machines(kId, "cn-beijing").size(), 3u + 2u);
}

TEST(AliyunClouds, IdListsOfEveryFormGoAtMostAHundredToARequest) {
  const std::vector<std::pair<const char*, std::vector<std::string>>> forms = {
      {"[i-a]", {"i-a"}},
      {"[\"i-a\",\"i-b\"]", {"i-a", "i-b"}},
      {"i-a,i-b,", {"i-a", "i-b"}},
      {" i-a , i-a ,,", {"i-a"}},
      {"[]", {}},
  };
  for (const auto& [text, ids] : forms) EXPECT_EQ(ParseInstanceIds(text), ids) << text;

  Rig rig;
  rig.fake.AddMachines(kId, "cn-hongkong", 250, "Running");
  std::string list;
  for (int n = 0; n < 250; ++n) list += "i-cn-hongkong-" + std::to_string(n) + ",";
  const CloudReply reply =
      rig.Perform(Operation::kStop, {{"region", "cn-hongkong"}, {"instanceids", list}});
  EXPECT_EQ(reply.code, 0) << reply.msg;
  const auto sent = rig.fake.Received();
  ASSERT_EQ(sent.size(), 3u);
  for (std::size_t i = 0; i < sent.size(); ++i) {
    const auto query = QueryOf(sent[i]);
    const std::size_t count = i < 2 ? 100 : 50;
    EXPECT_EQ(query.count("InstanceId." + std::to_string(count)), 1u);
    EXPECT_EQ(query.count("InstanceId." + std::to_string(count + 1)), 0u);
    EXPECT_EQ(query.at("InstanceId.1"), "i-cn-hongkong-" + std::to_string(100 * i));
  }
  for (const auto& m : rig.fake.Machines(kId, "cn-hongkong")) EXPECT_EQ(m.status, "Stopped");
}

TEST(AliyunClouds, RefusalsAnswerAFailureNamingWhyAndNeverTheKey) {
  struct Case {
    const char* what;
    Operation operation;
    Fields form;
    int code;
    const char* msgPart;
    std::size_t requests;
  } cases[] = {
      {"running machine reinstalled",
       Operation::kRebuild,
       {{"instanceids", "[i-cn-beijing-0]"}, {"imagesid", "m-own1"}, {"password", "Abc12345!x"}},
       kCodeRefused,
       "IncorrectInstanceStatus：The current status of the resource does not support this "
       "operation.（RequestId：",
       1},
      {"one of two machines refused",
       Operation::kRebuild,
       {{"instanceids", "i-cn-beijing-1,i-cn-beijing-0,"},
        {"imagesid", "m-own1"},
        {"password", "Abc12345!x"}},
       kCodeRefused,
       "i-cn-beijing-0：IncorrectInstanceStatus",
       2},
      {"wrong secret",
       Operation::kInstances,
       {{"secretkey", "not-the-secret"}},
       kCodeBadKeys,
       "SignatureDoesNotMatch：",
       1},
      {"unknown key",
       Operation::kBalance,
       {{"secretid", "LTAInobody"}},
       kCodeBadKeys,
       "InvalidAccessKeyId.NotFound",
       1},
      {"unknown region",
       Operation::kZones,
       {{"region", "cn-atlantis"}},
       kCodeBadField,
       "阿里云没有该地域：cn-atlantis",
       0},
      {"key typed as region",
       Operation::kZones,
       {{"region", kSecret}},
       kCodeBadField,
       "阿里云没有该地域：***",
       0},
      {"no secret key",
       Operation::kBalance,
       {{"secretkey", ""}},
       kCodeBadField,
       "缺少参数：secretkey",
       0},
      {"page too large", Operation::kInstances, {{"limit", "101"}}, kCodeBadField, "limit=101", 0},
      {"no ids", Operation::kStart, {{"instanceids", "[]"}}, kCodeBadField, "instanceids", 0},
      {"unknown image kind",
       Operation::kImages,
       {{"imagetype", "private"}},
       kCodeBadField,
       "镜像类型不正确：private",
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    const CloudReply reply = rig.Perform(c.operation, c.form);
    EXPECT_EQ(reply.code, c.code);
    EXPECT_NE(reply.msg.find(c.msgPart), std::string::npos) << reply.msg;
    EXPECT_EQ(reply.msg.find(kSecret), std::string::npos) << reply.msg;
    EXPECT_EQ(rig.fake.Received().size(), c.requests);
  }
}

// Creation refuses, before anything is paid for, what would create the wrong machines.
TEST(AliyunClouds, CreationRefusesCountsAndTimersItCannotHonour) {
  const std::vector<std::pair<Fields, const char*>> cases = {
      {{{"instancecount", "0"}}, "instancecount=0"},
      {{{"instancecount", "101"}}, "instancecount=101"},
      {{{"is_actiontimer", "1"}, {"actiontimer", "0"}}, "actiontimer=0"},
      {{{"is_actiontimer", "1"}, {"actiontimer", "abc"}}, "actiontimer=abc"},
      {{{"imageid", ""}}, "缺少参数：imageid"},
      {{{"vswitchid", ""}}, "缺少参数：vswitchid"},
  };
  for (const auto& [changes, msgPart] : cases) {
    SCOPED_TRACE(msgPart);
    Rig rig;
    Fields form = kRunForm;
    for (const auto& [name, value] : changes) form[name] = value;
    const CloudReply reply = rig.Perform(Operation::kRun, form);
    EXPECT_EQ(reply.code, kCodeBadField);
    EXPECT_NE(reply.msg.find(msgPart), std::string::npos) << reply.msg;
    EXPECT_TRUE(rig.fake.Received().empty());
  }
  Rig rig;
  Fields noTimer = kRunForm;
  noTimer["is_actiontimer"] = "0";
  noTimer["actiontimer"] = "0";
  ASSERT_EQ(rig.Perform(Operation::kRun, noTimer).code, 0);
  EXPECT_EQ(QueryOf(rig.fake.Received().at(0)).count("AutoReleaseTime"), 0u);
}

TEST(AliyunClouds, AnswersTheProviderCouldNotGiveAreFailures) {
  struct Case {
    ProviderResponse response;
    bool ok;
    int code;
    const char* msgPart;
    bool throttled;
  } cases[] = {
      {{200, {}, R"({"RequestId":"r","TotalCount":0})", "", false}, true, 0, "", false},
      {{400, {}, test::FakeAliyun::ErrorBody("Throttling.User", "flow control"), "", false},
       false,
       kCodeRefused,
       "Throttling.User：flow control",
       true},
      {{503, {}, test::FakeAliyun::ErrorBody("ServiceUnavailable", "busy"), "", false},
       false,
       kCodeRefused,
       "ServiceUnavailable：busy",
       false},
      {{200,
        {},
        R"({"Code":"NotApplicable","Message":"not for caller","Success":false})",
        "",
        false},
       false,
       kCodeRefused,
       "NotApplicable：not for caller",
       false},
      {{200, {}, "<html>gateway busy</html>", "", false}, false, kCodeBadReply, "无法解析", false},
      {{200, {}, R"({"Instances":)", "", false}, false, kCodeBadReply, "HTTP 200", false},
      {{0, {}, "", "Could not resolve host", false},
       false,
       kCodeBadReply,
       "无法连接阿里云接口 ecs.example：Could not resolve host",
       false},
      {{0, {}, "", "Operation timed out", true}, false, kCodeTimedOut, "应答超时", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.response.body + c.response.transportError);
    const ApiResult result = ReadAnswer(c.response, "ecs.example");
    EXPECT_EQ(result.ok, c.ok);
    EXPECT_EQ(result.code, c.code);
    EXPECT_NE(result.msg.find(c.msgPart), std::string::npos) << result.msg;
    EXPECT_EQ(IsThrottling(c.response), c.throttled);
  }
  // Through an operation: the throttling the transport finally gives up on, and a body the
  // console could not use either.
  Rig rig;
  rig.fake.Inject(400, test::FakeAliyun::ErrorBody("Throttling.User", "flow control"));
  rig.fake.Inject(200, "{\"TotalCount\": 3, \"Instan");
  EXPECT_EQ(rig.Perform(Operation::kInstances, {}).code, kCodeRefused);
  const CloudReply broken = rig.Perform(Operation::kInstances, {});
  EXPECT_EQ(broken.code, kCodeBadReply);
  EXPECT_NE(broken.msg.find("ecs.cn-beijing.aliyuncs.com"), std::string::npos);
}

// Where the provider's reply differs from what the console reads, and only there.
TEST(AliyunClouds, RepliesAreMappedWhereTheConsoleWouldMisreadThem) {
  Rig rig;
  test::FakeAliyun::Machine both, eipOnly;
  both.id = "i-both";
  both.publicIp = "47.1.1.1";
  both.eip = "39.2.2.2";
  eipOnly.id = "i-eip";
  eipOnly.eip = "39.3.3.3";
  rig.fake.AddMachine(kId, "cn-qingdao", both);
  rig.fake.AddMachine(kId, "cn-qingdao", eipOnly);
  const CloudReply list = rig.Perform(Operation::kInstances, {{"region", "cn-qingdao"}});
  EXPECT_EQ(Text(list.Data(), "/Instances/Instance/0/PublicIpAddress/IpAddress/0"), "47.1.1.1");
  EXPECT_EQ(Text(list.Data(), "/Instances/Instance/1/PublicIpAddress/IpAddress/0"), "39.3.3.3");
  EXPECT_TRUE(list.dataText.empty());  // rewritten, so not passed on as the provider wrote it
  rig.fake.AddMachines(kId, "cn-zhangjiakou", 3);
  const CloudReply plain = rig.Perform(Operation::kInstances, {{"region", "cn-zhangjiakou"}});
  EXPECT_EQ(Text(plain.Data(), "/Instances/Instance/2/PublicIpAddress/IpAddress/0"), "47.0.0.3");
  EXPECT_FALSE(plain.dataText.empty());

  rig.fake.AddKey("LTAIrich", "rich-secret", "1,234,567.89");
  const CloudReply balance =
      rig.Perform(Operation::kBalance, {{"secretid", "LTAIrich"}, {"secretkey", "rich-secret"}});
  EXPECT_EQ(Text(balance.Data(), "/Data/AvailableCashAmount"), "1234567.89");
  EXPECT_EQ(Text(balance.Data(), "/Data/AvailableAmount"), "1,234,567.89");

  // 150 images: two pages of the provider's, one list for the console.
  for (int n = 0; n < 150; ++n) rig.fake.AddOwnImage(kId, "m-x" + std::to_string(n), "镜像");
  rig.fake.ClearReceived();
  const CloudReply images = rig.Perform(Operation::kImages, {{"imagetype", "self"}});
  EXPECT_EQ(rig.fake.Received().size(), 2u);
  EXPECT_EQ(images.Data()["Images"]["Image"].size(), 151u);
  EXPECT_EQ(Text(images.Data(), "/Images/Image/150/ImageId"), "m-x149");
}

TEST(AliyunClouds, EndpointsFollowTheRegionUnlessOverridden) {
  EXPECT_EQ(DefaultHost(kEcsService, "cn-hangzhou"), "ecs-cn-hangzhou.aliyuncs.com");
  EXPECT_EQ(DefaultHost(kEcsService, "eu-central-1"), "ecs.eu-central-1.aliyuncs.com");
  EXPECT_EQ(DefaultHost(kBssService, "ap-southeast-1"), "business.aliyuncs.com");

  Rig rig(EndpointOverrides{{{"ecs", "http://127.0.0.1:41234/"}}});
  rig.Perform(Operation::kZones, {});
  rig.Perform(Operation::kBalance, {});
  const auto sent = rig.fake.Received();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].scheme + "://" + sent[0].host, "http://127.0.0.1:41234");
  EXPECT_EQ(sent[0].Header("host"), "127.0.0.1:41234");
  EXPECT_EQ(sent[1].scheme + "://" + sent[1].host, "https://business.aliyuncs.com");
}

}  // namespace
}  // namespace ydt::live::aliyun
