#include "service/backend/backend_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <regex>
#include <thread>
#include <vector>

#include "backend_test_server.h"
#include "service/json/json_doc.h"
#include "service/text/text.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/scripted_prompter.h"

namespace ydt {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr const char* kBusy = "服务器繁忙，请稍后再试！";
const WindowRef kOwner{reinterpret_cast<const void*>(0x1234)};

class CallBackendTest : public ::testing::Test {
 protected:
  int Call(const std::string& title = "腾讯云 - 测试登录", bool showBox = true,
           const std::string& path = "/yunduotai/qcloud/accountbalance/", int method = 1,
           const std::string& form = "secretid=a&secretkey=b") {
    return client_.CallBackend(path, method, form, &reply_, kOwner, showBox, title);
  }
  // The one log line, checked for its time stamp and returned without it.
  std::string OnlyLineWithoutTime() {
    const std::vector<std::string> lines = log_.Lines();
    EXPECT_THAT(lines, SizeIs(1));
    if (lines.size() != 1) return "";
    static const std::regex stamp(R"(^\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\] )");
    EXPECT_TRUE(std::regex_search(lines[0], stamp)) << lines[0];
    return std::regex_replace(lines[0], stamp, "");
  }

  testing::BackendTestServer server_;
  RecordingLogSink log_;
  ScriptedPrompter prompter_;
  BackendClient client_{log_, prompter_, server_.BaseUrl()};
  std::string reply_ = "previous";
};

TEST_F(CallBackendTest, SendsGbkFormWithInterfaceHeaderAndLogsSuccess) {
  const std::string body = R"({"code":0,"msg":"ok","data":{"TotalCount":3}})";
  server_.Reply(body);
  const int code = Call("腾讯云 - 初始化机器列表", true, "/yunduotai/qcloud/instances/", 1,
                        "secretid=密钥&region=ap-guangzhou");

  EXPECT_EQ(code, 0);
  const auto seen = server_.Last();
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.path, "/api/v1/lxinterface/yunduotai/qcloud/instances/");
  EXPECT_EQ(seen.interfaceHeader, "yunduotai");
  EXPECT_EQ(seen.body, "secretid=\xC3\xDC\xD4\xBF&region=ap-guangzhou");
  EXPECT_EQ(reply_, body);
  EXPECT_EQ(OnlyLineWithoutTime(), "[腾讯云 - 初始化机器列表] 成功！\r\n");
  EXPECT_THAT(prompter_.Boxes(), IsEmpty());
}

TEST_F(CallBackendTest, FailureCodeReportsTheBackendsMessage) {
  server_.Reply(R"({"code":1,"msg":"密钥不正确"})");
  EXPECT_EQ(Call(), 1);
  EXPECT_EQ(OnlyLineWithoutTime(), "[腾讯云 - 测试登录] 密钥不正确！\r\n");
  const auto boxes = prompter_.Boxes();
  ASSERT_THAT(boxes, SizeIs(1));
  EXPECT_EQ(boxes[0].owner, kOwner);
  EXPECT_EQ(boxes[0].text, "密钥不正确！");
  EXPECT_EQ(boxes[0].icon, MessageIcon::Error);
  EXPECT_EQ(boxes[0].buttons, MessageButtons::Ok);
  EXPECT_EQ(reply_, R"({"code":1,"msg":"密钥不正确"})");
}

TEST_F(CallBackendTest, FailureWithoutMessageStillEndsInTheMark) {
  server_.Reply(R"({"code":-7,"data":null})");
  EXPECT_EQ(Call(), -7);
  EXPECT_EQ(OnlyLineWithoutTime(), "[腾讯云 - 测试登录] ！\r\n");
  ASSERT_THAT(prompter_.Boxes(), SizeIs(1));
  EXPECT_EQ(prompter_.Boxes()[0].text, "！");
}

TEST_F(CallBackendTest, NumericCodesAsNumbersOrDecimalTexts) {
  struct Row {
    const char* body;
    int code;
  };
  const Row rows[] = {
      {R"({"code":0})", 0},  // exactly ten bytes: still an envelope
      {R"({"code":3})", 3},
      {R"({"code":"0","msg":"x"})", 0},
      {R"({"code":"12","msg":"x"})", 12},
      {R"({"msg":"x","code":2.0})", 2},
  };
  for (const Row& row : rows) {
    server_.Reply(row.body);
    reply_ = "previous";
    EXPECT_EQ(Call("", false), row.code) << row.body;
    EXPECT_EQ(reply_, row.body);
  }
}

TEST_F(CallBackendTest, EverythingThatIsNoEnvelopeIsServerBusy) {
  const std::string rows[] = {
      "",
      R"({"a":"b"})",  // nine bytes of valid JSON
      "<html>busy</html>",
      "null      ",
      // The same envelope in GBK stops decoding at its first Chinese character.
      Utf8ToGbk(R"({"code":0,"msg":"中文"})"),
      // Valid JSON without a usable code must not pass for success.
      R"({"msg":"no code at all"})",
      R"({"code":"abc","msg":"x"})",
      R"({"code":[0],"msg":"x"})",
      R"({"code":{},"msg":"x"})",
      R"({"code":true,"msg":"x"})",
      R"({"code":"","msg":"x"})",
      R"([0,1,2,3,4,5])",
  };
  for (const std::string& body : rows) {
    server_.Reply(body);
    log_.Clear();
    prompter_.ClearBoxes();
    EXPECT_EQ(Call(), 1) << body;
    EXPECT_EQ(reply_, "previous") << body;
    EXPECT_EQ(OnlyLineWithoutTime(), std::string("[腾讯云 - 测试登录] ") + kBusy + "\r\n") << body;
    ASSERT_THAT(prompter_.Boxes(), SizeIs(1)) << body;
    EXPECT_EQ(prompter_.Boxes()[0].text, kBusy);
    EXPECT_EQ(prompter_.Boxes()[0].icon, MessageIcon::Error);
  }
}

TEST_F(CallBackendTest, StatusIsNotExaminedAndUnreachableBackendIsBusy) {
  server_.Reply(R"({"code":0,"msg":"fine"})", 500);
  EXPECT_EQ(Call(), 0);

  std::string closedBase;
  {
    testing::BackendTestServer gone;
    closedBase = gone.BaseUrl();
  }
  BackendClient unreachable(log_, prompter_, closedBase);
  EXPECT_EQ(unreachable.CallBackend("/logininfo/", 0, "", &reply_, kOwner, false, "t"), 1);
  EXPECT_THAT(log_.Lines().front(), HasSubstr(std::string("[t] ") + kBusy));
  EXPECT_THAT(prompter_.Boxes(), IsEmpty());
}

TEST_F(CallBackendTest, EmptyTitleWritesNoLineButStillShowsTheBox) {
  server_.Reply(R"({"code":5,"msg":"验证码错误"})");
  EXPECT_EQ(Call("", true), 5);
  EXPECT_THAT(log_.Lines(), IsEmpty());
  ASSERT_THAT(prompter_.Boxes(), SizeIs(1));
  EXPECT_EQ(prompter_.Boxes()[0].text, "验证码错误！");
}

TEST_F(CallBackendTest, ReplyTextIsDecodedAndCharactersGbkLacksBecomeQuestionMarks) {
  server_.Reply(R"({"code":0,"msg":"主机😀"})");
  EXPECT_EQ(Call(), 0);
  EXPECT_EQ(reply_, R"({"code":0,"msg":"主机?"})");
}

TEST_F(CallBackendTest, ParsedReplyIsHandedOverOnlyForAnEnvelope) {
  JsonDoc doc;
  server_.Reply(R"({"code":3,"msg":"主机😀","data":{"count":2}})");
  EXPECT_EQ(client_.CallBackend("/x/", 1, "", nullptr, kOwner, false, "", &doc), 3);
  EXPECT_EQ(doc.GetText("data.count"), "2");
  EXPECT_EQ(doc.GetText("msg"), "主机?");

  // Without an envelope the caller's document keeps what it held.
  server_.Reply(R"({"msg":"no code at all"})");
  EXPECT_EQ(client_.CallBackend("/x/", 1, "", &reply_, kOwner, false, "", &doc), 1);
  EXPECT_EQ(doc.GetText("data.count"), "2");
  EXPECT_EQ(reply_, "previous");
}

TEST_F(CallBackendTest, LoginCookieFromTheStoreAccompaniesLaterCalls) {
  server_.Reply(R"({"code":0,"msg":"登录成功"})", 200, "ydt_session=s-42; Path=/");
  EXPECT_EQ(client_.CallBackend("/login/", 1, "username=%61&password=x", nullptr, kOwner, true, ""),
            0);
  server_.Reply(R"({"code":0,"data":{}})");
  EXPECT_EQ(client_.CallBackend("/logininfo/", 0, "", nullptr, kOwner, false, ""), 0);
  const auto seen = server_.Last();
  EXPECT_EQ(seen.method, "GET");
  EXPECT_THAT(seen.cookie, HasSubstr("ydt_session=s-42"));
}

TEST_F(CallBackendTest, ConcurrentCallsLoseNoLine) {
  server_.Reply(R"({"code":0,"msg":"ok"})");
  std::atomic<int> failed = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < 6; ++t) {
    workers.emplace_back([this, t, &failed] {
      for (int i = 0; i < 5; ++i) {
        std::string reply;
        failed += client_.CallBackend("/yunduotai/huawei/images/", 1, "secretid=a", &reply, kOwner,
                                      false, "华为云 - 加载镜像" + std::to_string(t)) != 0;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(failed, 0);
  // A transport that trips over itself still logs a line per call, only not a successful one.
  const std::vector<std::string> lines = log_.Lines();
  EXPECT_THAT(lines, SizeIs(30));
  EXPECT_THAT(lines, Each(EndsWith("] 成功！\r\n")));
  for (int t = 0; t < 6; ++t) {
    EXPECT_EQ(std::ranges::count_if(lines,
                                    [t](const std::string& line) {
                                      return line.find("加载镜像" + std::to_string(t) + "]") !=
                                             std::string::npos;
                                    }),
              5);
  }
}

}  // namespace
}  // namespace ydt
