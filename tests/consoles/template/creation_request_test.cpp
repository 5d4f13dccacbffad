// Machine creation and the template lookups against a scripted backend: what is sent, in
// which order, with which pauses, and what the operator is told.
#include <gtest/gtest.h>

#include "consoles/template/machine_creator.h"
#include "consoles/template/template_lookups.h"
#include "scripted_backend.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"

namespace ydt {
namespace {

using testing::FormValue;
using testing::ScriptedBackend;

class CreationTest : public ::testing::Test {
 protected:
  ProviderState State(ProviderKind kind) {
    ProviderState s;
    ApplyFixedStartValues(s, kind);
    s.regionCode = "ap-beijing";
    s.zoneCode = "ap-beijing-3";
    s.imageId = "img-1";
    s.instanceType = "S1.SMALL1";
    s.diskType = "CLOUD_PREMIUM";
    s.password = "Qzt.Hv731.Nep#";
    return s;
  }

  CreateOutcome Create(std::string_view countText, AccessKeys keys = {"id", "key"},
                       ProviderKind kind = ProviderKind::Tencent) {
    MachineCreator creator(client, prompter, pauser, WindowRef{});
    CreationHooks hooks;
    hooks.progress = [this](int i, int n) { progress.emplace_back(i, n); };
    hooks.reload = [this] { ++reloads; };
    hooks.report = [this](const RunReport& r) {
      report = r;
      reportedBeforeNotice = BoxTexts().size() == 1;  // only the confirmation so far
    };
    return creator.CreateMachines(kind, countText, keys, State(kind), 100, hooks);
  }

  std::vector<int> SentCounts(const std::string& path = "/yunduotai/qcloud/runinstances/") {
    std::vector<int> counts;
    for (const std::string& form : backend.Forms(path)) {
      counts.push_back(std::stoi(FormValue(form, "instancecount")));
    }
    return counts;
  }

  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : prompter.Boxes()) texts.push_back(box.text);
    return texts;
  }

  ScriptedBackend backend;
  RecordingLogSink log;
  ScriptedPrompter prompter;
  RecordingPauser pauser;
  BackendClient client{log, prompter, backend.BaseUrl()};
  std::vector<std::pair<int, int>> progress;
  int reloads = 0;
  RunReport report;
  bool reportedBeforeNotice = false;
};

TEST_F(CreationTest, CountsSplitExactlyIntoRequests) {
  const std::vector<std::pair<int, std::vector<int>>> cases = {
      {1, {1}}, {99, {99}}, {100, {100}}, {101, {100, 1}}, {250, {100, 100, 50}}};
  for (const auto& [count, expected] : cases) {
    backend.Forget();
    EXPECT_EQ(Create(std::to_string(count)), CreateOutcome::Sent);
    EXPECT_EQ(SentCounts(), expected) << count;
  }
}

TEST_F(CreationTest, MostMachinesOneClickCanAskFor) {
  Create("9999");
  const std::vector<int> counts = SentCounts();
  ASSERT_EQ(counts.size(), 100u);
  EXPECT_EQ(counts.back(), 99);
  int sum = 0;
  for (int c : counts) sum += c;
  EXPECT_EQ(sum, 9999);
  EXPECT_EQ(progress.front(), std::make_pair(1, 100));
  EXPECT_EQ(progress.back(), std::make_pair(100, 100));
}

TEST_F(CreationTest, ConfirmsThenSendsPausesReloadsAndReports) {
  backend.Queue("/yunduotai/qcloud/runinstances/", R"({"code":1,"msg":"余额不足"})");
  Create("150");
  // The failed first request does not stop the second.
  EXPECT_EQ(SentCounts(), (std::vector<int>{100, 50}));
  EXPECT_EQ(pauser.Lengths(), (std::vector<std::int64_t>{1350}));
  EXPECT_EQ(reloads, 1);
  const auto boxes = prompter.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "确定要创建机器？");
  EXPECT_EQ(boxes[0].icon, MessageIcon::Question);
  EXPECT_EQ(boxes[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(boxes[1].text, "已执行操作！");
  EXPECT_EQ(boxes[1].icon, MessageIcon::Information);
  const auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("] [腾讯云 - 创建主机] 成功！"), std::string::npos);
  EXPECT_NE(lines[1].find("] [腾讯云 - 创建主机] 余额不足！"), std::string::npos);
  // The run's outcomes go to the window before "已执行操作！", each request by its count.
  EXPECT_TRUE(reportedBeforeNotice);
  EXPECT_EQ(report.title, "腾讯云 - 创建主机");
  EXPECT_EQ(report.outcomes, (std::vector<RequestOutcome>{{"100", 1, "余额不足"}, {"50", 0, ""}}));
}

TEST_F(CreationTest, BadCountsWarnAndSendNothing) {
  for (const char* text : {"", "0", "abc", "  "}) {
    EXPECT_EQ(Create(text), CreateOutcome::BadCount) << text;
  }
  EXPECT_TRUE(backend.Requests().empty());
  EXPECT_EQ(reloads, 0);
  for (const auto& box : prompter.Boxes()) {
    EXPECT_EQ(box.text, "机器数量输入不正确！");
    EXPECT_EQ(box.icon, MessageIcon::Warning);
  }
  EXPECT_EQ(prompter.Boxes().size(), 4u);
}

TEST_F(CreationTest, CancelSendsNothingAndSaysNothingMore) {
  prompter.QueueAnswer(MessageAnswer::Cancel);
  EXPECT_EQ(Create("5"), CreateOutcome::Cancelled);
  EXPECT_TRUE(backend.Requests().empty());
  EXPECT_EQ(reloads, 0);
  EXPECT_TRUE(pauser.Lengths().empty());
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"确定要创建机器？"}));
}

TEST_F(CreationTest, MissingKeysAreReportedPerRequestAndTheListStillReloads) {
  Create("250", AccessKeys{"id", ""});
  EXPECT_TRUE(backend.Requests().empty());
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{"确定要创建机器？", "请先填写SecretId和SecretKey！",
                                      "请先填写SecretId和SecretKey！",
                                      "请先填写SecretId和SecretKey！", "已执行操作！"}));
  EXPECT_EQ(reloads, 1);
}

TEST_F(CreationTest, EachProviderReachesItsOwnPath) {
  Create("3", {"id", "key"}, ProviderKind::Aliyun);
  Create("2", {"id", "key"}, ProviderKind::Huawei);
  EXPECT_EQ(SentCounts("/yunduotai/aliyun/runinstances/"), (std::vector<int>{3}));
  EXPECT_EQ(SentCounts("/yunduotai/huawei/runinstances/"), (std::vector<int>{2}));
}

class LookupTest : public CreationTest {
 protected:
  TemplateLookups lookups{client, prompter, WindowRef{}};
};

TEST_F(LookupTest, ZoneRequestAndItsReply) {
  backend.Queue("/yunduotai/qcloud/zones/", R"({"code":0,"data":{"TotalCount":2,"ZoneSet":[
      {"Zone":"ap-beijing-1","ZoneName":"北京一区","ZoneState":"UNAVAILABLE"},
      {"Zone":"ap-beijing-3","ZoneName":"北京三区","ZoneState":"Available"}]}})");
  const auto zones = lookups.LoadZones(ProviderKind::Tencent, {"id", "key"}, "ap-beijing");
  ASSERT_TRUE(zones);
  EXPECT_EQ(zones->firstZone, "ap-beijing-3");
  EXPECT_EQ(backend.Forms("/yunduotai/qcloud/zones/"),
            (std::vector<std::string>{"secretid=id&secretkey=key&region=ap-beijing"}));
  EXPECT_NE(log.Lines().at(0).find("[腾讯云 - 加载可用区] 成功！"), std::string::npos);
}

TEST_F(LookupTest, FailedLookupsChangeNothing) {
  backend.Standing("/yunduotai/aliyun/zones/", R"({"code":5,"msg":"密钥错误"})");
  backend.Standing("/yunduotai/aliyun/images/", "<html>busy</html>");
  EXPECT_FALSE(lookups.LoadZones(ProviderKind::Aliyun, {"id", "key"}, "cn-beijing"));
  EXPECT_FALSE(lookups.LoadImages(ProviderKind::Aliyun, {"id", "key"}, "cn-beijing", "self"));
  EXPECT_TRUE(prompter.Boxes().empty());  // the log line is the only report
  EXPECT_EQ(log.Lines().size(), 2u);
}

TEST_F(LookupTest, HuaweiZonesNeedNoRequestNorKeys) {
  const auto zones = lookups.LoadZones(ProviderKind::Huawei, {}, "cn-east-3");
  ASSERT_TRUE(zones);
  EXPECT_EQ(zones->items.size(), 3u);
  EXPECT_TRUE(backend.Requests().empty());
  EXPECT_TRUE(prompter.Boxes().empty());
}

TEST_F(LookupTest, ImagesOfATypeAndTheEmptyList) {
  backend.Queue("/yunduotai/huawei/images/", R"({"code":0,"data":{"images":[]}})");
  const auto images = lookups.LoadImages(ProviderKind::Huawei, {"id", "key"}, "cn-north-4", "gold");
  ASSERT_TRUE(images);
  EXPECT_EQ(images->items.front().text, "无");
  EXPECT_FALSE(images->firstImage);
  EXPECT_EQ(backend.Forms("/yunduotai/huawei/images/").at(0),
            "secretid=id&secretkey=key&region=cn-north-4&imagetype=gold");
}

TEST_F(LookupTest, InstanceTypesTextFailureAndMissingKeys) {
  backend.Queue("/yunduotai/huawei/instancetypeconfigs/",
                R"({"code":0,"data":{"flavors":[{"name":"s6.small.1","vcpus":1,"ram":1024}]}})");
  EXPECT_EQ(
      lookups.LoadInstanceTypes(ProviderKind::Huawei, {"id", "key"}, "cn-north-4", "cn-north-4a"),
      "机型：s6.small.1 CPU：1 内存：1024\r\n");
  EXPECT_EQ(backend.Forms("/yunduotai/huawei/instancetypeconfigs/").at(0),
            "secretid=id&secretkey=key&region=cn-north-4&zone=cn-north-4a");

  backend.Queue("/yunduotai/huawei/instancetypeconfigs/", R"({"code":1,"msg":"x"})");
  EXPECT_EQ(lookups.LoadInstanceTypes(ProviderKind::Huawei, {"id", "key"}, "r", "z"), "加载失败");

  EXPECT_FALSE(lookups.LoadInstanceTypes(ProviderKind::Huawei, {"", "key"}, "r", "z"));
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"请先填写SecretId和SecretKey！"}));
}

}  // namespace
}  // namespace ydt
