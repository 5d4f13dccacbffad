#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/login/captcha_stamp.h"
#include "shell/login/login_form.h"
#include "shell/login/login_settings.h"
#include "shell/login/program_digest.h"
#include "shell/settings/settings_store.h"

namespace ydt {
namespace {

std::tm UtcTm(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm out{};
  gmtime_r(&t, &out);
  return out;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

TEST(CaptchaStamp, OnAUtcPlus8ClockItIsUnixTimeInMilliseconds) {
  for (std::int64_t unixSeconds : {1'700'000'000LL, 1'234'567'890LL, 4'102'444'800LL}) {
    // The local date-time of a UTC+8 clock at that instant.
    const std::tm local = UtcTm(unixSeconds + 8 * 3600);
    EXPECT_EQ(CaptchaStampAt(local, 42), std::to_string(unixSeconds * 1000 + 42));
  }
}

TEST(CaptchaStamp, MillisecondsAlwaysTakeThreeDigits) {
  const std::tm local = UtcTm(1'700'000'000LL + 8 * 3600);
  EXPECT_EQ(CaptchaStampAt(local, 0), "1700000000000");
  EXPECT_EQ(CaptchaStampAt(local, 7), "1700000000007");
  EXPECT_EQ(CaptchaStampAt(local, 999), "1700000000999");
}

TEST(CaptchaStamp, ShortNumbersAreFilledWithZerosAtTheEnd) {
  // Five seconds after 1970-01-01 08:00:00 local: "5" + "007", then zeros up to 13.
  EXPECT_EQ(CaptchaStampAt(UtcTm(8 * 3600 + 5), 7), "5007000000000");
  // Before that moment the count does not go negative.
  const std::string early = CaptchaStampAt(UtcTm(3600), 12);
  EXPECT_TRUE(AllDigits(early)) << early;
  EXPECT_EQ(early.size(), 13u);
}

TEST(CaptchaStamp, NowHasThirteenDigitsAndFollowsTheLocalClock) {
  const char* oldTz = std::getenv("TZ");
  const std::string saved = oldTz ? oldTz : "";
  setenv("TZ", "CST-8", 1);  // a clock on UTC+8, written without a zone database
  tzset();
  const auto before = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  const std::string stamp = CaptchaStamp();
  const auto after = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  if (oldTz)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();

  ASSERT_EQ(stamp.size(), 13u);
  ASSERT_TRUE(AllDigits(stamp)) << stamp;
  const long long value = std::stoll(stamp);
  EXPECT_GE(value, before);
  EXPECT_LE(value, after);
}

TEST(LoginForm, EncodesTheUserNameAndDigestsTheGbkPassword) {
  const auto fields = TrimLoginFields("张三ab1", "密码 中文", "8888");
  ASSERT_TRUE(fields);
  // Every UTF-8 byte is encoded, letters and digits too; the digest is over GBK bytes
  // (the digest of the UTF-8 bytes would be 99f6ccc8...).
  EXPECT_EQ(LoginFormText(*fields),
            "username=%E5%BC%A0%E4%B8%89%61%62%31"
            "&password=b2cb07263705994219d0f4bdb03dd61b&verifycode=8888&type=yunduotai");
}

TEST(LoginForm, DropsSpacesAroundEveryField) {
  const auto fields = TrimLoginFields("  demo ", " demo123  ", " 8888 ");
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->userName, "demo");
  EXPECT_EQ(fields->password, "demo123");
  EXPECT_EQ(fields->captcha, "8888");
  EXPECT_EQ(LoginFormText(*fields),
            "username=%64%65%6D%6F&password=62cc2d8b4bf2d8728120d052163a77df"
            "&verifycode=8888&type=yunduotai");
}

TEST(LoginForm, AFieldOfSpacesOnlyCountsAsEmpty) {
  EXPECT_FALSE(TrimLoginFields("   ", "demo123", "8888"));
  EXPECT_FALSE(TrimLoginFields("demo", "", "8888"));
  EXPECT_FALSE(TrimLoginFields("demo", "demo123", "  "));
}

TEST(LoginForm, ACaptchaCannotAddFieldsOfItsOwn) {
  const auto fields = TrimLoginFields("demo", "demo123", "88&type=x");
  ASSERT_TRUE(fields);
  const std::string form = LoginFormText(*fields);
  EXPECT_EQ(form.find("&type=x"), std::string::npos) << form;
  EXPECT_NE(form.find("&type=yunduotai"), std::string::npos);
}

class LoginSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("ydt-login-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_F(LoginSettingsTest, FirstStartShowsThePromptAndTicksRemember) {
  SettingsStore store(folder_.string());
  const LoginStartValues start = ReadLoginStartValues(store);
  EXPECT_EQ(start.userNameText, "请输入帐号");
  EXPECT_EQ(start.passwordText, "");
  EXPECT_TRUE(start.rememberTicked);
  EXPECT_FALSE(start.focusCaptcha);
}

TEST_F(LoginSettingsTest, RememberOnRestoresThePassword) {
  SettingsStore store(folder_.string());
  ASSERT_TRUE(store.EnsureFolder());
  SaveLoginSettings(store, LoginFields{"用户甲", "pa ss", "1234"}, true);
  const LoginStartValues start = ReadLoginStartValues(store);
  EXPECT_EQ(start.userNameText, "用户甲");
  EXPECT_EQ(start.passwordText, "pa ss");
  EXPECT_TRUE(start.rememberTicked);
  EXPECT_TRUE(start.focusCaptcha);
  EXPECT_EQ(store.readSetting("config", "remember_pwd", ""), "1");
}

TEST_F(LoginSettingsTest, RememberOffStillStoresThePasswordButDoesNotFillIt) {
  SettingsStore store(folder_.string());
  ASSERT_TRUE(store.EnsureFolder());
  SaveLoginSettings(store, LoginFields{"demo", "demo123", "8888"}, false);
  EXPECT_EQ(store.readSetting("config", "password", ""), "demo123");
  EXPECT_EQ(store.readSetting("config", "remember_pwd", ""), "0");
  const LoginStartValues start = ReadLoginStartValues(store);
  EXPECT_EQ(start.userNameText, "demo");
  EXPECT_EQ(start.passwordText, "");
  EXPECT_FALSE(start.rememberTicked);
}

TEST(ProgramDigest, IsTheDigestOfTheRunningExecutableWhateverTheWorkingFolder) {
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  const int niceBefore = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
  const std::string digest = ProgramDigest();
  // The hashing runs at the lowest priority, but the calling worker keeps its own.
  EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())), niceBefore);
  std::filesystem::current_path(old);
  EXPECT_EQ(digest.size(), 32u);
  EXPECT_EQ(digest.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(digest, FileDigest(std::filesystem::read_symlink("/proc/self/exe").string()));
}

TEST(ProgramDigest, FileDigestOfKnownBytesAndOfAMissingFile) {
  const auto path =
      std::filesystem::temp_directory_path() / ("ydt-digest-" + std::to_string(::getpid()));
  std::ofstream(path, std::ios::binary) << "demo123";
  EXPECT_EQ(FileDigest(path.string()), "62cc2d8b4bf2d8728120d052163a77df");
  std::filesystem::remove(path);
  EXPECT_EQ(FileDigest(path.string()), "");
}

}  // namespace
}  // namespace ydt
