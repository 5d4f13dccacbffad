// The three machine operations (start, stop, release) and SendMachineAction, the one
// request both the popup menu and the batch buttons send.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/backend_request.h"
#include "consoles/machines/run_report.h"
#include "consoles/template/access_keys.h"
#include "service/backend/backend_client.h"
#include "service/backend/ports.h"

namespace ydt {

enum class MachineAction { Start, Stop, Release };

struct MachineActionInfo {
  MachineAction action;
  std::string_view menuText;           // popup-menu item
  std::string_view confirmation;       // single-machine confirmation
  std::string_view batchButtonRole;    // batch button name part, also its caption
  std::string_view batchConfirmation;  // batch confirmation
  std::string_view operation;          // backend path segment
  std::string_view titleSuffix;        // after the display name and " - "
};

const MachineActionInfo& ActionInfo(MachineAction action);

// The question before acting on several chosen machines: "确定要关闭选中的 12 台主机？".
std::string ChosenMachinesConfirmation(MachineAction action, int count);
// The summary's title after the display name: "关闭主机（选中 12 台）".
std::string ChosenMachinesTitle(MachineAction action, int count);

inline constexpr std::string_view kNoSelectionText = "您还未选择服务器！";
inline constexpr std::string_view kActionDoneText = "已执行操作！";
inline constexpr std::string_view kNoMachinesText = "无可用机器资源！";

// Where an action goes: the provider, its keys and the region, taken when the action
// starts so a batch keeps talking about the machines it listed.
struct MachineActionTarget {
  ProviderKind kind = ProviderKind::Tencent;
  AccessKeys keys;
  std::string regionCode;
  WindowRef owner;  // owner of the backend's message boxes (they are off)
};

// The request for `instanceIds`, which is passed through untouched ("[id]" for one machine,
// "id1,id2," for a batch).
BackendRequest MachineActionRequest(const MachineActionTarget& target, MachineAction action,
                                    std::string_view instanceIds);

// Runs the HTTP exchange of one request. The UI passes one that keeps the window painting
// while the exchange runs on a helper thread; empty runs it inline.
using ExchangeRunner = std::function<void(const std::function<void()>&)>;

// Sends the action for `instanceIds`, or tells the operator that a key is missing and sends
// nothing. Whatever the outcome, every caller reloads and says "已执行操作！"; the outcome
// only feeds the summary of a run of many requests.
RequestOutcome SendMachineAction(BackendClient& client, Prompter& prompter,
                                 const MachineActionTarget& target, MachineAction action,
                                 std::string_view instanceIds, const ExchangeRunner& exchange = {});

}  // namespace ydt
