#include "live/huawei/huawei_signer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "node_oracle.h"

namespace ydt::live::huawei {
namespace {

constexpr long long kTime = 1489276800;  // 2017-03-12T00:00:00Z

ProviderRequest Request(std::string method, std::string host, std::string path, NameValues query,
                        NameValues headers, std::string body) {
  ProviderRequest r;
  r.method = std::move(method);
  r.host = std::move(host);
  r.path = std::move(path);
  r.query = std::move(query);
  r.headers = std::move(headers);
  r.body = std::move(body);
  return r;
}

// The requests the gateway sends, in their shapes: reads with queries, writes with JSON
// bodies, Chinese text in a query and a body, a token header, an encoded path, a port.
std::vector<ProviderRequest> Cases() {
  const NameValues json = {{"Content-Type", "application/json"}};
  const NameValues project = {{"Content-Type", "application/json"}, {"X-Project-Id", "0a1b"}};
  return {
      Request("GET", "ecs.cn-north-4.myhuaweicloud.com", "/v1/0a1b/cloudservers/detail",
              {{"offset", "1"}, {"limit", "100"}}, project, ""),
      Request("GET", "iam.myhuaweicloud.com", "/v3/projects", {{"name", "华北-北京四 cn north"}},
              json, ""),
      Request("GET", "ims.ap-southeast-1.myhuaweicloud.com", "/v2/cloudimages",
              {{"status", "active"}, {"__imagetype", "gold"}, {"a", "x+y*z~"}}, project, ""),
      Request("POST", "ecs.cn-east-3.myhuaweicloud.com", "/v1/0a1b/cloudservers", {},
              {{"Content-Type", "application/json"},
               {"X-Project-Id", "0a1b"},
               {"X-Client-Token", "9e1c2f4a-0000-4000-8000-000000000001"}},
              R"({"server":{"name":"ecs-测试","adminPass":"Qzt.Hv731.Nep#","count":2}})"),
      Request("POST", "127.0.0.1:18443", "/v2/0a1b/cloudservers/a%20b/changeos", {}, project,
              R"({"os-change":{"adminpass":"密码Ab1!","imageid":"c0ffee"}})"),
      Request("GET", "bss.myhuaweicloud.com", "/v2/accounts/customer-accounts/balances", {}, json,
              ""),
  };
}

TEST(HuaweiSigner, MatchesTheOfficialSdkSigner) {
  if (const std::string missing = test::NodeOracleMissing("@huaweicloud/huaweicloud-sdk-core");
      !missing.empty())
    GTEST_SKIP() << missing;
  const KeyPair key{"HPUAEXAMPLEAK0001", "sk/With+Symbols=and中文"};
  nlohmann::json cases = nlohmann::json::array();
  std::vector<std::string> ours;
  for (const auto& request : Cases()) {
    const NameValues added = SignRequest(request, key, kTime);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[0], (std::pair<std::string, std::string>{"X-Sdk-Date", "20170312T000000Z"}));
    ours.push_back(added[1].second);
    NameValues headers = request.headers;
    headers.push_back(added[0]);
    cases.push_back({{"ak", key.accessKey},
                     {"sk", key.secretKey},
                     {"method", request.method},
                     {"scheme", "https"},
                     {"host", request.host},
                     {"path", request.path},
                     {"query", request.query},
                     {"headers", headers},
                     {"body", request.body}});
  }
  const std::string file = ::testing::TempDir() + "huawei_sign_cases.json";
  std::ofstream(file) << cases.dump();
  const test::NodeRun run = test::RunNodeScript(YDT_HUAWEI_TEST_DIR "/sign_oracle.js", {file});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::istringstream lines(run.output);
  for (std::size_t i = 0; i < ours.size(); ++i) {
    std::string theirs;
    std::getline(lines, theirs);
    EXPECT_EQ(ours[i], theirs) << "case " << i << "\n" << CanonicalRequest(Cases()[i], {});
  }
}

// What the provider's gateway rebuilds must not depend on the order the client wrote things.
TEST(HuaweiSigner, CanonicalRequestSortsQueryAndHeaders) {
  const ProviderRequest r =
      Request("GET", "h:1", "/v1/p", {{"b", "2"}, {"a", "x y"}, {"a", "1"}},
              {{"X-Project-Id", "p"}, {"Content-Type", "application/json"}}, "");
  EXPECT_EQ(CanonicalRequest(r, {"x-project-id", "host", "content-type"}),
            "GET\n/v1/p/\na=1&a=x%20y&b=2\n"
            "content-type:application/json\nhost:h:1\nx-project-id:p\n\n"
            "content-type;host;x-project-id\n"
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

}  // namespace
}  // namespace ydt::live::huawei
