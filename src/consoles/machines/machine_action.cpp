#include "consoles/machines/machine_action.h"

#include <array>

#include "service/backend/form_text.h"

namespace ydt {

namespace {

constexpr std::array<MachineActionInfo, 3> kActions = {{
    {MachineAction::Start, "启动", "确定要启动主机？", "全部启动", "确定要全部启动？",
     "startinstances", "启动主机"},
    {MachineAction::Stop, "关机", "确定要关闭主机？关闭后将停止计费！", "全部关机",
     "确定要全部关机？", "stopinstances", "关闭主机"},
    {MachineAction::Release, "释放", "确定要释放主机？", "全部释放", "确定要全部释放？",
     "terminateinstances", "释放主机"},
}};

}  // namespace

const MachineActionInfo& ActionInfo(MachineAction action) {
  return kActions[static_cast<std::size_t>(action)];
}

std::string ChosenMachinesConfirmation(MachineAction action, int count) {
  // The action's title without its last character ("关闭主机" -> "关闭") is its verb.
  const std::string_view title = ActionInfo(action).titleSuffix;
  const std::string verb(title.substr(0, title.size() - std::string_view("主机").size()));
  return "确定要" + verb + "选中的 " + std::to_string(count) + " 台主机？";
}

std::string ChosenMachinesTitle(MachineAction action, int count) {
  return std::string(ActionInfo(action).titleSuffix) + "（选中 " + std::to_string(count) + " 台）";
}

BackendRequest MachineActionRequest(const MachineActionTarget& target, MachineAction action,
                                    std::string_view instanceIds) {
  const MachineActionInfo& info = ActionInfo(action);
  const std::string form = FormText()
                               .Add("secretid", target.keys.secretId)
                               .Add("secretkey", target.keys.secretKey)
                               .Add("region", target.regionCode)
                               .Add("instanceids", instanceIds)
                               .Text();
  return {BackendPath(target.kind, info.operation), form,
          LogTitle(target.kind, info.titleSuffix) + std::string(instanceIds)};
}

RequestOutcome SendMachineAction(BackendClient& client, Prompter& prompter,
                                 const MachineActionTarget& target, MachineAction action,
                                 std::string_view instanceIds, const ExchangeRunner& exchange) {
  if (!RequireAccessKeys(target.keys, prompter)) {
    return NotSentForMissingKeys(std::string(instanceIds));
  }
  const BackendRequest request = MachineActionRequest(target, action, instanceIds);
  int code = 1;
  std::string reply;
  auto send = [&] {
    code = client.CallBackend(request.path, kPost, request.form, &reply, target.owner, false,
                              request.title);
  };
  if (exchange) {
    exchange(send);
  } else {
    send();
  }
  return CallOutcome(std::string(instanceIds), code, reply);
}

}  // namespace ydt
