// The fake Tencent API's first client is the official SDK: every action the gateway uses,
// through the SDK's own clients and signer, must verify at the fake and parse in the SDK, so
// the fake cannot drift from what the real API accepts and answers.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "fake_cloud_server.h"
#include "fake_qcloud.h"
#include "node_oracle.h"

namespace ydt::test {
namespace {

using nlohmann::json;

TEST(FakeQcloudUnderSdk, EveryGatewayActionVerifiesAndParses) {
  const std::string missing = NodeOracleMissing("tencentcloud-sdk-nodejs-cvm");
  if (!missing.empty()) GTEST_SKIP() << "official SDK oracle unavailable: " << missing;

  FakeQcloud fake;
  fake.AddAccount("AKIDsdkoracle0001", {"sdk-oracle-secret-key", 100099887766, 880000});
  fake.AddMachines("AKIDsdkoracle0001", "ap-guangzhou", 5);
  fake.Inject(QcloudFault::Throttle("DescribeZones"));
  FakeCloudServer server(fake);
  ASSERT_GT(server.Port(), 0);

  const NodeRun run =
      RunNodeScript(YDT_QCLOUD_TEST_DIR "/sdk_against_fake.js",
                    {std::to_string(server.Port()), "AKIDsdkoracle0001", "sdk-oracle-secret-key"});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::map<std::string, json> steps;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) {
    const json step = json::parse(line, nullptr, false);
    ASSERT_TRUE(step.is_object()) << line;
    steps[step["step"]] = step;
  }

  struct Expect {
    const char* step;
    bool ok;
    const char* code;  // the SDK's error code when not ok
  } expectations[] = {
      {"DescribeInstances", true, ""},
      {"StopInstances", true, ""},
      {"StartInstances", true, ""},
      {"TerminateInstances", true, ""},
      {"Throttled", false, "RequestLimitExceeded"},
      {"DescribeZones", true, ""},
      {"DescribeImages", true, ""},
      {"DescribeInstanceTypeConfigs", true, ""},
      {"RunInstances", true, ""},
      {"RunInstancesAgain", true, ""},
      {"ResetInstance", true, ""},
      {"DescribeAccountBalance", true, ""},
      {"WrongKey", false, "AuthFailure.SignatureFailure"},
      {"NotFound", false, "InvalidInstanceId.NotFound"},
  };
  for (const auto& e : expectations) {
    ASSERT_TRUE(steps.count(e.step)) << e.step << " did not run:\n" << run.output;
    const json& step = steps[e.step];
    EXPECT_EQ(step["ok"], e.ok) << step.dump();
    if (!e.ok) {
      EXPECT_EQ(step["code"], e.code) << step.dump();
    }
  }
  // Only the request signed with the wrong key failed verification.
  EXPECT_EQ(fake.SignatureFailures(), 1);

  // The SDK read the members the console reads.
  EXPECT_EQ(steps["DescribeInstances"]["total"], 5);
  EXPECT_EQ(steps["DescribeInstances"]["first"]["InstanceState"], "RUNNING");
  EXPECT_TRUE(steps["DescribeInstances"]["first"]["PublicIpAddresses"].is_array());
  EXPECT_EQ(steps["DescribeZones"]["first"]["ZoneState"], "AVAILABLE");
  EXPECT_EQ(steps["DescribeImages"]["total"], FakeQcloud::kPublicImages);
  EXPECT_EQ(steps["DescribeImages"]["count"], FakeQcloud::kPublicImages - 100);
  EXPECT_EQ(steps["DescribeInstanceTypeConfigs"]["first"]["Zone"], "ap-guangzhou-2");
  EXPECT_EQ(steps["DescribeAccountBalance"]["uin"], 100099887766);
  EXPECT_EQ(steps["DescribeAccountBalance"]["realBalance"], 880000);
  // The same ClientToken made the machines once: 5 − 1 terminated + 2 created.
  EXPECT_EQ(steps["RunInstances"]["ids"].size(), 2u);
  EXPECT_EQ(steps["RunInstances"]["ids"], steps["RunInstancesAgain"]["ids"]);
  const auto machines = fake.Machines("AKIDsdkoracle0001", "ap-guangzhou");
  ASSERT_EQ(machines.size(), 6u);
  EXPECT_FALSE(machines.back().actionTime.empty());
  EXPECT_EQ(machines.front().imageId, "img-shar0001");
}

}  // namespace
}  // namespace ydt::test
