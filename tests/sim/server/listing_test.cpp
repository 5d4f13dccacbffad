// Machine lists: paging as each provider counts it, and every member the grid reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "sim_client.h"
#include "sim_process.h"

namespace ydt::test {
namespace {

using nlohmann::json;

struct ProviderPaths {
  std::string segment;
  std::string total;  // member of data holding the total
  std::string list;   // JSON pointer of the machine array inside data
  std::string id;
};

const ProviderPaths kProviders[] = {{"qcloud", "TotalCount", "/InstanceSet", "InstanceId"},
                                    {"aliyun", "TotalCount", "/Instances/Instance", "InstanceId"},
                                    {"huawei", "count", "/servers", "id"}};

// Regions 1..5 of each provider hold 1, 99, 100, 101 and 250 machines; region 0 none.
const int kCounts[] = {0, 1, 99, 100, 101, 250};

const char* kRegions[3][6] = {
    {"ap-beijing", "ap-shanghai", "ap-guangzhou", "ap-nanjing", "ap-chengdu", "ap-chongqing"},
    {"cn-beijing", "cn-shanghai", "cn-guangzhou", "cn-shenzhen", "cn-hangzhou", "cn-nanjing"},
    {"cn-north-4", "cn-east-3", "cn-east-2", "cn-south-1", "cn-southwest-2", "ap-southeast-1"}};

class SimListing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::filesystem::temp_directory_path() / ("lxsim-paging-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    json accounts = json::array();
    for (int p = 0; p < 3; ++p) {
      json regions = json::object();
      for (int r = 1; r < 6; ++r) regions[kRegions[p][r]] = kCounts[r];
      accounts.push_back({{"provider", kProviders[p].segment},
                          {"secretid", "page-id"},
                          {"secretkey", "page-key"},
                          {"regions", regions}});
    }
    std::ofstream(dir_ / "seed.json") << json{
        {"users", {{{"username", "demo"}, {"password", "demo123"}}}},
        {"accounts", accounts}}.dump();
    paged_ = new SimProcess({"--seed", (dir_ / "seed.json").string()});
    demo_ = new SimProcess();
  }
  static void TearDownTestSuite() {
    delete paged_;
    delete demo_;
    std::filesystem::remove_all(dir_);
  }
  void SetUp() override {
    ASSERT_TRUE(paged_->Started()) << paged_->StartError();
    ASSERT_TRUE(demo_->Started()) << demo_->StartError();
  }

  // Loads a region the way the console does: a count request, then pages of 100.
  static std::vector<std::string> LoadLikeConsole(SimClient& client, const ProviderPaths& p,
                                                  const std::string& keys,
                                                  const std::string& region, long long& total,
                                                  int& emptyPages) {
    const bool tencent = p.segment == "qcloud";
    const std::string path = "/yunduotai/" + p.segment + "/instances/";
    const std::string base = keys + "&region=" + region;
    auto count = client.Post(path, base + (tencent ? "&offset=0&limit=1" : "&page=1&limit=1"));
    EXPECT_EQ(count.Code(), 0) << count.body;
    total = count.Data()[p.total].get<long long>();
    EXPECT_LE(count.Data()[json::json_pointer(p.list)].size(), 1u);
    std::vector<std::string> ids;
    emptyPages = 0;
    for (long long page = 1; page <= total / 100 + 1; ++page) {
      const std::string paging = tencent
                                     ? "&offset=" + std::to_string((page - 1) * 100) + "&limit=100"
                                     : "&page=" + std::to_string(page) + "&limit=100";
      auto reply = client.Post(path, base + paging);
      EXPECT_EQ(reply.Code(), 0) << reply.body;
      EXPECT_EQ(reply.Data()[p.total].get<long long>(), total);
      const auto& list = reply.Data()[json::json_pointer(p.list)];
      if (list.empty()) ++emptyPages;
      for (const auto& m : list) ids.push_back(m[p.id].get<std::string>());
    }
    return ids;
  }

  static std::filesystem::path dir_;
  static SimProcess* paged_;
  static SimProcess* demo_;
};
std::filesystem::path SimListing::dir_;
SimProcess* SimListing::paged_ = nullptr;
SimProcess* SimListing::demo_ = nullptr;

TEST_F(SimListing, PagingEdgesGiveEveryMachineExactlyOnce) {
  SimClient client(paged_->Port());
  ASSERT_TRUE(client.LogIn());
  for (int p = 0; p < 3; ++p) {
    for (int r = 0; r < 6; ++r) {
      SCOPED_TRACE(kProviders[p].segment + " " + kRegions[p][r]);
      long long total = -1;
      int emptyPages = 0;
      auto ids = LoadLikeConsole(client, kProviders[p], "secretid=page-id&secretkey=page-key",
                                 kRegions[p][r], total, emptyPages);
      EXPECT_EQ(total, kCounts[r]);
      EXPECT_EQ(ids.size(), static_cast<size_t>(kCounts[r]));
      EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
      // 0 and exact hundreds end with a page beyond the last machine, which must be empty.
      EXPECT_EQ(emptyPages, kCounts[r] % 100 == 0 ? 1 : 0);
    }
  }
}

TEST_F(SimListing, TencentOffsetsAreMachineOffsetsNotPages) {
  SimClient client(paged_->Port());
  ASSERT_TRUE(client.LogIn());
  const std::string base = "secretid=page-id&secretkey=page-key&region=ap-chengdu";  // 101 machines
  auto all = client.Post("/yunduotai/qcloud/instances/", base + "&offset=0&limit=100")
                 .Data()["InstanceSet"];
  auto rest = client.Post("/yunduotai/qcloud/instances/", base + "&offset=100&limit=100")
                  .Data()["InstanceSet"];
  ASSERT_EQ(all.size(), 100u);
  ASSERT_EQ(rest.size(), 1u);
  auto middle = client.Post("/yunduotai/qcloud/instances/", base + "&offset=50&limit=100")
                    .Data()["InstanceSet"];
  ASSERT_EQ(middle.size(), 51u);
  EXPECT_EQ(middle[0]["InstanceId"], all[50]["InstanceId"]);
  EXPECT_EQ(middle[50]["InstanceId"], rest[0]["InstanceId"]);
  EXPECT_TRUE(client.Post("/yunduotai/qcloud/instances/", base + "&offset=5000&limit=100")
                  .Data()["InstanceSet"]
                  .empty());
  // Aliyun pages count from 1 in steps of `limit`.
  const std::string ali = "secretid=page-id&secretkey=page-key&region=cn-hangzhou";
  auto page2 = client.Post("/yunduotai/aliyun/instances/", ali + "&page=2&limit=100").Data();
  EXPECT_EQ(page2["Instances"]["Instance"].size(), 1u);
  EXPECT_EQ(page2["PageNumber"], 2);
}

TEST_F(SimListing, MalformedPagingIsRefusedWithAMessage) {
  SimClient client(paged_->Port());
  ASSERT_TRUE(client.LogIn());
  const std::string t = "secretid=page-id&secretkey=page-key&region=ap-chengdu";
  const std::string h = "secretid=page-id&secretkey=page-key&region=cn-east-3";
  for (const auto& [path, form] : std::vector<std::pair<std::string, std::string>>{
           {"qcloud", t + "&offset=0&limit=0"},
           {"qcloud", t + "&offset=0&limit=101"},
           {"qcloud", t + "&offset=-1&limit=10"},
           {"qcloud", t + "&offset=abc&limit=10"},
           {"huawei", h + "&page=0&limit=10"},
           {"huawei", h + "&page=1&limit=1x"},
           {"huawei", "secretid=page-id&secretkey=page-key&page=1&limit=10"},
           {"huawei", "secretid=page-id&secretkey=page-key&region=mars-1&page=1&limit=10"},
       }) {
    auto reply = client.Post("/yunduotai/" + path + "/instances/", form);
    EXPECT_NE(reply.Code(), 0) << form;
    EXPECT_FALSE(reply.Msg().empty()) << form;
  }
}

TEST_F(SimListing, TencentRowsCarryWhatTheGridReads) {
  SimClient client(demo_->Port());
  ASSERT_TRUE(client.LogIn());
  auto data = client
                  .Post("/yunduotai/qcloud/instances/",
                        SimClient::Keys("qcloud") + "&region=ap-beijing&offset=0&limit=100")
                  .Data();
  ASSERT_EQ(data["TotalCount"], 3);
  std::set<size_t> addressCounts;
  std::set<std::string> states;
  for (const auto& m : data["InstanceSet"]) {
    for (const char* key :
         {"InstanceId", "InstanceState", "InstanceType", "OsName", "ImageId", "CreatedTime"}) {
      EXPECT_TRUE(m[key].is_string() && !m[key].get<std::string>().empty()) << key;
    }
    EXPECT_TRUE(m["CPU"].is_number());
    EXPECT_TRUE(m["Memory"].is_number());
    EXPECT_EQ(m["CreatedTime"].get<std::string>().size(), 20u);  // 2024-05-01T00:00:00Z
    addressCounts.insert(m["PublicIpAddresses"].size());
    states.insert(m["InstanceState"].get<std::string>());
  }
  EXPECT_EQ(addressCounts, (std::set<size_t>{0, 1, 2}));
  EXPECT_TRUE(states.count("running")) << "one state code in lower case";
}

TEST_F(SimListing, AliyunAndHuaweiRowsCarryWhatTheGridReads) {
  SimClient client(demo_->Port());
  ASSERT_TRUE(client.LogIn());
  auto ali = client
                 .Post("/yunduotai/aliyun/instances/",
                       SimClient::Keys("aliyun") + "&region=cn-beijing&page=1&limit=100")
                 .Data();
  ASSERT_EQ(ali["TotalCount"], 3);
  const auto& a0 = ali["Instances"]["Instance"][0];
  for (const char* key :
       {"InstanceId", "Status", "InstanceType", "OSName", "ImageId", "CreationTime"}) {
    EXPECT_TRUE(a0[key].is_string() && !a0[key].get<std::string>().empty()) << key;
  }
  EXPECT_TRUE(a0["Cpu"].is_number());
  EXPECT_TRUE(a0["PublicIpAddress"]["IpAddress"][0].is_string());
  EXPECT_TRUE(ali["Instances"]["Instance"][2]["PublicIpAddress"]["IpAddress"].empty());

  auto hw = client
                .Post("/yunduotai/huawei/instances/",
                      SimClient::Keys("huawei") + "&region=cn-north-4&page=1&limit=100")
                .Data();
  ASSERT_EQ(hw["count"], 3);
  const auto& servers = hw["servers"];
  for (const auto& s : servers) {
    EXPECT_TRUE(s["flavor"]["name"].is_string());
    EXPECT_TRUE(s["flavor"]["vcpus"].is_string());
    EXPECT_TRUE(s["flavor"]["ram"].is_string());
    EXPECT_TRUE(s["metadata"]["os_type"].is_string());
    EXPECT_TRUE(s["image"]["id"].is_string());
    EXPECT_TRUE(s["created"].is_string());
  }
  // The console scans the compact text of "addresses" for addr / OS-EXT-IPS:type pairs.
  const std::string first = servers[0]["addresses"].dump();
  EXPECT_NE(first.find("\"OS-EXT-IPS:type\":\"floating\""), std::string::npos);
  ASSERT_EQ(servers[0]["addresses"].size(), 2u);
  auto second = servers[0]["addresses"].begin();
  ++second;
  EXPECT_EQ((*second)[1]["OS-EXT-IPS:type"], "floating")
      << "floating address in the second network";
  EXPECT_EQ(servers[1]["addresses"].dump().find("floating"), std::string::npos);
}

TEST_F(SimListing, TenThousandMachinesPageThroughWithDistinctIds) {
  SimClient client(demo_->Port());
  ASSERT_TRUE(client.LogIn());
  long long total = 0;
  int emptyPages = 0;
  auto ids = LoadLikeConsole(client, kProviders[2], SimClient::Keys("huawei"), "cn-east-2", total,
                             emptyPages);
  EXPECT_EQ(total, 10000);
  EXPECT_EQ(ids.size(), 10000u);
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 10000u);
  EXPECT_EQ(emptyPages, 1);
  // The fourth region is empty; another key pair sees only its own machines.
  auto none = client.Post("/yunduotai/huawei/instances/",
                          SimClient::Keys("huawei") + "&region=cn-south-1&page=1&limit=1");
  EXPECT_EQ(none.Data()["count"], 0);
  auto other =
      client.Post("/yunduotai/huawei/instances/",
                  SimClient::Keys("huawei", "demo2") + "&region=cn-north-4&page=1&limit=100");
  EXPECT_EQ(other.Data()["count"], 5);
}

}  // namespace
}  // namespace ydt::test
