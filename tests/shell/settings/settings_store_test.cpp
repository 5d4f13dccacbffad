#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

#include "service/text/text.h"
#include "shell/settings/ini_text.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"

namespace ydt {
namespace {

namespace fs = std::filesystem;

class TempDocuments {
 public:
  TempDocuments() {
    std::string pattern = (fs::temp_directory_path() / "ydt-settings-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDocuments() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, ignored);
    fs::permissions(path_ + "/Lanxg", fs::perms::owner_all, ignored);
    fs::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  TempDocuments docs;
  SettingsStore store{docs.path()};
};

TEST_F(SettingsStoreTest, PathLivesInTheLanxgFolderOfTheDocuments) {
  EXPECT_EQ(store.settingsPath(), docs.path() + "/Lanxg/yunduotai.db");
}

TEST_F(SettingsStoreTest, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(store.readSetting("config", "remember_pwd", "1"), "1");
  ASSERT_TRUE(store.writeSetting("qcloud", "secretid", "AKID"));
  EXPECT_EQ(store.readSetting("qcloud", "secretkey", ""), "");
  EXPECT_EQ(store.readSetting("aliyun", "secretid", "none"), "none");
}

TEST_F(SettingsStoreTest, ChineseValuesRoundTripAndAreStoredAsGbk) {
  ASSERT_TRUE(store.writeSetting("config", "username", "澜星用户"));
  EXPECT_EQ(store.readSetting("config", "username", ""), "澜星用户");
  const std::string bytes = ReadBytes(store.settingsPath());
  EXPECT_EQ(bytes, "[config]\r\nusername=" + Utf8ToGbk("澜星用户") + "\r\n");
}

TEST_F(SettingsStoreTest, AnEmptyValueIsStoredAndReadBackAsEmptyNotAsTheDefault) {
  ASSERT_TRUE(store.writeSetting("huawei", "vpcid", ""));
  EXPECT_EQ(store.readSetting("huawei", "vpcid", "sample"), "");
}

TEST_F(SettingsStoreTest, WritesKeepOtherKeysSectionsCommentsAndUnknownLines) {
  const std::string original =
      "; kept comment\r\n[config]\r\nbatch_delay=500\r\nstray line\r\n\r\n"
      "[extra]\r\nfoo=bar\r\n";
  WriteBytes(store.settingsPath(), original);
  ASSERT_TRUE(store.writeSetting("config", "batch_delay", "700"));
  ASSERT_TRUE(store.writeSetting("config", "username", "demo"));
  ASSERT_TRUE(store.writeSetting("qcloud", "selected_region", "3"));
  EXPECT_EQ(ReadBytes(store.settingsPath()),
            "; kept comment\r\n[config]\r\nbatch_delay=700\r\nstray line\r\nusername=demo\r\n"
            "\r\n[extra]\r\nfoo=bar\r\n[qcloud]\r\nselected_region=3\r\n");
}

TEST_F(SettingsStoreTest, LookupIsCaseInsensitiveAndTakesTheFirstMatch) {
  WriteBytes(store.settingsPath(),
             "[Config]\nBatch_Delay = 300 \nbatch_delay=400\n[config]\nbatch_delay=500\n");
  EXPECT_EQ(store.readSetting("config", "batch_delay", ""), "300");
  ASSERT_TRUE(store.writeSetting("CONFIG", "BATCH_DELAY", "900"));
  EXPECT_EQ(ReadBytes(store.settingsPath()),
            "[Config]\nBATCH_DELAY=900\r\nbatch_delay=400\n[config]\nbatch_delay=500\n");
}

TEST_F(SettingsStoreTest, EnclosingQuotesAreDroppedOnRead) {
  WriteBytes(store.settingsPath(), "[config]\nrebuild_password=\"pa ss\"\nusername='x\n");
  EXPECT_EQ(store.readSetting("config", "rebuild_password", ""), "pa ss");
  EXPECT_EQ(store.readSetting("config", "username", ""), "'x");
}

TEST_F(SettingsStoreTest, ValuesAreCutAt10239GbkBytesOnRead) {
  const std::string longAscii(20000, 'a');
  ASSERT_TRUE(store.writeSetting("config", "password", longAscii));
  EXPECT_EQ(store.readSetting("config", "password", "").size(), 10239u);
  // 5,120 two-byte characters are 10,240 bytes: the last one does not fit whole and goes.
  std::string chinese;
  for (int i = 0; i < 5120; ++i) chinese += "中";
  ASSERT_TRUE(store.writeSetting("config", "password", chinese));
  const std::string read = store.readSetting("config", "password", "");
  EXPECT_EQ(GbkLength(read), 10238u);
  EXPECT_EQ(read.find('?'), std::string::npos);
}

TEST_F(SettingsStoreTest, LineBreaksInAValueCannotInjectKeys) {
  ASSERT_TRUE(store.writeSetting("qcloud", "secretid", "abc\r\n[config]\r\nbatch_delay=1"));
  EXPECT_EQ(store.readSetting("config", "batch_delay", "none"), "none");
  EXPECT_EQ(store.readSetting("qcloud", "secretid", ""), "abc[config]batch_delay=1");
}

TEST_F(SettingsStoreTest, FileAndFolderAreReadableByTheOwnerOnly) {
  ASSERT_TRUE(store.writeSetting("qcloud", "secretkey", "secret"));
  struct stat file {};
  struct stat folder {};
  ASSERT_EQ(::stat(store.settingsPath().c_str(), &file), 0);
  ASSERT_EQ(::stat(store.FolderPath().c_str(), &folder), 0);
  EXPECT_EQ(file.st_mode & 0777, 0600u);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

// Fails the write of the new contents half-way, as a crash or a full disk would.
class HalfWritingStore : public SettingsStore {
 public:
  using SettingsStore::SettingsStore;

 protected:
  bool WriteAll(int fd, std::string_view bytes) override {
    SettingsStore::WriteAll(fd, bytes.substr(0, bytes.size() / 2));
    return false;
  }
};

TEST_F(SettingsStoreTest, AnInterruptedWriteLeavesTheOldFileWhole) {
  ASSERT_TRUE(store.writeSetting("qcloud", "secretid", "old-id"));
  ASSERT_TRUE(store.writeSetting("qcloud", "secretkey", "old-key"));
  const std::string before = ReadBytes(store.settingsPath());

  HalfWritingStore failing(docs.path());
  EXPECT_FALSE(failing.writeSetting("qcloud", "secretkey", std::string(4000, 'n')));
  EXPECT_EQ(ReadBytes(store.settingsPath()), before);
  EXPECT_EQ(store.readSetting("qcloud", "secretkey", ""), "old-key");
  // No temporary file is left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(store.FolderPath())) ++entries;
  EXPECT_EQ(entries, 1);
}

// What a write killed between making its copy and renaming it leaves: the next write removes
// such copies, and nothing else in the folder.
TEST_F(SettingsStoreTest, AWriteRemovesTheCopiesKilledWritesLeftBehindAndNothingElse) {
  ASSERT_TRUE(store.writeSetting("qcloud", "secretid", "kept"));
  const std::string folder = store.FolderPath();
  for (const char* name : {"yunduotai.db.a1B2c3", "yunduotai.db.ZZZZZZ", "yunduotai.db.000000"}) {
    WriteBytes(folder + "/" + name, "[qcloud]\r\nsecretkey=leaked\r\n");
  }
  const std::set<std::string> others = {
      "yunduotai.db",        "yunduotai.db.bak",    "yunduotai.db.a1B2c", "yunduotai.db.a1B2c3d",
      "yunduotai.db.a1-2c3", "yunduotai.dbXa1B2c3", "other.db.a1B2c3",    "sub",
      "yunduotai.db.Dir000", "yunduotai.db.Link00"};
  for (const char* name :
       {"yunduotai.db.bak", "yunduotai.db.a1B2c", "yunduotai.db.a1B2c3d", "yunduotai.db.a1-2c3",
        "yunduotai.dbXa1B2c3", "other.db.a1B2c3", "sub/yunduotai.db.a1B2c3"}) {
    WriteBytes(folder + "/" + name, "x");
  }
  fs::create_directory(folder + "/yunduotai.db.Dir000");
  WriteBytes(docs.path() + "/outside", "outside");
  fs::create_symlink(docs.path() + "/outside", folder + "/yunduotai.db.Link00");

  ASSERT_TRUE(store.writeSetting("qcloud", "secretkey", "new"));
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder)) left.insert(entry.path().filename());
  EXPECT_EQ(left, others);
  EXPECT_TRUE(fs::exists(folder + "/sub/yunduotai.db.a1B2c3"));
  EXPECT_EQ(ReadBytes(docs.path() + "/outside"), "outside");
  EXPECT_EQ(store.readSetting("qcloud", "secretid", ""), "kept");
  EXPECT_EQ(store.readSetting("qcloud", "secretkey", ""), "new");
}

TEST_F(SettingsStoreTest, AWriteThatCannotReachTheDiskReturnsFalse) {
  // A file where the folder should be: neither the folder nor the file can be made.
  WriteBytes(store.FolderPath(), "not a folder");
  EXPECT_FALSE(store.writeSetting("config", "username", "x"));
  EXPECT_EQ(store.readSetting("config", "username", "dflt"), "dflt");
  EXPECT_EQ(ReadBytes(store.FolderPath()), "not a folder");
}

TEST_F(SettingsStoreTest, BinaryGarbageReadsAsDefaultsAndCanBeWrittenOver) {
  std::mt19937 random(42);
  std::string garbage(8192, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  WriteBytes(store.settingsPath(), garbage);
  EXPECT_EQ(store.readSetting("config", "batch_delay", "100"), "100");
  EXPECT_TRUE(store.writeSetting("config", "batch_delay", "200"));
  EXPECT_EQ(store.readSetting("config", "batch_delay", "100"), "200");
}

TEST(IniTextTest, AddsABreakBeforeAppendingToAFileWithoutAFinalOne) {
  EXPECT_EQ(IniText::Set("[a]\r\nx=1", "a", "y", "2"), "[a]\r\nx=1\r\ny=2\r\n");
  EXPECT_EQ(IniText::Set("[a]\r\nx=1", "b", "y", "2"), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
  EXPECT_EQ(IniText::Set("", "b", "y", "2"), "[b]\r\ny=2\r\n");
}

TEST(IniTextTest, KeyAddedAfterALastLineEndingInABareCarriageReturnReadsBack) {
  for (std::string_view ini : {"[a]\r\nx=1\r", "[a]\r", "[a\r"}) {
    for (std::string_view section : {"a", "b"}) {
      const std::string updated = IniText::Set(ini, section, "y", "2");
      EXPECT_EQ(IniText::Find(updated, section, "y"), "2") << updated;
      EXPECT_EQ(IniText::Find(updated, "a", "x"), IniText::Find(ini, "a", "x")) << updated;
      EXPECT_TRUE(updated.starts_with(ini)) << updated;
    }
  }
}

TEST(IniTextTest, CommentedKeysAndKeysOutsideTheSectionDoNotMatch) {
  const std::string ini = "x=0\n[a]\n;x=1\n[b]\nx=2\n";
  EXPECT_EQ(IniText::Find(ini, "a", "x"), std::nullopt);
  EXPECT_EQ(IniText::Find(ini, "b", "x"), "2");
}

class RunningValuesTest : public SettingsStoreTest {
 protected:
  RunningValues values;
};

TEST_F(RunningValuesTest, DefaultsWhenNothingIsStored) {
  values.Load(store);
  EXPECT_EQ(values.BatchDelay(), 100);
  EXPECT_EQ(values.RebuildPassword(), "Qzt.Hv731.Nep");
}

TEST_F(RunningValuesTest, BatchDelayBelowTheMinimumOrNotANumberBecomes100) {
  for (const char* stored : {"50", "abc", "-5", "", "99"}) {
    ASSERT_TRUE(store.writeSetting("config", "batch_delay", stored));
    values.Load(store);
    EXPECT_EQ(values.BatchDelay(), 100) << stored;
    // The file is not corrected.
    EXPECT_EQ(store.readSetting("config", "batch_delay", ""), stored);
  }
  ASSERT_TRUE(store.writeSetting("config", "batch_delay", " 2500ms"));
  values.Load(store);
  EXPECT_EQ(values.BatchDelay(), 2500);
}

TEST_F(RunningValuesTest, AHugeBatchDelaySaturatesAndPausesDoNotOverflow) {
  ASSERT_TRUE(store.writeSetting("config", "batch_delay", "99999999999999999999"));
  values.Load(store);
  EXPECT_EQ(values.BatchDelay(), INT32_MAX);
  EXPECT_EQ(values.DelayPlus(1250), std::int64_t{INT32_MAX} + 1250);
}

TEST_F(RunningValuesTest, RebuildPasswordOfSixBytesOrLessFallsBackToTheDefault) {
  ASSERT_TRUE(store.writeSetting("config", "rebuild_password", "abcdef"));
  values.Load(store);
  EXPECT_EQ(values.RebuildPassword(), "Qzt.Hv731.Nep");
  ASSERT_TRUE(store.writeSetting("config", "rebuild_password", "abcdefg"));
  values.Load(store);
  EXPECT_EQ(values.RebuildPassword(), "abcdefg");
  // Bytes are counted in GBK: three Chinese characters are six bytes.
  ASSERT_TRUE(store.writeSetting("config", "rebuild_password", "密码好"));
  values.Load(store);
  EXPECT_EQ(values.RebuildPassword(), "Qzt.Hv731.Nep");
  ASSERT_TRUE(store.writeSetting("config", "rebuild_password", "密码好a"));
  values.Load(store);
  EXPECT_EQ(values.RebuildPassword(), "密码好a");
}

}  // namespace
}  // namespace ydt
