// Zone, image and instance-type replies read into the template's items and texts.
#include <gtest/gtest.h>

#include "consoles/reinstall/rebuilder.h"
#include "consoles/template/lookup_replies.h"

namespace ydt {
namespace {

JsonDoc Doc(const std::string& text) {
  JsonDoc doc;
  EXPECT_TRUE(doc.Parse(text)) << text;
  return doc;
}

TEST(ZonesFromReply, TencentKeepsAvailableZonesInAnyLetterCase) {
  const auto zones =
      ZonesFromReply(ProviderKind::Tencent, Doc(R"({"code":0,"data":{"TotalCount":3,"ZoneSet":[
            {"Zone":"ap-guangzhou-1","ZoneName":"广州一区","ZoneState":"UNAVAILABLE"},
            {"Zone":"ap-guangzhou-3","ZoneName":"广州三区","ZoneState":"available"},
            {"Zone":"ap-guangzhou-4","ZoneName":"广州四区","ZoneState":"AVAILABLE"}]}})"));
  ASSERT_TRUE(zones);
  EXPECT_EQ(zones->items,
            (std::vector<CodedItem>{{"广州三区（ap-guangzhou-3）", "ap-guangzhou-3"},
                                    {"广州四区（ap-guangzhou-4）", "ap-guangzhou-4"}}));
  EXPECT_EQ(zones->firstZone, "ap-guangzhou-3");
}

TEST(ZonesFromReply, TencentTotalCountZeroLeavesTheBoxAlone) {
  EXPECT_FALSE(ZonesFromReply(ProviderKind::Tencent, Doc(R"({"data":{"TotalCount":0,"ZoneSet":[
      {"Zone":"z","ZoneName":"n","ZoneState":"AVAILABLE"}]}})")));
  EXPECT_FALSE(ZonesFromReply(ProviderKind::Tencent, Doc(R"({"data":{}})")));
}

TEST(ZonesFromReply, TencentHugeTotalCountWalksOnlyTheSet) {
  const auto zones = ZonesFromReply(ProviderKind::Tencent, Doc(R"({"data":{"TotalCount":2147483647,
      "ZoneSet":[{"Zone":"z","ZoneName":"n","ZoneState":"AVAILABLE"}]}})"));
  ASSERT_TRUE(zones);
  EXPECT_EQ(zones->items.size(), 1u);
}

TEST(ZonesFromReply, AliyunShowsZoneIdsAndNoneAvailableEmptiesTheBox) {
  const auto zones =
      ZonesFromReply(ProviderKind::Aliyun, Doc(R"({"data":{"AvailableZones":{"AvailableZone":[
      {"ZoneId":"cn-beijing-a","Status":"SoldOut"},{"ZoneId":"cn-beijing-b","Status":"Available"}]}}})"));
  ASSERT_TRUE(zones);
  EXPECT_EQ(zones->items, (std::vector<CodedItem>{{"cn-beijing-b", "cn-beijing-b"}}));
  EXPECT_EQ(zones->firstZone, "cn-beijing-b");

  const auto none =
      ZonesFromReply(ProviderKind::Aliyun, Doc(R"({"data":{"AvailableZones":{"AvailableZone":[
      {"ZoneId":"cn-beijing-a","Status":"SoldOut"}]}}})"));
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->items.empty());
  EXPECT_FALSE(none->firstZone);  // zoneCode keeps its previous value

  EXPECT_FALSE(ZonesFromReply(ProviderKind::Aliyun, Doc(R"({"data":{"AvailableZones":{}}})")));
}

TEST(HuaweiZoneList, FromTheBuiltInTable) {
  const ZoneList zones = HuaweiZoneList("cn-south-1");
  ASSERT_EQ(zones.items.size(), 5u);
  EXPECT_EQ(zones.items[1].text, "cn-south-2b");
  EXPECT_EQ(zones.firstZone, "cn-south-1a");
  EXPECT_TRUE(HuaweiZoneList("xx-none-1").items.empty());
  EXPECT_FALSE(HuaweiZoneList("xx-none-1").firstZone);
}

TEST(ImagesFromReply, EachProviderLayoutAndTheFirstImageChosen) {
  const auto tencent = ImagesFromReply(ProviderKind::Tencent, Doc(R"({"data":{"ImageSet":[
      {"ImageId":"img-1","ImageName":"CentOS"},{"ImageId":"img-2","ImageName":"Ubuntu"}]}})"),
                                       kNoImageItem);
  EXPECT_EQ(tencent.items,
            (std::vector<CodedItem>{{"CentOS（img-1）", "img-1"}, {"Ubuntu（img-2）", "img-2"}}));
  EXPECT_EQ(tencent.firstImage, "img-1");

  const auto aliyun = ImagesFromReply(
      ProviderKind::Aliyun,
      Doc(R"({"data":{"Images":{"Image":[{"ImageId":"m-1","ImageName":"Win"}]}}})"), kNoImageItem);
  EXPECT_EQ(aliyun.items, (std::vector<CodedItem>{{"Win（m-1）", "m-1"}}));

  const auto huawei =
      ImagesFromReply(ProviderKind::Huawei,
                      Doc(R"({"data":{"images":[{"id":"u-1","name":"Debian"}]}})"), kNoImageItem);
  EXPECT_EQ(huawei.items, (std::vector<CodedItem>{{"Debian（u-1）", "u-1"}}));
  EXPECT_EQ(huawei.firstImage, "u-1");
}

TEST(ImagesFromReply, EmptyListOffersNothingToChoose) {
  const auto images =
      ImagesFromReply(ProviderKind::Huawei, Doc(R"({"data":{"images":[]}})"), kNoImageItem);
  EXPECT_EQ(images.items, (std::vector<CodedItem>{{"无", ""}}));
  EXPECT_FALSE(images.firstImage);

  // The reinstall list of Tencent says "（无）", whose code is refused as no valid image.
  const auto rebuild = ImagesFromReply(ProviderKind::Tencent, Doc(R"({"data":{}})"),
                                       EmptyRebuildItem(ProviderKind::Tencent));
  EXPECT_EQ(rebuild.items, (std::vector<CodedItem>{{"（无）", "无"}}));
}

TEST(ImagesFromReply, NameWithItsOwnBracketKeepsTheTrueId) {
  const auto images = ImagesFromReply(
      ProviderKind::Tencent,
      Doc(R"({"data":{"ImageSet":[{"ImageId":"img-9","ImageName":"Ubuntu（LTS）"}]}})"),
      kNoImageItem);
  EXPECT_EQ(images.items[0].text, "Ubuntu（LTS）（img-9）");
  EXPECT_EQ(images.items[0].code, "img-9");
}

TEST(InstanceTypeLines, EachProviderLineFormat) {
  EXPECT_EQ(InstanceTypeLines(ProviderKind::Tencent, Doc(R"({"data":{"InstanceTypeConfigSet":[
      {"Zone":"ap-beijing-1","InstanceType":"S5.SMALL2","CPU":1,"Memory":2}]}})")),
            "区域：ap-beijing-1 机型：S5.SMALL2 CPU：1 内存：2\r\n");
  EXPECT_EQ(InstanceTypeLines(ProviderKind::Aliyun, Doc(R"({"data":{"AvailableZones":{
      "AvailableZone":[{"ZoneId":"cn-beijing-h","AvailableResources":{"AvailableResource":[
      {"SupportedResources":{"SupportedResource":[{"Value":"ecs.t5","Status":"Available"},
      {"Value":"ecs.g6","Status":"SoldOut"},{"Value":"ecs.c6","Status":"AVAILABLE"}]}}]}}]}}})")),
            "区域：cn-beijing-h 机型：ecs.t5\r\n区域：cn-beijing-h 机型：ecs.c6\r\n");
  EXPECT_EQ(InstanceTypeLines(ProviderKind::Huawei, Doc(R"({"data":{"flavors":[
      {"name":"s6.small.1","vcpus":"1","ram":1024},{"name":"s6.large.2","vcpus":"2","ram":4096}]}})")),
            "机型：s6.small.1 CPU：1 内存：1024\r\n机型：s6.large.2 CPU：2 内存：4096\r\n");
  EXPECT_EQ(InstanceTypeLines(ProviderKind::Huawei, Doc(R"({"data":{"flavors":[]}})")), "");
}

}  // namespace
}  // namespace ydt
