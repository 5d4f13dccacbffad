// The requests of a 10,000-machine list load, for each provider: sent by the console's
// client to the gateway (a child process) in front of the provider's fake, against the
// same operations' provider requests sent straight to the fake, signed, through the
// gateway's own transport, in the same run. The straight figure counts only the provider
// exchanges; everything the gateway adds (the console's hop, the front, session and form
// handling, the translation of the answer) falls to the gateway.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "consoles/machines/machine_list_request.h"
#include "consoles/machines/machine_row_builder.h"
#include "faked_clouds.h"
#include "front/clouds.h"
#include "front/form_fields.h"
#include "gateway_process.h"
#include "live/aliyun/aliyun_clouds.h"
#include "live/common/curl_transport.h"
#include "live/huawei/huawei_clouds.h"
#include "live/qcloud/qcloud_clouds.h"
#include "service/backend/backend_client.h"
#include "service/http/http_client.h"
#include "service/json/json_doc.h"
#include "service/text/text.h"

namespace {

using Clock = std::chrono::steady_clock;
using ydt::ProviderKind;

constexpr int kMachines = 10000;
constexpr int kRounds = 5;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[at];
}

class CountingSink : public ydt::LogSink {
 public:
  void PrependLine(const std::string& line) override {
    if (line.find("] 成功！") == std::string::npos) ++failed;
  }
  int failed = 0;
};

class AnswerOk : public ydt::Prompter {
 public:
  ydt::MessageAnswer Show(ydt::WindowRef, const std::string&, ydt::MessageIcon,
                          ydt::MessageButtons) override {
    return ydt::MessageAnswer::Ok;
  }
};

// Times the provider exchanges of the operations it carries, signing included.
class TimedTransport final : public ydt::live::ProviderTransport {
 public:
  explicit TimedTransport(ydt::live::ProviderTransport& inner) : inner_(inner) {}
  ydt::live::ProviderResponse Send(const std::string& key,
                                   const std::function<ydt::live::ProviderRequest()>& build,
                                   const ydt::live::CallPolicy& policy) override {
    const auto start = Clock::now();
    ydt::live::ProviderResponse response = inner_.Send(key, build, policy);
    spentMs_ += MsSince(start);
    ++sent_;
    return response;
  }
  double TakeMs() { return std::exchange(spentMs_, 0.0); }
  int TakeSent() { return std::exchange(sent_, 0); }

 private:
  ydt::live::ProviderTransport& inner_;
  double spentMs_ = 0;
  int sent_ = 0;
};

// What one round of either path gives: each request's milliseconds and what came back.
struct Round {
  std::vector<double> ms;
  int failed = 0;
  int rows = 0;
  std::set<std::string> ids;
  std::string total;
  double Total() const {
    double sum = 0;
    for (double m : ms) sum += m;
    return sum;
  }
};

void ReadPage(ProviderKind kind, const ydt::JsonDoc& doc, bool isCount, Round& round) {
  if (isCount) {
    round.total = doc.GetText(std::string(ydt::Info(kind).totalPath));
    return;
  }
  std::vector<ydt::MachineRow> rows;
  int number = 0;
  ydt::AppendMachineRows(kind, doc, number, rows);
  round.rows += static_cast<int>(rows.size());
  for (const auto& row : rows) round.ids.insert(row.Cell(ydt::MachineColumn::Id));
}

std::vector<ydt::BackendRequest> LoadRequests(ProviderKind kind, const ydt::AccessKeys& keys,
                                              const std::string& region) {
  std::vector<ydt::BackendRequest> requests = {ydt::MachineCountRequest(kind, keys, region)};
  for (int page = 1; page <= ydt::MachineListPageCount(kMachines); ++page)
    requests.push_back(ydt::MachinePageRequest(kind, keys, region, page, kMachines));
  return requests;
}

void ThroughGateway(ydt::BackendClient& client, ProviderKind kind,
                    const ydt::BackendRequest& request, bool isCount, Round& round) {
  const auto start = Clock::now();
  const ydt::BackendExchange exchange = client.Exchange(request.path, ydt::kPost, request.form);
  round.ms.push_back(MsSince(start));
  ydt::JsonDoc doc;
  if (client.ReadReply(exchange, nullptr, {}, false, request.title, &doc) != 0) return;
  ReadPage(kind, doc, isCount, round);
}

// The console request as the front hands it to the clouds: provider and operation from the
// path, fields from the form.
ydt::front::CloudRequest AsCloudRequest(const ydt::BackendRequest& request) {
  // "/yunduotai/<provider>/<operation>/"
  std::vector<std::string> parts;
  std::size_t pos = 1;
  while (pos < request.path.size()) {
    std::size_t slash = request.path.find('/', pos);
    if (slash == std::string::npos) slash = request.path.size();
    if (slash > pos) parts.push_back(request.path.substr(pos, slash - pos));
    pos = slash + 1;
  }
  ydt::front::CloudRequest cloud;
  cloud.provider = *ydt::front::ProviderFromSegment(parts.at(1));
  cloud.operation = *ydt::front::OperationFromPath(parts.at(2));
  const auto form = ydt::front::FormFields::Parse(ydt::Utf8ToGbk(request.form));
  for (const auto& [name, value] : form.All()) cloud.fields.emplace(name, value);
  cloud.user = "demo";
  return cloud;
}

void Straight(ydt::front::Clouds& clouds, TimedTransport& transport, ProviderKind kind,
              const ydt::BackendRequest& request, bool isCount, Round& round, int& sent) {
  const ydt::front::CloudReply reply = clouds.Perform(AsCloudRequest(request));
  round.ms.push_back(transport.TakeMs());
  sent += transport.TakeSent();
  if (reply.code != 0) {
    ++round.failed;
    return;
  }
  ydt::JsonDoc doc;
  doc.Parse("{\"data\":" + (reply.dataText.empty() ? reply.data.dump() : reply.dataText) + "}");
  ReadPage(kind, doc, isCount, round);
}

// One round of the load both ways. Each request goes through the gateway and then straight
// before the next one, so a moment when the shared machine is busy weighs on both paths alike.
std::pair<Round, Round> BothWays(ydt::BackendClient& client, ydt::front::Clouds& clouds,
                                 TimedTransport& transport, ProviderKind kind,
                                 const std::vector<ydt::BackendRequest>& requests,
                                 CountingSink& sink, int& sent) {
  Round viaGateway, straight;
  const int failedBefore = sink.failed;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    ThroughGateway(client, kind, requests[i], i == 0, viaGateway);
    Straight(clouds, transport, kind, requests[i], i == 0, straight, sent);
  }
  viaGateway.failed = sink.failed - failedBefore;
  return {std::move(viaGateway), std::move(straight)};
}

std::unique_ptr<ydt::front::Clouds> ProviderClouds(const std::string& provider,
                                                   ydt::live::ProviderTransport& transport,
                                                   const ydt::test::FakedClouds& fakes) {
  ydt::live::EndpointOverrides endpoints;
  for (const auto& [service, url] : fakes.Endpoints(provider)) endpoints.byService[service] = url;
  if (provider == "qcloud") return ydt::live::qcloud::MakeQcloudClouds(transport, endpoints);
  if (provider == "aliyun") return ydt::live::aliyun::MakeAliyunClouds(transport, endpoints);
  return ydt::live::huawei::MakeHuaweiClouds(transport, endpoints);
}

// Names what a round lacks; empty when it is whole.
std::string Shortfall(const Round& round, const std::set<std::string>& held) {
  std::string why;
  if (round.failed > 0) why += std::to_string(round.failed) + " failed requests; ";
  if (round.total != std::to_string(kMachines)) why += "count said \"" + round.total + "\"; ";
  if (round.rows != kMachines) why += std::to_string(round.rows) + " rows; ";
  if (round.ids != held) why += "IDs differ from the fake's; ";
  return why;
}

}  // namespace

// Arguments: the providers to measure ("qcloud aliyun huawei" when none are named).
int main(int argc, char** argv) {
  const std::set<std::string> only(argv + 1, argv + argc);
  ydt::InitHttpTransport();
  std::printf("seeding %d machines per provider...\n", kMachines);
  std::fflush(stdout);
  ydt::test::FakedClouds fakes(kMachines);
  if (!fakes.Started()) {
    std::fprintf(stderr, "the fakes did not start\n");
    return 1;
  }
  ydt::test::GatewayProcess gateway(fakes.EndpointFlags());
  if (!gateway.Started()) {
    std::fprintf(stderr, "the gateway did not start: %s\n", gateway.StartError().c_str());
    return 1;
  }
  CountingSink sink;
  AnswerOk prompter;
  ydt::BackendClient client(sink, prompter, gateway.BaseUrl());
  const std::string login = "username=" + ydt::UrlEncode(ydt::test::GatewayProcess::kUser) +
                            "&password=" + ydt::Md5Hex(ydt::test::GatewayProcess::kPassword) +
                            "&verifycode=" + ydt::test::GatewayProcess::kCaptcha +
                            "&type=yunduotai";
  if (client.CallBackend("/login/", ydt::kPost, login, nullptr, {}, false, "") != 0) {
    std::fprintf(stderr, "login to the gateway failed\n");
    return 1;
  }

  // The console's hop alone: the announcement, which the front answers without any cloud.
  std::vector<double> hop;
  for (int i = 0; i < 200; ++i) {
    const auto start = Clock::now();
    client.Exchange("/gg/?type=yunduotai", ydt::kGet, "");
    hop.push_back(MsSince(start));
  }
  const double hopMs = Percentile(hop, 0.5);
  std::printf("console hop to the gateway (announcement, no cloud): p50 %.2f ms p99 %.2f ms\n",
              hopMs, Percentile(hop, 0.99));

  ydt::live::CurlTransport curl;
  TimedTransport timed(curl);
  bool whole = true;
  double worstRatio = 0;
  std::vector<double> allAdded;
  const auto& providers = ydt::test::FakedClouds::Providers();
  for (std::size_t tab = 0; tab < providers.size(); ++tab) {
    const std::string& provider = providers[tab];
    if (!only.empty() && !only.count(provider)) continue;
    const ProviderKind kind = *ydt::ProviderFromIndex(static_cast<int>(tab));
    const auto [id, key] = fakes.Keys(provider);
    const auto requests = LoadRequests(kind, {id, key}, fakes.Region(provider));
    const auto ids = fakes.MachineIds(provider);
    const std::set<std::string> held(ids.begin(), ids.end());
    auto clouds = ProviderClouds(provider, timed, fakes);

    // One untimed round each: connections, and Huawei's project ID, as a running console
    // would have them.
    int sent = 0;
    BothWays(client, *clouds, timed, kind, requests, sink, sent);

    std::vector<double> gatewayTotals, straightTotals, added;
    sent = 0;
    double gatewayCpuMs = 0;
    for (int r = 0; r < kRounds; ++r) {
      const double cpuBefore = gateway.CpuMs();
      const auto [viaGateway, straight] =
          BothWays(client, *clouds, timed, kind, requests, sink, sent);
      gatewayCpuMs += gateway.CpuMs() - cpuBefore;
      for (const auto& [path, round] :
           {std::pair{"gateway", &viaGateway}, {"straight", &straight}}) {
        const std::string why = Shortfall(*round, held);
        if (!why.empty()) {
          std::fprintf(stderr, "%s round %d %s: %s\n", provider.c_str(), r + 1, path, why.c_str());
          whole = false;
        }
      }
      gatewayTotals.push_back(viaGateway.Total());
      straightTotals.push_back(straight.Total());
      for (std::size_t i = 0; i < requests.size(); ++i)
        added.push_back(viaGateway.ms[i] - straight.ms[i]);
    }
    const double gatewayMs = Percentile(gatewayTotals, 0.5);
    const double straightMs = Percentile(straightTotals, 0.5);
    const double ratio = gatewayMs / straightMs;
    // What a gateway that cost nothing beyond the console's hop would score.
    const double floor = (straightMs + hopMs * static_cast<double>(requests.size())) / straightMs;
    std::printf(
        "%s: %zu console requests / %d provider requests per round  gateway %.1f ms  straight "
        "%.1f ms  gateway/straight %.2f (hop alone %.2f)  added ms per request p50 %.2f p99 "
        "%.2f  gateway cpu ms per request %.2f\n",
        provider.c_str(), requests.size(), sent / kRounds, gatewayMs, straightMs, ratio, floor,
        Percentile(added, 0.5), Percentile(added, 0.99),
        gatewayCpuMs / (kRounds * static_cast<double>(requests.size())));
    std::fflush(stdout);
    worstRatio = std::max(worstRatio, ratio);
    allAdded.insert(allAdded.end(), added.begin(), added.end());
  }
  std::printf(
      "gateway/straight ratio (worst provider): %.2f  added ms per request p50 %.2f p99 %.2f\n",
      worstRatio, Percentile(allAdded, 0.5), Percentile(allAdded, 0.99));
  if (!whole) std::fprintf(stderr, "FAILED: not every round got every machine with success\n");
  return whole ? 0 : 1;
}
