#include "fault_plan.h"

#include <algorithm>

namespace ydt::sim {
namespace {

const std::vector<std::string>& Kinds() {
  static const std::vector<std::string> kinds = {"latency", "fail", "gbk",  "truncate", "nonjson",
                                                 "http500", "drop", "huge", "trickle",  "total"};
  return kinds;
}

}  // namespace

FaultPlan::FaultPlan() : rng_(std::random_device{}()) {}

bool FaultPlan::ParseRule(const nlohmann::json& ruleJson, FaultRule& rule, std::string& error) {
  if (!ruleJson.is_object()) {
    error = "fault must be a JSON object";
    return false;
  }
  try {
    FaultRule r;
    r.kind = ruleJson.value("kind", "");
    if (r.kind == "force") r.kind = "fail";  // a forced code is a failure that always hits
    if (std::find(Kinds().begin(), Kinds().end(), r.kind) == Kinds().end()) {
      error = "unknown fault kind '" + r.kind + "'";
      return false;
    }
    r.op = ruleJson.value("op", "");
    r.provider = ruleJson.value("provider", "");
    // "qcloud/instances" names provider and operation at once.
    for (const char* p : {"qcloud/", "aliyun/", "huawei/"}) {
      if (r.op.rfind(p, 0) == 0) {
        r.provider = r.op.substr(0, 6);
        r.op = r.op.substr(7);
      }
    }
    r.skip = ruleJson.value("skip", 0);
    r.times = ruleJson.value("times", -1);
    r.rate = ruleJson.value("rate", 1.0);
    r.latencyMs = ruleJson.value("ms", 0);
    r.code = ruleJson.value("code", 500);
    r.msg = ruleJson.value("msg", std::string("服务器内部错误"));
    r.bytes = ruleJson.value("bytes", static_cast<std::size_t>(0));
    r.delayMs = ruleJson.value("delay_ms", 100);
    r.total = ruleJson.value("total", 2147483647LL);
    if (r.total < 0) {
      error = "a total cannot be negative";
      return false;
    }
    if (r.rate < 0 || r.rate > 1 || r.skip < 0 || r.latencyMs < 0 || r.delayMs < 0 ||
        r.latencyMs > 600000 || r.delayMs > 60000) {
      error = "fault values out of range";
      return false;
    }
    if (r.kind == "fail" && r.code == 0) {
      error = "a failure needs a non-zero code";
      return false;
    }
    if (r.kind == "huge" && r.bytes == 0) r.bytes = 16u << 20;
    if (r.kind == "huge" && r.bytes > (512u << 20)) {
      error = "huge body limited to 512 MiB";
      return false;
    }
    if (r.kind == "trickle" && r.bytes == 0) r.bytes = 8;
    rule = std::move(r);
    return true;
  } catch (const std::exception& e) {
    error = std::string("bad fault: ") + e.what();
    return false;
  }
}

void FaultPlan::Add(FaultRule rule) {
  std::lock_guard lock(mutex_);
  rules_.push_back(std::move(rule));
}

void FaultPlan::Clear() {
  std::lock_guard lock(mutex_);
  rules_.clear();
}

nlohmann::json FaultPlan::Describe() const {
  std::lock_guard lock(mutex_);
  nlohmann::json list = nlohmann::json::array();
  for (const auto& r : rules_) {
    list.push_back({{"kind", r.kind},
                    {"op", r.op},
                    {"provider", r.provider},
                    {"skip", r.skip},
                    {"times", r.times},
                    {"rate", r.rate},
                    {"seen", r.seen}});
  }
  return list;
}

FaultDecision FaultPlan::Decide(const std::string& op, const std::string& provider) {
  std::lock_guard lock(mutex_);
  FaultDecision d;
  for (auto& r : rules_) {
    if (!r.op.empty() && r.op != op) continue;
    if (!r.provider.empty() && r.provider != provider) continue;
    ++r.seen;
    if (r.seen <= r.skip) continue;
    if (r.times >= 0 && r.seen > r.skip + r.times) continue;
    if (r.rate < 1.0 && std::uniform_real_distribution<double>(0, 1)(rng_) >= r.rate) continue;
    if (r.kind == "latency")
      d.latencyMs += r.latencyMs;
    else if (r.kind == "fail")
      d.forcedFailure = std::make_pair(r.code, r.msg);
    else if (r.kind == "gbk")
      d.gbk = true;
    else if (r.kind == "truncate")
      d.truncateAt = r.bytes;
    else if (r.kind == "nonjson")
      d.nonJson = true;
    else if (r.kind == "http500")
      d.http500 = true;
    else if (r.kind == "drop")
      d.drop = true;
    else if (r.kind == "huge")
      d.hugeBytes = r.bytes;
    else if (r.kind == "total")
      d.reportedTotal = r.total;
    else if (r.kind == "trickle") {
      d.trickleChunk = r.bytes;
      d.trickleDelayMs = r.delayMs;
    }
  }
  return d;
}

}  // namespace ydt::sim
