// Balances, zones, images and instance types, in the shapes the console's paths read.
#include <gtest/gtest.h>

#include "sim_client.h"
#include "sim_process.h"

namespace ydt::test {
namespace {

using nlohmann::json;

class SimLookups : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sim_ = new SimProcess(); }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(sim_->Started()) << sim_->StartError();
    client_ = std::make_unique<SimClient>(sim_->Port());
    ASSERT_TRUE(client_->LogIn());
  }
  SimReply Call(const std::string& segment, const std::string& op, const std::string& rest,
                const std::string& keys = "") {
    return client_->Post("/yunduotai/" + segment + "/" + op + "/",
                         (keys.empty() ? SimClient::Keys(segment) : keys) + rest);
  }
  static SimProcess* sim_;
  std::unique_ptr<SimClient> client_;
};
SimProcess* SimLookups::sim_ = nullptr;

TEST_F(SimLookups, BalancesInEachProvidersShape) {
  auto tencent = Call("qcloud", "accountbalance", "");
  EXPECT_EQ(tencent.Code(), 0);
  EXPECT_EQ(tencent.Data()["RealBalance"], 12345);
  EXPECT_EQ(tencent.Data()["Uin"].dump(), "100012345678");
  EXPECT_EQ(Call("aliyun", "accountbalance", "").Data()["Data"]["AvailableCashAmount"],
            "1234567.89");
  EXPECT_EQ(Call("huawei", "accountbalance", "").Data()["account_balances"][0]["amount"], "88.000");
  EXPECT_EQ(Call("aliyun", "accountbalance", "", SimClient::Keys("aliyun", "demo2"))
                .Data()["Data"]["AvailableCashAmount"],
            "12.5");
}

TEST_F(SimLookups, WrongOrMissingKeysAreRefusedWithAMessage) {
  for (const auto& keys :
       {std::string("secretid=demo-qcloud-id&secretkey=wrong"),
        std::string("secretid=nobody&secretkey=demo-qcloud-key"),
        std::string("secretid=demo-aliyun-id&secretkey=demo-aliyun-key"),  // other provider
        std::string("secretid=demo-qcloud-id"), std::string("secretkey=demo-qcloud-key")}) {
    auto reply = client_->Post("/yunduotai/qcloud/accountbalance/", keys);
    EXPECT_NE(reply.Code(), 0) << keys;
    EXPECT_FALSE(reply.Msg().empty()) << keys;
  }
}

TEST_F(SimLookups, ZonesIncludeUnavailableOnesAndHuaweiHasNone) {
  auto tencent = Call("qcloud", "zones", "&region=ap-guangzhou").Data();
  ASSERT_EQ(tencent["TotalCount"].get<size_t>(), tencent["ZoneSet"].size());
  std::set<std::string> states;
  for (const auto& z : tencent["ZoneSet"]) {
    EXPECT_FALSE(z["Zone"].get<std::string>().empty());
    EXPECT_FALSE(z["ZoneName"].get<std::string>().empty());
    states.insert(z["ZoneState"]);
  }
  EXPECT_TRUE(states.count("AVAILABLE"));
  EXPECT_TRUE(states.count("UNAVAILABLE"));
  EXPECT_TRUE(states.count("available"));
  auto aliyun =
      Call("aliyun", "zones", "&region=cn-beijing").Data()["AvailableZones"]["AvailableZone"];
  ASSERT_GE(aliyun.size(), 3u);
  EXPECT_EQ(aliyun[0]["Status"], "Available");
  EXPECT_EQ(aliyun.back()["Status"], "SoldOut");
  EXPECT_NE(Call("huawei", "zones", "&region=cn-north-4").Code(), 0);
}

TEST_F(SimLookups, ImagesByTypeForCreationAndReinstall) {
  for (const char* op : {"images", "rebuild/images"}) {
    SCOPED_TRACE(op);
    auto priv = Call("qcloud", op, "&region=ap-beijing&imagetype=PRIVATE_IMAGE").Data();
    EXPECT_EQ(priv["ImageSet"].size(), 2u);
    EXPECT_EQ(priv["ImageSet"][0]["ImageId"], "img-demo01");
    EXPECT_FALSE(priv["ImageSet"][0]["ImageName"].get<std::string>().empty());
    EXPECT_TRUE(
        Call("qcloud", op, "&region=ap-beijing&imagetype=SHARED_IMAGE").Data()["ImageSet"].empty());
    EXPECT_EQ(
        Call("aliyun", op, "&region=cn-beijing&imagetype=system").Data()["Images"]["Image"].size(),
        3u);
    auto gold = Call("huawei", op, "&region=cn-north-4&imagetype=gold").Data()["images"];
    ASSERT_EQ(gold.size(), 3u);
    EXPECT_TRUE(gold[0]["id"].is_string() && gold[0]["name"].is_string());
    EXPECT_EQ(Call("huawei", op, "&region=cn-north-4&imagetype=shared",
                   SimClient::Keys("huawei", "demo2"))
                  .Data()["images"]
                  .size(),
              1u);
    // Another provider's image kind is not this provider's.
    EXPECT_NE(Call("huawei", op, "&region=cn-north-4&imagetype=PUBLIC_IMAGE").Code(), 0);
    EXPECT_NE(Call("huawei", op, "&region=cn-north-4").Code(), 0);
  }
}

TEST_F(SimLookups, InstanceTypesPerZoneInEachShape) {
  auto tencent =
      Call("qcloud", "instancetypeconfigs", "&region=ap-beijing&zone=ap-beijing-1").Data();
  ASSERT_FALSE(tencent["InstanceTypeConfigSet"].empty());
  const auto& t0 = tencent["InstanceTypeConfigSet"][0];
  EXPECT_EQ(t0["Zone"], "ap-beijing-1");
  EXPECT_TRUE(t0["InstanceType"].is_string() && t0["CPU"].is_number() && t0["Memory"].is_number());

  auto aliyun =
      Call("aliyun", "instancetypeconfigs", "&region=cn-beijing&zone=cn-beijing-a").Data();
  const auto& zone = aliyun["AvailableZones"]["AvailableZone"][0];
  EXPECT_EQ(zone["ZoneId"], "cn-beijing-a");
  const auto& supported =
      zone["AvailableResources"]["AvailableResource"][0]["SupportedResources"]["SupportedResource"];
  std::set<std::string> statuses;
  for (const auto& s : supported) statuses.insert(s["Status"]);
  EXPECT_EQ(statuses, (std::set<std::string>{"Available", "SoldOut"}));

  auto huawei = Call("huawei", "instancetypeconfigs", "&region=cn-south-1&zone=cn-south-2b")
                    .Data()["flavors"];
  ASSERT_FALSE(huawei.empty());
  EXPECT_EQ(huawei[0]["name"], "sn3.small.1");
  EXPECT_EQ(huawei[0]["ram"], 1024);

  EXPECT_NE(Call("qcloud", "instancetypeconfigs", "&region=ap-beijing&zone=ap-shanghai-1").Code(),
            0);
  EXPECT_NE(Call("qcloud", "instancetypeconfigs", "&region=ap-beijing").Code(), 0);
}

TEST_F(SimLookups, HostileBodiesAnswerWithAnEnvelopeAndTheServerStaysUp) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>(i * 37 % 256));
  for (const auto& body :
       {binary, std::string(200000, '&'), std::string("secretid=%ZZ%&secretkey=%%%%"),
        std::string("secretid=demo-qcloud-id&secretkey=demo-qcloud-key&region=\xB1\xB1\xBE\xA9"),
        std::string("=&=&=&region")}) {
    auto reply = client_->Post("/yunduotai/qcloud/instances/", body);
    EXPECT_TRUE(reply.transportOk) << body.size();
    EXPECT_NE(reply.Code(), 0) << body.size();
    EXPECT_FALSE(reply.Msg().empty()) << body.size() << " " << reply.status << " " << reply.body;
  }
  // GBK in a field comes back as proper UTF-8 in the message.
  auto gbk =
      client_->Post("/yunduotai/qcloud/instances/",
                    "secretid=demo-qcloud-id&secretkey=demo-qcloud-key&region=\xB1\xB1\xBE\xA9");
  EXPECT_NE(gbk.Msg().find("北京"), std::string::npos) << gbk.Msg();
  EXPECT_EQ(Call("qcloud", "accountbalance", "").Code(), 0);
}

}  // namespace
}  // namespace ydt::test
