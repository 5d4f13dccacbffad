#include "request_journal.h"

#include "text_codec.h"

namespace ydt::front {

void RequestJournal::Record(RecordedRequest request) {
  std::lock_guard lock(mutex_);
  request.seq = nextSeq_++;
  const std::string key =
      request.provider.empty() ? request.op : request.provider + "/" + request.op;
  ++counts_[key];
  ++counts_["total"];
  // Huge request bodies are counted but not kept whole.
  if (request.body.size() > 65536) request.body.resize(65536);
  recent_.push_back(std::move(request));
  while (recent_.size() > kKept) recent_.pop_front();
}

nlohmann::json RequestJournal::Stats() const {
  std::lock_guard lock(mutex_);
  nlohmann::json counts = nlohmann::json::object();
  for (const auto& [key, count] : counts_) counts[key] = count;
  return {{"counts", counts}};
}

nlohmann::json RequestJournal::Recent(std::size_t count) const {
  std::lock_guard lock(mutex_);
  nlohmann::json list = nlohmann::json::array();
  const std::size_t start = recent_.size() > count ? recent_.size() - count : 0;
  for (std::size_t i = start; i < recent_.size(); ++i) {
    const auto& r = recent_[i];
    nlohmann::json headers = nlohmann::json::object();
    for (const auto& [name, value] : r.headers) {
      if (!headers.contains(name)) headers[name] = GbkToUtf8(value);
    }
    list.push_back({{"seq", r.seq},
                    {"method", r.method},
                    {"target", GbkToUtf8(r.target)},
                    {"op", r.op},
                    {"provider", r.provider},
                    {"body", GbkToUtf8(r.body)},
                    {"body_hex", ToHex(r.body)},
                    {"headers", headers}});
  }
  return list;
}

void RequestJournal::Clear() {
  std::lock_guard lock(mutex_);
  counts_.clear();
  recent_.clear();
}

}  // namespace ydt::front
