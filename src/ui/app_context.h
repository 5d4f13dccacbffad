// AppContext carries the services every window and panel works through, so that tests can
// hand in fakes (a scripted prompter, a recording pauser, an inline task runner).
#pragma once

#include <array>
#include <string>

#include "consoles/catalogue/catalogue.h"
#include "consoles/catalogue/provider_state.h"
#include "platform/process_table.h"
#include "service/backend/backend_client.h"
#include "service/backend/ports.h"
#include "ui/task_runner.h"

namespace ydt {

// Owned by the shell, which alone reads them; panels get what they need of them through
// their environments (the batch delay, their settings section).
class RunningValues;
class SettingsStore;

struct AppContext {
  BackendClient& backend;
  Prompter& prompter;
  Pauser& pauser;
  TaskRunner& tasks;
  SettingsStore& settings;
  RunningValues& running;
  ProcessTable& processes;
  // The executable name whose copies the exit confirmation ends.
  std::string ownExecutableName;
  // One record per provider, indexed by tab. Read and written on the UI thread; a worker
  // takes a copy of what it needs before it starts.
  std::array<ProviderState, 3> providers{};
  // Index of the tab on show (0 Tencent, 1 Aliyun, 2 Huawei); the main window keeps it
  // current. UI thread only.
  int currentProvider = 0;

  ProviderState& State(ProviderKind kind) { return providers[ProviderIndex(kind)]; }
};

}  // namespace ydt
