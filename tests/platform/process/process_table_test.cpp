#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "platform/linux_process_table.h"
#include "platform/process_table.h"

namespace ydt {
namespace {

using ::testing::ElementsAre;

class FakeProcessTable : public ProcessTable {
 public:
  std::vector<ProcessEntry> processes;
  std::vector<int> terminated;
  std::vector<int> refusing;  // pids whose termination fails
  int self = 100;
  unsigned uid = 1000;

  std::vector<ProcessEntry> List() override { return processes; }
  bool Terminate(int pid) override {
    terminated.push_back(pid);
    return std::find(refusing.begin(), refusing.end(), pid) == refusing.end();
  }
  int OwnPid() override { return self; }
  unsigned OwnUid() override { return uid; }
};

TEST(EndAllInstancesTest, EndsOnlyExactNamesOfTheSameUserAndItselfLast) {
  FakeProcessTable table;
  table.processes = {
      {100, "yunduotai", 1000},         // itself, listed first
      {101, "yunduotai-helper", 1000},  // shares the prefix only
      {102, "yunduotai", 1000},         // another copy
      {103, "yunduotai", 0},            // another user's copy
      {104, "Yunduotai", 1000},         // case matters
      {105, "yunduo", 1000},            // a prefix of ours
      {106, "yunduotai", 1000},
  };
  EndAllInstances(table, "yunduotai");
  EXPECT_THAT(table.terminated, ElementsAre(102, 106, 100));
}

TEST(EndAllInstancesTest, AProcessThatCannotBeEndedIsSkipped) {
  FakeProcessTable table;
  table.processes = {{7, "yunduotai", 1000}, {8, "yunduotai", 1000}, {100, "yunduotai", 1000}};
  table.refusing = {7};
  EndAllInstances(table, "yunduotai");
  EXPECT_THAT(table.terminated, ElementsAre(7, 8, 100));
}

TEST(EndAllInstancesTest, EndsItselfEvenWhenTheListMissesIt) {
  FakeProcessTable table;
  EndAllInstances(table, "yunduotai");
  EXPECT_THAT(table.terminated, ElementsAre(100));
}

TEST(CountInstancesTest, CountsExactNamesOfTheSameUser) {
  FakeProcessTable table;
  table.processes = {{100, "yunduotai", 1000},
                     {101, "yunduotai", 1000},
                     {102, "yunduotai", 5},
                     {103, "yunduotai2", 1000}};
  EXPECT_EQ(CountInstances(table, "yunduotai"), 2);
}

TEST(LinuxProcessTableTest, ListsThisTestProcessUnderItsOwnNameAndUser) {
  LinuxProcessTable table;
  const std::string ownName = LinuxProcessTable::OwnExecutableName();
  ASSERT_EQ(ownName, "process_table_test");
  const auto entries = table.List();
  const auto self = std::find_if(entries.begin(), entries.end(),
                                 [](const ProcessEntry& e) { return e.pid == ::getpid(); });
  ASSERT_NE(self, entries.end());
  EXPECT_EQ(self->exeName, ownName);
  EXPECT_EQ(self->uid, ::getuid());
  EXPECT_GE(CountInstances(table, ownName), 1);
}

TEST(LinuxProcessTableTest, AnEarlyListIsHandedOutOnceThenListsAreFresh) {
  LinuxProcessTable table;
  table.StartEarlyList();
  const auto early = table.List();
  EXPECT_TRUE(std::any_of(early.begin(), early.end(),
                          [](const ProcessEntry& e) { return e.pid == ::getpid(); }));
  // A process started after the early list shows in the next one.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::pause();
    ::_exit(0);
  }
  const auto entries = table.List();
  const bool childListed = std::any_of(entries.begin(), entries.end(),
                                       [child](const ProcessEntry& e) { return e.pid == child; });
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(childListed);
}

}  // namespace
}  // namespace ydt
