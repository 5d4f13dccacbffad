#include "consoles/template/machine_creator.h"

#include "service/backend/form_text.h"
#include "service/text/text.h"

namespace ydt {

std::vector<int> CreationBatches(int count) {
  std::vector<int> batches;
  if (count <= 0) return batches;
  batches.assign(static_cast<std::size_t>(count / kMachinesPerRequest), kMachinesPerRequest);
  if (count % kMachinesPerRequest != 0) batches.push_back(count % kMachinesPerRequest);
  return batches;
}

std::string CreateFormText(ProviderKind kind, const AccessKeys& keys, const ProviderState& state,
                           int count) {
  FormText form;
  form.Add("secretid", keys.secretId)
      .Add("secretkey", keys.secretKey)
      .Add("region", state.regionCode)
      .Add("zone", state.zoneCode)
      .Add("instancetype", state.instanceType)
      .Add("imageid", state.imageId)
      .Add("disktype", state.diskType)
      .Add("bandwidth", std::to_string(state.bandwidth));
  switch (kind) {
    case ProviderKind::Tencent:
      break;
    case ProviderKind::Aliyun:
      form.Add("securitygroupid", state.securityGroupId).Add("vswitchid", state.vswitchId);
      break;
    case ProviderKind::Huawei:
      form.Add("vpcid", state.vpcId).Add("subnetid", state.subnetId);
      break;
  }
  form.Add("password", state.password)
      .Add("instancecount", std::to_string(count))
      .Add("is_actiontimer", std::to_string(state.destroyTimer))
      .Add("actiontimer", std::to_string(state.destroyHours));
  if (kind == ProviderKind::Tencent) form.Add("instancechargetype", state.chargeType);
  return form.Text();
}

DestroyChoice DestroyChoiceFromText(std::string_view comboText) {
  if (comboText == kDestroyOff) return DestroyChoice{};
  return DestroyChoice{1, TextToInt(TrimSpaces(comboText))};
}

MachineCreator::MachineCreator(BackendClient& backend, Prompter& prompter, Pauser& pauser,
                               WindowRef owner)
    : backend_(backend), prompter_(prompter), pauser_(pauser), owner_(owner) {}

CreateOutcome MachineCreator::CreateMachines(ProviderKind kind, std::string_view countText,
                                             const AccessKeys& keys, const ProviderState& state,
                                             std::int64_t batchDelay, const CreationHooks& hooks) {
  const int count = TextToInt(TrimSpaces(countText));
  if (count <= 0) {
    prompter_.Show(WindowRef{}, "机器数量输入不正确！", MessageIcon::Warning);
    return CreateOutcome::BadCount;
  }
  if (prompter_.Show(WindowRef{}, "确定要创建机器？", MessageIcon::Question,
                     MessageButtons::OkCancel) != MessageAnswer::Ok) {
    return CreateOutcome::Cancelled;
  }
  const RunReport report = SendCreateRequests(kind, keys, state, CreationBatches(count), hooks);
  pauser_.Pause(batchDelay + 1250);
  if (hooks.reload) hooks.reload();
  if (hooks.report) hooks.report(report);
  prompter_.Show(WindowRef{}, "已执行操作！", MessageIcon::Information);
  return CreateOutcome::Sent;
}

RunReport MachineCreator::SendCreateRequests(ProviderKind kind, const AccessKeys& keys,
                                             const ProviderState& state,
                                             const std::vector<int>& counts,
                                             const CreationHooks& hooks) {
  RunReport report;
  report.title = LogTitle(kind, "创建主机");
  report.subjectHeading = "数量";
  const int total = static_cast<int>(counts.size());
  for (int i = 0; i < total; ++i) {
    if (hooks.progress) hooks.progress(i + 1, total);
    report.outcomes.push_back(SendCreateRequest(
        kind, keys, state, counts[static_cast<std::size_t>(i)], hooks.runBlocking));
  }
  return report;
}

RequestOutcome MachineCreator::SendCreateRequest(ProviderKind kind, const AccessKeys& keys,
                                                 const ProviderState& state, int count,
                                                 const BlockingRunner& runBlocking) {
  if (!RequireAccessKeys(keys, prompter_)) return NotSentForMissingKeys(std::to_string(count));
  const std::string path = BackendPath(kind, "runinstances");
  const std::string form = CreateFormText(kind, keys, state, count);
  const std::string title = LogTitle(kind, "创建主机");
  int code = 1;
  std::string reply;
  RunThrough(runBlocking,
             [&] { code = backend_.CallBackend(path, kPost, form, &reply, owner_, false, title); });
  return CallOutcome(std::to_string(count), code, reply);
}

}  // namespace ydt
