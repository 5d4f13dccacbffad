// Row building from page replies, the page arithmetic and the request texts of a load.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "consoles/machines/machine_list_request.h"
#include "consoles/machines/machine_row_builder.h"
#include "service/json/json_doc.h"

namespace ydt {
namespace {

using ::testing::ElementsAre;

std::vector<MachineRow> Build(ProviderKind kind, const std::string& json, int& next) {
  JsonDoc doc;
  EXPECT_TRUE(doc.Parse(json));
  std::vector<MachineRow> rows;
  AppendMachineRows(kind, doc, next, rows);
  return rows;
}

TEST(MachineRowBuilder, TencentRowCarriesEveryColumn) {
  int next = 1;
  const auto rows = Build(ProviderKind::Tencent, R"({"data":{"TotalCount":1,"InstanceSet":[{
      "InstanceId":"ins-1","InstanceState":"running","InstanceType":"S5.SMALL2","CPU":1,
      "Memory":2,"OsName":"CentOS 7.9","PublicIpAddresses":["1.1.1.1","2.2.2.2"],
      "ImageId":"img-9","CreatedTime":"2021-06-01T08:30:00Z"}]}})",
                          next);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_THAT(rows[0].cells,
              ElementsAre("1", "ins-1", "运行中", "S5.SMALL2（CPU：1/内存：2）", "CentOS 7.9",
                          "1.1.1.1,2.2.2.2", "img-9", "2021-06-01 08:30:00"));
  EXPECT_EQ(next, 2);
}

TEST(MachineRowBuilder, AliyunTakesFirstAddressAndCpuSpelling) {
  int next = 7;
  const auto rows = Build(ProviderKind::Aliyun, R"({"data":{"Instances":{"Instance":[{
      "InstanceId":"i-a","Status":"Stopped","InstanceType":"ecs.t5","Cpu":2,"Memory":4096,
      "OSName":"Ubuntu","PublicIpAddress":{"IpAddress":["3.3.3.3","4.4.4.4"]},
      "ImageId":"m-1","CreationTime":"2022-01-02T03:04Z"},
      {"InstanceId":"i-b","Status":"shutdown"}]}}})",
                          next);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_THAT(rows[0].cells, ElementsAre("7", "i-a", "关机", "ecs.t5（Cpu：2/内存：4096）",
                                         "Ubuntu", "3.3.3.3", "m-1", "2022-01-02 03:04"));
  // A code the provider's table lacks is shown upper-cased; missing members are empty cells.
  EXPECT_THAT(rows[1].cells,
              ElementsAre("8", "i-b", "SHUTDOWN", "（Cpu：/内存：）", "", "", "", ""));
  EXPECT_EQ(next, 9);
}

TEST(MachineRowBuilder, HuaweiFloatingAddressDoesNotCarryOver) {
  int next = 0;
  const auto rows = Build(ProviderKind::Huawei, R"({"data":{"count":3,"servers":[
      {"id":"h0","status":"active","flavor":{"name":"s6.small.1","vcpus":"1","ram":1024},
       "metadata":{"os_type":"Linux"},"image":{"id":"im"},"created":"2021-06-01T08:30:00Z",
       "addresses":{"net-a":[{"addr":"192.168.0.5","OS-EXT-IPS:type":"fixed"}],
                    "net-b":[{"addr":"10.0.0.9","OS-EXT-IPS:type":"fixed"},
                             {"addr":"121.36.1.2","OS-EXT-IPS:type":"FLOATING"}]}},
      {"id":"h1","status":"stopped_x",
       "addresses":{"net-a":[{"addr":"192.168.0.6","OS-EXT-IPS:type":"fixed"}]}},
      {"id":"h2","status":"SHUTOFF",
       "addresses":{"net-a":[{"addr":"192.168.0.7"},
                             {"addr":"8.8.8.8","OS-EXT-IPS:type":"floating"}]}}]}})",
                          next);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_THAT(rows[0].cells, ElementsAre("0", "h0", "运行中", "s6.small.1（Cpu：1/内存：1024）",
                                         "Linux", "121.36.1.2", "im", "2021-06-01 08:30:00"));
  EXPECT_EQ(rows[1].Cell(MachineColumn::State), "STOPPED_X");
  EXPECT_EQ(rows[1].Cell(MachineColumn::PublicAddress), "");
  // Two addresses but one type: the lists do not pair up, so no address is trusted.
  EXPECT_EQ(rows[2].Cell(MachineColumn::State), "关机");
  EXPECT_EQ(rows[2].Cell(MachineColumn::PublicAddress), "");
  EXPECT_EQ(next, 3);
}

TEST(MachineRowBuilder, PageWithoutListAddsNothing) {
  int next = 101;
  EXPECT_TRUE(Build(ProviderKind::Tencent, R"({"data":{"TotalCount":100,"InstanceSet":[]}})", next)
                  .empty());
  EXPECT_TRUE(Build(ProviderKind::Huawei, R"({"data":{"count":"x"}})", next).empty());
  EXPECT_EQ(next, 101);
}

TEST(MachineRowBuilder, CreationTimeAndFloatingRuleOnText) {
  EXPECT_EQ(CreationTimeText("2021-06-01T08:30:00Z"), "2021-06-01 08:30:00");
  EXPECT_EQ(CreationTimeText("2021/06/01 08:30"), "2021/06/01 08:30");
  EXPECT_EQ(CreationTimeText(""), "");
  EXPECT_EQ(HuaweiFloatingAddress(""), "");
  EXPECT_EQ(HuaweiFloatingAddress(R"({"n":[{"addr":"1.2.3.4"}]})"), "");
  EXPECT_EQ(HuaweiFloatingAddress(R"({"n":[{"addr":"1.2.3.4","OS-EXT-IPS:type":"fixed"}]})"), "");
}

TEST(MachineListPaging, PageCountIsTotalOverHundredPlusOne) {
  const std::pair<int, int> cases[] = {{0, 1},   {1, 1},   {99, 1},     {100, 2},     {199, 2},
                                       {200, 3}, {250, 3}, {9999, 100}, {10000, 101}, {-5, 1}};
  for (auto [total, pages] : cases) {
    EXPECT_EQ(MachineListPageCount(total), pages) << "total " << total;
  }
}

TEST(MachineListRequests, CountAndPageTextsPerProvider) {
  const AccessKeys keys{"id1", "key1"};
  EXPECT_EQ(MachineCountRequest(ProviderKind::Tencent, keys, "ap-beijing"),
            (BackendRequest{"/yunduotai/qcloud/instances/",
                            "secretid=id1&secretkey=key1&region=ap-beijing&offset=0&limit=1",
                            "腾讯云 - 初始化机器列表"}));
  EXPECT_EQ(MachineCountRequest(ProviderKind::Huawei, keys, "cn-north-4").form,
            "secretid=id1&secretkey=key1&region=cn-north-4&page=1&limit=1");
  EXPECT_EQ(MachinePageRequest(ProviderKind::Tencent, keys, "ap-beijing", 3, 250),
            (BackendRequest{"/yunduotai/qcloud/instances/",
                            "secretid=id1&secretkey=key1&region=ap-beijing&offset=200&limit=100",
                            "腾讯云 - 加载机器信息第3页，总数250"}));
  EXPECT_EQ(MachinePageRequest(ProviderKind::Aliyun, keys, "cn-beijing", 2, 0),
            (BackendRequest{"/yunduotai/aliyun/instances/",
                            "secretid=id1&secretkey=key1&region=cn-beijing&page=2&limit=100",
                            "阿里云 - 加载机器信息第2页，总数0"}));
}

}  // namespace
}  // namespace ydt
