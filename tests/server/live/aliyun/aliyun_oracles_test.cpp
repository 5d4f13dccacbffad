// The gateway's Alibaba Cloud pieces against the provider's official Node SDKs: the signer
// byte for byte against the SDKs' signers, and the fake provider as the SDK's server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "aliyun/fake_aliyun.h"
#include "fake_cloud_server.h"
#include "live/aliyun/acs3_signer.h"
#include "node_oracle.h"

namespace ydt::live::aliyun {
namespace {

using nlohmann::ordered_json;

struct SigningCase {
  const char* host;
  const char* action;
  const char* version;
  NameValues query;
  NameValues form;  // the SDK's form body, empty for none
};

// Requests as the gateway sends them, and a few that stress the canonical form: Chinese
// and reserved characters in values and in a form body, and list items past the ninth,
// whose names sort as text ("InstanceId.10" before "InstanceId.2").
std::vector<SigningCase> SigningCases() {
  NameValues stop = {{"RegionId", "cn-hangzhou"}};
  for (int n = 1; n <= 12; ++n)
    stop.emplace_back("InstanceId." + std::to_string(n), "i-" + std::to_string(n));
  return {
      {"ecs.cn-beijing.aliyuncs.com",
       "DescribeInstances",
       "2014-05-26",
       {{"RegionId", "cn-beijing"}, {"PageNumber", "3"}, {"PageSize", "100"}},
       {}},
      {"ecs.ap-southeast-1.aliyuncs.com",
       "RunInstances",
       "2014-05-26",
       {{"RegionId", "ap-southeast-1"},
        {"InstanceType", "ecs.s6-c1m1.small"},
        {"SystemDisk.Category", "cloud_essd"},
        {"Password", "Qzt.Hv731.Nep#(~*')!"},
        {"InstanceName", "测试机器 一号"},
        {"AutoReleaseTime", "2024-05-07T13:00:00Z"},
        {"ClientToken", "0f1e2d3c4b5a69788796a5b4c3d2e1f0"}},
       {}},
      {"business.aliyuncs.com", "QueryAccountBalance", "2017-12-14", {}, {}},
      {"ecs-cn-hangzhou.aliyuncs.com", "StopInstances", "2014-05-26", stop, {}},
      {"ecs.cn-shanghai.aliyuncs.com",
       "DescribeImages",
       "2014-05-26",
       {{"RegionId", "cn-shanghai"}, {"ImageName", "中文 镜像+1"}},
       {{"Description", "中文说明 a+b=c&d"}, {"Tag.1.Key", "环境"}}},
  };
}

TEST(AliyunOracle, SignerMatchesTheOfficialSdksByteForByte) {
  if (const std::string missing = test::NodeOracleMissing("@alicloud/ecs20140526");
      !missing.empty())
    GTEST_SKIP() << missing;
  const AccessKey key{"LTAI5tQk3mPfXw9Lzq", "Zx8vQp2RtY6uWs4kJ0aBcDeFgHiJkL"};
  const auto cases = SigningCases();
  ordered_json input = ordered_json::array();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    ordered_json entry = {{"keyId", key.id},
                          {"secret", key.secret},
                          {"time", 1715000000 + 3607 * static_cast<long long>(i)},
                          {"nonce", "nonce-" + std::to_string(i) + "-c0ffee"},
                          {"host", cases[i].host},
                          {"action", cases[i].action},
                          {"version", cases[i].version},
                          {"method", "POST"},
                          {"path", "/"},
                          {"query", ordered_json::object()},
                          {"body", nullptr}};
    for (const auto& [name, value] : cases[i].query) entry["query"][name] = value;
    if (!cases[i].form.empty()) {
      entry["body"] = ordered_json::object();
      for (const auto& [name, value] : cases[i].form) entry["body"][name] = value;
    }
    input.push_back(std::move(entry));
  }
  char path[] = "/tmp/ydt-aliyun-cases-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::ofstream(path) << input.dump();
  const test::NodeRun run = test::RunNodeScript(YDT_ALIYUN_TEST_DIR "/sign_oracle.js", {path});
  std::remove(path);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const ordered_json sent = ordered_json::parse(run.output);
  ASSERT_EQ(sent.size(), cases.size());

  for (std::size_t i = 0; i < cases.size(); ++i) {
    for (const char* generation : {"core", "legacy"}) {
      SCOPED_TRACE(std::string(cases[i].action) + " via " + generation);
      const ordered_json& sdk = sent[i][generation];
      // The same request as the SDK's: its headers but the four a signer adds, its body.
      ProviderRequest request;
      request.method = "POST";
      request.host = cases[i].host;
      request.query = cases[i].query;
      request.body = sdk["body"].get<std::string>();
      for (const auto& [name, value] : sdk["headers"].items()) {
        if (name != "Authorization" && name != "x-acs-date" && name != "x-acs-signature-nonce" &&
            name != "x-acs-content-sha256") {
          request.headers.emplace_back(name, value.get<std::string>());
        }
      }
      const NameValues added = SignAcs3(request, input[i]["time"].get<long long>(),
                                        input[i]["nonce"].get<std::string>(), key);
      ASSERT_EQ(added.size(), 4u);
      for (const auto& [name, value] : added) {
        EXPECT_EQ(value, sdk["headers"][name].get<std::string>()) << name;
      }
    }
  }
}

// The official clients are the fake's first customers: every action the gateway sends,
// signed by the SDK and verified by the fake, and every answer parsed by the SDK's models.
TEST(AliyunOracle, OfficialClientsAcceptTheFake) {
  if (const std::string missing = test::NodeOracleMissing("@alicloud/ecs20140526");
      !missing.empty())
    GTEST_SKIP() << missing;
  test::FakeAliyun fake;
  fake.AddKey("LTAIsdkFake01", "sdk-secret-0123456789");
  fake.AddMachines("LTAIsdkFake01", "cn-beijing", 1, "Running");
  for (int n = 1; n <= 2; ++n) {
    test::FakeAliyun::Machine m;
    m.id = "i-cn-beijing-" + std::to_string(n);
    m.status = "Stopped";
    fake.AddMachine("LTAIsdkFake01", "cn-beijing", m);
  }
  fake.AddOwnImage("LTAIsdkFake01", "m-own1", "自定义镜像一");
  fake.Inject(400, test::FakeAliyun::ErrorBody("Throttling.User",
                                               "Request was denied due to user flow control."));
  test::FakeCloudServer server(fake);
  ASSERT_NE(server.Port(), 0);

  const test::NodeRun run = test::RunNodeScript(
      YDT_ALIYUN_TEST_DIR "/sdk_against_fake.js",
      {std::to_string(server.Port()), "LTAIsdkFake01", "sdk-secret-0123456789"});
  ASSERT_EQ(run.exitCode, 0) << run.output;

  std::vector<std::string> actions;
  for (const auto& request : fake.Received()) actions.push_back(request.Header("x-acs-action"));
  EXPECT_EQ(actions, (std::vector<std::string>{
                         "DescribeInstances", "DescribeInstances", "DescribeAvailableResource",
                         "DescribeAvailableResource", "DescribeImages", "DescribeImages",
                         "StartInstances", "StopInstances", "StopInstances", "ReplaceSystemDisk",
                         "RunInstances", "RunInstances", "ReplaceSystemDisk", "DeleteInstances",
                         "QueryAccountBalance", "DescribeInstances"}));
  // Two creations under one token made two machines, and both were released.
  EXPECT_EQ(fake.Machines("LTAIsdkFake01", "cn-beijing").size(), 3u);
}

}  // namespace
}  // namespace ydt::live::aliyun
