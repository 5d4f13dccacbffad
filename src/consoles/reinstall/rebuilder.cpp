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

std::string_view RebuildQuestion(ReinstallMode mode) {
  return mode == ReinstallMode::SelectedMachine ? "确定要执行重装？" : "确定要全部重装？";
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

void Rebuilder::RunRebuild(const RebuildJob& job, const RebuildHooks& hooks) {
  const int total = static_cast<int>(job.machineIds.size());
  for (int i = 0; i < total; ++i) {
    if (hooks.progress) hooks.progress(i + 1, total);
    SendRebuildRequest(job, "[" + job.machineIds[static_cast<std::size_t>(i)] + "]",
                       hooks.runBlocking);
    if (job.mode == ReinstallMode::AllMachines) pauser_.Pause(job.batchDelay + 250);
  }
}

void Rebuilder::SendRebuildRequest(const RebuildJob& job, const std::string& instanceIds,
                                   const BlockingRunner& runBlocking) {
  if (!RequireAccessKeys(job.keys, prompter_)) return;
  const std::string path = BackendPath(job.kind, "rebuild/run");
  const std::string form =
      RebuildFormText(job.kind, job.keys, job.regionCode, instanceIds, job.password, job.imageId);
  const std::string title = LogTitle(job.kind, "重装系统") + instanceIds;
  RunThrough(runBlocking, [&] {
    std::string reply;
    backend_.CallBackend(path, kPost, form, &reply, owner_, false, title);
  });
}

}  // namespace ydt
