// Whole list loads and machine actions against the stand-in backend, with the pauses
// recorded instead of waited.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <stop_token>
#include <thread>

#include "consoles/machines/batch_plan.h"
#include "consoles/machines/machine_action.h"
#include "consoles/machines/machine_list_loader.h"
#include "sim_session.h"
#include "support/fakes/recording_pauser.h"

namespace ydt {
namespace {

using test::BodiesOf;
using test::DemoKeys;
using test::EndsWith;
using test::RegionCode;
using test::SimProcess;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class MachineLoaderSim : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sim_ = new SimProcess();
    ASSERT_TRUE(sim_->Started()) << sim_->StartError();
    ASSERT_TRUE(test::LoginToSim(*sim_));
  }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(sim_->Reset()); }

  MachineListLoader::Result Load(ProviderKind kind, int regionIndex, std::stop_token stop = {},
                                 const MachineListLoader::PageProgress& progress = {}) {
    MachineListLoader loader(client_, prompter_, pauser_);
    return loader.Load({kind, DemoKeys(kind), RegionCode(kind, regionIndex), 100}, stop, progress);
  }

  static std::vector<std::string> Column(const std::vector<MachineRow>& rows, MachineColumn c) {
    std::vector<std::string> cells;
    for (const MachineRow& row : rows) cells.push_back(row.Cell(c));
    return cells;
  }

  static SimProcess* sim_;
  RecordingLogSink log_;
  ScriptedPrompter prompter_;
  RecordingPauser pauser_;
  BackendClient client_{log_, prompter_, sim_->BaseUrl()};
};

SimProcess* MachineLoaderSim::sim_ = nullptr;

TEST_F(MachineLoaderSim, EmptyRegionAsksOnePageAndLogsTwoSuccesses) {
  const auto result = Load(ProviderKind::Tencent, 3);
  ASSERT_EQ(result.outcome, MachineListLoader::Outcome::Loaded);
  ASSERT_TRUE(result.rows.has_value());
  EXPECT_TRUE(result.rows->empty());
  const auto lines = log_.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(lines[0], HasSubstr("] [腾讯云 - 加载机器信息第1页，总数0] 成功！\r\n"));
  EXPECT_THAT(lines[1], HasSubstr("] [腾讯云 - 初始化机器列表] 成功！\r\n"));
  EXPECT_THAT(pauser_.Lengths(), ElementsAre(1350));
}

TEST_F(MachineLoaderSim, TwoHundredFiftyMachinesTakeThreePagesPerProvider) {
  for (ProviderKind kind : kAllProviders) {
    SCOPED_TRACE(std::string(Info(kind).displayName));
    ASSERT_TRUE(sim_->Reset());
    const auto result = Load(kind, 1);
    ASSERT_TRUE(result.rows.has_value());
    ASSERT_EQ(result.rows->size(), 250u);
    const int first = Info(kind).firstRowNumber;
    EXPECT_EQ(result.rows->front().Cell(MachineColumn::RowNumber), std::to_string(first));
    EXPECT_EQ(result.rows->back().Cell(MachineColumn::RowNumber), std::to_string(first + 249));
    const auto ids = Column(*result.rows, MachineColumn::Id);
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 250u) << "a machine twice";

    const std::string prefix = "secretid=" + DemoKeys(kind).secretId +
                               "&secretkey=" + DemoKeys(kind).secretKey +
                               "&region=" + RegionCode(kind, 1);
    if (kind == ProviderKind::Tencent) {
      EXPECT_THAT(BodiesOf(*sim_, "instances"),
                  ElementsAre(prefix + "&offset=0&limit=1", prefix + "&offset=0&limit=100",
                              prefix + "&offset=100&limit=100", prefix + "&offset=200&limit=100"));
    } else {
      EXPECT_THAT(BodiesOf(*sim_, "instances"),
                  ElementsAre(prefix + "&page=1&limit=1", prefix + "&page=1&limit=100",
                              prefix + "&page=2&limit=100", prefix + "&page=3&limit=100"));
    }
  }
}

TEST_F(MachineLoaderSim, FailedMiddlePageIsSkippedAndNumbersRunOn) {
  const auto full = Load(ProviderKind::Aliyun, 1);
  ASSERT_TRUE(full.rows.has_value());
  ASSERT_TRUE(sim_->SetFault({{"kind", "fail"},
                              {"op", "aliyun/instances"},
                              {"skip", 2},
                              {"times", 1},
                              {"code", 7},
                              {"msg", "第二页坏了"}}));
  const auto result = Load(ProviderKind::Aliyun, 1);
  ASSERT_TRUE(result.rows.has_value());
  ASSERT_EQ(result.rows->size(), 150u);
  EXPECT_EQ((*result.rows)[100].Cell(MachineColumn::RowNumber), "101");
  EXPECT_EQ((*result.rows)[100].Cell(MachineColumn::Id), (*full.rows)[200].Cell(MachineColumn::Id));
  EXPECT_EQ((*result.rows)[99].Cell(MachineColumn::Id), (*full.rows)[99].Cell(MachineColumn::Id));
  EXPECT_THAT(log_.Text(), HasSubstr("] [阿里云 - 加载机器信息第2页，总数250] 第二页坏了！\r\n"));
}

TEST_F(MachineLoaderSim, FailedCountKeepsTheOldRowsAndSendsNothingMore) {
  ASSERT_TRUE(sim_->SetFault({{"kind", "fail"}, {"op", "huawei/instances"}, {"times", 1}}));
  auto result = Load(ProviderKind::Huawei, 1);
  EXPECT_EQ(result.outcome, MachineListLoader::Outcome::CountFailed);
  EXPECT_FALSE(result.rows.has_value());
  EXPECT_EQ(BodiesOf(*sim_, "instances").size(), 1u);
  EXPECT_TRUE(pauser_.Lengths().empty());

  // A body that is not an envelope at all is the same failure.
  ASSERT_TRUE(sim_->SetFault({{"kind", "nonjson"}, {"op", "huawei/instances"}, {"times", 1}}));
  result = Load(ProviderKind::Huawei, 1);
  EXPECT_EQ(result.outcome, MachineListLoader::Outcome::CountFailed);
  EXPECT_THAT(log_.Lines().front(),
              HasSubstr("[华为云 - 初始化机器列表] 服务器繁忙，请稍后再试！"));
}

TEST_F(MachineLoaderSim, MissingKeyIsToldAndNothingIsSent) {
  MachineListLoader loader(client_, prompter_, pauser_);
  const auto result = loader.Load({ProviderKind::Tencent, AccessKeys::FromBoxes("   ", " key "),
                                   RegionCode(ProviderKind::Tencent, 0), 100});
  EXPECT_EQ(result.outcome, MachineListLoader::Outcome::MissingKeys);
  EXPECT_FALSE(result.rows.has_value());
  ASSERT_EQ(prompter_.Boxes().size(), 1u);
  EXPECT_EQ(prompter_.Boxes()[0].text, "请先填写SecretId和SecretKey！");
  EXPECT_EQ(prompter_.Boxes()[0].icon, MessageIcon::Information);
  EXPECT_TRUE(BodiesOf(*sim_, "instances").empty());
}

TEST_F(MachineLoaderSim, StateWordsAndAddressesOfTheSmallRegion) {
  auto tencent = Load(ProviderKind::Tencent, 0);
  ASSERT_TRUE(tencent.rows.has_value());
  EXPECT_THAT(Column(*tencent.rows, MachineColumn::State), ElementsAre("运行中", "关机", "运行中"));
  EXPECT_THAT(Column(*tencent.rows, MachineColumn::PublicAddress),
              ElementsAre("43.138.20.11,43.138.20.12", "43.138.20.13", ""));
  EXPECT_THAT((*tencent.rows)[0].Cell(MachineColumn::Configuration), HasSubstr("（CPU："));

  auto aliyun = Load(ProviderKind::Aliyun, 0);
  ASSERT_TRUE(aliyun.rows.has_value());
  EXPECT_THAT(Column(*aliyun.rows, MachineColumn::State), ElementsAre("运行中", "关机", "运行中"));
  EXPECT_THAT(Column(*aliyun.rows, MachineColumn::PublicAddress),
              ElementsAre("47.94.10.11", "47.94.10.12", ""));
  EXPECT_THAT((*aliyun.rows)[0].Cell(MachineColumn::Configuration), HasSubstr("（Cpu："));

  auto huawei = Load(ProviderKind::Huawei, 0);
  ASSERT_TRUE(huawei.rows.has_value());
  EXPECT_THAT(Column(*huawei.rows, MachineColumn::RowNumber), ElementsAre("0", "1", "2"));
  EXPECT_THAT(Column(*huawei.rows, MachineColumn::State), ElementsAre("运行中", "关机", "运行中"));
  // The floating address sits in the second network; the next machine has none of its own.
  EXPECT_THAT(Column(*huawei.rows, MachineColumn::PublicAddress),
              ElementsAre("121.36.10.11", "", "121.36.10.13"));
  for (const MachineRow& row : *huawei.rows) {
    EXPECT_EQ(row.Cell(MachineColumn::CreationTime).find_first_of("TZ"), std::string::npos);
  }
}

TEST_F(MachineLoaderSim, StoppedLoadSendsNoFurtherPagesAndKeepsOldRows) {
  std::stop_source stop;
  std::vector<int> pages;
  const auto result = Load(ProviderKind::Tencent, 1, stop.get_token(), [&](int page, int count) {
    pages.push_back(page);
    EXPECT_EQ(count, 3);
    if (page == 2) stop.request_stop();
  });
  EXPECT_EQ(result.outcome, MachineListLoader::Outcome::Cancelled);
  EXPECT_FALSE(result.rows.has_value());
  EXPECT_THAT(pages, ElementsAre(1, 2));
  EXPECT_EQ(BodiesOf(*sim_, "instances").size(), 3u);  // count, page 1, page 2
}

// Pages are read on a helper thread while the next one is exchanged; the log must still get
// one line per page, in page order, by the time the load returns, given up or not.
TEST_F(MachineLoaderSim, EveryPageSentIsLoggedInOrderBeforeTheLoadReturns) {
  auto titles = [this] {
    std::vector<std::string> found;
    for (const std::string& line : log_.Lines()) {
      const auto open = line.find("] [");
      found.push_back(line.substr(open + 3, line.find("] ", open + 3) - open - 3));
    }
    return found;
  };
  ASSERT_TRUE(Load(ProviderKind::Tencent, 1).rows.has_value());
  EXPECT_THAT(
      titles(),
      ElementsAre("腾讯云 - 加载机器信息第3页，总数250", "腾讯云 - 加载机器信息第2页，总数250",
                  "腾讯云 - 加载机器信息第1页，总数250", "腾讯云 - 初始化机器列表"));

  log_.Clear();
  std::stop_source stop;
  const auto result = Load(ProviderKind::Tencent, 1, stop.get_token(), [&](int page, int) {
    if (page == 2) stop.request_stop();
  });
  EXPECT_EQ(result.outcome, MachineListLoader::Outcome::Cancelled);
  EXPECT_THAT(titles(),
              ElementsAre("腾讯云 - 加载机器信息第2页，总数250",
                          "腾讯云 - 加载机器信息第1页，总数250", "腾讯云 - 初始化机器列表"));
}

// A backend that reports far more machines than it holds (here 2^31 - 1, 21,474,837 pages):
// the first successful page without machines ends the load.
TEST_F(MachineLoaderSim, AnEmptyPageEndsALoadWhoseTotalIsFarTooLarge) {
  for (ProviderKind kind : kAllProviders) {
    SCOPED_TRACE(std::string(Info(kind).displayName));
    ASSERT_TRUE(sim_->Reset());
    log_.Clear();
    ASSERT_TRUE(sim_->SetFault(
        {{"kind", "total"}, {"op", std::string(Info(kind).segment) + "/instances"}}));
    // Without the end this load would not return for hours; give up on it in time.
    std::stop_source giveUp;
    std::jthread watchdog([&giveUp](std::stop_token finished) {
      std::mutex mutex;
      std::condition_variable_any never;
      std::unique_lock lock(mutex);
      never.wait_for(lock, finished, std::chrono::seconds(60), [] { return false; });
      if (!finished.stop_requested()) giveUp.request_stop();
    });
    const auto result = Load(kind, 1, giveUp.get_token());
    watchdog.request_stop();
    ASSERT_EQ(result.outcome, MachineListLoader::Outcome::Loaded);
    EXPECT_EQ(result.total, 2147483647);
    ASSERT_EQ(result.rows->size(), 250u);
    EXPECT_EQ(result.rows->back().Cell(MachineColumn::RowNumber),
              std::to_string(Info(kind).firstRowNumber + 249));

    // The count, three full pages, the empty fourth, and the fifth that was already on the
    // wire while the fourth was read; each keeps its log line with the reported total.
    EXPECT_EQ(BodiesOf(*sim_, "instances").size(), 6u);
    const auto lines = log_.Lines();
    ASSERT_EQ(lines.size(), 6u);
    const std::string name(Info(kind).displayName);
    EXPECT_THAT(lines[0], HasSubstr("] [" + name + " - 加载机器信息第5页，总数2147483647] 成功！"));
    EXPECT_THAT(lines[1], HasSubstr("] [" + name + " - 加载机器信息第4页，总数2147483647] 成功！"));
  }
}

TEST_F(MachineLoaderSim, SingleActionFormAndTitle) {
  const MachineActionTarget target{ProviderKind::Huawei,
                                   DemoKeys(ProviderKind::Huawei),
                                   RegionCode(ProviderKind::Huawei, 0),
                                   {}};
  SendMachineAction(client_, prompter_, target, MachineAction::Stop, "[abc]");
  const auto bodies = BodiesOf(*sim_, "stopinstances");
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(bodies[0],
            "secretid=demo-huawei-id&secretkey=demo-huawei-key&region=cn-north-4"
            "&instanceids=[abc]");
  EXPECT_THAT(log_.Lines().front(), HasSubstr("] [华为云 - 关闭主机[abc]] "));

  // An empty ID still goes out, as the two brackets.
  SendMachineAction(client_, prompter_, target, MachineAction::Start, "[]");
  ASSERT_EQ(BodiesOf(*sim_, "startinstances").size(), 1u);
  EXPECT_TRUE(EndsWith(BodiesOf(*sim_, "startinstances")[0], "&instanceids=[]"));

  // Without a key nothing is sent, whatever the action.
  MachineActionTarget keyless = target;
  keyless.keys.secretKey.clear();
  SendMachineAction(client_, prompter_, keyless, MachineAction::Release, "[abc]");
  EXPECT_TRUE(BodiesOf(*sim_, "terminateinstances").empty());
  EXPECT_EQ(prompter_.Boxes().back().text, "请先填写SecretId和SecretKey！");
}

TEST_F(MachineLoaderSim, BatchOverTwoHundredFiftyRowsSendsEachMachineOnce) {
  const auto loaded = Load(ProviderKind::Tencent, 1);
  ASSERT_TRUE(loaded.rows.has_value());
  const MachineActionTarget target{ProviderKind::Tencent,
                                   DemoKeys(ProviderKind::Tencent),
                                   RegionCode(ProviderKind::Tencent, 1),
                                   {}};
  const auto steps =
      PlanBatchMachineAction(ProviderKind::Tencent, MachineAction::Stop, *loaded.rows, 100);
  RecordingPauser batchPauser;
  RunBatchPlan(
      steps,
      [&](const std::string& ids) {
        SendMachineAction(client_, prompter_, target, MachineAction::Stop, ids);
      },
      batchPauser);
  EXPECT_THAT(batchPauser.Lengths(), ElementsAre(350, 350, 1350));

  const auto bodies = BodiesOf(*sim_, "stopinstances");
  ASSERT_EQ(bodies.size(), 3u);
  std::vector<std::string> sent;
  for (const std::string& body : bodies) {
    const std::string ids = body.substr(body.find("&instanceids=") + 13);
    EXPECT_EQ(ids.back(), ',');
    std::size_t start = 0;
    for (std::size_t comma; (comma = ids.find(',', start)) != std::string::npos;
         start = comma + 1) {
      sent.push_back(ids.substr(start, comma - start));
    }
  }
  EXPECT_EQ(sent, Column(*loaded.rows, MachineColumn::Id));
}

// A region of exactly 100 machines needs a seed of its own.
TEST(MachineLoaderExactHundred, AsksASecondPageThatAddsNothing) {
  const std::string seedPath = ::testing::TempDir() + "machines_hundred_seed.json";
  {
    std::ofstream seed(seedPath);
    seed << R"({"users":[{"username":"demo","password":"demo123"}],
      "accounts":[{"provider":"huawei","secretid":"h-id","secretkey":"h-key",
                   "regions":{"cn-north-4":100}}]})";
  }
  SimProcess sim({"--seed", seedPath});
  ASSERT_TRUE(sim.Started()) << sim.StartError();
  ASSERT_TRUE(test::LoginToSim(sim));
  RecordingLogSink log;
  ScriptedPrompter prompter;
  RecordingPauser pauser;
  BackendClient client(log, prompter, sim.BaseUrl());
  MachineListLoader loader(client, prompter, pauser);
  const auto result = loader.Load({ProviderKind::Huawei, {"h-id", "h-key"}, "cn-north-4", 250});
  ASSERT_TRUE(result.rows.has_value());
  EXPECT_EQ(result.rows->size(), 100u);
  EXPECT_EQ(result.rows->back().Cell(MachineColumn::RowNumber), "99");
  EXPECT_EQ(BodiesOf(sim, "instances").size(), 3u);  // the count and two pages
  EXPECT_THAT(pauser.Lengths(), ElementsAre(1500));
  std::remove(seedPath.c_str());
}

}  // namespace
}  // namespace ydt
