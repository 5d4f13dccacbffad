// The gateway's users: the file, its commands and the login check with its lock-out.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "accounts.h"
#include "front/text_codec.h"
#include "gateway_fixture.h"
#include "user_commands.h"

namespace ydt::test {
namespace {

using gateway::Accounts;
using gateway::LoginOutcome;
using gateway::UsersFile;

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Add(const UsersFile& file, const std::string& name, const std::string& typed,
        std::string* out = nullptr) {
  std::ostringstream o, e;
  const int rc = gateway::AddUser(file, name, typed, kCheapParams, o, e);
  if (out) *out = o.str() + e.str();
  return rc;
}

TEST(GatewayAccounts, UsersAreAddedChangedAndRemovedAsTheConsoleWillLogIn) {
  ScratchFolder dir;
  const UsersFile file(dir.UsersPath());
  ManualClock clock;
  Accounts accounts(file, clock.Source());
  std::string out;

  // Typed on a UTF-8 terminal, with blanks the console would drop.
  ASSERT_EQ(Add(file, "张三", "  密码abc ", &out), 0) << out;
  ASSERT_EQ(Add(file, "demo", "demo123"), 0);
  std::ostringstream list, err;
  EXPECT_EQ(gateway::ListUsers(file, list, err), 0);
  EXPECT_EQ(list.str(), "张三\ndemo\n");

  EXPECT_EQ(accounts.Check("张三", ConsoleDigestOf("密码abc")), LoginOutcome::kAccepted);
  EXPECT_EQ(accounts.Check("张三", front::Md5Hex("密码abc")), LoginOutcome::kRefused)
      << "the digest is over GBK bytes, not UTF-8";
  EXPECT_EQ(accounts.Check("demo", ConsoleDigestOf("demo124")), LoginOutcome::kRefused);

  // A running gateway sees a changed file without a restart.
  ASSERT_EQ(Add(file, "demo", "n3w-Pass", &out), 0);
  EXPECT_NE(out.find("new password"), std::string::npos) << out;
  EXPECT_EQ(accounts.Check("demo", ConsoleDigestOf("demo123")), LoginOutcome::kRefused);
  EXPECT_EQ(accounts.Check("demo", ConsoleDigestOf("n3w-Pass")), LoginOutcome::kAccepted);

  std::ostringstream o, e;
  ASSERT_EQ(gateway::RemoveUser(file, "demo", o, e), 0);
  EXPECT_FALSE(accounts.Exists("demo"));
  EXPECT_EQ(accounts.Check("demo", ConsoleDigestOf("n3w-Pass")), LoginOutcome::kRefused);
  EXPECT_NE(gateway::RemoveUser(file, "demo", o, e), 0) << "no such user any more";
  EXPECT_TRUE(accounts.Exists("张三"));
}

TEST(GatewayAccounts, NamesAndPasswordsTheConsoleCannotSendAreRefused) {
  ScratchFolder dir;
  const UsersFile file(dir.UsersPath());
  ASSERT_EQ(Add(file, "demo", "demo123"), 0);
  const std::string before = ReadWhole(file.Path());
  const struct {
    const char* name;
    const char* password;
  } refused[] = {
      {"", "demo123"},      {"a:b", "demo123"}, {" demo2", "demo123"}, {"bad\tname", "demo123"},
      {"表情😀", "demo123"}, {"demo2", "   "},   {"demo2", "表情😀x"},
  };
  for (const auto& c : refused) {
    std::string out;
    EXPECT_NE(Add(file, c.name, c.password, &out), 0) << c.name << " / " << c.password;
    EXPECT_FALSE(out.empty()) << "a refusal says why";
  }
  EXPECT_EQ(ReadWhole(file.Path()), before);
}

TEST(GatewayAccounts, TheFileIsPrivateAndReplacedWhole) {
  ScratchFolder dir;
  const UsersFile file(dir.UsersPath());
  const mode_t oldMask = ::umask(0);
  ASSERT_EQ(Add(file, "first", "demo123"), 0);
  struct stat st {};
  ASSERT_EQ(::stat(file.Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  struct stat folder {};
  ASSERT_EQ(::stat((dir.Path() / "lxinterface-gateway").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);

  // A reader of the old file keeps the old file whole: the new one is renamed over it.
  std::ifstream reader(file.Path(), std::ios::binary);
  ASSERT_EQ(Add(file, "second", "demo123"), 0);
  ::umask(oldMask);
  std::ostringstream old;
  old << reader.rdbuf();
  EXPECT_EQ(old.str().find("second:"), std::string::npos);
  EXPECT_NE(old.str().find("first:"), std::string::npos);
  struct stat after {};
  ASSERT_EQ(::stat(file.Path().c_str(), &after), 0);
  EXPECT_NE(after.st_ino, st.st_ino);
  EXPECT_EQ(after.st_mode & 0777, 0600u);
  EXPECT_NE(ReadWhole(file.Path()).find("second:"), std::string::npos);
  int entries = 0;
  for ([[maybe_unused]] const auto& e :
       std::filesystem::directory_iterator(dir.Path() / "lxinterface-gateway"))
    ++entries;
  EXPECT_EQ(entries, 1) << "no temporary file is left behind";
}

TEST(GatewayAccounts, ABrokenFileIsRefusedNamingItsLine) {
  ScratchFolder dir;
  const UsersFile file(dir.UsersPath());
  ASSERT_EQ(Add(file, "demo", "demo123"), 0);
  const char* broken[] = {
      "demo",
      "demo:md5$abc",
      "demo:scrypt$1000$1$1$00$00",        // N not a power of two
      "demo:scrypt$16777216$64$16$00$00",  // gigabytes per login
      "demo:scrypt$1024$1$1$zz$00",        // not hex
      "a:b:scrypt$1024$1$1$00$00",         // a name with ":"
  };
  for (const char* line : broken) {
    std::ofstream(file.Path(), std::ios::trunc) << "# users\n" << line << "\n";
    std::vector<gateway::UserEntry> users;
    std::string error;
    EXPECT_FALSE(file.Load(users, error)) << line;
    EXPECT_NE(error.find(":2:"), std::string::npos) << error;
  }
}

TEST(GatewayAccounts, OnlyFiveFailuresWithinAMinuteLockAndUnknownNamesLockAlike) {
  ScratchFolder dir;
  const UsersFile file(dir.UsersPath());
  ASSERT_EQ(Add(file, "demo", "demo123"), 0);
  ManualClock clock;
  Accounts accounts(file, clock.Source());
  const std::string wrong = ConsoleDigestOf("wrong");

  for (int i = 0; i < 4; ++i) ASSERT_EQ(accounts.Check("demo", wrong), LoginOutcome::kRefused);
  clock.Advance(std::chrono::seconds(61));
  EXPECT_EQ(accounts.Check("demo", wrong), LoginOutcome::kRefused);
  EXPECT_EQ(accounts.Check("demo", ConsoleDigestOf("demo123")), LoginOutcome::kAccepted)
      << "the first four fell out of the minute";

  for (int i = 0; i < 5; ++i) ASSERT_EQ(accounts.Check("ghost", wrong), LoginOutcome::kRefused);
  EXPECT_EQ(accounts.Check("ghost", wrong), LoginOutcome::kLockedOut);
  EXPECT_EQ(accounts.Check("demo", ConsoleDigestOf("demo123")), LoginOutcome::kAccepted)
      << "a lock-out holds one name only";
}

}  // namespace
}  // namespace ydt::test
