// Batch lists, their splitting by row number, the pauses between them, and the address list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "consoles/machines/address_list.h"
#include "consoles/machines/batch_plan.h"
#include "consoles/machines/machine_action.h"

namespace ydt {
namespace {

using ::testing::ElementsAre;

MachineRow Row(const std::string& id, const std::string& state, const std::string& address = {}) {
  MachineRow row;
  row.Cell(MachineColumn::Id) = id;
  row.Cell(MachineColumn::State) = state;
  row.Cell(MachineColumn::PublicAddress) = address;
  return row;
}

std::vector<MachineRow> Rows(int count, const std::string& state) {
  std::vector<MachineRow> rows;
  for (int i = 1; i <= count; ++i) rows.push_back(Row("m" + std::to_string(i), state));
  return rows;
}

std::string Ids(int from, int to) {
  std::string ids;
  for (int i = from; i <= to; ++i) ids += "m" + std::to_string(i) + ",";
  return ids;
}

TEST(BatchPlan, HuaweiStopSendsOnlyRunningRowsAfterTheExtraPause) {
  const std::vector<MachineRow> rows = {Row("a", "运行中"), Row("b", "关机"), Row("c", " 运行中 ")};
  EXPECT_THAT(PlanBatchMachineAction(ProviderKind::Huawei, MachineAction::Stop, rows, 100),
              ElementsAre(BatchStep::Wait(350), BatchStep::Send("a,c,"), BatchStep::Wait(1350)));
}

TEST(BatchPlan, TencentSplitsEveryHundredRowsWhateverTheirState) {
  auto rows = Rows(250, "运行中");
  rows[10].Cell(MachineColumn::State) = "关机";
  EXPECT_THAT(PlanBatchMachineAction(ProviderKind::Tencent, MachineAction::Start, rows, 100),
              ElementsAre(BatchStep::Send(Ids(1, 100)), BatchStep::Wait(350),
                          BatchStep::Send(Ids(101, 200)), BatchStep::Wait(350),
                          BatchStep::Send(Ids(201, 250)), BatchStep::Wait(1350)));
}

TEST(BatchPlan, ExactHundredsLeaveNoEmptyLastRequest) {
  EXPECT_THAT(
      PlanBatchMachineAction(ProviderKind::Tencent, MachineAction::Release, Rows(200, "x"), 500),
      ElementsAre(BatchStep::Send(Ids(1, 100)), BatchStep::Wait(750),
                  BatchStep::Send(Ids(101, 200)), BatchStep::Wait(750), BatchStep::Wait(1750)));
}

TEST(BatchPlan, AliyunRowHundredNotQualifyingCarriesTheListOn) {
  auto rows = Rows(150, "关机");
  rows[99].Cell(MachineColumn::State) = "运行中";
  std::string expected = Ids(1, 99) + Ids(101, 150);
  EXPECT_THAT(PlanBatchMachineAction(ProviderKind::Aliyun, MachineAction::Start, rows, 100),
              ElementsAre(BatchStep::Wait(350), BatchStep::Send(expected), BatchStep::Wait(1350)));
}

TEST(BatchPlan, FilterAppliesOnlyToStartAndStopOfAliyunAndHuawei) {
  const std::vector<MachineRow> rows = {Row("a", "运行中"), Row("b", "创建中")};
  // Release ignores the state; nothing qualifying still pauses before the reload.
  EXPECT_THAT(PlanBatchMachineAction(ProviderKind::Aliyun, MachineAction::Release, rows, 100),
              ElementsAre(BatchStep::Wait(350), BatchStep::Send("a,b,"), BatchStep::Wait(1350)));
  EXPECT_THAT(PlanBatchMachineAction(ProviderKind::Huawei, MachineAction::Start, rows, 100),
              ElementsAre(BatchStep::Wait(350), BatchStep::Wait(1350)));
  EXPECT_THAT(PlanBatchMachineAction(ProviderKind::Tencent, MachineAction::Stop, rows, 100),
              ElementsAre(BatchStep::Send("a,b,"), BatchStep::Wait(1350)));
}

class ListPauser : public Pauser {
 public:
  explicit ListPauser(std::vector<std::string>& events) : events_(events) {}
  void Pause(std::int64_t ms) override { events_.push_back("pause " + std::to_string(ms)); }

 private:
  std::vector<std::string>& events_;
};

TEST(BatchPlan, RunSendsAndPausesInPlanOrderAndStopsWhenAsked) {
  const auto steps =
      PlanBatchMachineAction(ProviderKind::Tencent, MachineAction::Stop, Rows(150, ""), 100);
  std::vector<std::string> events;
  ListPauser pauser(events);
  auto send = [&](const std::string& ids) { events.push_back("send " + ids.substr(0, 3)); };
  auto progress = [&](int k, int n) {
    events.push_back(std::to_string(k) + "/" + std::to_string(n));
  };
  RunBatchPlan(steps, send, pauser, progress);
  EXPECT_THAT(events, ElementsAre("1/2", "send m1,", "pause 350", "2/2", "send m10", "pause 1350"));

  events.clear();
  int stepsAllowed = 2;
  RunBatchPlan(steps, send, pauser, {}, [&] { return stepsAllowed-- > 0; });
  EXPECT_THAT(events, ElementsAre("send m1,", "pause 350"));
}

TEST(MachineActionRequest, SingleHuaweiStop) {
  const MachineActionTarget target{ProviderKind::Huawei, {"sid", "skey"}, "cn-north-4", {}};
  const BackendRequest request = MachineActionRequest(target, MachineAction::Stop, "[abc]");
  EXPECT_EQ(request.path, "/yunduotai/huawei/stopinstances/");
  EXPECT_EQ(request.form, "secretid=sid&secretkey=skey&region=cn-north-4&instanceids=[abc]");
  EXPECT_EQ(request.title, "华为云 - 关闭主机[abc]");
  EXPECT_EQ(MachineActionRequest(target, MachineAction::Release, "a,b,").title,
            "华为云 - 释放主机a,b,");
}

TEST(AddressList, SkipsEmptyAddressesAndCountsLines) {
  const std::vector<MachineRow> rows = {Row("a", "", "1.1.1.1,2.2.2.2"), Row("b", "", ""),
                                        Row("c", "", "3.3.3.3")};
  const AddressList list = BuildAddressList(rows);
  EXPECT_EQ(list.text, "1.1.1.1,2.2.2.2\r\n3.3.3.3\r\n");
  EXPECT_EQ(list.count, 2);
  EXPECT_EQ(AddressListCaption(list.count), "机器IP列表（共2行）");

  const AddressList empty = BuildAddressList({});
  EXPECT_TRUE(empty.emptyGrid);
  EXPECT_EQ(empty.text, "无可用机器资源");

  const AddressList none = BuildAddressList(std::vector<MachineRow>{Row("a", "")});
  EXPECT_FALSE(none.emptyGrid);
  EXPECT_EQ(none.text, "");
  EXPECT_EQ(AddressListCaption(none.count), "机器IP列表（共0行）");
}

}  // namespace
}  // namespace ydt
