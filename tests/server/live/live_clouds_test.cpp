// The live clouds hand each provider's operations to that provider's clouds, through the
// endpoint overrides they were given.
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

  // The other providers answer for themselves (without keys, before sending anything), and
  // nothing of theirs reaches Tencent's endpoint.
  request.fields = {{"region", "cn-hangzhou"}};
  for (front::Provider other : {front::Provider::kAliyun, front::Provider::kHuawei}) {
    request.provider = other;
    const front::CloudReply reply = clouds->Perform(request);
    EXPECT_NE(reply.code, 0) << front::SegmentOf(other);
    EXPECT_EQ(reply.msg.find("网关尚未接入"), std::string::npos) << reply.msg;
  }
  EXPECT_EQ(fake.Received().size(), 1u);
}

// Alibaba and Huawei share the names "ecs" and "bss": a provider's qualified name reaches
// that provider alone and beats the plain name, so one gateway can serve three fakes.
TEST(LiveClouds, QualifiedEndpointNamesReachOneProviderAlone) {
  test::FakeQcloud fake;
  fake.AddAccount("AKIDlive0002", {"live-secret"});
  test::FakeCloudServer server(fake);
  LiveOptions options;
  options.endpoints.byService["cvm"] = "http://127.0.0.1:9";
  options.endpoints.byService["qcloud.cvm"] = server.BaseUrl();
  options.endpoints.byService["aliyun.cvm"] = "http://127.0.0.1:9";
  auto clouds = MakeLiveClouds(options);

  front::CloudRequest request;
  request.operation = front::Operation::kZones;
  request.fields = {
      {"secretid", "AKIDlive0002"}, {"secretkey", "live-secret"}, {"region", "ap-tokyo"}};
  const front::CloudReply zones = clouds->Perform(request);
  EXPECT_EQ(zones.code, 0) << zones.msg;
  EXPECT_EQ(fake.Received().size(), 1u);

  const EndpointOverrides huawei = options.endpoints.ForProvider("huawei");
  EXPECT_EQ(huawei.byService.size(), 1u);
  EXPECT_EQ(huawei.byService.at("cvm"), "http://127.0.0.1:9");
}

}  // namespace
}  // namespace ydt::live
