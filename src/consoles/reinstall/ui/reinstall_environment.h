// What the reinstall dialog needs from the rest of the console: the backend, the message
// boxes, the waits, the tab's running record and key boxes, the reinstall password and the
// machines of the tab's grid. Gathered in one place so a test can hand the dialog fakes.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "consoles/catalogue/provider_state.h"
#include "consoles/template/access_keys.h"
#include "consoles/template/blocking_runner.h"
#include "service/backend/backend_client.h"
#include "service/backend/ports.h"

namespace ydt {

struct ReinstallEnvironment {
  BackendClient* client = nullptr;
  Prompter* prompter = nullptr;
  // The waits of a run; they must keep the window working.
  Pauser* uiPauser = nullptr;
  ProviderState* state = nullptr;
  WindowRef owner;  // the main window, owner of the backend's boxes

  // The running batch delay in milliseconds; empty means the smallest, 100.
  std::function<std::int64_t()> batchDelay;
  // The running rebuild_password.
  std::function<std::string()> rebuildPassword;
  // The tab's key boxes as they stand, read on the UI thread.
  std::function<AccessKeys()> readKeys;
  // Runs a request's HTTP exchange; empty keeps the window painting without input while
  // the exchange runs on a helper thread.
  BlockingRunner runBlocking;

  // The tab's grid: its number of rows, the ID of its selected row (nothing without a
  // selection), the IDs of all its selected rows in the order shown, and the IDs of all rows
  // in grid order.
  std::function<int()> rowCount;
  std::function<std::optional<std::string>()> selectedMachineId;
  std::function<std::vector<std::string>()> selectedMachineIds;
  std::function<std::vector<std::string>()> machineIds;
  // Called after each run: the grid watches its machines settle.
  std::function<void()> afterRun;

  // Shows a window modally; empty runs exec(). Tests show it without blocking.
  std::function<void(QDialog*)> openModal;
};

}  // namespace ydt
