// The creation requests: how a count splits into requests and what each provider's form
// carries, field by field.
#include <gtest/gtest.h>

#include <numeric>

#include "consoles/template/machine_creator.h"

namespace ydt {
namespace {

int Sum(const std::vector<int>& v) {
  return std::accumulate(v.begin(), v.end(), 0);
}

TEST(CreationBatches, SplitsIntoFullHundredsThenTheRest) {
  EXPECT_EQ(CreationBatches(1), (std::vector<int>{1}));
  EXPECT_EQ(CreationBatches(99), (std::vector<int>{99}));
  EXPECT_EQ(CreationBatches(100), (std::vector<int>{100}));
  EXPECT_EQ(CreationBatches(101), (std::vector<int>{100, 1}));
  EXPECT_EQ(CreationBatches(200), (std::vector<int>{100, 100}));
  EXPECT_EQ(CreationBatches(250), (std::vector<int>{100, 100, 50}));

  const std::vector<int> most = CreationBatches(9999);
  ASSERT_EQ(most.size(), 100u);
  EXPECT_EQ(most.back(), 99);
  EXPECT_EQ(Sum(most), 9999);
  for (std::size_t i = 0; i + 1 < most.size(); ++i) EXPECT_EQ(most[i], 100);
}

TEST(CreationBatches, NothingForNoMachines) {
  EXPECT_TRUE(CreationBatches(0).empty());
  EXPECT_TRUE(CreationBatches(-5).empty());
}

ProviderState Template(ProviderKind kind) {
  ProviderState s;
  s.regionCode = "r1";
  s.zoneCode = "z1";
  s.imageType = "private";
  s.imageId = "img-1";
  s.instanceType = "t1";
  s.diskType = "SSD";
  s.bandwidth = 5;
  s.password = "Qzt.Hv731.Nep#";
  s.machineCount = 7;  // stored, never sent: the count comes from the box at the click
  s.destroyTimer = 1;
  s.destroyHours = 24;
  if (kind == ProviderKind::Tencent) s.chargeType = "SPOTPAID";
  if (kind == ProviderKind::Aliyun) {
    s.securityGroupId = "sg-1";
    s.vswitchId = "vsw-1";
  }
  if (kind == ProviderKind::Huawei) {
    s.vpcId = "vpc-1";
    s.subnetId = "sub-1";
  }
  return s;
}

TEST(CreateFormText, EachProviderInItsFieldOrder) {
  const AccessKeys keys{"id", "key"};
  EXPECT_EQ(CreateFormText(ProviderKind::Tencent, keys, Template(ProviderKind::Tencent), 100),
            "secretid=id&secretkey=key&region=r1&zone=z1&instancetype=t1&imageid=img-1"
            "&disktype=SSD&bandwidth=5&password=Qzt.Hv731.Nep#&instancecount=100"
            "&is_actiontimer=1&actiontimer=24&instancechargetype=SPOTPAID");
  EXPECT_EQ(CreateFormText(ProviderKind::Aliyun, keys, Template(ProviderKind::Aliyun), 3),
            "secretid=id&secretkey=key&region=r1&zone=z1&instancetype=t1&imageid=img-1"
            "&disktype=SSD&bandwidth=5&securitygroupid=sg-1&vswitchid=vsw-1"
            "&password=Qzt.Hv731.Nep#&instancecount=3&is_actiontimer=1&actiontimer=24");
  EXPECT_EQ(CreateFormText(ProviderKind::Huawei, keys, Template(ProviderKind::Huawei), 1),
            "secretid=id&secretkey=key&region=r1&zone=z1&instancetype=t1&imageid=img-1"
            "&disktype=SSD&bandwidth=5&vpcid=vpc-1&subnetid=sub-1"
            "&password=Qzt.Hv731.Nep#&instancecount=1&is_actiontimer=1&actiontimer=24");
}

TEST(CreateFormText, PasswordWithFormCharactersReachesTheBackendWhole) {
  ProviderState s = Template(ProviderKind::Tencent);
  s.password = "a&b=c+d%";
  const std::string form = CreateFormText(ProviderKind::Tencent, {"id", "key"}, s, 1);
  EXPECT_NE(form.find("&password=a%26b%3Dc%2Bd%25&instancecount=1"), std::string::npos) << form;
}

TEST(DestroyChoice, TypedHoursSwitchItOnAndNotOpenSwitchesItOff) {
  EXPECT_EQ(DestroyChoiceFromText("24").destroyTimer, 1);
  EXPECT_EQ(DestroyChoiceFromText("24").destroyHours, 24);
  EXPECT_EQ(DestroyChoiceFromText(" 6 ").destroyHours, 6);
  EXPECT_EQ(DestroyChoiceFromText("不开启").destroyTimer, 0);
  EXPECT_EQ(DestroyChoiceFromText("不开启").destroyHours, 0);
  // Text without digits still means "on"; the backend decides what 0 hours means.
  EXPECT_EQ(DestroyChoiceFromText("ab").destroyTimer, 1);
  EXPECT_EQ(DestroyChoiceFromText("ab").destroyHours, 0);
}

}  // namespace
}  // namespace ydt
