// The settings file when the disk is not on our side: folders that cannot be written,
// files that cannot be read, enormous values, two copies of the console writing at once and
// writers killed half-way.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "shell/settings/settings_store.h"

namespace ydt {
namespace {

namespace fs = std::filesystem;

std::string MakeTempFolder() {
  std::string pattern = (fs::temp_directory_path() / "ydt-setfault-XXXXXX").string();
  const char* made = ::mkdtemp(pattern.data());
  return made ? std::string(made) : std::string();
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  for (const auto& entry : fs::recursive_directory_iterator(path, ignored)) {
    fs::permissions(entry.path(), fs::perms::owner_all, ignored);
  }
  fs::permissions(path, fs::perms::owner_all, ignored);
  fs::remove_all(path, ignored);
}

class TempDocuments {
 public:
  TempDocuments() : path_(MakeTempFolder()) {}
  ~TempDocuments() { RemoveTree(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int EntriesIn(const std::string& folder) {
  int entries = 0;
  std::error_code ignored;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder, ignored)) ++entries;
  return entries;
}

// Permission bits do not stop root. Runs `scenario` in a child process that has given up
// root when the tests run as root, so a read-only folder is read-only; the child's exit
// code is the number of the first check that failed (0: all passed).
template <typename Scenario>
int RunUnprivileged(Scenario scenario) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
    ::_exit(scenario());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

TEST(SettingsUnderFaults, AReadOnlyFolderRefusesWritesKeepsTheFileAndRecovers) {
  const int failed = RunUnprivileged([] {
    TempDocuments docs;
    if (docs.path().empty()) return 1;
    SettingsStore store(docs.path());
    if (!store.writeSetting("qcloud", "secretid", "id-1")) return 2;
    const std::string before = ReadBytes(store.settingsPath());

    ::chmod(store.FolderPath().c_str(), 0500);
    if (store.writeSetting("qcloud", "secretkey", "key-1")) return 3;
    if (store.readSetting("qcloud", "secretid", "") != "id-1") return 4;
    if (ReadBytes(store.settingsPath()) != before) return 5;
    if (EntriesIn(store.FolderPath()) != 1) return 6;  // no temporary file left behind

    // The operator fixes the folder: the next write lands, the earlier key is still there.
    ::chmod(store.FolderPath().c_str(), 0700);
    if (!store.writeSetting("qcloud", "secretkey", "key-1")) return 7;
    if (store.readSetting("qcloud", "secretid", "") != "id-1") return 8;
    if (store.readSetting("qcloud", "secretkey", "") != "key-1") return 9;
    return 0;
  });
  EXPECT_EQ(failed, 0);
}

TEST(SettingsUnderFaults, AReadOnlyDocumentsFolderGivesDefaultsUntilItCanBeWritten) {
  const int failed = RunUnprivileged([] {
    TempDocuments docs;
    if (docs.path().empty()) return 1;
    SettingsStore store(docs.path());
    ::chmod(docs.path().c_str(), 0500);
    if (store.EnsureFolder()) return 2;
    if (store.writeSetting("config", "username", "demo")) return 3;
    if (store.readSetting("config", "remember_pwd", "1") != "1") return 4;
    ::chmod(docs.path().c_str(), 0700);
    if (!store.writeSetting("config", "username", "demo")) return 5;
    if (store.readSetting("config", "username", "") != "demo") return 6;
    return 0;
  });
  EXPECT_EQ(failed, 0);
}

TEST(SettingsUnderFaults, AFileThatCannotBeReadIsNotReplacedByOneHoldingOnlyTheNewKey) {
  const int failed = RunUnprivileged([] {
    TempDocuments docs;
    if (docs.path().empty()) return 1;
    SettingsStore store(docs.path());
    if (!store.writeSetting("qcloud", "secretid", "id-1")) return 2;
    if (!store.writeSetting("aliyun", "secretkey", "key-2")) return 3;

    ::chmod(store.settingsPath().c_str(), 0000);
    if (store.readSetting("qcloud", "secretid", "dflt") != "dflt") return 4;
    if (store.writeSetting("huawei", "secretid", "id-3")) return 5;

    ::chmod(store.settingsPath().c_str(), 0600);
    if (store.readSetting("qcloud", "secretid", "") != "id-1") return 6;
    if (store.readSetting("aliyun", "secretkey", "") != "key-2") return 7;
    if (!store.writeSetting("huawei", "secretid", "id-3")) return 8;
    if (store.readSetting("huawei", "secretid", "") != "id-3") return 9;
    return 0;
  });
  EXPECT_EQ(failed, 0);
}

TEST(SettingsUnderFaults, AMissingDocumentsFolderIsCreatedByTheFirstWrite) {
  TempDocuments root;
  const std::string documents = root.path() + "/home/operator/Documents";
  SettingsStore store(documents);
  EXPECT_EQ(store.readSetting("config", "batch_delay", "100"), "100");
  ASSERT_TRUE(store.writeSetting("config", "batch_delay", "250"));
  EXPECT_EQ(store.readSetting("config", "batch_delay", "100"), "250");
}

TEST(SettingsUnderFaults, AOneMegabyteValueIsCutOnReadAndLeavesTheOtherKeysWorking) {
  TempDocuments docs;
  SettingsStore store(docs.path());
  ASSERT_TRUE(store.writeSetting("qcloud", "secretid", "id-1"));
  std::string huge(1 << 20, 'k');
  huge.replace(0, 6, "begin-");
  ASSERT_TRUE(store.writeSetting("qcloud", "secretkey", huge));
  ASSERT_TRUE(store.writeSetting("huawei", "vpcid", "vpc-after"));

  const std::string read = store.readSetting("qcloud", "secretkey", "");
  EXPECT_EQ(read.size(), SettingsStore::kValueBufferBytes - 1);
  EXPECT_EQ(read.substr(0, 6), "begin-");
  EXPECT_EQ(store.readSetting("qcloud", "secretid", ""), "id-1");
  EXPECT_EQ(store.readSetting("huawei", "vpcid", ""), "vpc-after");
  // Later writes keep the whole value on disk and a shorter value replaces it.
  EXPECT_GT(fs::file_size(store.settingsPath()), huge.size());
  ASSERT_TRUE(store.writeSetting("qcloud", "secretkey", "short"));
  EXPECT_EQ(store.readSetting("qcloud", "secretkey", ""), "short");
  EXPECT_LT(fs::file_size(store.settingsPath()), 1000u);
}

constexpr int kWritesEach = 150;

std::string KeyName(char who, int i) {
  return std::string(1, who) + std::to_string(i);
}

void WriteKeys(SettingsStore& store, const char* section, char who) {
  for (int i = 0; i < kWritesEach; ++i)
    store.writeSetting(section, KeyName(who, i), "v" + KeyName(who, i));
}

void ExpectEveryKey(const SettingsStore& store) {
  int lost = 0;
  for (int i = 0; i < kWritesEach; ++i) {
    if (store.readSetting("qcloud", KeyName('a', i), "") != "v" + KeyName('a', i)) ++lost;
    if (store.readSetting("aliyun", KeyName('b', i), "") != "v" + KeyName('b', i)) ++lost;
  }
  EXPECT_EQ(lost, 0);
}

TEST(SettingsUnderFaults, TwoStoresWritingAtOnceLoseNoKeyAndTheFileStaysReadable) {
  TempDocuments docs;
  SettingsStore first(docs.path());
  SettingsStore second(docs.path());
  ASSERT_TRUE(first.writeSetting("config", "username", "demo"));

  std::atomic<bool> done{false};
  std::atomic<int> unreadable{0};
  // A third reader checks that a key written before the race is always there.
  std::thread reader([&] {
    const SettingsStore third(docs.path());
    while (!done) {
      if (third.readSetting("config", "username", "") != "demo") ++unreadable;
    }
  });
  std::thread a([&] { WriteKeys(first, "qcloud", 'a'); });
  std::thread b([&] { WriteKeys(second, "aliyun", 'b'); });
  a.join();
  b.join();
  done = true;
  reader.join();

  EXPECT_EQ(unreadable, 0);
  ExpectEveryKey(first);
  EXPECT_EQ(EntriesIn(first.FolderPath()), 1);
}

// kill -9 or a power loss at any moment of a write: a killed write may leave its temporary
// copy, the next write clears them all, and every key of a finished write is still there.
TEST(SettingsUnderFaults, WritersKilledAtRandomMomentsLeaveNothingAfterTheNextWrite) {
  TempDocuments docs;
  SettingsStore store(docs.path());
  ASSERT_TRUE(store.writeSetting("config", "username", "demo"));
  std::mt19937 random(16);
  int leftovers = 0;
  for (int round = 0; round < 30; ++round) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      SettingsStore own(docs.path());
      for (int i = 0;; ++i)
        own.writeSetting("aliyun", "round" + std::to_string(round), std::to_string(i));
    }
    ::usleep(static_cast<useconds_t>(random() % 15000));
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    leftovers += EntriesIn(store.FolderPath()) - 1;
  }
  ASSERT_TRUE(store.writeSetting("config", "batch_delay", "200"));
  EXPECT_EQ(EntriesIn(store.FolderPath()), 1) << leftovers << " copies were left by the kills";
  EXPECT_EQ(store.readSetting("config", "username", ""), "demo");
  EXPECT_EQ(store.readSetting("config", "batch_delay", ""), "200");
}

TEST(SettingsUnderFaults, TwoProcessesWritingAtOnceLoseNoKey) {
  TempDocuments docs;
  SettingsStore store(docs.path());
  ASSERT_TRUE(store.EnsureFolder());
  std::fflush(nullptr);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SettingsStore own(docs.path());
    WriteKeys(own, "aliyun", 'b');
    ::_exit(0);
  }
  WriteKeys(store, "qcloud", 'a');
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ExpectEveryKey(store);
}

}  // namespace
}  // namespace ydt
