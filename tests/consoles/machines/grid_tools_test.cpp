// The grid's tools for large fleets, apart from any widget: the filter, the sort keys, the
// state counts, the ID lists of an action on chosen machines, the CSV file, the grouped
// address list and the summary of a run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "consoles/machines/address_list.h"
#include "consoles/machines/batch_plan.h"
#include "consoles/machines/machine_csv.h"
#include "consoles/machines/machine_action.h"
#include "consoles/machines/machine_filter.h"
#include "consoles/machines/machine_sort_key.h"
#include "consoles/machines/run_report.h"
#include "consoles/machines/state_counts.h"
#include "consoles/reinstall/rebuilder.h"

namespace ydt {
namespace {

using ::testing::ElementsAre;

MachineRow Row(std::initializer_list<std::string> cells) {
  MachineRow row;
  std::copy(cells.begin(), cells.end(), row.cells.begin());
  return row;
}

MachineRow Machine(const std::string& id, const std::string& state,
                   const std::string& address = {}) {
  return Row({"1", id, state, "S5.SMALL2（CPU：1/内存：2）", "CentOS", address, "img-1",
              "2024-05-01 08:00:00"});
}

TEST(MachineFilter, EveryWordMustAppearInSomeSearchedCellWhateverTheCase) {
  const MachineRow row = Row({"17", "ins-AbC9", "运行中", "S5.SMALL2（CPU：1/内存：2）", "Ubuntu",
                              "43.138.20.11,43.138.20.12", "img-XYZ", "2024-05-01 08:00:00"});
  struct Case {
    const char* text;
    bool matches;
  };
  for (const Case& c :
       {Case{"", true}, Case{"   ", true}, Case{"abc9", true}, Case{"20.12", true},
        Case{"ubuntu 运行", true},
        Case{"IMG-xyz\u3000small2", true},                   // full-width blank between words
        Case{"ubuntu 关机", false}, Case{"2024-05", false},  // the creation time is not searched
        Case{"17", false},                                   // nor the row number
        Case{"11,43", true}, Case{"ubuntu43", false}}) {     // no match across two cells
    EXPECT_EQ(MachineFilter(c.text).Matches(row), c.matches) << c.text;
  }
}

// Sorts the cells of one column by its keys and returns them in order.
std::vector<std::string> Sorted(MachineColumn column, std::vector<std::string> cells) {
  std::vector<MachineRow> rows;
  for (const std::string& cell : cells) {
    MachineRow row;
    row.Cell(column) = cell;
    rows.push_back(row);
  }
  std::stable_sort(rows.begin(), rows.end(), [column](const MachineRow& a, const MachineRow& b) {
    return SortKeyLess(SortKeyOf(column, a), SortKeyOf(column, b));
  });
  std::vector<std::string> out;
  for (const MachineRow& row : rows) out.push_back(row.Cell(column));
  return out;
}

TEST(MachineSortKey, NumbersTimesAndAddressesSortByValue) {
  EXPECT_THAT(Sorted(MachineColumn::RowNumber, {"10", "9", "100", "0"}),
              ElementsAre("0", "9", "10", "100"));
  EXPECT_THAT(Sorted(MachineColumn::PublicAddress, {"10.0.0.2", "9.255.255.255", "", "10.0.0.10",
                                                    "fe80::1", "10.0.0.2,1.1.1.1", "1.2.3.4"}),
              ElementsAre("", "1.2.3.4", "9.255.255.255", "10.0.0.2", "10.0.0.2,1.1.1.1",
                          "10.0.0.10", "fe80::1"));
  EXPECT_THAT(
      Sorted(MachineColumn::CreationTime, {"2024-05-01 08:00:00", "2023-12-31 23:59:59",
                                           "2024-05-01 07:59", "2024-5-1 9:00:00", "unknown"}),
      ElementsAre("2023-12-31 23:59:59", "2024-05-01 07:59", "2024-05-01 08:00:00",
                  "2024-5-1 9:00:00", "unknown"));
  EXPECT_THAT(Sorted(MachineColumn::Configuration, {"S5.SMALL16", "S5.SMALL2", "S5.LARGE8"}),
              ElementsAre("S5.LARGE8", "S5.SMALL2", "S5.SMALL16"));
}

TEST(MachineSortKey, ReadsOnlyWellFormedAddressesAndDates) {
  EXPECT_EQ(Ipv4Number("10.0.0.1"), 0x0A000001u);
  EXPECT_EQ(Ipv4Number("255.255.255.255"), 0xFFFFFFFFu);
  for (const char* bad : {"256.0.0.1", "1.2.3", "1.2.3.4.5", "1.2.3.4 ", "a.b.c.d", ""}) {
    EXPECT_FALSE(Ipv4Number(bad)) << bad;
  }
  EXPECT_EQ(DateTimeSeconds("1970-01-02 00:00:01"), 86401);
  EXPECT_EQ(DateTimeSeconds("2000-03-01"), 951868800);  // after a leap day
  EXPECT_EQ(DateTimeSeconds("2021-06-01 08:30:00.123+08:00"), DateTimeSeconds("2021-06-01 08:30"));
  EXPECT_FALSE(DateTimeSeconds("2021-13-01 00:00:00"));
  EXPECT_LT(NaturalCompare("a007", "a8"), 0);
  EXPECT_NE(NaturalCompare("a007", "a7"), 0);  // strict: equal values, different texts
}

TEST(StateCounts, CountsRunningStoppedAndTheRestWithGroupedDigits) {
  std::vector<MachineRow> rows(9000, Machine("r", "运行中"));
  rows.insert(rows.end(), 990, Machine("s", "关机"));
  rows.insert(rows.end(), 7, Machine("t", "关机中"));
  rows.insert(rows.end(), 3, Machine("f", "创建失败"));
  const StateCounts counts = CountStates(rows);
  EXPECT_EQ(StateCountsText(counts), "运行中 9,000 · 关机 990 · 其他 10");
  EXPECT_EQ(counts.transitional, 7);
  EXPECT_EQ(ShownCountText(1, 10000), "显示 1 / 共 10,000 台");
  EXPECT_EQ(GroupDigits(999), "999");
  EXPECT_EQ(GroupDigits(1234567), "1,234,567");
  EXPECT_EQ(GroupDigits(-1000), "-1,000");
}

TEST(StateCounts, OnlyPassingStatesCountAsTransitional) {
  for (const char* word :
       {"开机中", "关机中", "创建中", "销毁中", "重启中", "重建中", " 开机中 "}) {
    EXPECT_TRUE(IsTransitionalState(word)) << word;
  }
  for (const char* word : {"运行中", "关机", "创建失败", "异常中", "停止待销毁", "STOPPED_X", ""}) {
    EXPECT_FALSE(IsTransitionalState(word)) << word;
  }
  EXPECT_FALSE(AnyTransitional(std::vector<MachineRow>{Machine("a", "运行中")}));
  EXPECT_TRUE(
      AnyTransitional(std::vector<MachineRow>{Machine("a", "运行中"), Machine("b", "开机中")}));
}

std::vector<std::string> IdsOf(int count) {
  std::vector<std::string> ids;
  for (int i = 1; i <= count; ++i) ids.push_back("m" + std::to_string(i));
  return ids;
}

std::string Joined(int from, int to) {
  std::string ids;
  for (int i = from; i <= to; ++i) ids += "m" + std::to_string(i) + ",";
  return ids;
}

TEST(ChosenMachines, ListsOfAtMostAHundredPacedLikeABatch) {
  EXPECT_THAT(BatchIdLists(IdsOf(1)), ElementsAre("m1,"));
  EXPECT_THAT(BatchIdLists(IdsOf(100)), ElementsAre(Joined(1, 100)));
  EXPECT_THAT(BatchIdLists(IdsOf(101)), ElementsAre(Joined(1, 100), "m101,"));
  const std::vector<std::string> lists = BatchIdLists(IdsOf(250));
  EXPECT_THAT(lists, ElementsAre(Joined(1, 100), Joined(101, 200), Joined(201, 250)));
  EXPECT_THAT(PlanListSends(lists, 100),
              ElementsAre(BatchStep::Send(Joined(1, 100)), BatchStep::Wait(350),
                          BatchStep::Send(Joined(101, 200)), BatchStep::Wait(350),
                          BatchStep::Send(Joined(201, 250)), BatchStep::Wait(1350)));
}

TEST(ChosenMachines, QuestionsAndTitlesSayHowMany) {
  EXPECT_EQ(ChosenMachinesConfirmation(MachineAction::Stop, 12), "确定要关闭选中的 12 台主机？");
  EXPECT_EQ(ChosenMachinesConfirmation(MachineAction::Start, 2), "确定要启动选中的 2 台主机？");
  EXPECT_EQ(ChosenMachinesConfirmation(MachineAction::Release, 3), "确定要释放选中的 3 台主机？");
  EXPECT_EQ(ChosenMachinesTitle(MachineAction::Stop, 12), "关闭主机（选中 12 台）");
  EXPECT_EQ(RebuildQuestion(ReinstallMode::ChosenMachines, 3), "确定要重装选中的 3 台主机？");
  EXPECT_EQ(RebuildQuestion(ReinstallMode::AllMachines, 3), "确定要全部重装？");
  EXPECT_EQ(RebuildRunTitle(ProviderKind::Huawei, ReinstallMode::AllMachines, 3),
            "华为云 - 全部重装");
  EXPECT_EQ(RebuildRunTitle(ProviderKind::Aliyun, ReinstallMode::ChosenMachines, 2),
            "阿里云 - 重装系统（选中 2 台）");
  EXPECT_EQ(RebuildRunTitle(ProviderKind::Aliyun, ReinstallMode::SelectedMachine, 1), "");
}

TEST(MachineCsv, BomHeaderQuotingAndChineseBytes) {
  const MachineRow plain = Row({"1", "ins-1", "运行中", "S5（CPU：1/内存：2）", "CentOS",
                                "1.2.3.4,1.2.3.5", "img-1", "2024-05-01 08:00:00"});
  const MachineRow awkward =
      Row({"2", "ins-\"2\"", "关机", "line\r\nbreak", "=cmd|' /C calc'!A0", "", "-1", "-x"});
  const std::vector<const MachineRow*> rows = {&plain, &awkward};
  EXPECT_EQ(MachineRowsCsv(rows),
            "\xEF\xBB\xBF"
            "行,ID,状态,配置,系统,公网IP,镜像ID,创建时间\r\n"
            "1,ins-1,运行中,S5（CPU：1/内存：2）,CentOS,\"1.2.3.4,1.2.3.5\",img-1,"
            "2024-05-01 08:00:00\r\n"
            "2,\"ins-\"\"2\"\"\",关机,\"line\r\nbreak\",'=cmd|' /C calc'!A0,,-1,'-x\r\n");
  EXPECT_EQ(MachineRowsCsv({}), "\xEF\xBB\xBF行,ID,状态,配置,系统,公网IP,镜像ID,创建时间\r\n");
}

TEST(AddressList, AllTabsGroupedByProviderLeavingOutTabsWithoutAddresses) {
  const MachineRow a = Machine("a", "运行中", "1.1.1.1"), b = Machine("b", "运行中"),
                   c = Machine("c", "运行中", "2.2.2.2,2.2.2.3"),
                   d = Machine("d", "关机", "3.3.3.3");
  const std::vector<ProviderRows> tabs = {{ProviderKind::Tencent, {&a, &b}},
                                          {ProviderKind::Aliyun, {&b}},
                                          {ProviderKind::Huawei, {&c, &d}}};
  const AddressList list = BuildGroupedAddressList(tabs);
  EXPECT_EQ(list.text, "【腾讯云】\r\n1.1.1.1\r\n\r\n【华为云】\r\n2.2.2.2,2.2.2.3\r\n3.3.3.3\r\n");
  EXPECT_EQ(list.count, 3);
  EXPECT_FALSE(list.emptyGrid);
  EXPECT_TRUE(
      BuildGroupedAddressList(std::vector<ProviderRows>{{ProviderKind::Aliyun, {}}}).emptyGrid);
}

TEST(RunReport, SummaryLineAndTheFailuresAMessageComesFrom) {
  RunReport report;
  report.title = "腾讯云 - 全部启动";
  report.outcomes = {CallOutcome("a,b,", 0, R"({"code":0,"msg":"ok"})"),
                     CallOutcome("c,", 1003, R"({"code":1003,"msg":"未知实例 c"})"),
                     CallOutcome("d,", 1, ""), NotSentForMissingKeys("e,")};
  EXPECT_EQ(RunSummaryLine("12:00:00", report),
            "[12:00:00] [腾讯云 - 全部启动] 共 4 个请求：成功 1，失败 3\r\n");
  EXPECT_THAT(report.Failures(),
              ElementsAre(RequestOutcome{"c,", 1003, "未知实例 c"},
                          RequestOutcome{"d,", 1, "服务器繁忙，请稍后再试！"},
                          RequestOutcome{"e,", 1, "请先填写SecretId和SecretKey！"}));
}

}  // namespace
}  // namespace ydt
