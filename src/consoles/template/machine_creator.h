// Creating machines from a provider's creation template: the count check, the
// confirmation, the runinstances requests of at most 100 machines each, the pause and the
// reload of the grid.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/catalogue/provider_state.h"
#include "consoles/machines/run_report.h"
#include "consoles/template/access_keys.h"
#include "consoles/template/blocking_runner.h"
#include "service/backend/backend_client.h"

namespace ydt {

inline constexpr int kMachinesPerRequest = 100;

// Machine counts of the requests for `count` machines: every full hundred, then the rest.
// Empty for a count of 0 or less.
std::vector<int> CreationBatches(int count);

// The runinstances form of one request, in the provider's field order.
std::string CreateFormText(ProviderKind kind, const AccessKeys& keys, const ProviderState& state,
                           int count);

// The timed-destruction combo's text as the template reads it on leaving the combo.
struct DestroyChoice {
  int destroyTimer = 0;
  int destroyHours = 0;
};
inline constexpr std::string_view kDestroyOff = "不开启";
DestroyChoice DestroyChoiceFromText(std::string_view comboText);

enum class CreateOutcome { BadCount, Cancelled, Sent };

struct CreationHooks {
  BlockingRunner runBlocking;
  // Called before each request with its 1-based number and the number of requests.
  std::function<void(int index, int total)> progress;
  // Starts the provider's machine-list load.
  std::function<void()> reload;
  // Given how each request went, after the reload and before "已执行操作！".
  std::function<void(const RunReport&)> report;
};

class MachineCreator {
 public:
  MachineCreator(BackendClient& backend, Prompter& prompter, Pauser& pauser, WindowRef owner);

  // The click of 创建主机: `countText` is the count box's text at the click; the rest of
  // the template comes from `state`.
  CreateOutcome CreateMachines(ProviderKind kind, std::string_view countText,
                               const AccessKeys& keys, const ProviderState& state,
                               std::int64_t batchDelay, const CreationHooks& hooks);

  // One runinstances request per count, one after the other; the report names each by its
  // count. Also what a retry of the failed requests sends.
  RunReport SendCreateRequests(ProviderKind kind, const AccessKeys& keys,
                               const ProviderState& state, const std::vector<int>& counts,
                               const CreationHooks& hooks);

  // One runinstances request for `count` machines; its log line is the only report to the
  // operator.
  RequestOutcome SendCreateRequest(ProviderKind kind, const AccessKeys& keys,
                                   const ProviderState& state, int count,
                                   const BlockingRunner& runBlocking);

 private:
  BackendClient& backend_;
  Prompter& prompter_;
  Pauser& pauser_;
  WindowRef owner_;
};

}  // namespace ydt
