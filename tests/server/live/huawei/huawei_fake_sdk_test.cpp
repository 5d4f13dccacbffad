// The fake provider is first a client of the official SDK: if the SDK's requests fail the
// fake's signature check, or the SDK cannot read the fake's answers, the fake has drifted.
#include <gtest/gtest.h>

#include "fake_cloud_server.h"
#include "huawei/fake_huawei.h"
#include "node_oracle.h"

namespace ydt::test {
namespace {

TEST(HuaweiFakeAgainstSdk, EveryActionTheGatewayUsesIsSignedAndReadByTheSdk) {
  if (const std::string missing = NodeOracleMissing("@huaweicloud/huaweicloud-sdk-core");
      !missing.empty())
    GTEST_SKIP() << missing;
  FakeHuawei fake;
  fake.AddKey("HPUASDKAK0001", "sdk/secret+0001");
  fake.AddMachines("HPUASDKAK0001", "cn-north-4", 3);
  FakeCloudServer server(fake);
  ASSERT_NE(server.Port(), 0);

  const NodeRun run =
      RunNodeScript(YDT_HUAWEI_TEST_DIR "/sdk_against_fake.js",
                    {server.BaseUrl(), "HPUASDKAK0001", "sdk/secret+0001", "d0123456789"});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  for (const char* step :
       {"KeystoneListProjects", "ListServersDetails", "BatchStopServers", "BatchStartServers",
        "ListFlavors", "CreatePostPaidServers", "ChangeServerOsWithCloudInit", "DeleteServers",
        "ListImages", "ShowCustomerAccountBalances"}) {
    EXPECT_NE(run.output.find(std::string("ok ") + step), std::string::npos) << step;
  }
  // Three seeded, two created (once, though asked twice with one token), one deleted.
  const auto machines = fake.Machines("HPUASDKAK0001", "cn-north-4");
  EXPECT_EQ(machines.size(), 4u);
  EXPECT_EQ(fake.ServersCreated(), 2);
  EXPECT_EQ(machines[0].status, "ACTIVE");  // the stopped one was started again
  EXPECT_EQ(machines[1].image, "c0ffee00-2222-4000-8000-000000000001");
}

}  // namespace
}  // namespace ydt::test
