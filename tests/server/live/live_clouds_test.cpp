// The live clouds hand each provider's operations to that provider's clouds, and refuse
// plainly for a provider not carried to its API.
#include "live/live_clouds.h"

#include <gtest/gtest.h>

#include "fake_cloud_server.h"
#include "fake_qcloud.h"

namespace ydt::live {
namespace {

TEST(LiveClouds, DispatchesByProviderThroughTheOverriddenEndpoints) {
  test::FakeQcloud fake;
  fake.AddAccount("AKIDlive0001", {"live-secret"});
  test::FakeCloudServer server(fake);
  LiveOptions options;
  options.endpoints.byService["cvm"] = server.BaseUrl();
  auto clouds = MakeLiveClouds(options);

  front::CloudRequest request;
  request.operation = front::Operation::kZones;
  request.fields = {
      {"secretid", "AKIDlive0001"}, {"secretkey", "live-secret"}, {"region", "ap-tokyo"}};
  const front::CloudReply zones = clouds->Perform(request);
  EXPECT_EQ(zones.code, 0) << zones.msg;
  EXPECT_EQ(zones.data["ZoneSet"][0]["Zone"], "ap-tokyo-1");
  EXPECT_EQ(fake.Received().size(), 1u);

  for (front::Provider other : {front::Provider::kAliyun, front::Provider::kHuawei}) {
    request.provider = other;
    const front::CloudReply reply = clouds->Perform(request);
    if (reply.code == 501) {
      EXPECT_EQ(reply.msg, "网关尚未接入该云厂商：" + std::string(front::SegmentOf(other)));
    } else {
      // A provider carried since: its own clouds answer, never Tencent's fake.
      EXPECT_EQ(fake.Received().size(), 1u);
    }
  }
}

}  // namespace
}  // namespace ydt::live
