// The checked variant used by the update check, and https with a self-signed certificate.
#include <httplib.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <thread>

#include "raw_server.h"
#include "self_signed_cert.h"
#include "service/http/http_client.h"

namespace ydt {
namespace {

using testing::CannedResponse;
using ::testing::Contains;
using ::testing::ElementsAre;
using testing::HeaderLines;
using ::testing::Not;
using testing::RawReply;
using testing::RawServer;
using testing::RequestLine;
using ::testing::StartsWith;

TEST(HttpSendWinHttp, ReportsStatusAndSendsCompletedHeadersAsNameValuePairs) {
  RawServer server([](const std::string&, int) {
    return RawReply{CannedResponse("missing", "Set-Cookie: n=1\r\n", "404 Not Found")};
  });
  HttpRequest request;
  request.address = server.Url("/software/checkupdate/yunduotai.txt");
  request.method = 1;
  request.bodyText = "q=1";
  request.extraHeaders = "x-probe:  a \r\nconnection: keep-alive";
  request.cookieText = "cookie: s=1";
  request.mergeCookies = false;

  const HttpResponse response = HttpSendWinHttp(request);

  EXPECT_EQ(response.status, 404);
  EXPECT_EQ(response.statusText, "Not Found");
  EXPECT_EQ(response.body, "missing");
  EXPECT_THAT(response.headers, StartsWith("Content-Length: 7\r\n"));
  EXPECT_EQ(response.cookies, "n=1");
  EXPECT_THAT(HeaderLines(server.Requests().at(0)),
              ElementsAre("Host: 127.0.0.1:" + std::to_string(server.Port()), "X-Probe: a",
                          "Accept: */*", "Referer: " + request.address, "Accept-Language: zh-cn",
                          "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
                          "Content-Type: application/x-www-form-urlencoded", "Cookie: s=1",
                          "Content-Length: 3"));
}

TEST(HttpSendWinHttp, HonoursItsTimeOutAgainstASilentPeer) {
  RawServer stalled([](const std::string&, int) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nab", 30000};
  });
  HttpRequest request;
  request.address = stalled.Url("/slow");
  request.timeoutSeconds = 1;
  const auto start = std::chrono::steady_clock::now();
  const HttpResponse response = HttpSendWinHttp(request);
  EXPECT_EQ(response.body, "");
  EXPECT_EQ(response.status, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(12));
}

TEST(HttpSendWinHttp, ProxyCredentialsAreBasicOverGbkBytes) {
  RawServer proxy([](const std::string&, int) { return RawReply{CannedResponse("via proxy")}; });
  HttpRequest request;
  request.address = "http://updates.invalid/notice.txt?v=1";
  request.proxy = "127.0.0.1:" + std::to_string(proxy.Port());
  request.proxyUser = "用户";
  request.proxyPassword = "pw";
  EXPECT_EQ(HttpSendWinHttp(request).body, "via proxy");

  // The plain transport goes through the same proxy, without credentials.
  EXPECT_EQ(HttpSend(request).body, "via proxy");

  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(RequestLine(requests[0]), "GET http://updates.invalid/notice.txt?v=1 HTTP/1.1");
  EXPECT_THAT(HeaderLines(requests[0]), Contains("Proxy-Authorization: Basic 08O7pzpwdw=="));
  EXPECT_EQ(RequestLine(requests[1]), "GET http://updates.invalid/notice.txt?v=1 HTTP/1.1");
  EXPECT_THAT(HeaderLines(requests[1]), Not(Contains(StartsWith("Proxy-Authorization"))));
}

class SelfSignedTls : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/ydt-tls-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string certPath = std::string(folder) + "/cert.pem";
    const std::string keyPath = std::string(folder) + "/key.pem";
    ASSERT_TRUE(sim::GenerateSelfSignedCertificate(certPath, keyPath));
    server_ = std::make_unique<httplib::SSLServer>(certPath.c_str(), keyPath.c_str());
    ASSERT_TRUE(server_->is_valid());
    server_->Get("/landing", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content("secure " + req.get_header_value("Referer"), "text/plain");
    });
    server_->Get("/back", [this](const httplib::Request&, httplib::Response& res) {
      res.set_redirect(plainUrl_);
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() is a no-op until the loop runs, so a quick teardown would hang in join().
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void TearDown() override {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
  }
  std::string SecureUrl(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + path;
  }

  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
  std::string plainUrl_;
};

TEST_F(SelfSignedTls, UntrustedCertificateIsAccepted) {
  HttpRequest request;
  request.address = SecureUrl("/landing");
  EXPECT_EQ(HttpSend(request).body, "secure " + request.address);
  const HttpResponse checked = HttpSendWinHttp(request);
  EXPECT_EQ(checked.status, 200);
  EXPECT_EQ(checked.body, "secure " + request.address);
}

TEST_F(SelfSignedTls, RedirectsCrossBetweenHttpAndHttps) {
  const std::string secure = SecureUrl("/landing");
  RawServer plain([&](const std::string&, int index) {
    if (index == 0)
      return RawReply{CannedResponse("", "Location: " + secure + "\r\n", "302 Found")};
    return RawReply{CannedResponse("plain again")};
  });
  plainUrl_ = plain.Url("/after");

  HttpRequest toSecure;
  toSecure.address = plain.Url("/start");
  EXPECT_EQ(HttpSend(toSecure).body, "secure " + toSecure.address);

  HttpRequest toPlain;
  toPlain.address = SecureUrl("/back");
  EXPECT_EQ(HttpSend(toPlain).body, "plain again");
}

}  // namespace
}  // namespace ydt
