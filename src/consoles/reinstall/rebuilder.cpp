#include "consoles/reinstall/rebuilder.h"

#include "consoles/template/lookup_replies.h"
#include "service/backend/form_text.h"
#include "service/json/json_doc.h"

namespace ydt {

std::string_view EmptyRebuildItem(ProviderKind kind) {
  return kind == ProviderKind::Tencent ? "（无）" : "无";
}

std::optional<std::string> RebuildImageRefusal(const std::string& reinstallImageId) {
  if (reinstallImageId.empty()) return std::string("请先选择一个重装镜像！");
  if (reinstallImageId == "无") return std::string("请先一个有效的重装镜像！");
  return std::nullopt;
}

std::string RebuildQuestion(ReinstallMode mode, int count) {
  switch (mode) {
    case ReinstallMode::SelectedMachine:
      return "确定要执行重装？";
    case ReinstallMode::ChosenMachines:
      return "确定要重装选中的 " + std::to_string(count) + " 台主机？";
    case ReinstallMode::AllMachines:
      break;
  }
  return "确定要全部重装？";
}

std::string RebuildRunTitle(ProviderKind kind, ReinstallMode mode, int count) {
  switch (mode) {
    case ReinstallMode::SelectedMachine:
      return {};
    case ReinstallMode::ChosenMachines:
      return LogTitle(kind, "重装系统（选中 " + std::to_string(count) + " 台）");
    case ReinstallMode::AllMachines:
      break;
  }
  return LogTitle(kind, "全部重装");
}

std::string RebuildFormText(ProviderKind kind, const AccessKeys& keys,
                            const std::string& regionCode, const std::string& instanceIds,
                            const std::string& password, const std::string& imageId) {
  FormText form;
  form.Add("secretid", keys.secretId)
      .Add("secretkey", keys.secretKey)
      .Add("region", regionCode)
      .Add("instanceids", instanceIds);
  if (kind == ProviderKind::Huawei) {
    form.Add("imagesid", imageId).Add("password", password);
  } else {
    form.Add("password", password).Add("imagesid", imageId);
  }
  return form.Text();
}

Rebuilder::Rebuilder(BackendClient& backend, Prompter& prompter, Pauser& pauser, WindowRef owner)
    : backend_(backend), prompter_(prompter), pauser_(pauser), owner_(owner) {}

std::optional<std::vector<CodedItem>> Rebuilder::LoadRebuildImages(
    ProviderKind kind, const AccessKeys& keys, const std::string& regionCode,
    const std::string& imageType, const BlockingRunner& runBlocking) {
  if (!RequireAccessKeys(keys, prompter_)) return std::nullopt;
  const std::string path = BackendPath(kind, "rebuild/images");
  const std::string form = FormText()
                               .Add("secretid", keys.secretId)
                               .Add("secretkey", keys.secretKey)
                               .Add("region", regionCode)
                               .Add("imagetype", imageType)
                               .Text();
  const std::string title = LogTitle(kind, "加载镜像");
  int code = 1;
  std::string reply;
  RunThrough(runBlocking,
             [&] { code = backend_.CallBackend(path, kPost, form, &reply, owner_, false, title); });
  if (code != 0) return std::nullopt;
  JsonDoc doc;
  if (!doc.Parse(reply)) return std::nullopt;
  return ImagesFromReply(kind, doc, EmptyRebuildItem(kind)).items;
}

RunReport Rebuilder::RunRebuild(const RebuildJob& job, const RebuildHooks& hooks) {
  RunReport report;
  report.title = RebuildRunTitle(job.kind, job.mode, static_cast<int>(job.machineIds.size()));
  const int total = static_cast<int>(job.machineIds.size());
  for (int i = 0; i < total; ++i) {
    if (hooks.progress) hooks.progress(i + 1, total);
    const std::string& id = job.machineIds[static_cast<std::size_t>(i)];
    RequestOutcome outcome = SendRebuildRequest(job, "[" + id + "]", hooks.runBlocking);
    outcome.subject = id;
    report.outcomes.push_back(std::move(outcome));
    if (job.mode != ReinstallMode::SelectedMachine) pauser_.Pause(job.batchDelay + 250);
  }
  return report;
}

RequestOutcome Rebuilder::SendRebuildRequest(const RebuildJob& job, const std::string& instanceIds,
                                             const BlockingRunner& runBlocking) {
  if (!RequireAccessKeys(job.keys, prompter_)) return NotSentForMissingKeys(instanceIds);
  const std::string path = BackendPath(job.kind, "rebuild/run");
  const std::string form =
      RebuildFormText(job.kind, job.keys, job.regionCode, instanceIds, job.password, job.imageId);
  const std::string title = LogTitle(job.kind, "重装系统") + instanceIds;
  int code = 1;
  std::string reply;
  RunThrough(runBlocking,
             [&] { code = backend_.CallBackend(path, kPost, form, &reply, owner_, false, title); });
  return CallOutcome(instanceIds, code, reply);
}

}  // namespace ydt
