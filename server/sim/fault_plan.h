// Faults the simulator injects on purpose, so the console's failure paths meet a real socket.
// Each rule may be limited to one operation (and provider), skip the first matching
// requests, apply a number of times only, or apply with a probability.
#pragma once

#include <cstddef>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace ydt::sim {

struct FaultRule {
  std::string kind;  // latency, fail, gbk, truncate, nonjson, http500, drop, huge, trickle, total
  std::string op;    // empty = every operation
  std::string provider;  // empty = every provider
  int skip = 0;          // let this many matching requests pass first
  int times = -1;        // then apply this many times; -1 = for ever
  double rate = 1.0;     // probability that a matching request is hit
  int latencyMs = 0;
  int code = 500;
  std::string msg = "服务器内部错误";
  std::size_t bytes = 0;  // truncate: body length kept (0 = half); huge: body size; trickle: chunk
  int delayMs = 100;      // trickle: pause between chunks
  long long total = 2147483647;  // total: the machine count a list reply reports
  int seen = 0;
};

// What to do to one request, merged from every rule that hit it.
struct FaultDecision {
  int latencyMs = 0;
  std::optional<std::pair<int, std::string>> forcedFailure;
  bool gbk = false;
  bool nonJson = false;
  bool http500 = false;
  bool drop = false;
  std::optional<std::size_t> truncateAt;  // 0 = half of the body
  std::size_t hugeBytes = 0;
  std::size_t trickleChunk = 0;
  int trickleDelayMs = 0;
  std::optional<long long> reportedTotal;  // a successful machine list claims this total
};

class FaultPlan {
 public:
  FaultPlan();
  // From a control request body, e.g. {"kind":"fail","op":"qcloud/instances","code":7}.
  static bool ParseRule(const nlohmann::json& ruleJson, FaultRule& rule, std::string& error);

  void Add(FaultRule rule);
  void Clear();
  nlohmann::json Describe() const;
  FaultDecision Decide(const std::string& op, const std::string& provider);

 private:
  mutable std::mutex mutex_;
  std::vector<FaultRule> rules_;
  std::mt19937_64 rng_;
};

}  // namespace ydt::sim
