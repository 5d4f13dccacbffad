// Counts requests per operation and keeps the most recent ones as received, for tests that
// assert exact wire content.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

namespace ydt::front {

struct RecordedRequest {
  std::uint64_t seq = 0;
  std::string method;
  std::string target;  // path and query as sent
  std::string op;
  std::string provider;
  std::string body;  // raw bytes
  std::multimap<std::string, std::string> headers;
};

class RequestJournal {
 public:
  void Record(RecordedRequest request);
  nlohmann::json Stats() const;
  // The last `count` requests, oldest first; bodies both as hex and converted from GBK.
  nlohmann::json Recent(std::size_t count) const;
  void Clear();

 private:
  static constexpr std::size_t kKept = 500;
  mutable std::mutex mutex_;
  std::uint64_t nextSeq_ = 1;
  std::map<std::string, std::uint64_t> counts_;
  std::deque<RecordedRequest> recent_;
};

}  // namespace ydt::front
