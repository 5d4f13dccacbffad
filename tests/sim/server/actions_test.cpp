// Machines changing over time: start, stop, release, reinstall, creation, timed destruction.
#include <gtest/gtest.h>

#include "sim_client.h"
#include "sim_process.h"

namespace ydt::test {
namespace {

using nlohmann::json;

// Changes outlast any test; the test ends them by moving the stand-in's clock on, so a slow
// machine can neither miss a transitional state nor see it end early.
constexpr int kTransitionMs = 600000;
constexpr long long kHourMs = 3600LL * 1000;
const char* kPassword = "Qzt.Hv731.Nep#";

class SimActions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sim_ = new SimProcess({"--transition-ms", std::to_string(kTransitionMs), "--timer-hour-ms",
                           std::to_string(kHourMs)});
  }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(sim_->Started()) << sim_->StartError();
    ASSERT_TRUE(sim_->Reset());
    client_ = std::make_unique<SimClient>(sim_->Port());
    ASSERT_TRUE(client_->LogIn());
  }
  static void Settle() { EXPECT_TRUE(sim_->Advance(kTransitionMs)); }

  SimReply Do(const std::string& segment, const std::string& op, const std::string& region,
              const std::string& rest) {
    return client_->Post("/yunduotai/" + segment + "/" + op + "/",
                         SimClient::Keys(segment) + "&region=" + region + rest);
  }
  json List(const std::string& segment, const std::string& region) {
    const bool tencent = segment == "qcloud";
    auto data =
        Do(segment, "instances", region, tencent ? "&offset=0&limit=100" : "&page=1&limit=100")
            .Data();
    return tencent               ? data["InstanceSet"]
           : segment == "aliyun" ? data["Instances"]["Instance"]
                                 : data["servers"];
  }
  json Find(const std::string& segment, const std::string& region, const std::string& id) {
    for (const auto& m : List(segment, region)) {
      if (m.value(segment == "huawei" ? "id" : "InstanceId", "") == id) return m;
    }
    return nullptr;
  }
  std::string State(const std::string& segment, const std::string& region, const std::string& id) {
    json m = Find(segment, region, id);
    if (m.is_null()) return "(gone)";
    return m[segment == "qcloud" ? "InstanceState" : segment == "aliyun" ? "Status" : "status"];
  }

  static SimProcess* sim_;
  std::unique_ptr<SimClient> client_;
};
SimProcess* SimActions::sim_ = nullptr;

TEST_F(SimActions, TencentStopAndStartPassThroughTransitionalStates) {
  EXPECT_EQ(Do("qcloud", "stopinstances", "ap-beijing", "&instanceids=[ins-demo0001]").Code(), 0);
  EXPECT_EQ(State("qcloud", "ap-beijing", "ins-demo0001"), "STOPPING");
  // A machine in the middle of a change refuses another.
  auto busy = Do("qcloud", "startinstances", "ap-beijing", "&instanceids=[ins-demo0001]");
  EXPECT_NE(busy.Code(), 0);
  EXPECT_NE(busy.Msg().find("ins-demo0001"), std::string::npos);
  Settle();
  EXPECT_EQ(State("qcloud", "ap-beijing", "ins-demo0001"), "STOPPED");
  EXPECT_EQ(Do("qcloud", "startinstances", "ap-beijing", "&instanceids=[ins-demo0001]").Code(), 0);
  EXPECT_EQ(State("qcloud", "ap-beijing", "ins-demo0001"), "STARTING");
  Settle();
  EXPECT_EQ(State("qcloud", "ap-beijing", "ins-demo0001"), "RUNNING");
  // Starting a running machine (as the Tencent start-all does) is harmless.
  EXPECT_EQ(Do("qcloud", "startinstances", "ap-beijing", "&instanceids=[ins-demo0001]").Code(), 0);
  EXPECT_EQ(State("qcloud", "ap-beijing", "ins-demo0001"), "RUNNING");
}

TEST_F(SimActions, BatchListFormWithTrailingCommaAndUnknownIdsReported) {
  auto reply = Do("aliyun", "stopinstances", "cn-beijing",
                  "&instanceids=i-demo00000000000000001,i-nosuch,i-demo00000000000000003,");
  EXPECT_NE(reply.Code(), 0) << "an unknown ID is not a success";
  EXPECT_NE(reply.Msg().find("i-nosuch"), std::string::npos);
  EXPECT_EQ(reply.Msg().find("i-demo"), std::string::npos);
  // The known machines were still acted on; the lower-case "running" one counts as running.
  EXPECT_EQ(State("aliyun", "cn-beijing", "i-demo00000000000000001"), "Stopping");
  EXPECT_EQ(State("aliyun", "cn-beijing", "i-demo00000000000000003"), "Stopping");
  Settle();
  EXPECT_EQ(State("aliyun", "cn-beijing", "i-demo00000000000000003"), "Stopped");
  EXPECT_NE(Do("aliyun", "stopinstances", "cn-beijing", "&instanceids=[]").Code(), 0);
  EXPECT_NE(Do("aliyun", "stopinstances", "cn-beijing", "").Code(), 0);
}

TEST_F(SimActions, LongFilteredBatchesOfALargeRegionAreRead) {
  // A batch list grows until a qualifying row falls on a hundred, so it may be very long.
  auto page =
      Do("qcloud", "instances", "ap-guangzhou", "&offset=0&limit=100").Data()["InstanceSet"];
  std::string ids;
  std::vector<std::string> running;
  for (const auto& m : page) {
    if (m["InstanceState"] != "RUNNING") continue;
    running.push_back(m["InstanceId"]);
    ids += running.back() + ",";
  }
  for (int i = 0; i < 2000; ++i) ids += "ins-gone" + std::to_string(i) + ",";
  ASSERT_GT(ids.size(), 8192u);
  auto reply = Do("qcloud", "stopinstances", "ap-guangzhou", "&instanceids=" + ids);
  EXPECT_NE(reply.Code(), 0);
  EXPECT_NE(reply.Msg().find("ins-gone1999"), std::string::npos);
  auto after =
      Do("qcloud", "instances", "ap-guangzhou", "&offset=0&limit=100").Data()["InstanceSet"];
  size_t stopping = 0;
  for (const auto& m : after) stopping += m["InstanceState"] == "STOPPING" ? 1 : 0;
  EXPECT_EQ(stopping, running.size());
}

TEST_F(SimActions, HuaweiPowerChangesShowInTaskStateAndReleaseRemoves) {
  const std::string shutoff = "d3b07384-d9a0-4c9b-8f3e-000000000002";
  EXPECT_EQ(Do("huawei", "startinstances", "cn-north-4", "&instanceids=[" + shutoff + "]").Code(),
            0);
  json m = Find("huawei", "cn-north-4", shutoff);
  EXPECT_EQ(m["status"], "SHUTOFF");
  EXPECT_EQ(m["OS-EXT-STS:task_state"], "powering-on");
  Settle();
  EXPECT_EQ(State("huawei", "cn-north-4", shutoff), "ACTIVE");

  EXPECT_EQ(
      Do("huawei", "terminateinstances", "cn-north-4", "&instanceids=" + shutoff + ",").Code(), 0);
  EXPECT_EQ(Find("huawei", "cn-north-4", shutoff)["OS-EXT-STS:task_state"], "deleting");
  Settle();
  EXPECT_EQ(State("huawei", "cn-north-4", shutoff), "(gone)");
  EXPECT_EQ(List("huawei", "cn-north-4").size(), 2u);
  // Reset brings released machines back.
  ASSERT_TRUE(sim_->Reset());
  EXPECT_EQ(List("huawei", "cn-north-4").size(), 3u);
}

TEST_F(SimActions, ReinstallChangesImageAndAliyunWantsTheMachineStopped) {
  auto running = Do("aliyun", "rebuild/run", "cn-beijing",
                    "&instanceids=[i-demo00000000000000001]&password=" + std::string(kPassword) +
                        "&imagesid=m-demo01");
  EXPECT_NE(running.Code(), 0);
  EXPECT_NE(running.Msg().find("请先关机"), std::string::npos);
  auto stopped = Do("aliyun", "rebuild/run", "cn-beijing",
                    "&instanceids=[i-demo00000000000000002]&password=" + std::string(kPassword) +
                        "&imagesid=m-demo01");
  EXPECT_EQ(stopped.Code(), 0) << stopped.body;
  Settle();
  json m = Find("aliyun", "cn-beijing", "i-demo00000000000000002");
  EXPECT_EQ(m["ImageId"], "m-demo01");
  EXPECT_EQ(m["Status"], "Running");

  // Tencent and Huawei reinstall running machines; the field order differs per provider.
  EXPECT_EQ(client_
                ->Post("/yunduotai/huawei/rebuild/run/",
                       SimClient::Keys("huawei") +
                           "&region=cn-north-4&instanceids=[d3b07384-d9a0-4c9b-8f3e-000000000001]&"
                           "imagesid=" +
                           "67f433d8-ed0e-4321-a8a2-a71838539e09&password=" + kPassword)
                .Code(),
            0);
  EXPECT_EQ(State("huawei", "cn-north-4", "d3b07384-d9a0-4c9b-8f3e-000000000001"), "REBUILD");
  EXPECT_NE(Do("qcloud", "rebuild/run", "ap-beijing",
               "&instanceids=[ins-demo0001]&password=short&imagesid=img-9qabwvbn")
                .Code(),
            0);
  EXPECT_NE(
      Do("qcloud", "rebuild/run", "ap-beijing",
         "&instanceids=[ins-demo0001]&password=" + std::string(kPassword) + "&imagesid=img-nosuch")
          .Code(),
      0);
  EXPECT_EQ(Do("qcloud", "rebuild/run", "ap-beijing",
               "&instanceids=[ins-demo0001]&password=" + std::string(kPassword) +
                   "&imagesid=img-9qabwvbn")
                .Code(),
            0);
  EXPECT_EQ(State("qcloud", "ap-beijing", "ins-demo0001"), "REBOOTING");
}

std::string TencentCreate(int count, int bandwidth = 1,
                          const std::string& timer = "&is_actiontimer=0&actiontimer=0") {
  return "&zone=ap-nanjing-1&instancetype=S5.SMALL2&imageid=img-22trbn9x&disktype=CLOUD_SSD&"
         "bandwidth=" +
         std::to_string(bandwidth) + "&password=" + kPassword +
         "&instancecount=" + std::to_string(count) + timer + "&instancechargetype=SPOTPAID";
}

TEST_F(SimActions, CreationHonoursTheTemplateAndLimitsTheCount) {
  EXPECT_TRUE(List("qcloud", "ap-nanjing").empty());
  auto created = Do("qcloud", "runinstances", "ap-nanjing", TencentCreate(3));
  ASSERT_EQ(created.Code(), 0) << created.body;
  ASSERT_EQ(created.Data()["InstanceIdSet"].size(), 3u);
  auto list = List("qcloud", "ap-nanjing");
  ASSERT_EQ(list.size(), 3u);
  for (const auto& m : list) {
    EXPECT_EQ(m["InstanceState"], "PENDING");
    EXPECT_EQ(m["Placement"]["Zone"], "ap-nanjing-1");
    EXPECT_EQ(m["InstanceType"], "S5.SMALL2");
    EXPECT_EQ(m["Memory"], 2);
    EXPECT_EQ(m["ImageId"], "img-22trbn9x");
    EXPECT_EQ(m["SystemDisk"]["DiskType"], "CLOUD_SSD");
    EXPECT_EQ(m["InstanceChargeType"], "SPOTPAID");
    EXPECT_EQ(m["PublicIpAddresses"].size(), 1u);
    EXPECT_EQ(m["InstanceId"].get<std::string>().substr(0, 4), "ins-");
  }
  Settle();
  EXPECT_EQ(List("qcloud", "ap-nanjing")[0]["InstanceState"], "RUNNING");

  auto tooMany = Do("qcloud", "runinstances", "ap-nanjing", TencentCreate(101));
  EXPECT_NE(tooMany.Code(), 0);
  EXPECT_NE(tooMany.Msg().find("100"), std::string::npos);
  EXPECT_NE(Do("qcloud", "runinstances", "ap-nanjing", TencentCreate(0)).Code(), 0);
  EXPECT_EQ(List("qcloud", "ap-nanjing").size(), 3u) << "refused requests create nothing";
  EXPECT_EQ(Do("qcloud", "runinstances", "ap-nanjing", TencentCreate(100, 0)).Code(), 0);
  auto after = Do("qcloud", "instances", "ap-nanjing", "&offset=100&limit=100").Data();
  EXPECT_EQ(after["TotalCount"], 103);
  EXPECT_TRUE(after["InstanceSet"][0]["PublicIpAddresses"].empty())
      << "no bandwidth, no public address";
}

TEST_F(SimActions, CreationRefusesWhatTheProviderWouldRefuse) {
  const std::string ok = TencentCreate(1);
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string form = ok;
    form.replace(form.find(from), from.size(), to);
    return form;
  };
  for (const auto& form :
       {replace("ap-nanjing-1", "ap-nanjing-9"), replace("S5.SMALL2", "X9.HUGE"),
        replace("img-22trbn9x", "img-unknown"), replace("CLOUD_SSD", "FLOPPY"),
        replace(kPassword, "abc"), replace("SPOTPAID", "FREE"),
        replace("&is_actiontimer=0&actiontimer=0", "&is_actiontimer=1&actiontimer=0"),
        replace("&bandwidth=1", "&bandwidth=x"), replace("&instancecount=1", "")}) {
    auto reply = Do("qcloud", "runinstances", "ap-nanjing", form);
    EXPECT_NE(reply.Code(), 0) << form;
    EXPECT_FALSE(reply.Msg().empty()) << form;
  }
  // Huawei wants UUID network IDs; Aliyun sg-/vsw- IDs.
  auto huawei =
      Do("huawei", "runinstances", "cn-south-1",
         "&zone=cn-south-2b&instancetype=sn3.small.1&imageid=67f433d8-ed0e-4321-a8a2-a71838539e09"
         "&disktype=SAS&bandwidth=1&vpcid=not-a-uuid&subnetid=8a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d&"
         "password=" +
             std::string(kPassword) + "&instancecount=1&is_actiontimer=0&actiontimer=0");
  EXPECT_NE(huawei.Code(), 0);
  auto aliyun = Do("aliyun", "runinstances", "cn-shenzhen",
                   "&zone=cn-shenzhen-a&instancetype=ecs.s6-c1m1.small&imageid=centos_7_9_x64_20G_"
                   "alibase_20230613.vhd"
                   "&disktype=cloud_essd&bandwidth=5&securitygroupid=sg-2ze0000000000000000a&"
                   "vswitchid=vsw-2ze00000000000000000b"
                   "&password=" +
                       std::string(kPassword) + "&instancecount=2&is_actiontimer=0&actiontimer=0");
  EXPECT_EQ(aliyun.Code(), 0) << aliyun.body;
  EXPECT_EQ(aliyun.Data()["InstanceIdSets"]["InstanceIdSet"].size(), 2u);
}

TEST_F(SimActions, TimedDestructionReleasesCreatedMachines) {
  auto created = Do("qcloud", "runinstances", "ap-nanjing",
                    TencentCreate(2, 1, "&is_actiontimer=1&actiontimer=1"));
  ASSERT_EQ(created.Code(), 0) << created.body;
  auto list = List("qcloud", "ap-nanjing");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]["ActionTimer"]["TimerAction"], "TerminateInstances");
  // Half the hour: created and running, not yet released.
  ASSERT_TRUE(sim_->Advance(kHourMs / 2));
  EXPECT_EQ(List("qcloud", "ap-nanjing")[1]["InstanceState"], "RUNNING");
  // The hour is up: the release takes a transition of its own.
  ASSERT_TRUE(sim_->Advance(kHourMs / 2));
  EXPECT_EQ(List("qcloud", "ap-nanjing")[1]["InstanceState"], "TERMINATING");
  Settle();
  EXPECT_TRUE(List("qcloud", "ap-nanjing").empty());
}

}  // namespace
}  // namespace ydt::test
