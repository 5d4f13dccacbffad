// What a creation template needs from the rest of the console: the backend, the message
// boxes, the waits, worker threads, the tab's running record and its key boxes. Gathered in
// one place so a test can hand the panel fakes.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

#include "consoles/catalogue/provider_state.h"
#include "consoles/template/access_keys.h"
#include "consoles/template/blocking_runner.h"
#include "service/backend/backend_client.h"
#include "service/backend/ports.h"

namespace ydt {

class TaskRunner;

struct TemplateEnvironment {
  BackendClient* client = nullptr;
  Prompter* prompter = nullptr;
  // The wait after the creation requests; it must keep the window working.
  Pauser* uiPauser = nullptr;
  // Starts the zone, image and instance-type lookups; null starts a thread per routine.
  TaskRunner* tasks = nullptr;
  ProviderState* state = nullptr;
  WindowRef owner;  // the main window, owner of the backend's boxes

  // The running batch delay in milliseconds; empty means the smallest, 100.
  std::function<std::int64_t()> batchDelay;
  // The tab's key boxes as they stand, read on the UI thread.
  std::function<AccessKeys()> readKeys;
  // Runs a creation request's HTTP exchange; empty keeps the window painting without input
  // while the exchange runs on a helper thread.
  BlockingRunner runBlocking;
  // Starts the tab's machine-list load, and the watch for machines still on their way.
  std::function<void()> reloadMachines;
  // Shows a window modally; empty runs exec(). Tests show it without blocking.
  std::function<void(QDialog*)> openModal;
};

// Helpers shared by the windows that take a TemplateEnvironment.
void OpenModal(const std::function<void(QDialog*)>& openModal, QDialog* dialog);
void StartTask(TaskRunner* tasks, std::function<void()> routine);

}  // namespace ydt
