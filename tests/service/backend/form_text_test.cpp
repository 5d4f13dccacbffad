#include "service/backend/form_text.h"

#include <gtest/gtest.h>

#include "backend_test_server.h"
#include "service/backend/backend_client.h"
#include "service/text/text.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/scripted_prompter.h"

namespace ydt {
namespace {

TEST(FormText, JoinsFieldsAndLeavesOrdinaryValuesByteForByte) {
  FormText form;
  form.Add("secretid", "AKID x/y").Add("secretkey", "k~1").Add("region", "华北-北京");
  EXPECT_EQ(form.Text(), "secretid=AKID x/y&secretkey=k~1&region=华北-北京");
  EXPECT_EQ(FormField("page", "2"), "&page=2");
  EXPECT_EQ(FormField("password", "p%w&d+=x"), "&password=p%25w%26d%2B%3Dx");
  EXPECT_EQ(FormText().AddRaw("username", "%61%62").Add("password", "=").Text(),
            "username=%61%62&password=%3D");
}

TEST(FormText, ValuesWithSplittingBytesSurviveAStandardFormParser) {
  testing::BackendTestServer server;
  server.Reply(R"({"code":0,"msg":""})");
  RecordingLogSink log;
  ScriptedPrompter prompter;
  BackendClient client(log, prompter, server.BaseUrl());

  FormText form;
  form.AddRaw("username", "%E5%BC%A0%61").Add("password", "a&b=c+d%e").Add("region", "广州");
  ASSERT_EQ(client.CallBackend("/login/", 1, form.Text(), nullptr, {}, false, ""), 0);

  const auto seen = server.Last();
  auto param = [&](const char* name) {
    auto it = seen.params.find(name);
    return it == seen.params.end() ? std::string("<missing>") : it->second;
  };
  EXPECT_EQ(seen.params.size(), 3u);
  EXPECT_EQ(param("password"), "a&b=c+d%e");
  EXPECT_EQ(param("region"), Utf8ToGbk("广州"));
  EXPECT_EQ(param("username"), "张a");
}

}  // namespace
}  // namespace ydt
