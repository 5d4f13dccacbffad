// Creation and reinstall against the stand-in backend: what the template looks up is what
// the backend accepts, the machines asked for are created, and a reinstall reaches every
// listed machine.
#include <gtest/gtest.h>

#include "consoles/reinstall/rebuilder.h"
#include "consoles/template/machine_creator.h"
#include "consoles/template/template_lookups.h"
#include "service/text/text.h"
#include "sim_process.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"

namespace ydt {
namespace {

// The creation forms the stand-in must receive, by provider; {n} is the machine count.
const std::string kExpectedCreateForms[] = {
    "secretid=demo-qcloud-id&secretkey=demo-qcloud-key&region=ap-nanjing&zone=ap-nanjing-1"
    "&instancetype=S1.SMALL1&imageid=img-9qabwvbn&disktype=CLOUD_PREMIUM&bandwidth=1"
    "&password=Qzt.Hv731.Nep#&instancecount={n}&is_actiontimer=0&actiontimer=0"
    "&instancechargetype=POSTPAID_BY_HOUR",
    "secretid=demo-aliyun-id&secretkey=demo-aliyun-key&region=cn-shenzhen&zone=cn-shenzhen-a"
    "&instancetype=ecs.s6-c1m1.small&imageid=centos_7_9_x64_20G_alibase_20230613.vhd"
    "&disktype=cloud_efficiency&bandwidth=1&securitygroupid=sg-ujzde8gxd6ncf10epf91"
    "&vswitchid=vsw-dhodzdoc9is0j8ht9lgmx&password=Qzt.Hv731.Nep#&instancecount={n}"
    "&is_actiontimer=0&actiontimer=0",
    "secretid=demo-huawei-id&secretkey=demo-huawei-key&region=cn-south-1&zone=cn-south-1a"
    "&instancetype=sn3.small.1&imageid=67f433d8-ed0e-4321-a8a2-a71838539e09&disktype=SAS"
    "&bandwidth=1&vpcid=1012f037-b64c-4422-8c38-fb2918f135d2"
    "&subnetid=34b9b5df-9e77-49b1-8f42-05b4907a70c3&password=Qzt.Hv731.Nep#&instancecount={n}"
    "&is_actiontimer=0&actiontimer=0",
};

class TemplateSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Started()) << sim.StartError();
    ASSERT_EQ(
        client.CallBackend("/login/", kPost,
                           "username=%64%65%6D%6F&password=" + Md5Hex("demo123") +
                               "&verifycode=" + test::SimProcess::kCaptcha + "&type=yunduotai",
                           nullptr, WindowRef{}, false, ""),
        0);
  }

  static AccessKeys Keys(ProviderKind kind) {
    const std::string segment(Info(kind).segment);
    return {"demo-" + segment + "-id", "demo-" + segment + "-key"};
  }
  static std::string Region(ProviderKind kind, int index) {
    return itemCode(Info(kind).regionItems[static_cast<std::size_t>(index)]);
  }

  // Machines the backend lists for the region.
  int MachineCount(ProviderKind kind, const std::string& region) {
    const AccessKeys keys = Keys(kind);
    std::string form = "secretid=" + keys.secretId + "&secretkey=" + keys.secretKey +
                       "&region=" + region +
                       (kind == ProviderKind::Tencent ? "&offset=0&limit=1" : "&page=1&limit=1");
    std::string reply;
    if (client.CallBackend(BackendPath(kind, "instances"), kPost, form, &reply, WindowRef{}, false,
                           "") != 0) {
      return -1;
    }
    JsonDoc doc;
    doc.Parse(reply);
    return TextToInt(doc.GetText(std::string(Info(kind).totalPath)));
  }

  std::vector<std::string> MachineIds(ProviderKind kind, const std::string& region) {
    const AccessKeys keys = Keys(kind);
    std::string form =
        "secretid=" + keys.secretId + "&secretkey=" + keys.secretKey + "&region=" + region +
        (kind == ProviderKind::Tencent ? "&offset=0&limit=100" : "&page=1&limit=100");
    std::string reply;
    client.CallBackend(BackendPath(kind, "instances"), kPost, form, &reply, WindowRef{}, false, "");
    JsonDoc doc;
    doc.Parse(reply);
    const std::string list(Info(kind).listPath);
    const std::string idField = kind == ProviderKind::Huawei ? "id" : "InstanceId";
    std::vector<std::string> ids;
    for (int i = 0; i < doc.Count(list); ++i) {
      ids.push_back(doc.GetText(list + "[" + std::to_string(i) + "]." + idField));
    }
    return ids;
  }

  std::vector<std::string> JournalForms(ProviderKind kind, const std::string& op) {
    std::vector<std::string> forms;
    for (const auto& request : sim.RecentRequests(200)) {
      if (request.value("provider", "") == Info(kind).segment && request.value("op", "") == op) {
        forms.push_back(request.value("body", ""));
      }
    }
    return forms;
  }

  test::SimProcess sim;
  RecordingLogSink log;
  ScriptedPrompter prompter;
  RecordingPauser pauser;
  BackendClient client{log, prompter, sim.BaseUrl()};
};

TEST_F(TemplateSimTest, EachProviderCreatesWhatItsTemplateLookedUp) {
  for (ProviderKind kind : kAllProviders) {
    SCOPED_TRACE(std::string(Info(kind).displayName));
    const std::string region = Region(kind, 3);  // an empty region of the demo keys
    TemplateLookups lookups(client, prompter, WindowRef{});

    ProviderState state;
    ApplyFixedStartValues(state, kind);
    state.regionCode = region;
    const auto zones = lookups.LoadZones(kind, Keys(kind), region);
    ASSERT_TRUE(zones && zones->firstZone);
    state.zoneCode = *zones->firstZone;
    const auto images =
        lookups.LoadImages(kind, Keys(kind), region, std::string(Info(kind).imageTypeCodes[2]));
    ASSERT_TRUE(images && images->firstImage);
    state.imageId = *images->firstImage;
    const auto types = lookups.LoadInstanceTypes(kind, Keys(kind), region, state.zoneCode);
    ASSERT_TRUE(types);
    const std::size_t at = types->find("机型：");
    ASSERT_NE(at, std::string::npos) << *types;
    const std::size_t from = at + std::string("机型：").size();
    state.instanceType = types->substr(from, types->find_first_of(" \r", from) - from);
    state.diskType = itemCode(Info(kind).diskTypeItems.front());
    state.password = std::string(kDefaultMachinePassword);
    state.securityGroupId = std::string(Info(kind).netIdSampleA);
    state.vswitchId = std::string(Info(kind).netIdSampleB);
    state.vpcId = std::string(Info(kind).netIdSampleA);
    state.subnetId = std::string(Info(kind).netIdSampleB);

    int reloads = 0;
    CreationHooks hooks;
    hooks.reload = [&] { ++reloads; };
    MachineCreator creator(client, prompter, pauser, WindowRef{});
    ASSERT_EQ(creator.CreateMachines(kind, "101", Keys(kind), state, 100, hooks),
              CreateOutcome::Sent);
    EXPECT_EQ(reloads, 1);
    EXPECT_NE(log.Lines().at(0).find("创建主机] 成功！"), std::string::npos) << log.Lines().at(0);
    EXPECT_NE(log.Lines().at(1).find("创建主机] 成功！"), std::string::npos) << log.Lines().at(1);
    EXPECT_EQ(MachineCount(kind, region), 101);

    const auto forms = JournalForms(kind, "runinstances");
    ASSERT_EQ(forms.size(), 2u);
    for (const auto& [form, count] : {std::pair{forms[0], "100"}, {forms[1], "1"}}) {
      std::string expected = kExpectedCreateForms[static_cast<std::size_t>(kind)];
      expected.replace(expected.find("{n}"), 3, count);
      EXPECT_EQ(form, expected);
    }
  }
}

TEST_F(TemplateSimTest, AllMachinesReinstallReachesEveryListedMachine) {
  const ProviderKind kind = ProviderKind::Tencent;
  const std::string region = Region(kind, 0);
  const std::vector<std::string> ids = MachineIds(kind, region);
  ASSERT_EQ(ids.size(), 3u);

  Rebuilder rebuilder(client, prompter, pauser, WindowRef{});
  const auto images = rebuilder.LoadRebuildImages(kind, Keys(kind), region, "PUBLIC_IMAGE", {});
  ASSERT_TRUE(images && !images->empty());
  RebuildJob job;
  job.kind = kind;
  job.mode = ReinstallMode::AllMachines;
  job.keys = Keys(kind);
  job.regionCode = region;
  job.imageId = images->front().code;
  job.password = "Rebuild.Pw2024";
  job.machineIds = ids;
  rebuilder.RunRebuild(job, {});

  const auto forms = JournalForms(kind, "rebuild/run");
  ASSERT_EQ(forms.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(forms[i],
              "secretid=demo-qcloud-id&secretkey=demo-qcloud-key&region=ap-beijing"
              "&instanceids=[ins-demo000" +
                  std::to_string(i + 1) + "]&password=Rebuild.Pw2024&imagesid=img-9qabwvbn");
  }
  EXPECT_EQ(pauser.Lengths(), (std::vector<std::int64_t>{350, 350, 350}));
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NE(log.Lines()[i].find("重装系统[" + ids[2 - i] + "]] 成功！"), std::string::npos)
        << log.Lines()[i];
  }
}

}  // namespace
}  // namespace ydt
