// Login, captcha and the gates every backend operation passes: interface header, session.
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "front/text_codec.h"
#include "sim_client.h"
#include "sim_process.h"

namespace ydt::test {
namespace {

std::string PercentEncodeAll(const std::string& bytes) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  }
  return out;
}

std::string LoginForm(const std::string& userUtf8, const std::string& digest,
                      const std::string& captcha, const std::string& type = "yunduotai") {
  return "username=" + PercentEncodeAll(userUtf8) + "&password=" + digest +
         "&verifycode=" + captcha + "&type=" + type;
}

std::string CaptchaOf(int port, const std::string& cookie) {
  httplib::Client control("127.0.0.1", port);
  const std::string token = cookie.substr(cookie.find('=') + 1);
  auto reply = control.Get("/__control/captcha?token=" + token);
  if (!reply || reply->status != 200) return "";
  return nlohmann::json::parse(reply->body).value("code", "");
}

TEST(SimLogin, FreshCaptchaPerPictureTiesTheCodeToTheClient) {
  SimProcess sim({"--captcha", ""});
  ASSERT_TRUE(sim.Started()) << sim.StartError();
  SimClient alice(sim.Port());
  SimClient bob(sim.Port());

  auto picture = alice.Get("/verifycode/?type=yunduotai&t=1700000000000", false);
  ASSERT_EQ(picture.status, 200);
  ASSERT_FALSE(alice.cookie.empty()) << "the picture must open a session";
  ASSERT_GE(picture.body.size(), 54u);
  EXPECT_EQ(picture.body.substr(0, 2), "BM");
  const auto fileSize = static_cast<unsigned char>(picture.body[2]) |
                        static_cast<unsigned char>(picture.body[3]) << 8;
  EXPECT_EQ(fileSize, picture.body.size());

  const std::string code = CaptchaOf(sim.Port(), alice.cookie);
  ASSERT_EQ(code.size(), 4u);
  bob.Get("/verifycode/?type=yunduotai&t=1", false);
  const std::string bobCode = CaptchaOf(sim.Port(), bob.cookie);

  const std::string digest = front::Md5Hex("demo123");
  // Bob cannot use Alice's code.
  if (bobCode != code) {
    EXPECT_EQ(bob.Post("/login/", LoginForm("demo", digest, code)).Msg(), "验证码错误");
  }
  // Codes are compared without regard to case.
  std::string lower = front::ToLowerAscii(code);
  auto ok = alice.Post("/login/", LoginForm("demo", digest, lower));
  EXPECT_EQ(ok.Code(), 0) << ok.body;
  EXPECT_NE(ok.setCookie.find("LXSESSID="), std::string::npos);
  EXPECT_EQ(alice.Get("/logininfo/").Data()[0]["username"], "demo");
  EXPECT_EQ(bob.Get("/logininfo/").Code(), 401);
}

TEST(SimLogin, WrongCaptchaIsSpentSoTheRightOneFailsAfterIt) {
  SimProcess sim({"--captcha", ""});
  ASSERT_TRUE(sim.Started()) << sim.StartError();
  SimClient client(sim.Port());
  client.Get("/verifycode/?type=yunduotai&t=1", false);
  const std::string code = CaptchaOf(sim.Port(), client.cookie);
  const std::string digest = front::Md5Hex("demo123");
  auto wrong = client.Post("/login/", LoginForm("demo", digest, code == "2222" ? "3333" : "2222"));
  EXPECT_NE(wrong.Code(), 0);
  EXPECT_EQ(wrong.Msg(), "验证码错误");
  EXPECT_EQ(client.Post("/login/", LoginForm("demo", digest, code)).Msg(), "验证码错误");
  // Without a picture and without a fixed code there is nothing to match.
  SimClient stranger(sim.Port());
  EXPECT_NE(stranger.Post("/login/", LoginForm("demo", digest, code)).Code(), 0);
}

TEST(SimLogin, PasswordDigestIsTakenOverGbkBytesAndUserNameOverUtf8) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("lxsim-login-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto seedPath = dir / "seed.json";
  std::ofstream(seedPath)
      << R"({"users":[{"username":"张三","password":"密码abc123"}],"accounts":[]})";
  SimProcess sim({"--seed", seedPath.string()});
  ASSERT_TRUE(sim.Started()) << sim.StartError();
  SimClient client(sim.Port());

  const std::string utf8Digest = front::Md5Hex("密码abc123");
  const std::string gbkDigest = front::Md5Hex(front::Utf8ToGbk("密码abc123"));
  ASSERT_NE(utf8Digest, gbkDigest);
  auto refused = client.Post("/login/", LoginForm("张三", utf8Digest, "ABCD"));
  EXPECT_EQ(refused.Msg(), "用户名或密码错误");
  auto ok = client.Post("/login/", LoginForm("张三", gbkDigest, "abcd"));
  EXPECT_EQ(ok.Code(), 0) << ok.body;
  EXPECT_EQ(client.Get("/logininfo/").Data()[0]["username"], "张三");
  std::filesystem::remove_all(dir);
}

class SimGates : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sim_ = new SimProcess(); }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(sim_->Started()) << sim_->StartError(); }
  static SimProcess* sim_;
};
SimProcess* SimGates::sim_ = nullptr;

TEST_F(SimGates, IncompleteOrWrongLoginsAreRefusedInChinese) {
  SimClient client(sim_->Port());
  const std::string digest = front::Md5Hex("demo123");
  struct Case {
    std::string form;
    std::string msg;
  } cases[] = {
      {LoginForm("demo", front::Md5Hex("demo124"), "ABCD"), "用户名或密码错误"},
      {LoginForm("nobody", digest, "ABCD"), "用户名或密码错误"},
      {LoginForm("demo", digest, "ABCE"), "验证码错误"},
      {LoginForm("demo", digest, "ABCD", "other"), "登录类型错误"},
      {"username=demo&password=" + digest + "&type=yunduotai", "请填写完整的登录信息"},
      {"", "请填写完整的登录信息"},
      {"%%%&&&===", "请填写完整的登录信息"},
  };
  for (const auto& c : cases) {
    auto reply = client.Post("/login/", c.form);
    EXPECT_NE(reply.Code(), 0) << c.form;
    EXPECT_EQ(reply.Msg(), c.msg) << c.form;
    EXPECT_TRUE(reply.setCookie.empty()) << c.form;
  }
}

TEST_F(SimGates, OperationsNeedTheInterfaceHeaderAndALogin) {
  SimClient client(sim_->Port());
  const std::string form = SimClient::Keys("qcloud") + "&region=ap-beijing&offset=0&limit=1";
  auto anonymous = client.Post("/yunduotai/qcloud/instances/", form);
  EXPECT_EQ(anonymous.Code(), 401);
  EXPECT_EQ(anonymous.Msg(), "登录已失效，请重新登录");
  EXPECT_EQ(client.Get("/logininfo/").Code(), 401);

  ASSERT_TRUE(client.LogIn());
  EXPECT_EQ(client.Post("/yunduotai/qcloud/instances/", form).Code(), 0);
  auto headless = client.Post("/yunduotai/qcloud/instances/", form, false);
  EXPECT_NE(headless.Code(), 0);
  EXPECT_FALSE(headless.Msg().empty());
  EXPECT_NE(client.Get("/logininfo/", false).Code(), 0);

  SimClient forger(sim_->Port());
  forger.cookie = "LXSESSID=00000000000000000000000000000000";
  EXPECT_EQ(forger.Post("/yunduotai/qcloud/instances/", form).Code(), 401);
}

TEST_F(SimGates, AnnouncementNeedsNoLoginButMethodsAndPathsAreChecked) {
  SimClient client(sim_->Port());
  auto gg = client.Get("/gg/?type=yunduotai");
  EXPECT_EQ(gg.Code(), 0);
  EXPECT_FALSE(gg.Data()["gg"].get<std::string>().empty());
  EXPECT_EQ(gg.contentType.find("application/json"), 0u);
  EXPECT_NE(client.Post("/gg/?type=yunduotai", "").Code(), 0);
  ASSERT_TRUE(client.LogIn());
  EXPECT_NE(client.Get("/yunduotai/qcloud/instances/").Code(), 0);
  auto unknown = client.Post("/yunduotai/qcloud/nosuchop/", SimClient::Keys("qcloud"));
  EXPECT_EQ(unknown.Code(), 404);
  EXPECT_NE(client.Post("/yunduotai/gcp/instances/", SimClient::Keys("qcloud")).Code(), 0);
}

}  // namespace
}  // namespace ydt::test
