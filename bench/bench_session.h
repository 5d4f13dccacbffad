// What the benchmarks that run against the stand-in share: a pause that returns at once, a
// prompter that answers OK, the demo key pairs and regions, the login, and the median.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/template/access_keys.h"
#include "service/backend/backend_client.h"
#include "service/backend/ports.h"
#include "service/text/text.h"
#include "support/sim/sim_process.h"

namespace ydt::bench {

inline constexpr int kTenThousandRegion = 2;  // the stand-in's 10,000-machine region

class NoPause : public Pauser {
 public:
  void Pause(std::int64_t) override {}
};

class AnswerOk : public Prompter {
 public:
  MessageAnswer Show(WindowRef, const std::string&, MessageIcon, MessageButtons) override {
    return MessageAnswer::Ok;
  }
};

inline AccessKeys DemoKeys(ProviderKind kind) {
  const std::string segment(Info(kind).segment);
  return {"demo-" + segment + "-id", "demo-" + segment + "-key"};
}

inline std::string Region(ProviderKind kind, int index = kTenThousandRegion) {
  return itemCode(Info(kind).regionItems[static_cast<std::size_t>(index)]);
}

// Logs `client` in to the stand-in (the session cookie is process-wide).
inline bool LogIn(BackendClient& client) {
  const std::string login = std::string("username=%64%65%6D%6F&password=") +
                            Md5Hex(test::SimProcess::kPassword) +
                            "&verifycode=" + test::SimProcess::kCaptcha + "&type=yunduotai";
  return client.CallBackend("/login/", kPost, login, nullptr, {}, false, "") == 0;
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace ydt::bench
