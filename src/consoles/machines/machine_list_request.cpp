#include "consoles/machines/machine_list_request.h"

#include <string>

#include "service/backend/form_text.h"

namespace ydt {

namespace {

FormText KeyAndRegionFields(const AccessKeys& keys, std::string_view regionCode) {
  FormText form;
  form.Add("secretid", keys.secretId).Add("secretkey", keys.secretKey).Add("region", regionCode);
  return form;
}

}  // namespace

int MachineListPageCount(std::int32_t total) {
  const float x = static_cast<float>(static_cast<double>(total) / 100.0);
  if (x - 1.0f < -0.0000001f) return 1;
  return static_cast<int>(x + 1.0f);
}

BackendRequest MachineCountRequest(ProviderKind kind, const AccessKeys& keys,
                                   std::string_view regionCode) {
  FormText form = KeyAndRegionFields(keys, regionCode);
  if (Info(kind).paging == PagingStyle::Offset) {
    form.Add("offset", "0");
  } else {
    form.Add("page", "1");
  }
  form.Add("limit", "1");
  return {BackendPath(kind, "instances"), form.Text(), LogTitle(kind, "初始化机器列表")};
}

BackendRequest MachinePageRequest(ProviderKind kind, const AccessKeys& keys,
                                  std::string_view regionCode, int page, std::int32_t total) {
  FormText form = KeyAndRegionFields(keys, regionCode);
  if (Info(kind).paging == PagingStyle::Offset) {
    form.Add("offset", std::to_string(static_cast<std::int64_t>(page - 1) * kMachinePageSize));
  } else {
    form.Add("page", std::to_string(page));
  }
  form.Add("limit", std::to_string(kMachinePageSize));
  const std::string title =
      "加载机器信息第" + std::to_string(page) + "页，总数" + std::to_string(total);
  return {BackendPath(kind, "instances"), form.Text(), LogTitle(kind, title)};
}

}  // namespace ydt
