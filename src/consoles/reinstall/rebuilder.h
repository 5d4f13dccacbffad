// Reinstalling machines: the reinstall dialog's image list, its image checks and the run
// that sends one rebuild request per machine with the configured reinstall password.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/run_report.h"
#include "consoles/template/access_keys.h"
#include "consoles/template/blocking_runner.h"
#include "consoles/template/coded_item.h"
#include "service/backend/backend_client.h"

namespace ydt {

// reinstallMode: 1 reinstalls the grid's selected machine, 0 every machine listed; 2 the
// several machines chosen in the grid, one request each, paced like all machines.
enum class ReinstallMode { AllMachines = 0, SelectedMachine = 1, ChosenMachines = 2 };

inline constexpr std::string_view kRebuildLoadingItem = "正在加载...";

// The item a reinstall list shows when the provider offers no image.
std::string_view EmptyRebuildItem(ProviderKind kind);

// Why "执行重装" refuses the image chosen, or nothing when it may go ahead.
std::optional<std::string> RebuildImageRefusal(const std::string& reinstallImageId);

// The question asked before a run of `count` machines.
std::string RebuildQuestion(ReinstallMode mode, int count = 1);

// The title of a run's summary line ("腾讯云 - 全部重装"); empty for one machine, whose own
// log line says it all.
std::string RebuildRunTitle(ProviderKind kind, ReinstallMode mode, int count);

// The rebuild/run form of one machine, in the provider's field order.
std::string RebuildFormText(ProviderKind kind, const AccessKeys& keys,
                            const std::string& regionCode, const std::string& instanceIds,
                            const std::string& password, const std::string& imageId);

// What a run needs to know, taken when it starts.
struct RebuildJob {
  ProviderKind kind = ProviderKind::Tencent;
  ReinstallMode mode = ReinstallMode::SelectedMachine;
  AccessKeys keys;
  std::string regionCode;
  std::string imageId;
  std::string password;  // the running rebuild_password
  // The IDs of the machines to reinstall: the selected row's (empty when the grid has no
  // selection any more), or every row's in grid order.
  std::vector<std::string> machineIds;
  std::int64_t batchDelay = 100;
};

struct RebuildHooks {
  BlockingRunner runBlocking;
  // Called before each request with its 1-based number and the number of requests.
  std::function<void(int index, int total)> progress;
};

class Rebuilder {
 public:
  Rebuilder(BackendClient& backend, Prompter& prompter, Pauser& pauser, WindowRef owner);

  // The dialog's image list, or nothing when the keys are missing or the request fails
  // (the list then keeps its loading item).
  std::optional<std::vector<CodedItem>> LoadRebuildImages(ProviderKind kind, const AccessKeys& keys,
                                                          const std::string& regionCode,
                                                          const std::string& imageType,
                                                          const BlockingRunner& runBlocking);

  // One request per machine; a run of many machines pauses after each, the last included.
  // The report names each request by its machine's ID.
  RunReport RunRebuild(const RebuildJob& job, const RebuildHooks& hooks);

  // One rebuild request for the instance-ID text "[" + ID + "]"; its log line is the only
  // report to the operator.
  RequestOutcome SendRebuildRequest(const RebuildJob& job, const std::string& instanceIds,
                                    const BlockingRunner& runBlocking);

 private:
  BackendClient& backend_;
  Prompter& prompter_;
  Pauser& pauser_;
  WindowRef owner_;
};

}  // namespace ydt
