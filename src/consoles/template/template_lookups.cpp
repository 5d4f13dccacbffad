#include "consoles/template/template_lookups.h"

#include "service/backend/form_text.h"

namespace ydt {

TemplateLookups::TemplateLookups(BackendClient& backend, Prompter& prompter, WindowRef owner)
    : backend_(backend), prompter_(prompter), owner_(owner) {}

std::optional<JsonDoc> TemplateLookups::Request(ProviderKind kind, std::string_view operation,
                                                const std::string& form,
                                                std::string_view titleSuffix) {
  std::string reply;
  if (backend_.CallBackend(BackendPath(kind, operation), kPost, form, &reply, owner_, false,
                           LogTitle(kind, titleSuffix)) != 0) {
    return std::nullopt;
  }
  JsonDoc doc;
  if (!doc.Parse(reply)) return std::nullopt;
  return doc;
}

std::optional<ZoneList> TemplateLookups::LoadZones(ProviderKind kind, const AccessKeys& keys,
                                                   const std::string& regionCode) {
  if (kind == ProviderKind::Huawei) return HuaweiZoneList(regionCode);
  if (!RequireAccessKeys(keys, prompter_)) return std::nullopt;
  const std::string form = FormText()
                               .Add("secretid", keys.secretId)
                               .Add("secretkey", keys.secretKey)
                               .Add("region", regionCode)
                               .Text();
  const std::optional<JsonDoc> reply = Request(kind, "zones", form, "加载可用区");
  if (!reply) return std::nullopt;
  return ZonesFromReply(kind, *reply);
}

std::optional<ImageList> TemplateLookups::LoadImages(ProviderKind kind, const AccessKeys& keys,
                                                     const std::string& regionCode,
                                                     const std::string& imageType) {
  if (!RequireAccessKeys(keys, prompter_)) return std::nullopt;
  const std::string form = FormText()
                               .Add("secretid", keys.secretId)
                               .Add("secretkey", keys.secretKey)
                               .Add("region", regionCode)
                               .Add("imagetype", imageType)
                               .Text();
  const std::optional<JsonDoc> reply = Request(kind, "images", form, "加载镜像");
  if (!reply) return std::nullopt;
  return ImagesFromReply(kind, *reply, kNoImageItem);
}

std::optional<std::string> TemplateLookups::LoadInstanceTypes(ProviderKind kind,
                                                              const AccessKeys& keys,
                                                              const std::string& regionCode,
                                                              const std::string& zoneCode) {
  if (!RequireAccessKeys(keys, prompter_)) return std::nullopt;
  const std::string form = FormText()
                               .Add("secretid", keys.secretId)
                               .Add("secretkey", keys.secretKey)
                               .Add("region", regionCode)
                               .Add("zone", zoneCode)
                               .Text();
  const std::optional<JsonDoc> reply = Request(kind, "instancetypeconfigs", form, "加载机型资源");
  if (!reply) return std::string(kInstanceTypesFailed);
  return InstanceTypeLines(kind, *reply);
}

}  // namespace ydt
