// Helpers shared by the machine tests that run against the stand-in backend: the login
// that puts the session cookie into the process-wide store, region codes by index, and the
// requests the stand-in received for one operation.
#pragma once

#include <string>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/template/access_keys.h"
#include "service/backend/backend_client.h"
#include "service/text/text.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/scripted_prompter.h"
#include "support/sim/sim_process.h"

namespace ydt::test {

inline bool LoginToSim(const SimProcess& sim) {
  RecordingLogSink log;
  ScriptedPrompter prompter;
  BackendClient client(log, prompter, sim.BaseUrl());
  const std::string form = std::string("username=%64%65%6D%6F&password=") +
                           Md5Hex(SimProcess::kPassword) + "&verifycode=" + SimProcess::kCaptcha +
                           "&type=yunduotai";
  return client.CallBackend("/login/", kPost, form, nullptr, {}, false, "") == 0;
}

inline std::string RegionCode(ProviderKind kind, int index) {
  return itemCode(Info(kind).regionItems[static_cast<std::size_t>(index)]);
}

inline AccessKeys DemoKeys(ProviderKind kind) {
  const std::string segment(Info(kind).segment);
  return {"demo-" + segment + "-id", "demo-" + segment + "-key"};
}

// Bodies of the recent requests of `op` ("instances", "stopinstances" …), oldest first.
inline std::vector<std::string> BodiesOf(const SimProcess& sim, const std::string& op,
                                         int recent = 400) {
  std::vector<std::string> bodies;
  for (const auto& request : sim.RecentRequests(recent)) {
    if (request.value("op", "") == op) bodies.push_back(request.value("body", ""));
  }
  return bodies;
}

inline bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace ydt::test
