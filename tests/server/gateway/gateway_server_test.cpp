// The gateway's server as the console meets it: logins, sessions, and what it writes down.
#include <gtest/gtest.h>
#include <httplib.h>

#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "front/text_codec.h"
#include "gateway.h"
#include "gateway_fixture.h"
#include "user_commands.h"

namespace ydt::test {
namespace {

// A provider that fails the way real ones do: repeating what it was given.
class EchoingClouds final : public front::Clouds {
 public:
  front::CloudReply Perform(const front::CloudRequest& request) override {
    std::lock_guard lock(mutex_);
    seen_.push_back(request);
    return front::CloudReply::Fail(
        7, "AuthFailure.SignatureFailure: secretkey " + request.Field("secretkey").value_or("") +
               " does not match " + request.Field("secretid").value_or(""));
  }
  std::vector<front::CloudRequest> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  std::mutex mutex_;
  std::vector<front::CloudRequest> seen_;
};

struct Answer {
  int code = -1;
  std::string msg;
  std::string body;
};

class GatewayServer : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ostringstream out, err;
    ASSERT_EQ(gateway::AddUser(file_, "demo", "demo123", kCheapParams, out, err), 0) << err.str();
    gateway::GatewayOptions options;
    options.port = 0;
    options.captcha = "ABCD";
    gateway_ = std::make_unique<gateway::Gateway>(options, accounts_, clouds_, clock_.Source(),
                                                  [this](const std::string& line) {
                                                    std::lock_guard lock(logMutex_);
                                                    log_ += line + "\n";
                                                  });
    std::string error;
    ASSERT_TRUE(gateway_->Bind(error)) << error;
    server_ = std::thread([this] { gateway_->Run(); });
  }
  void TearDown() override {
    if (!gateway_) return;
    while (server_.joinable() && !gateway_->Finished()) {
      gateway_->Stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (server_.joinable()) server_.join();
  }

  Answer Post(const std::string& path, const std::string& form) { return Send("POST", path, form); }
  Answer Send(const std::string& method, const std::string& path, const std::string& form = "") {
    httplib::Client client("127.0.0.1", gateway_->Port());
    httplib::Headers headers{{"interface", "yunduotai"}};
    if (!cookie_.empty()) headers.emplace("Cookie", cookie_);
    const std::string target = std::string(front::kBasePath) + path;
    auto result = method == "POST"
                      ? client.Post(target, headers, form, "application/x-www-form-urlencoded")
                      : client.Get(target, headers);
    Answer answer;
    if (!result) return answer;
    answer.body = result->body;
    const std::string setCookie = result->get_header_value("Set-Cookie");
    if (!setCookie.empty()) cookie_ = setCookie.substr(0, setCookie.find(';'));
    auto json = nlohmann::json::parse(answer.body, nullptr, false);
    if (json.is_object()) {
      answer.code = json.value("code", -1);
      answer.msg = json.value("msg", "");
    }
    return answer;
  }
  Answer LogIn(const std::string& password) {
    return Post("/login/", LoginForm("demo", password, "abcd"));
  }
  std::string Log() {
    std::lock_guard lock(logMutex_);
    return log_;
  }

  ScratchFolder dir_;
  gateway::UsersFile file_{dir_.UsersPath()};
  ManualClock clock_;
  gateway::Accounts accounts_{file_, clock_.Source()};
  EchoingClouds clouds_;
  std::unique_ptr<gateway::Gateway> gateway_;
  std::thread server_;
  std::string cookie_;
  std::mutex logMutex_;
  std::string log_;
};

TEST_F(GatewayServer, SecretsNeverReachTheLogTheJournalOrAReplyText) {
  ASSERT_EQ(LogIn("demo123").code, 0);
  const std::string key = "Tk3yS3cr3t+Value/42";
  const std::string form =
      "secretid=AKIDvisible&secretkey=Tk3yS3cr3t%2BValue/42"
      "&region=ap-guangzhou&offset=0&limit=1";
  const Answer failed = Post("/yunduotai/qcloud/instances/?secretkey=InQuerySecret", form);
  EXPECT_EQ(failed.code, 7);
  EXPECT_NE(failed.msg.find("secretkey *** does not match AKIDvisible"), std::string::npos)
      << failed.msg;

  // The provider still got the key itself.
  ASSERT_EQ(clouds_.Seen().size(), 1u);
  EXPECT_EQ(clouds_.Seen()[0].Field("secretkey"), key);

  const std::string journal = gateway_->Journal().Recent(50).dump();
  const std::string log = Log();
  const std::string digest = ConsoleDigestOf("demo123");
  for (const std::string& secret : {std::string("Tk3yS3cr3t"), front::ToHex("Tk3yS3cr3t"),
                                    std::string("InQuerySecret"), digest, front::ToHex(digest)}) {
    EXPECT_EQ(failed.body.find(secret), std::string::npos) << secret;
    EXPECT_EQ(journal.find(secret), std::string::npos) << secret;
    EXPECT_EQ(log.find(secret), std::string::npos) << secret;
  }
  EXPECT_NE(journal.find("secretkey=***"), std::string::npos);
  EXPECT_NE(journal.find("AKIDvisible"), std::string::npos) << "only the secrets are hidden";
  EXPECT_NE(log.find("code=7"), std::string::npos) << log;
}

TEST_F(GatewayServer, FiveWrongPasswordsInAMinuteLockTheNameForAMinute) {
  for (int i = 0; i < 5; ++i) {
    const Answer wrong = LogIn("wrong" + std::to_string(i));
    ASSERT_EQ(wrong.msg, "用户名或密码错误") << i;
    ASSERT_NE(wrong.code, 0);
  }
  const Answer locked = LogIn("demo123");
  EXPECT_NE(locked.code, 0);
  EXPECT_EQ(locked.msg, "登录过于频繁，请稍后再试");
  clock_.Advance(std::chrono::seconds(59));
  EXPECT_EQ(LogIn("demo123").msg, "登录过于频繁，请稍后再试");
  clock_.Advance(std::chrono::seconds(2));
  EXPECT_EQ(LogIn("demo123").code, 0);
}

TEST_F(GatewayServer, ASessionEndsAfterADayUnusedOrWhenItsUserIsRemoved) {
  ASSERT_EQ(LogIn("demo123").code, 0);
  const std::string day1 = cookie_;
  for (int i = 0; i < 3; ++i) {
    clock_.Advance(std::chrono::hours(23));
    ASSERT_EQ(Send("GET", "/logininfo/").code, 0) << "in use, so still alive after " << i;
  }
  clock_.Advance(std::chrono::hours(24) + std::chrono::seconds(1));
  const Answer expired = Send("GET", "/logininfo/");
  EXPECT_NE(expired.code, 0);
  EXPECT_EQ(expired.msg, "登录已失效，请重新登录");

  cookie_.clear();
  ASSERT_EQ(LogIn("demo123").code, 0);
  EXPECT_NE(cookie_, day1);
  std::ostringstream out, err;
  ASSERT_EQ(gateway::RemoveUser(file_, "demo", out, err), 0);
  EXPECT_EQ(Send("GET", "/logininfo/").msg, "登录已失效，请重新登录");
}

}  // namespace
}  // namespace ydt::test
