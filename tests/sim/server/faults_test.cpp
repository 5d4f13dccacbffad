// Fault switches, the control endpoints, the web host and shutdown.
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "front/text_codec.h"
#include "sim_client.h"
#include "sim_process.h"

namespace ydt::test {
namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

class SimFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sim_ = new SimProcess(); }
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
  SimReply Count(const std::string& segment = "qcloud") {
    const std::string region = segment == "qcloud"   ? "ap-beijing"
                               : segment == "aliyun" ? "cn-beijing"
                                                     : "cn-north-4";
    return client_->Post("/yunduotai/" + segment + "/instances/",
                         SimClient::Keys(segment) + "&region=" + region +
                             (segment == "qcloud" ? "&offset=0&limit=1" : "&page=1&limit=1"));
  }
  static SimProcess* sim_;
  std::unique_ptr<SimClient> client_;
};
SimProcess* SimFaults::sim_ = nullptr;

TEST_F(SimFaults, ForcedCodeHitsOnlyItsOperationAndProvider) {
  ASSERT_TRUE(sim_->SetFault(
      {{"kind", "fail"}, {"op", "qcloud/instances"}, {"code", 7}, {"msg", "接口维护中"}}));
  auto hit = Count("qcloud");
  EXPECT_EQ(hit.Code(), 7);
  EXPECT_EQ(hit.Msg(), "接口维护中");
  EXPECT_EQ(Count("aliyun").Code(), 0);
  EXPECT_EQ(client_->Post("/yunduotai/qcloud/accountbalance/", SimClient::Keys("qcloud")).Code(),
            0);
  ASSERT_TRUE(sim_->ClearFaults());
  EXPECT_EQ(Count("qcloud").Code(), 0);
}

TEST_F(SimFaults, SkipAndTimesPickOneRequestOfASequence) {
  // The second page of a three-page load fails, the rest pass.
  ASSERT_TRUE(
      sim_->SetFault({{"kind", "fail"}, {"op", "huawei/instances"}, {"skip", 1}, {"times", 1}}));
  std::vector<int> codes;
  for (int i = 0; i < 4; ++i) codes.push_back(Count("huawei").Code());
  EXPECT_EQ(codes, (std::vector<int>{0, 500, 0, 0}));
}

TEST_F(SimFaults, AWrongTotalIsReportedWhileThePagesHoldTheRealMachines) {
  ASSERT_TRUE(sim_->SetFault({{"kind", "total"}, {"op", "instances"}}));
  EXPECT_EQ(Count("qcloud").json["data"]["TotalCount"], 2147483647);
  EXPECT_EQ(Count("aliyun").json["data"]["TotalCount"], 2147483647);
  EXPECT_EQ(Count("huawei").json["data"]["count"], 2147483647);
  // Past the three machines of the region a page is empty, whatever the total says.
  const auto page =
      client_->Post("/yunduotai/qcloud/instances/",
                    SimClient::Keys("qcloud") + "&region=ap-beijing&offset=100&limit=100");
  EXPECT_TRUE(page.Data()["InstanceSet"].empty());
  ASSERT_TRUE(sim_->ClearFaults());
  ASSERT_TRUE(sim_->SetFault({{"kind", "total"}, {"op", "huawei/instances"}, {"total", 5000}}));
  EXPECT_EQ(Count("huawei").json["data"]["count"], 5000);
  EXPECT_EQ(Count("qcloud").json["data"]["TotalCount"], 3);
  EXPECT_FALSE(sim_->SetFault({{"kind", "total"}, {"total", -1}}));
}

TEST_F(SimFaults, FailureRateZeroAndOne) {
  ASSERT_TRUE(sim_->SetFault({{"kind", "fail"}, {"rate", 0.0}}));
  EXPECT_EQ(Count().Code(), 0);
  ASSERT_TRUE(sim_->ClearFaults());
  ASSERT_TRUE(sim_->SetFault({{"kind", "fail"}, {"rate", 1.0}}));
  EXPECT_NE(Count().Code(), 0);
  EXPECT_NE(client_->Get("/gg/?type=yunduotai").Code(), 0);
  EXPECT_FALSE(sim_->SetFault({{"kind", "fail"}, {"rate", 2.0}}))
      << "out-of-range values are refused";
  EXPECT_FALSE(sim_->SetFault({{"kind", "explode"}}));
}

TEST_F(SimFaults, LatencyAndTrickleSlowTheAnswerButKeepItWhole) {
  ASSERT_TRUE(sim_->SetFault({{"kind", "latency"}, {"op", "gg"}, {"ms", 300}}));
  auto start = Clock::now();
  EXPECT_EQ(client_->Get("/gg/?type=yunduotai").Code(), 0);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
  ASSERT_TRUE(sim_->ClearFaults());
  ASSERT_TRUE(sim_->SetFault({{"kind", "trickle"}, {"op", "gg"}, {"bytes", 40}, {"delay_ms", 50}}));
  start = Clock::now();
  auto slow = client_->Get("/gg/?type=yunduotai");
  EXPECT_EQ(slow.Code(), 0);
  const auto chunks = (slow.body.size() + 39) / 40;
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50 * (chunks - 1)));
}

TEST_F(SimFaults, BodyFaultsBreakTheReplyAsAdvertised) {
  const std::string normal = Count().body;
  ASSERT_TRUE(sim_->SetFault({{"kind", "gbk"}, {"op", "instances"}, {"times", 1}}));
  auto gbk = Count();
  EXPECT_EQ(gbk.body, front::Utf8ToGbk(gbk.body.empty() ? "" : front::GbkToUtf8(gbk.body)));
  EXPECT_FALSE(front::IsValidUtf8(gbk.body)) << "the Chinese msg must be in GBK bytes";

  ASSERT_TRUE(
      sim_->SetFault({{"kind", "truncate"}, {"op", "instances"}, {"bytes", 12}, {"times", 1}}));
  auto cut = Count();
  EXPECT_EQ(cut.body.size(), 12u);
  EXPECT_TRUE(cut.json.is_discarded());

  ASSERT_TRUE(sim_->SetFault({{"kind", "nonjson"}, {"op", "instances"}, {"times", 1}}));
  auto text = Count();
  EXPECT_EQ(text.status, 200);
  EXPECT_TRUE(text.json.is_discarded());

  ASSERT_TRUE(sim_->SetFault({{"kind", "http500"}, {"op", "instances"}, {"times", 1}}));
  auto page = Count();
  EXPECT_EQ(page.status, 500);
  EXPECT_NE(page.body.find("<html"), std::string::npos);

  ASSERT_TRUE(sim_->SetFault({{"kind", "drop"}, {"op", "instances"}, {"times", 1}}));
  EXPECT_FALSE(Count().transportOk);

  ASSERT_TRUE(
      sim_->SetFault({{"kind", "huge"}, {"op", "instances"}, {"bytes", 4 << 20}, {"times", 1}}));
  auto huge = Count();
  EXPECT_GT(huge.body.size(), 4u << 20);
  EXPECT_EQ(huge.Code(), 0) << "a huge reply is still a valid envelope";

  // Every fault above was limited to one request.
  EXPECT_EQ(Count().body.size(), normal.size());
}

TEST_F(SimFaults, JournalKeepsExactBytesAndStatsCountPerOperation) {
  const std::string gbkBody =
      SimClient::Keys("qcloud") + "&region=" + front::Utf8ToGbk("北京") + "&x=%41+b";
  client_->Post("/yunduotai/qcloud/instances/", gbkBody);
  auto recent = sim_->RecentRequests(1);
  ASSERT_EQ(recent.size(), 1u);
  EXPECT_EQ(recent[0]["body_hex"], front::ToHex(gbkBody));
  EXPECT_NE(recent[0]["body"].get<std::string>().find("北京"), std::string::npos);
  EXPECT_EQ(recent[0]["op"], "instances");
  EXPECT_EQ(recent[0]["headers"]["Interface"], "yunduotai");
  Count("huawei");
  Count("huawei");
  auto stats = sim_->Stats();
  EXPECT_EQ(stats["counts"]["huawei/instances"], 2);
  EXPECT_EQ(stats["counts"]["qcloud/instances"], 1);
  EXPECT_EQ(stats["counts"]["login"], 1);
}

TEST_F(SimFaults, WebHostServesNoticeAndRegistrationOverHttps) {
  httplib::SSLClient web("127.0.0.1", sim_->WebPort());
  web.enable_server_certificate_verification(false);
  auto notice = web.Get("/software/checkupdate/yunduotai.txt");
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->status, 200);
  EXPECT_EQ(notice->body.size(), 32u);
  ASSERT_TRUE(sim_->SetUpdateNotice(" ABCDEF0123456789ABCDEF0123456789\r\n"));
  EXPECT_EQ(web.Get("/software/checkupdate/yunduotai.txt")->body,
            " ABCDEF0123456789ABCDEF0123456789\r\n");
  auto page = web.Get("/register.html");
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("注册"), std::string::npos);
  EXPECT_EQ(web.Get("/nothing")->status, 404);
  ASSERT_TRUE(sim_->SetFault({{"kind", "http500"}, {"op", "checkupdate"}}));
  EXPECT_EQ(web.Get("/software/checkupdate/yunduotai.txt")->status, 500);
}

TEST(SimFlags, FaultsReleaseFileAndCleanShutdown) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("lxsim-flags-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "release.exe", std::ios::binary) << std::string("MZ\x90\0\x03", 5);
  SimProcess sim({"--release-file", (dir / "release.exe").string(), "--force-code",
                  "gg:9:公告维护中", "--fault", "http500@logininfo", "--latency-ms",
                  "600000@accountbalance"});
  ASSERT_TRUE(sim.Started()) << sim.StartError();
  SimClient client(sim.Port());
  auto gg = client.Get("/gg/?type=yunduotai");
  EXPECT_EQ(gg.Code(), 9);
  EXPECT_EQ(gg.Msg(), "公告维护中");
  ASSERT_TRUE(client.LogIn());
  EXPECT_EQ(client.Get("/logininfo/").status, 500);

  httplib::SSLClient web("127.0.0.1", sim.WebPort());
  web.enable_server_certificate_verification(false);
  EXPECT_EQ(web.Get("/software/checkupdate/yunduotai.txt")->body,
            front::Md5Hex(std::string("MZ\x90\0\x03", 5)));

  // A request held by a long latency must not hold up the shutdown. The stand-in counts a
  // request before holding it, so the count says it is inside.
  SimReply held;
  std::thread pending(
      [&] { held = client.Post("/yunduotai/qcloud/accountbalance/", SimClient::Keys("qcloud")); });
  const auto inside = Clock::now() + std::chrono::seconds(30);
  while (sim.Stats()["counts"].value("qcloud/accountbalance", 0) == 0 && Clock::now() < inside) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(sim.Stats()["counts"].value("qcloud/accountbalance", 0), 1);
  // Stop() kills what has not ended within five seconds; only a clean stop exits with 0.
  const int status = sim.Stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  pending.join();
  EXPECT_NE(held.Code(), 0) << "the held request was cut short, not answered";
  std::filesystem::remove_all(dir);
}

TEST(SimFlags, StopRightAfterStartEndsCleanly) {
  // The signal may arrive before the servers listen; it must not be lost.
  for (int i = 0; i < 3; ++i) {
    SimProcess sim;
    ASSERT_TRUE(sim.Started()) << sim.StartError();
    const auto start = Clock::now();
    const int status = sim.Stop();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
}

TEST(SimFlags, UnknownOptionsAndBadSeedsStopTheStart) {
  SimProcess bad({"--no-such-flag"});
  EXPECT_FALSE(bad.Started());
  SimProcess missing({"--seed", "/nonexistent/seed.json"});
  EXPECT_FALSE(missing.Started());
}

}  // namespace
}  // namespace ydt::test
