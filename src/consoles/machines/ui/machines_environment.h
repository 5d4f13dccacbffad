// What a machine panel needs from the rest of the console: the backend, the operator's
// message boxes, the waits, the tab's running record, its key boxes and its settings
// section. Gathered in one place so that the shell's composition, a test or the benchmark
// can hand the panel its own pieces.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>

#include "consoles/catalogue/provider_state.h"
#include "consoles/machines/machine_action.h"
#include "consoles/template/access_keys.h"
#include "service/backend/backend_client.h"
#include "service/backend/ports.h"
#include "ui/section_settings.h"

namespace ydt {

struct MachinesEnvironment {
  BackendClient* client = nullptr;
  Prompter* prompter = nullptr;
  // The waits of actions and batches on the UI thread; they must keep the window working.
  Pauser* uiPauser = nullptr;
  ProviderState* state = nullptr;
  // Owner of the boxes the actions show; null takes the panel's window.
  WindowRef owner;

  // The running batch delay in milliseconds; empty means 100.
  std::function<std::int64_t()> batchDelay;
  // The tab's key boxes as they stand; empty reads the boxes named 编辑框_<p>_secretid and
  // 编辑框_<p>_secretkey in the panel's window.
  std::function<AccessKeys()> readKeys;
  // Runs an action's HTTP exchange; empty uses RunBlocking (helper thread, window keeps
  // painting, no input).
  ExchangeRunner runExchange;
  // Starts a worker routine; empty starts a detached thread.
  std::function<void(std::function<void()>)> startTask;
  // The wait of a list load before its first page, run on the load's worker thread; empty
  // sleeps, waking early when a newer load takes over.
  std::function<std::unique_ptr<Pauser>(std::stop_token)> makeLoadPauser;

  // The provider's section of the settings file (the 自动刷新 choice).
  SectionSettings settings;
  // Asks where to export the grid, starting from `suggested`; an empty answer cancels.
  // Empty asks with a file dialog.
  std::function<QString(const QString& suggested)> chooseExportFile;
  // After an action the tab reloads quietly this often while a machine is in a passing
  // state, and gives up after the limit.
  std::chrono::milliseconds quietRefreshInterval{5000};
  std::chrono::milliseconds quietRefreshLimit{std::chrono::minutes(3)};
};

}  // namespace ydt
