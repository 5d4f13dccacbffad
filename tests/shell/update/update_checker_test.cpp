#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include "self_signed_cert.h"
#include "shell/login/joining_task_runner.h"
#include "shell/update/update_checker.h"
#include "support/fakes/scripted_prompter.h"

namespace ydt {
namespace {

constexpr const char* kOwnDigest = "9e107d9d372bb6826bd81d3542a419d6";

// The web host: serves the notice with the body and status a test sets.
class NoticeHost {
 public:
  NoticeHost() {
    char folder[] = "/tmp/ydt-notice-XXXXXX";
    if (::mkdtemp(folder)) {
      folder_ = folder;
      const std::string certPath = folder_ + "/cert.pem";
      const std::string keyPath = folder_ + "/key.pem";
      if (sim::GenerateSelfSignedCertificate(certPath, keyPath)) {
        server_ = std::make_unique<httplib::SSLServer>(certPath.c_str(), keyPath.c_str());
      }
    }
    if (!server_) server_ = std::make_unique<httplib::SSLServer>("", "");
    server_->Get("/software/checkupdate/yunduotai.txt",
                 [this](const httplib::Request&, httplib::Response& res) {
                   std::lock_guard lock(mutex_);
                   res.status = status_;
                   res.set_content(body_, "text/plain");
                 });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (port_ > 0 && !server_->is_running())
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ~NoticeHost() {
    server_->stop();
    thread_.join();
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  bool Valid() const { return server_->is_valid() && port_ > 0; }
  void Serve(int status, std::string body) {
    std::lock_guard lock(mutex_);
    status_ = status;
    body_ = std::move(body);
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  std::string folder_;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
  std::mutex mutex_;
  int status_ = 200;
  std::string body_;
};

class UpdateCheckerOverHttps : public ::testing::Test {
 protected:
  std::string CheckWithNotice(int status, std::string body) {
    host_.Serve(status, std::move(body));
    ScriptedPrompter prompter;
    test::JoiningTaskRunner tasks;
    UpdateChecker checker(prompter, tasks, host_.Host(), kOwnDigest);
    checker.Check();
    tasks.JoinAll();
    EXPECT_FALSE(checker.IsChecking());
    const auto boxes = prompter.Boxes();
    EXPECT_EQ(boxes.size(), 1u);
    if (boxes.empty()) return {};
    EXPECT_EQ(boxes[0].icon, MessageIcon::Information);
    return boxes[0].text;
  }
  std::string UpToDate() const { return "已是最新版本，澜星科技官网" + host_.Host() + "！"; }
  std::string NewVersion() const {
    return "发现新版本，请到澜星科技官网" + host_.Host() + "下载！";
  }

  NoticeHost host_;
};

TEST_F(UpdateCheckerOverHttps, TheSameDigestInEitherCaseOrWithSpacesIsUpToDate) {
  ASSERT_TRUE(host_.Valid());
  EXPECT_EQ(CheckWithNotice(200, "9e107d9d372bb6826bd81d3542a419d6"), UpToDate());
  EXPECT_EQ(CheckWithNotice(200, "9E107D9D372BB6826BD81D3542A419D6"), UpToDate());
  EXPECT_EQ(CheckWithNotice(200, "  9e107d9d372bb6826bd81d3542a419d6 "), UpToDate());
}

TEST_F(UpdateCheckerOverHttps, AnotherDigestIsANewVersion) {
  ASSERT_TRUE(host_.Valid());
  EXPECT_EQ(CheckWithNotice(200, "00000000000000000000000000000000"), NewVersion());
}

// The file as an editor or "md5sum > file" saves it.
TEST_F(UpdateCheckerOverHttps, ALineBreakOrByteOrderMarkAroundTheDigestIsNotPartOfIt) {
  ASSERT_TRUE(host_.Valid());
  EXPECT_EQ(CheckWithNotice(200, "9e107d9d372bb6826bd81d3542a419d6\n"), UpToDate());
  EXPECT_EQ(CheckWithNotice(200,
                            "\xEF\xBB\xBF"
                            "9E107D9D372BB6826BD81D3542A419D6\r\n"),
            UpToDate());
  EXPECT_EQ(CheckWithNotice(200,
                            "\xEF\xBB\xBF"
                            "00000000000000000000000000000000\r\n"),
            NewVersion());
}

TEST_F(UpdateCheckerOverHttps, ABrokenNoticeIsAFailedCheckNotANewVersion) {
  ASSERT_TRUE(host_.Valid());
  EXPECT_EQ(CheckWithNotice(200, "9e107d9d372bb6826bd81d3542a419d6 and more\n"),
            "检查更新失败，请稍后再试！");
  EXPECT_EQ(CheckWithNotice(500, "9e107d9d372bb6826bd81d3542a419d6"), "检查更新失败，请稍后再试！");
  EXPECT_EQ(CheckWithNotice(404, "<html>not here</html>"), "检查更新失败，请稍后再试！");
}

TEST(UpdateChecker, NoConnectionIsAFailedCheck) {
  // A port that was free a moment ago: nothing listens there any more.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);
  ::close(fd);
  ScriptedPrompter prompter;
  test::JoiningTaskRunner tasks;
  UpdateChecker checker(prompter, tasks, "127.0.0.1:" + std::to_string(port), kOwnDigest);
  checker.Check();
  tasks.JoinAll();
  ASSERT_EQ(prompter.Boxes().size(), 1u);
  EXPECT_EQ(prompter.Boxes()[0].text, "检查更新失败，请稍后再试！");
}

// Holds the outcome box open until the test lets it close, as an operator would.
class GatedPrompter : public ScriptedPrompter {
 public:
  MessageAnswer Show(WindowRef owner, const std::string& text, MessageIcon icon,
                     MessageButtons buttons) override {
    const MessageAnswer answer = ScriptedPrompter::Show(owner, text, icon, buttons);
    if (text != "正在检查更新，请稍等！") {
      std::unique_lock lock(mutex_);
      shown_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
    }
    return answer;
  }
  void WaitUntilShown() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return shown_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool shown_ = false;
  bool released_ = false;
};

TEST(UpdateChecker, ASecondRequestWhileTheBoxIsOpenGetsTheBusyMessage) {
  GatedPrompter prompter;
  test::JoiningTaskRunner tasks;
  int fetches = 0;
  UpdateChecker checker(prompter, tasks, "host.invalid", kOwnDigest,
                        [&fetches](const std::string&) {
                          ++fetches;
                          HttpResponse response;
                          response.status = 200;
                          response.body = kOwnDigest;
                          return response;
                        });
  checker.Check();
  prompter.WaitUntilShown();
  EXPECT_TRUE(checker.IsChecking());
  checker.Check();
  prompter.Release();
  tasks.JoinAll();
  EXPECT_FALSE(checker.IsChecking());
  EXPECT_EQ(fetches, 1);
  const auto boxes = prompter.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "已是最新版本，澜星科技官网host.invalid！");
  EXPECT_EQ(boxes[1].text, "正在检查更新，请稍等！");
  EXPECT_EQ(boxes[1].icon, MessageIcon::Information);

  // Once the box is closed a new check runs again.
  checker.Check();
  tasks.JoinAll();
  EXPECT_EQ(fetches, 2);
}

}  // namespace
}  // namespace ydt
