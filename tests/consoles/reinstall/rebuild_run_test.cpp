// Reinstall runs and the reinstall image list against a scripted backend.
#include <gtest/gtest.h>

#include "consoles/reinstall/rebuilder.h"
#include "scripted_backend.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"

namespace ydt {
namespace {

using testing::FormValue;
using testing::ScriptedBackend;

class RebuildTest : public ::testing::Test {
 protected:
  RebuildJob Job(ReinstallMode mode, std::vector<std::string> ids) {
    RebuildJob job;
    job.kind = ProviderKind::Tencent;
    job.mode = mode;
    job.keys = {"id", "key"};
    job.regionCode = "ap-beijing";
    job.imageId = "img-9";
    job.password = "Reinstall.Pw1";
    job.machineIds = std::move(ids);
    job.batchDelay = 200;
    return job;
  }

  ScriptedBackend backend;
  RecordingLogSink log;
  ScriptedPrompter prompter;
  RecordingPauser pauser;
  BackendClient client{log, prompter, backend.BaseUrl()};
  Rebuilder rebuilder{client, prompter, pauser, WindowRef{}};
};

TEST_F(RebuildTest, AllMachinesOneRequestEachWithAPauseAfterEvery) {
  std::vector<std::pair<int, int>> progress;
  RebuildHooks hooks;
  hooks.progress = [&](int i, int n) { progress.emplace_back(i, n); };
  rebuilder.RunRebuild(Job(ReinstallMode::AllMachines, {"ins-1", "ins-2", "ins-3"}), hooks);

  const auto forms = backend.Forms("/yunduotai/qcloud/rebuild/run/");
  ASSERT_EQ(forms.size(), 3u);
  EXPECT_EQ(forms[0],
            "secretid=id&secretkey=key&region=ap-beijing&instanceids=[ins-1]"
            "&password=Reinstall.Pw1&imagesid=img-9");
  EXPECT_EQ(FormValue(forms[1], "instanceids"), "[ins-2]");
  EXPECT_EQ(FormValue(forms[2], "instanceids"), "[ins-3]");
  EXPECT_EQ(pauser.Lengths(), (std::vector<std::int64_t>{450, 450, 450}));
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
  const auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("[腾讯云 - 重装系统[ins-3]] 成功！"), std::string::npos);
}

TEST_F(RebuildTest, SelectedMachineNeedsNoPause) {
  rebuilder.RunRebuild(Job(ReinstallMode::SelectedMachine, {"ins-7"}), {});
  EXPECT_EQ(backend.Forms("/yunduotai/qcloud/rebuild/run/").size(), 1u);
  EXPECT_TRUE(pauser.Lengths().empty());
}

TEST_F(RebuildTest, FailuresDoNotStopTheRun) {
  backend.Queue("/yunduotai/qcloud/rebuild/run/", R"({"code":1,"msg":"实例未关机"})");
  rebuilder.RunRebuild(Job(ReinstallMode::AllMachines, {"a", "b"}), {});
  EXPECT_EQ(backend.Forms("/yunduotai/qcloud/rebuild/run/").size(), 2u);
  EXPECT_TRUE(prompter.Boxes().empty());
}

TEST_F(RebuildTest, MissingKeysAreReportedOncePerMachine) {
  RebuildJob job = Job(ReinstallMode::AllMachines, {"a", "b", "c"});
  job.keys.secretKey.clear();
  rebuilder.RunRebuild(job, {});
  EXPECT_TRUE(backend.Requests().empty());
  EXPECT_EQ(prompter.Boxes().size(), 3u);
  EXPECT_EQ(pauser.Lengths().size(), 3u);
}

TEST_F(RebuildTest, ImageListPerProviderAndItsEmptyItem) {
  backend.Queue("/yunduotai/qcloud/rebuild/images/", R"({"code":0,"data":{"ImageSet":[]}})");
  const auto tencent = rebuilder.LoadRebuildImages(ProviderKind::Tencent, {"id", "key"},
                                                   "ap-beijing", "PUBLIC_IMAGE", {});
  ASSERT_TRUE(tencent);
  EXPECT_EQ(*tencent, (std::vector<CodedItem>{{"（无）", "无"}}));
  EXPECT_EQ(backend.Forms("/yunduotai/qcloud/rebuild/images/").at(0),
            "secretid=id&secretkey=key&region=ap-beijing&imagetype=PUBLIC_IMAGE");

  backend.Queue(
      "/yunduotai/aliyun/rebuild/images/",
      R"({"code":0,"data":{"Images":{"Image":[{"ImageId":"m-1","ImageName":"CentOS"}]}}})");
  const auto aliyun =
      rebuilder.LoadRebuildImages(ProviderKind::Aliyun, {"id", "key"}, "cn-beijing", "self", {});
  ASSERT_TRUE(aliyun);
  EXPECT_EQ(*aliyun, (std::vector<CodedItem>{{"CentOS（m-1）", "m-1"}}));

  backend.Queue("/yunduotai/huawei/rebuild/images/", R"({"code":0,"data":{}})");
  EXPECT_EQ(rebuilder.LoadRebuildImages(ProviderKind::Huawei, {"id", "key"}, "r", "private", {})
                ->front()
                .text,
            "无");

  backend.Queue("/yunduotai/huawei/rebuild/images/", R"({"code":3,"msg":"x"})");
  EXPECT_FALSE(
      rebuilder.LoadRebuildImages(ProviderKind::Huawei, {"id", "key"}, "r", "private", {}));
}

}  // namespace
}  // namespace ydt
