// Every Tencent operation of the console through the gateway's clouds and the fake API: the
// console's form in, the provider request out, the provider's reply back as the envelope the
// console reads; then refusals, and what is not retried over a real socket (the failures
// every provider shares are in provider_failures_test.cpp).
#include "live/qcloud/qcloud_clouds.h"

#include <gtest/gtest.h>

#include "fake_cloud_server.h"
#include "fake_qcloud.h"
#include "in_process_transport.h"
#include "live/common/console_form.h"
#include "live/common/crypto.h"
#include "live/common/curl_transport.h"

namespace ydt::live::qcloud {
namespace {

using front::CloudReply;
using front::Operation;
using Json = nlohmann::ordered_json;
using Fields = std::map<std::string, std::string>;

constexpr long long kNow = 1796900000;
constexpr char kId[] = "AKIDgateway0001";
constexpr char kKey[] = "gateway-secret-key-0001";
constexpr char kRegion[] = "ap-guangzhou";

// "InstanceSet[0].CPU", the console's way of naming a member, as a JSON pointer.
Json::json_pointer Pointer(const std::string& path) {
  std::string out = "/";
  for (char c : path) {
    if (c == '.' || c == '[') {
      if (out.back() != '/') out += '/';
    } else if (c != ']') {
      out += c;
    }
  }
  return Json::json_pointer(out == "/" ? "" : out);
}

bool Has(const Json& json, const std::string& path) {
  const auto pointer = Pointer(path);
  return json.contains(pointer) && !json.at(pointer).is_null();
}

front::CloudRequest Request(Operation operation, Fields fields) {
  front::CloudRequest request;
  request.operation = operation;
  request.fields = std::move(fields);
  request.user = "operator";
  return request;
}

Fields WithKeys(Fields extra, const std::string& region = kRegion) {
  Fields fields{{"secretid", kId}, {"secretkey", kKey}, {"region", region}};
  fields.insert(extra.begin(), extra.end());
  return fields;
}

// A creation form the fake accepts, with some fields changed.
Fields RunForm(const Fields& changes) {
  Fields fields{{"zone", "ap-guangzhou-1"},  {"instancetype", "S5.SMALL2"},
                {"imageid", "img-priv0001"}, {"disktype", "CLOUD_PREMIUM"},
                {"bandwidth", "1"},          {"password", "Qzt.Hv731.Nep#"},
                {"instancecount", "1"},      {"instancechargetype", "POSTPAID_BY_HOUR"}};
  for (const auto& [name, value] : changes) fields[name] = value;
  return fields;
}

std::vector<live::ProviderRequest> Of(const std::vector<live::ProviderRequest>& all,
                                      const std::string& action) {
  std::vector<live::ProviderRequest> out;
  for (const auto& r : all) {
    if (r.Header("X-TC-Action") == action) out.push_back(r);
  }
  return out;
}

class QcloudCloudsTest : public ::testing::Test {
 protected:
  QcloudCloudsTest()
      : transport_(fake_),
        clouds_(transport_, {},
                {[] { return kNow; }, [this] { return "token-" + std::to_string(++tokens_); }}) {
    fake_.SetClock([] { return kNow; });
    fake_.AddAccount(kId, {kKey});
    fake_.AddMachines(kId, kRegion, 250);
    for (const auto& m : fake_.Machines(kId, kRegion)) ids_.push_back(m.id);
  }

  CloudReply Perform(Operation operation, Fields fields) {
    return clouds_.Perform(Request(operation, std::move(fields)));
  }

  test::FakeQcloud fake_;
  test::InProcessTransport transport_;
  int tokens_ = 0;
  QcloudClouds clouds_;
  std::vector<std::string> ids_;
};

TEST_F(QcloudCloudsTest, EachOperationSendsItsActionAndAnswersWhatTheConsoleReads) {
  struct Case {
    Operation operation;
    Fields fields;
    std::vector<std::string> actions;                // provider actions, in order
    std::vector<std::pair<std::string, Json>> sent;  // members of the first request's body
    std::vector<std::string> consoleReads;           // members of data the console reads
    std::vector<std::pair<std::string, Json>> data;  // exact values in data
  };
  const std::string id0 = ids_[0], id3 = ids_[3], id4 = ids_[4];
  const Case cases[] = {
      {Operation::kInstances,
       {{"offset", "0"}, {"limit", "1"}},
       {"DescribeInstances"},
       {{"Offset", 0}, {"Limit", 1}},
       {"TotalCount", "InstanceSet[0].InstanceId"},
       {{"TotalCount", 250}}},
      {Operation::kInstances,
       {{"offset", "200"}, {"limit", "100"}},
       {"DescribeInstances"},
       {{"Offset", 200}, {"Limit", 100}},
       {"InstanceSet[49].InstanceId", "InstanceSet[49].InstanceState",
        "InstanceSet[49].InstanceType", "InstanceSet[49].CPU", "InstanceSet[49].Memory",
        "InstanceSet[49].OsName", "InstanceSet[49].PublicIpAddresses", "InstanceSet[49].ImageId",
        "InstanceSet[49].CreatedTime"},
       {{"InstanceSet[0].InstanceId", ids_[200]}, {"InstanceSet[0].InstanceState", "RUNNING"}}},
      {Operation::kStop,
       {{"instanceids", "[" + id0 + "]"}},
       {"StopInstances"},
       {{"InstanceIds", Json::array({id0})}},
       {},
       {}},
      {Operation::kStart,
       {{"instanceids", "[\"" + id0 + "\"]"}},
       {"StartInstances"},
       {{"InstanceIds", Json::array({id0})}},
       {},
       {}},
      {Operation::kTerminate,
       {{"instanceids", id3 + "," + id4 + ","}},
       {"TerminateInstances"},
       {{"InstanceIds", Json::array({id3, id4})}},
       {},
       {}},
      {Operation::kBalance,
       {},
       {"DescribeAccountBalance"},
       {},
       {"Uin", "RealBalance"},
       {{"RealBalance", 1234567}}},
      {Operation::kZones,
       {},
       {"DescribeZones"},
       {},
       {"TotalCount", "ZoneSet[2].Zone", "ZoneSet[2].ZoneName", "ZoneSet[2].ZoneState"},
       {{"ZoneSet[0].ZoneName", "广州一区"}, {"ZoneSet[2].ZoneState", "UNAVAILABLE"}}},
      // All public images in one list, though the API gives at most 100 a page.
      {Operation::kImages,
       {{"imagetype", "PUBLIC_IMAGE"}},
       {"DescribeImages", "DescribeImages"},
       {{"Filters[0].Name", "image-type"},
        {"Filters[0].Values[0]", "PUBLIC_IMAGE"},
        {"Offset", 0},
        {"Limit", 100}},
       {"ImageSet[129].ImageId", "ImageSet[129].ImageName"},
       {{"TotalCount", test::FakeQcloud::kPublicImages}}},
      {Operation::kRebuildImages,
       {{"imagetype", "PRIVATE_IMAGE"}},
       {"DescribeImages"},
       {{"Filters[0].Values[0]", "PRIVATE_IMAGE"}},
       {"ImageSet[0].ImageId", "ImageSet[0].ImageName"},
       {{"ImageSet[0].ImageName", "我的镜像-网站"}}},
      {Operation::kInstanceTypes,
       {{"zone", "ap-guangzhou-2"}},
       {"DescribeInstanceTypeConfigs"},
       {{"Filters[0].Name", "zone"}, {"Filters[0].Values[0]", "ap-guangzhou-2"}},
       {"InstanceTypeConfigSet[0].Zone", "InstanceTypeConfigSet[0].InstanceType",
        "InstanceTypeConfigSet[0].CPU", "InstanceTypeConfigSet[0].Memory"},
       {{"InstanceTypeConfigSet[0].Zone", "ap-guangzhou-2"}}},
      {Operation::kRun,
       {{"zone", "ap-guangzhou-1"},
        {"instancetype", "S5.MEDIUM4"},
        {"imageid", "img-priv0001"},
        {"disktype", "CLOUD_SSD"},
        {"bandwidth", "5"},
        {"password", "Qzt.Hv731.Nep#"},
        {"instancecount", "2"},
        {"is_actiontimer", "1"},
        {"actiontimer", "24"},
        {"instancechargetype", "SPOTPAID"}},
       {"RunInstances"},
       {{"Placement.Zone", "ap-guangzhou-1"},
        {"InstanceType", "S5.MEDIUM4"},
        {"ImageId", "img-priv0001"},
        {"SystemDisk.DiskType", "CLOUD_SSD"},
        {"InternetAccessible.InternetMaxBandwidthOut", 5},
        {"InternetAccessible.PublicIpAssigned", true},
        {"LoginSettings.Password", "Qzt.Hv731.Nep#"},
        {"InstanceCount", 2},
        {"InstanceChargeType", "SPOTPAID"},
        {"ActionTimer.TimerAction", "TerminateInstances"},
        {"ActionTimer.ActionTime", UtcIso8601(kNow + 24 * 3600)},
        {"ClientToken", "token-1"}},
       {"InstanceIdSet[1]"},
       {}},
      {Operation::kRebuild,
       {{"instanceids", "[" + ids_[5] + "]"},
        {"password", "New.Pass123"},
        {"imagesid", "img-shar0001"}},
       {"ResetInstance"},
       {{"InstanceId", ids_[5]},
        {"ImageId", "img-shar0001"},
        {"LoginSettings.Password", "New.Pass123"}},
       {},
       {}},
  };
  for (const Case& c : cases) {
    const std::string name(front::PathOf(c.operation));
    fake_.ClearReceived();
    const CloudReply reply = Perform(c.operation, WithKeys(c.fields));
    ASSERT_EQ(reply.code, 0) << name << ": " << reply.msg;
    const auto received = fake_.Received();
    ASSERT_EQ(received.size(), c.actions.size()) << name;
    for (std::size_t i = 0; i < received.size(); ++i) {
      EXPECT_EQ(received[i].Header("X-TC-Action"), c.actions[i]) << name;
    }
    const bool billing = c.operation == Operation::kBalance;
    EXPECT_EQ(received[0].Header("X-TC-Region"), billing ? "" : kRegion) << name;
    EXPECT_EQ(received[0].Header("X-TC-Version"), billing ? "2018-07-09" : "2017-03-12") << name;
    const Json body = Json::parse(received[0].body);
    for (const auto& [path, value] : c.sent) {
      EXPECT_TRUE(Has(body, path) && body.at(Pointer(path)) == value)
          << name << " sent " << path << " = " << body.value(Pointer(path), Json()).dump();
    }
    for (const auto& path : c.consoleReads) {
      EXPECT_TRUE(Has(reply.Data(), path)) << name << " answers no " << path;
    }
    for (const auto& [path, value] : c.data) {
      EXPECT_TRUE(Has(reply.Data(), path) && reply.Data().at(Pointer(path)) == value)
          << name << " answers " << path << " = "
          << reply.Data().value(Pointer(path), Json()).dump();
    }
  }
  EXPECT_EQ(fake_.SignatureFailures(), 0);
  const auto machines = fake_.Machines(kId, kRegion);
  EXPECT_EQ(machines.size(), 250u - 2 + 2);
  EXPECT_EQ(machines.back().actionTime, UtcIso8601(kNow + 24 * 3600));
}

TEST_F(QcloudCloudsTest, RefusalsNameTheFieldOrCarryTheProvidersCode) {
  struct Case {
    const char* name;
    Operation operation;
    Fields fields;
    int code;
    std::string msgStart;
    bool reachesProvider;
  };
  const Case cases[] = {
      {"no secret id",
       Operation::kZones,
       {{"secretkey", kKey}, {"region", kRegion}},
       kCodeBadField,
       "缺少参数：secretid",
       false},
      {"no region",
       Operation::kZones,
       {{"secretid", kId}, {"secretkey", kKey}},
       kCodeBadField,
       "缺少参数：region",
       false},
      {"malformed region", Operation::kZones, WithKeys({}, "ap guangzhou"), kCodeBadField,
       "地域不存在：ap guangzhou", false},
      {"region unknown to the provider", Operation::kInstances, WithKeys({}, "ap-moon"),
       kCodeBadField, "腾讯云不支持该地域：ap-moon（UnsupportedRegion: ", true},
      {"page too large", Operation::kInstances, WithKeys({{"limit", "101"}}), kCodeBadField,
       "参数超出范围：limit 取值范围为1-100", false},
      {"offset not a number", Operation::kInstances, WithKeys({{"offset", "abc"}}), kCodeBadField,
       "参数格式错误：offset=abc", false},
      {"empty ID list", Operation::kStop, WithKeys({{"instanceids", "[]"}}), kCodeBadField,
       "instanceids中没有实例ID", false},
      {"no image type", Operation::kImages, WithKeys({}), kCodeBadField, "缺少参数：imagetype",
       false},
      {"no zone for types", Operation::kInstanceTypes, WithKeys({{"zone", ""}}), kCodeBadField,
       "缺少参数：zone", false},
      {"timer without hours", Operation::kRun,
       WithKeys(RunForm({{"is_actiontimer", "1"}, {"actiontimer", "0"}})), kCodeBadField,
       "定时销毁时间不正确：0", false},
      {"more than a hundred machines", Operation::kRun,
       WithKeys(RunForm({{"instancecount", "101"}})), kCodeBadField,
       "参数超出范围：instancecount 取值范围为1-100", false},
      {"secret id that could not be signed",
       Operation::kZones,
       {{"secretid", "AKID/x\r\nX-Evil: 1"}, {"secretkey", kKey}, {"region", kRegion}},
       kCodeBadKeys,
       "SecretId格式不正确",
       false},
      {"wrong secret key",
       Operation::kBalance,
       {{"secretid", kId}, {"secretkey", "not-the-key"}},
       kCodeBadKeys,
       "AuthFailure.SignatureFailure: ",
       true},
      {"unknown secret id",
       Operation::kZones,
       {{"secretid", "AKIDnobody"}, {"secretkey", kKey}, {"region", kRegion}},
       kCodeBadKeys,
       "AuthFailure.SecretIdNotFound: ",
       true},
      {"starting a running machine", Operation::kStart,
       WithKeys({{"instanceids", "[" + ids_[7] + "]"}}), kCodeRefused,
       "UnsupportedOperation.InstanceStateRunning: ", true},
      {"sold-out zone", Operation::kRun, WithKeys(RunForm({{"zone", "ap-guangzhou-3"}})),
       kCodeRefused, "ResourceInsufficient.AvailabilityZoneSoldOut: ", true},
  };
  for (const Case& c : cases) {
    fake_.ClearReceived();
    const CloudReply reply = Perform(c.operation, c.fields);
    EXPECT_EQ(reply.code, c.code) << c.name << ": " << reply.msg;
    EXPECT_EQ(reply.msg.substr(0, c.msgStart.size()), c.msgStart) << c.name << ": " << reply.msg;
    EXPECT_EQ(!fake_.Received().empty(), c.reachesProvider) << c.name;
  }
}

TEST_F(QcloudCloudsTest, KeysAndPasswordsNeverReachTheEnvelope) {
  // A provider message that quotes what it was sent.
  fake_.Inject(
      test::QcloudFault::Error("ResetInstance", "InvalidParameterValue",
                               std::string("密钥 ") + kKey + " 与密码 Secret.Pass99 无效"));
  const CloudReply reply =
      Perform(Operation::kRebuild, WithKeys({{"instanceids", "[" + ids_[0] + "]"},
                                             {"password", "Secret.Pass99"},
                                             {"imagesid", "img-priv0001"}}));
  EXPECT_NE(reply.code, 0);
  EXPECT_EQ(reply.msg, "InvalidParameterValue: 密钥 *** 与密码 *** 无效");
}

TEST_F(QcloudCloudsTest, BatchesAreSplitIntoHundredsAndOneRefusedRunDoesNotStopTheOthers) {
  std::string list;
  for (int i = 0; i < 250; ++i) list += (i == 150 ? std::string("ins-nosuch00") : ids_[i]) + ",";
  const CloudReply reply = Perform(Operation::kStop, WithKeys({{"instanceids", list}}));
  const auto calls = Of(fake_.Received(), "StopInstances");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(Json::parse(calls[0].body)["InstanceIds"].size(), 100u);
  EXPECT_EQ(Json::parse(calls[2].body)["InstanceIds"].size(), 50u);
  EXPECT_EQ(reply.code, kCodeRefused);
  EXPECT_EQ(reply.msg.rfind("3次调用中1次失败，首个失败：InvalidInstanceId.NotFound: ", 0), 0u)
      << reply.msg;
  const auto machines = fake_.Machines(kId, kRegion);
  EXPECT_EQ(machines[0].state, "STOPPED");
  EXPECT_EQ(machines[120].state, "RUNNING");  // its run was refused as a whole
  EXPECT_EQ(machines[249].state, "STOPPED");
}

TEST_F(QcloudCloudsTest, AnswersThatAreNotTheApisAreFailures) {
  struct Case {
    test::QcloudFault fault;
    std::string msgPart;
  } cases[] = {
      {test::QcloudFault::Malformed("DescribeZones"), "返回了无法识别的应答（HTTP 200）"},
      {test::QcloudFault::Status("DescribeZones"), "返回了无法识别的应答（HTTP 503）"},
  };
  for (const auto& c : cases) {
    fake_.Inject(c.fault);
    const CloudReply reply = Perform(Operation::kZones, WithKeys({}));
    EXPECT_EQ(reply.code, kCodeBadReply);
    EXPECT_NE(reply.msg.find(c.msgPart), std::string::npos) << reply.msg;
  }
}

// Over a real socket with the gateway's own transport: what is retried and what is not.
class QcloudOverHttpTest : public ::testing::Test {
 protected:
  QcloudOverHttpTest() {
    fake_.SetClock([] { return kNow; });
    fake_.AddAccount(kId, {kKey});
    fake_.AddMachines(kId, kRegion, 250);
  }

  CloudReply Perform(Operation operation, Fields fields, TransportOptions options = {},
                     std::string endpoint = {}) {
    options.sleep = [](std::chrono::milliseconds) {};
    CurlTransport transport(options);
    EndpointOverrides endpoints;
    endpoints.byService["cvm"] = endpoint.empty() ? server_.BaseUrl() : endpoint;
    endpoints.byService["billing"] = endpoints.byService["cvm"];
    QcloudClouds clouds(transport, endpoints, {[] { return kNow; }, {}});
    return clouds.Perform(Request(operation, WithKeys(std::move(fields))));
  }

  test::FakeQcloud fake_;
  test::FakeCloudServer server_{fake_};
};

TEST_F(QcloudOverHttpTest, AReinstallIsNotRepeatedAfterAServerError) {
  fake_.Inject(test::QcloudFault::Status("ResetInstance"));
  const std::string id = fake_.Machines(kId, kRegion)[0].id;
  const CloudReply reply = Perform(
      Operation::kRebuild,
      {{"instanceids", "[" + id + "]"}, {"password", "New.Pass123"}, {"imagesid", "img-priv0001"}});
  EXPECT_EQ(reply.code, kCodeBadReply);
  EXPECT_EQ(Of(fake_.Received(), "ResetInstance").size(), 1u);
}

TEST_F(QcloudOverHttpTest, AnUnreachableEndpointSaysWhichItWas) {
  // A port that was free a moment ago: nothing listens there.
  int closedPort = 0;
  {
    test::FakeQcloud other;
    test::FakeCloudServer gone(other);
    closedPort = gone.Port();
  }
  TransportOptions once;
  once.maxAttempts = 1;
  const CloudReply refused =
      Perform(Operation::kZones, {}, once, "http://127.0.0.1:" + std::to_string(closedPort));
  EXPECT_EQ(refused.code, kCodeBadReply);
  EXPECT_EQ(refused.msg.rfind("无法连接腾讯云cvm接口（127.0.0.1:", 0), 0u) << refused.msg;
}

}  // namespace
}  // namespace ydt::live::qcloud
