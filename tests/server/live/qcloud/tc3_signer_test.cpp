// Our TC3-HMAC-SHA256 signer against the official Node SDK's, for the same key, time, host,
// action and body: the Authorization headers must be identical, and so must the JSON text of
// the body, since the signature covers its bytes.
#include "live/qcloud/tc3_signer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "node_oracle.h"

namespace ydt::live::qcloud {
namespace {

using nlohmann::ordered_json;

struct Case {
  const char* service;
  const char* host;
  const char* action;
  long long time;
  const char* contentType;
  ordered_json body;
};

std::vector<Case> Cases() {
  return {
      {"cvm",
       "cvm.tencentcloudapi.com",
       "DescribeInstances",
       1796900000,
       "application/json; charset=utf-8",
       {{"Offset", 200}, {"Limit", 100}}},
      // One second before midnight UTC: the scope's date is the UTC one.
      {"cvm", "cvm.tencentcloudapi.com", "DescribeZones", 1796947199,
       "application/json; charset=utf-8", ordered_json::object()},
      {"cvm",
       "cvm.tencentcloudapi.com",
       "RunInstances",
       1796947200,
       "application/json",
       {{"InstanceChargeType", "SPOTPAID"},
        {"Placement", {{"Zone", "ap-guangzhou-3"}}},
        {"InstanceName", "测试机器 \"一号\"\\\n\u0001"},
        {"LoginSettings", {{"Password", "Qzt.Hv731.Nep#"}}},
        {"InternetAccessible", {{"InternetMaxBandwidthOut", 5}, {"PublicIpAssigned", true}}},
        {"InstanceCount", 2},
        {"ClientToken", "0123456789abcdef0123456789abcdef"},
        {"Large", 9007199254740993LL}}},
      {"cvm",
       "cvm.tencentcloudapi.com",
       "DescribeImages",
       1700000000,
       "application/json; charset=utf-8",
       {{"Filters", ordered_json::array({{{"Name", "image-type"},
                                          {"Values", ordered_json::array({"PRIVATE_IMAGE"})}}})},
        {"Offset", 0},
        {"Limit", 100}}},
      {"billing", "billing.tencentcloudapi.com", "DescribeAccountBalance", 1796900000,
       "application/json; charset=utf-8", ordered_json::object()},
      // An endpoint overridden to a local port: the port is not signed.
      {"cvm",
       "127.0.0.1:60123",
       "ResetInstance",
       1796900000,
       "application/json; charset=utf-8",
       {{"InstanceId", "ins-0a1b2c3d"},
        {"ImageId", "img-priv0001"},
        {"LoginSettings", {{"Password", "新密码Aa1!"}}}}},
  };
}

TEST(Tc3Signer, MatchesTheOfficialSdk) {
  const std::string missing = test::NodeOracleMissing("tencentcloud-sdk-nodejs-common");
  if (!missing.empty()) GTEST_SKIP() << "official SDK oracle unavailable: " << missing;

  const Tc3Key key{"AKIDz8krbsJ5yKBZQpn74WFkmLPx3EXAMPLE", "Gu5t9xGARNpq86cd98joQYCN3EXAMPLE"};
  const auto cases = Cases();
  ordered_json input = ordered_json::array();
  std::vector<ProviderRequest> requests;
  for (const Case& c : cases) {
    ProviderRequest request;
    request.host = c.host;
    request.headers = {{"Content-Type", c.contentType}, {"X-TC-Action", c.action}};
    request.body = c.body.dump();
    requests.push_back(request);
    input.push_back({{"service", c.service},
                     {"host", c.host},
                     {"timestamp", c.time},
                     {"contentType", c.contentType},
                     {"secretId", key.secretId},
                     {"secretKey", key.secretKey},
                     {"body", request.body}});
  }
  char path[] = "/tmp/tc3_cases_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::ofstream(path) << input.dump();
  const test::NodeRun run = test::RunNodeScript(YDT_QCLOUD_TEST_DIR "/tc3_sign_oracle.js", {path});
  std::remove(path);
  ASSERT_EQ(run.exitCode, 0) << run.output;

  std::istringstream lines(run.output);
  std::string line;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    ASSERT_TRUE(std::getline(lines, line)) << "the SDK answered only " << i << " cases";
    const auto sdk = nlohmann::json::parse(line);
    const NameValues added = Tc3Sign(requests[i], cases[i].service, key, cases[i].time);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[0], (std::pair<std::string, std::string>("X-TC-Timestamp",
                                                             std::to_string(cases[i].time))));
    EXPECT_EQ(requests[i].body, sdk["body"].get<std::string>()) << cases[i].action;
    EXPECT_EQ(added[1].second, sdk["authorization"].get<std::string>()) << cases[i].action;
  }
}

}  // namespace
}  // namespace ydt::live::qcloud
