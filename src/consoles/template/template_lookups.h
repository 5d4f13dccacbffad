// The creation template's backend lookups: zones, images and instance types of a region.
// Each runs on the calling (worker) thread and hands back plain results; the caller puts
// them into the boxes and the provider's record on the UI thread.
#pragma once

#include <optional>
#include <string>

#include "consoles/catalogue/catalogue.h"
#include "consoles/template/access_keys.h"
#include "consoles/template/lookup_replies.h"
#include "service/backend/backend_client.h"

namespace ydt {

class TemplateLookups {
 public:
  TemplateLookups(BackendClient& backend, Prompter& prompter, WindowRef owner);

  // Nothing when the keys are missing, the request fails or the reply names no zone:
  // the zone box and zoneCode then keep what they had. Huawei reads its built-in table.
  std::optional<ZoneList> LoadZones(ProviderKind kind, const AccessKeys& keys,
                                    const std::string& regionCode);

  // Nothing when the keys are missing or the request fails.
  std::optional<ImageList> LoadImages(ProviderKind kind, const AccessKeys& keys,
                                      const std::string& regionCode, const std::string& imageType);

  // The instance-type window's text: the lines, or "加载失败" when the request fails;
  // nothing when the keys are missing (the window keeps its loading text).
  std::optional<std::string> LoadInstanceTypes(ProviderKind kind, const AccessKeys& keys,
                                               const std::string& regionCode,
                                               const std::string& zoneCode);

 private:
  // The reply of one lookup, or nothing when it failed.
  std::optional<JsonDoc> Request(ProviderKind kind, std::string_view operation,
                                 const std::string& form, std::string_view titleSuffix);

  BackendClient& backend_;
  Prompter& prompter_;
  WindowRef owner_;
};

}  // namespace ydt
