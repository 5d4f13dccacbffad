// The gateway's libcurl transport against loopback servers: what it retries, how long it
// waits, how it fails, and how many requests of one key pair it lets run at once.
#include "live/common/curl_transport.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "fake_cloud_server.h"
#include "self_signed_cert.h"

namespace ydt::live {
namespace {

using std::chrono::milliseconds;

// A provider that answers from a script of statuses and records how many requests of each
// key ("X-Key" header) it was handling at once.
class ScriptedProvider final : public test::FakeProvider {
 public:
  std::string Name() const override { return "scripted"; }
  live::ProviderResponse Handle(const live::ProviderRequest& request) override {
    Remember(request);
    const std::string key = request.Header("X-Key");
    int answer = 200;
    {
      std::lock_guard lock(mutex_);
      const int now = ++busy_[key];
      peak_[key] = std::max(peak_[key], now);
      peakTotal_ = std::max(peakTotal_, ++busyTotal_);
      if (!statuses_.empty()) {
        answer = statuses_.front();
        statuses_.erase(statuses_.begin());
      }
    }
    std::this_thread::sleep_for(hold);
    {
      std::lock_guard lock(mutex_);
      --busy_[key];
      --busyTotal_;
    }
    live::ProviderResponse out;
    out.status = answer;
    out.headers = {{"Content-Type", "application/json"}, {"X-Echo", request.Header("X-Probe")}};
    out.body =
        answer == 400 && throttleBody ? R"({"code":"Throttled"})" : std::string(bodySize, 'x');
    return out;
  }
  void Script(std::vector<int> statuses) {
    std::lock_guard lock(mutex_);
    statuses_ = std::move(statuses);
  }
  int Peak(const std::string& key) {
    std::lock_guard lock(mutex_);
    return peak_[key];
  }
  int PeakTotal() {
    std::lock_guard lock(mutex_);
    return peakTotal_;
  }

  milliseconds hold{0};
  bool throttleBody = false;
  std::size_t bodySize = 2;

 private:
  std::mutex mutex_;
  std::vector<int> statuses_;
  std::map<std::string, int> busy_, peak_;
  int busyTotal_ = 0, peakTotal_ = 0;
};

ProviderRequest To(const test::FakeCloudServer& server, const std::string& key = "k") {
  ProviderRequest request;
  request.scheme = "http";
  request.host = "127.0.0.1:" + std::to_string(server.Port());
  request.path = "/v1/probe";
  request.query = {{"a b", "中"}, {"x", "1"}};
  request.headers = {{"X-Key", key}, {"X-Probe", "probe-1"}, {"Content-Type", "application/json"}};
  request.body = R"({"k":"中文"})";
  return request;
}

TransportOptions Quick(std::vector<milliseconds>* sleeps) {
  TransportOptions options;
  options.connectTimeout = milliseconds(1000);
  options.attemptTimeout = milliseconds(2000);
  options.sleep = [sleeps](milliseconds d) { sleeps->push_back(d); };
  options.random = [] { return 0.5; };
  return options;
}

TEST(CurlTransport, BackoffGrowsExponentiallyUpToItsCap) {
  TransportOptions options;  // base 200 ms, cap 5 s
  const long long expected[] = {200, 400, 800, 1600, 3200, 5000, 5000};
  for (int retry = 1; retry <= 7; ++retry) {
    EXPECT_EQ(BackoffDelay(options, retry, 1.0).count(), expected[retry - 1]) << retry;
    EXPECT_EQ(BackoffDelay(options, retry, 0.0).count(), 0) << retry;
  }
  EXPECT_EQ(BackoffDelay(options, 3, 0.25).count(), 200);
}

TEST(CurlTransport, RetriesOnlyTransientAnswersOfRetryableCalls) {
  struct Case {
    const char* name;
    std::vector<int> statuses;
    bool retryable;
    bool throttleBody;
    int attempts;
    int finalStatus;
  } cases[] = {
      {"5xx then success", {503, 500, 200}, true, false, 3, 200},
      {"5xx until attempts run out", {503, 503, 503, 503, 503}, true, false, 4, 503},
      {"429 then success", {429, 200}, true, false, 2, 200},
      {"provider throttling in a 400", {400, 200}, true, true, 2, 200},
      {"other 400 is final", {400, 200}, true, false, 1, 400},
      {"a call that could act twice", {503, 200}, false, false, 1, 503},
  };
  for (const auto& c : cases) {
    ScriptedProvider provider;
    provider.Script(c.statuses);
    provider.throttleBody = c.throttleBody;
    test::FakeCloudServer server(provider);
    std::vector<milliseconds> sleeps;
    CurlTransport transport(Quick(&sleeps));
    CallPolicy policy;
    policy.retryable = c.retryable;
    policy.throttled = [](const ProviderResponse& r) {
      return r.body.find("Throttled") != std::string::npos;
    };
    int built = 0;
    const ProviderResponse answer = transport.Send(
        "k",
        [&] {
          ++built;
          return To(server);
        },
        policy);
    EXPECT_EQ(answer.status, c.finalStatus) << c.name;
    EXPECT_EQ(static_cast<int>(provider.Received().size()), c.attempts) << c.name;
    EXPECT_EQ(built, c.attempts) << c.name << ": each attempt is built (and signed) afresh";
    ASSERT_EQ(static_cast<int>(sleeps.size()), c.attempts - 1) << c.name;
    for (std::size_t i = 0; i < sleeps.size(); ++i) {
      EXPECT_EQ(sleeps[i].count(), 100LL << i) << c.name;  // half of 200·2^i
    }
  }
}

TEST(CurlTransport, SendsTheRequestAsBuiltAndReturnsTheAnswer) {
  ScriptedProvider provider;
  test::FakeCloudServer server(provider);
  std::vector<milliseconds> sleeps;
  CurlTransport transport(Quick(&sleeps));
  const ProviderResponse answer = transport.Send("k", [&] { return To(server); }, {});
  ASSERT_EQ(answer.status, 200) << answer.transportError;
  EXPECT_EQ(answer.body, "xx");
  const auto echo = std::find_if(answer.headers.begin(), answer.headers.end(),
                                 [](const auto& h) { return h.first == "x-echo"; });
  ASSERT_NE(echo, answer.headers.end()) << "header names come back in lower case";
  EXPECT_EQ(echo->second, "probe-1");
  const auto sent = provider.Received().at(0);
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.path, "/v1/probe");
  EXPECT_EQ(sent.query, (NameValues{{"a b", "中"}, {"x", "1"}}));
  EXPECT_EQ(sent.body, R"({"k":"中文"})");
  EXPECT_EQ(sent.Header("Expect"), "");
}

TEST(CurlTransport, FailuresWithoutAnAnswerAreReportedNotThrown) {
  std::vector<milliseconds> sleeps;
  CallPolicy retryable;

  // Too slow: every attempt times out, and each is tried again until the attempts run out.
  {
    ScriptedProvider slow;
    slow.hold = milliseconds(700);
    test::FakeCloudServer server(slow);
    TransportOptions options = Quick(&sleeps);
    options.attemptTimeout = milliseconds(150);
    options.maxAttempts = 2;
    CurlTransport transport(options);
    const ProviderResponse answer = transport.Send(
        "k", [&] { return To(server); }, retryable);
    EXPECT_EQ(answer.status, 0);
    EXPECT_TRUE(answer.timedOut);
    EXPECT_FALSE(answer.transportError.empty());
    EXPECT_EQ(slow.Received().size(), 2u);
  }
  // The deadline bounds the whole call, however long one attempt may take.
  {
    ScriptedProvider slow;
    slow.hold = milliseconds(700);
    test::FakeCloudServer server(slow);
    TransportOptions options = Quick(&sleeps);
    options.deadline = milliseconds(250);
    CurlTransport transport(options);
    const auto start = std::chrono::steady_clock::now();
    const ProviderResponse answer = transport.Send(
        "k", [&] { return To(server); }, retryable);
    EXPECT_TRUE(answer.timedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(650));
    EXPECT_EQ(slow.Received().size(), 1u);
  }
  // Nobody listening.
  {
    ProviderRequest request;
    {
      ScriptedProvider gone;
      test::FakeCloudServer server(gone);
      request = To(server);
    }
    TransportOptions options = Quick(&sleeps);
    options.maxAttempts = 1;
    CurlTransport transport(options);
    const ProviderResponse answer = transport.Send(
        "k", [&] { return request; }, retryable);
    EXPECT_EQ(answer.status, 0);
    EXPECT_FALSE(answer.timedOut);
    EXPECT_FALSE(answer.transportError.empty());
  }
  // A header value that would add lines of its own is not sent at all.
  {
    ScriptedProvider provider;
    test::FakeCloudServer server(provider);
    CurlTransport transport(Quick(&sleeps));
    ProviderRequest request = To(server);
    request.headers.emplace_back("X-Probe", "1\r\nX-Injected: 1");
    const ProviderResponse answer = transport.Send("k", [&] { return request; }, {});
    EXPECT_EQ(answer.status, 0);
    EXPECT_NE(answer.transportError.find("line break"), std::string::npos);
    EXPECT_TRUE(provider.Received().empty());
  }
  // An answer larger than allowed is cut off, not kept.
  {
    ScriptedProvider big;
    big.bodySize = 5000;
    test::FakeCloudServer server(big);
    TransportOptions options = Quick(&sleeps);
    options.maxReplyBytes = 1000;
    options.maxAttempts = 1;
    CurlTransport transport(options);
    const ProviderResponse answer = transport.Send(
        "k", [&] { return To(server); }, retryable);
    EXPECT_EQ(answer.status, 0);
    EXPECT_TRUE(answer.body.empty());
    EXPECT_NE(answer.transportError.find("larger than 1000"), std::string::npos)
        << answer.transportError;
  }
}

TEST(CurlTransport, RefusesACertificateItCannotVerify) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("ydt_curl_tls_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string cert = (dir / "cert.pem").string(), key = (dir / "key.pem").string();
  ASSERT_TRUE(sim::GenerateSelfSignedCertificate(cert, key));
  httplib::SSLServer server(cert.c_str(), key.c_str());
  server.Post("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("{}", "application/json");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(milliseconds(1));

  std::vector<milliseconds> sleeps;
  TransportOptions options = Quick(&sleeps);
  options.maxAttempts = 1;
  CurlTransport transport(options);
  ProviderRequest request;
  request.host = "127.0.0.1:" + std::to_string(port);  // scheme stays https
  const ProviderResponse answer = transport.Send("k", [&] { return request; }, {});
  EXPECT_EQ(answer.status, 0);
  EXPECT_FALSE(answer.transportError.empty());

  server.stop();
  serving.join();
  std::filesystem::remove_all(dir);
}

TEST(CurlTransport, LimitsRequestsInFlightPerKeyPair) {
  ScriptedProvider provider;
  provider.hold = milliseconds(60);
  test::FakeCloudServer server(provider);
  std::vector<milliseconds> sleeps;
  TransportOptions options = Quick(&sleeps);
  options.maxInFlightPerKey = 3;
  CurlTransport transport(options);
  std::vector<std::thread> threads;
  std::atomic<int> ok{0};
  for (int i = 0; i < 16; ++i) {
    threads.emplace_back([&, i] {
      const std::string key = i % 2 == 0 ? "pair-a" : "pair-b";
      if (transport.Send(key, [&] { return To(server, key); }, {}).status == 200) ++ok;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok.load(), 16);
  EXPECT_LE(provider.Peak("pair-a"), 3);
  EXPECT_LE(provider.Peak("pair-b"), 3);
  // The two pairs do not wait for each other.
  EXPECT_GT(provider.PeakTotal(), 3);
}

}  // namespace
}  // namespace ydt::live
