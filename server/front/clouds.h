// The one seam between the console's protocol and whatever answers its cloud operations:
// the simulated world of the stand-in, or the providers' public APIs in the gateway. The
// front has already checked the route, the interface header, the method and the session,
// and decoded the GBK form into UTF-8 by the time a request gets here.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace ydt::front {

enum class Provider { kQcloud, kAliyun, kHuawei };

// One per path after "/yunduotai/<provider>/".
enum class Operation {
  kInstances,      // instances/
  kStart,          // startinstances/
  kStop,           // stopinstances/
  kTerminate,      // terminateinstances/
  kBalance,        // accountbalance/
  kZones,          // zones/
  kImages,         // images/
  kRebuildImages,  // rebuild/images/
  kInstanceTypes,  // instancetypeconfigs/
  kRun,            // runinstances/
  kRebuild,        // rebuild/run/
};

std::optional<Provider> ProviderFromSegment(std::string_view segment);
std::string_view SegmentOf(Provider provider);
// "rebuild/run" (no slashes at either end) → kRebuild; nullopt for anything else.
std::optional<Operation> OperationFromPath(std::string_view path);
std::string_view PathOf(Operation operation);

struct CloudRequest {
  Provider provider = Provider::kQcloud;
  Operation operation = Operation::kInstances;
  // Field name → value, percent-decoded and converted from GBK to UTF-8 (characters that
  // are not GBK became "?"). The first of a repeated name wins, as the console never
  // repeats one.
  std::map<std::string, std::string> fields;
  std::string user;  // the logged-in user of the front's session

  // The field's value, or nullopt when the console did not send it.
  std::optional<std::string> Field(const std::string& name) const {
    auto it = fields.find(name);
    if (it == fields.end()) return std::nullopt;
    return it->second;
  }
};

// The envelope's three members; the front writes it out as UTF-8 JSON.
struct CloudReply {
  int code = 0;  // 0 = success; anything else is a failure to the console
  std::string msg = "操作成功";
  nlohmann::ordered_json data = nlohmann::ordered_json::object();
  // When not empty, the JSON text that stands for `data` in the envelope, written as it is:
  // a provider's own answer the gateway passes on unchanged, so that a page of machines is
  // not written out a second time.
  std::string dataText;

  // `data` as a document, whichever way this reply holds it.
  nlohmann::ordered_json Data() const {
    return dataText.empty() ? data : nlohmann::ordered_json::parse(dataText, nullptr, false);
  }

  static CloudReply Ok(nlohmann::ordered_json data, std::string msg = "操作成功") {
    return CloudReply{0, std::move(msg), std::move(data), {}};
  }
  // `text` must be a JSON value the caller has already parsed successfully.
  static CloudReply OkText(std::string text, std::string msg = "操作成功") {
    return CloudReply{0, std::move(msg), nlohmann::ordered_json(), std::move(text)};
  }
  static CloudReply Fail(int code, std::string msg) {
    return CloudReply{code, std::move(msg), nlohmann::ordered_json(), {}};
  }
};

class Clouds {
 public:
  virtual ~Clouds() = default;
  // Called from the front's worker threads, many at once: implementations guard what they
  // share. Never throws; every failure is a reply with a non-zero code.
  virtual CloudReply Perform(const CloudRequest& request) = 0;
};

}  // namespace ydt::front
