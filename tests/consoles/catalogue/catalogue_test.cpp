#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/catalogue/provider_state.h"

namespace ydt {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> Strings(std::span<const std::string_view> items) {
  return {items.begin(), items.end()};
}

TEST(ItemCodeTest, TakesTheTextBetweenTheFullWidthBrackets) {
  EXPECT_EQ(itemCode("北京四（cn-north-4）"), "cn-north-4");
  EXPECT_EQ(itemCode("广州（cn-south-1）"), "cn-south-1");
  EXPECT_EQ(itemCode("竞价付费（SPOTPAID）"), "SPOTPAID");
}

TEST(ItemCodeTest, WithoutAnOpeningBracketTheCodeIsEmpty) {
  EXPECT_EQ(itemCode("无"), "");
  EXPECT_EQ(itemCode(""), "");
  // ASCII brackets are not the separator.
  EXPECT_EQ(itemCode("北京(ap-beijing)"), "");
}

TEST(ItemCodeTest, DropsClosingBracketsLineBreakPairsAndOuterSpaces) {
  EXPECT_EQ(itemCode("镜像（ img-1 ）"), "img-1");
  EXPECT_EQ(itemCode("镜像（img\r\n-2）\r\n"), "img-2");
  EXPECT_EQ(itemCode("（无）"), "无");
  // A lone line feed is not a pair and stays.
  EXPECT_EQ(itemCode("a（b\nc）"), "b\nc");
}

TEST(ItemCodeTest, AnImageNameWithItsOwnBracketYieldsTheTextAfterIt) {
  // The second part is the one right after the first bracket, not the true ID.
  EXPECT_EQ(itemCode("系统（64位）（img-9）"), "64位");
}

TEST(CatalogueTest, ProvidersFollowTheTabOrder) {
  EXPECT_EQ(Info(ProviderKind::Tencent).displayName, "腾讯云");
  EXPECT_EQ(Info(ProviderKind::Aliyun).displayName, "阿里云");
  EXPECT_EQ(Info(ProviderKind::Huawei).displayName, "华为云");
  for (ProviderKind kind : kAllProviders) {
    EXPECT_EQ(Info(kind).kind, kind);
    EXPECT_EQ(ProviderFromIndex(ProviderIndex(kind)), kind);
    EXPECT_EQ(Info(kind).segment, Info(kind).section);
  }
  EXPECT_EQ(Info(ProviderKind::Tencent).segment, "qcloud");
  EXPECT_EQ(Info(ProviderKind::Aliyun).segment, "aliyun");
  EXPECT_EQ(Info(ProviderKind::Huawei).segment, "huawei");
  EXPECT_EQ(ProviderFromIndex(-1), std::nullopt);
  EXPECT_EQ(ProviderFromIndex(3), std::nullopt);
}

TEST(CatalogueTest, RegionListsHaveTheirItemsInOrderWithUniqueCodes) {
  const auto& tencent = Info(ProviderKind::Tencent).regionItems;
  const auto& aliyun = Info(ProviderKind::Aliyun).regionItems;
  const auto& huawei = Info(ProviderKind::Huawei).regionItems;
  ASSERT_EQ(tencent.size(), 12u);
  ASSERT_EQ(aliyun.size(), 17u);
  ASSERT_EQ(huawei.size(), 9u);
  EXPECT_EQ(tencent[0], "北京（ap-beijing）");
  EXPECT_EQ(tencent[11], "法兰克福（eu-frankfurt）");
  EXPECT_EQ(aliyun[3], "深圳（cn-shenzhen）");
  EXPECT_EQ(aliyun[16], "法兰克福（eu-central-1）");
  EXPECT_EQ(huawei[3], "广州（cn-south-1）");
  EXPECT_EQ(huawei[8], "约翰内斯堡（af-south-1）");
  for (ProviderKind kind : kAllProviders) {
    std::set<std::string> codes;
    for (std::string_view item : Info(kind).regionItems) {
      const std::string code = itemCode(item);
      EXPECT_FALSE(code.empty()) << item;
      EXPECT_TRUE(codes.insert(code).second) << "duplicate " << code;
    }
  }
}

TEST(CatalogueTest, EveryHuaweiRegionHasZonesAndCnSouth1HasCnSouth2b) {
  for (std::string_view item : Info(ProviderKind::Huawei).regionItems) {
    EXPECT_FALSE(HuaweiZones(itemCode(item)).empty()) << item;
  }
  EXPECT_THAT(
      Strings(HuaweiZones(itemCode("广州（cn-south-1）"))),
      ElementsAre("cn-south-1a", "cn-south-2b", "cn-south-1c", "cn-south-1e", "cn-south-1f"));
  EXPECT_THAT(Strings(HuaweiZones("cn-north-4")),
              ElementsAre("cn-north-4a", "cn-north-4b", "cn-north-4c", "cn-north-4g"));
  EXPECT_TRUE(HuaweiZones("cn-north-1").empty());
  EXPECT_TRUE(HuaweiZones("").empty());
}

TEST(StateWordTest, UpperCasesThenTranslatesPerProvider) {
  EXPECT_EQ(StateWord(ProviderKind::Tencent, "shutdown"), "停止待销毁");
  EXPECT_EQ(StateWord(ProviderKind::Aliyun, "SHUTDOWN"), "SHUTDOWN");
  EXPECT_EQ(StateWord(ProviderKind::Huawei, "ACTIVE"), "运行中");
  EXPECT_EQ(StateWord(ProviderKind::Huawei, "active"), "运行中");
  EXPECT_EQ(StateWord(ProviderKind::Tencent, "running"), "运行中");
  EXPECT_EQ(StateWord(ProviderKind::Aliyun, "Stopped"), "关机");
  EXPECT_EQ(StateWord(ProviderKind::Huawei, "SHUTOFF"), "关机");
  // Huawei speaks its own vocabulary: Tencent's RUNNING is unknown there.
  EXPECT_EQ(StateWord(ProviderKind::Huawei, "running"), "RUNNING");
  EXPECT_EQ(StateWord(ProviderKind::Tencent, "stopped_x"), "STOPPED_X");
  EXPECT_EQ(StateWord(ProviderKind::Tencent, ""), "");
}

TEST(StateWordTest, BatchFiltersFindTheirWordsInEveryTable) {
  // The batch buttons compare grid cells against exactly these two words.
  for (ProviderKind kind : kAllProviders) {
    std::set<std::string_view> words;
    for (const StateWordEntry& entry : Info(kind).stateWords) words.insert(entry.word);
    EXPECT_TRUE(words.count("运行中")) << Info(kind).segment;
    EXPECT_TRUE(words.count("关机")) << Info(kind).segment;
  }
}

TEST(CatalogueTest, NamesPathsAndTitles) {
  EXPECT_EQ(WidgetName("编辑框", ProviderKind::Tencent, "secretid"), "编辑框_腾讯云_secretid");
  EXPECT_EQ(WidgetName("组合框", ProviderKind::Huawei, "区域"), "组合框_华为云_区域");
  EXPECT_EQ(BackendPath(ProviderKind::Huawei, "stopinstances"), "/yunduotai/huawei/stopinstances/");
  EXPECT_EQ(BackendPath(ProviderKind::Aliyun, "rebuild/run"), "/yunduotai/aliyun/rebuild/run/");
  EXPECT_EQ(LogTitle(ProviderKind::Huawei, "关闭主机"), "华为云 - 关闭主机");
  // Form names that break the pattern.
  EXPECT_EQ(Info(ProviderKind::Tencent).testButtonName, "按钮_腾讯云_测试登录");
  EXPECT_EQ(Info(ProviderKind::Aliyun).testButtonName, "按钮_阿里云_登录");
  EXPECT_EQ(Info(ProviderKind::Huawei).testButtonName, "按钮_华为云_登录");
  EXPECT_EQ(Info(ProviderKind::Huawei).instanceTypeButtonName, "按钮_阿里云_查机器资源5");
}

TEST(CatalogueTest, ImageTypesDisksAndReplyLayout) {
  EXPECT_EQ(ImageTypeCode(ProviderKind::Tencent, "共享镜像"), "SHARED_IMAGE");
  EXPECT_EQ(ImageTypeCode(ProviderKind::Aliyun, "公共镜像"), "system");
  EXPECT_EQ(ImageTypeCode(ProviderKind::Huawei, "私有镜像"), "private");
  EXPECT_EQ(ImageTypeCode(ProviderKind::Huawei, "其他"), std::nullopt);
  EXPECT_EQ(itemCode(Info(ProviderKind::Aliyun).diskTypeItems[0]), "cloud_efficiency");
  EXPECT_EQ(itemCode(Info(ProviderKind::Huawei).diskTypeItems[2]), "co-p1");
  EXPECT_EQ(Info(ProviderKind::Huawei).totalPath, "data.count");
  EXPECT_EQ(Info(ProviderKind::Aliyun).listPath, "data.Instances.Instance");
  EXPECT_EQ(Info(ProviderKind::Tencent).paging, PagingStyle::Offset);
  EXPECT_EQ(Info(ProviderKind::Huawei).paging, PagingStyle::Page);
}

TEST(ProviderStateTest, StartsEmptyAndTakesTheFixedStartValues) {
  ProviderState state;
  EXPECT_EQ(state.bandwidth, 0);
  EXPECT_EQ(state.machineCount, 0);
  EXPECT_TRUE(state.imageType.empty());

  ProviderState tencent;
  ApplyFixedStartValues(tencent, ProviderKind::Tencent);
  EXPECT_EQ(tencent.imageType, "PRIVATE_IMAGE");
  EXPECT_EQ(tencent.chargeType, "POSTPAID_BY_HOUR");
  EXPECT_EQ(tencent.bandwidth, 1);
  EXPECT_EQ(tencent.machineCount, 1);
  EXPECT_EQ(tencent.destroyTimer, 0);

  ProviderState aliyun;
  ApplyFixedStartValues(aliyun, ProviderKind::Aliyun);
  EXPECT_EQ(aliyun.imageType, "self");
  EXPECT_TRUE(aliyun.chargeType.empty());
  ProviderState huawei;
  ApplyFixedStartValues(huawei, ProviderKind::Huawei);
  EXPECT_EQ(huawei.imageType, "private");
}

}  // namespace
}  // namespace ydt
