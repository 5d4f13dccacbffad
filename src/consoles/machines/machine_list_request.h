// The requests of a machine-list load: the count request, the page requests and how many
// pages a total takes.
#pragma once

#include <cstdint>
#include <string_view>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/backend_request.h"
#include "consoles/template/access_keys.h"

namespace ydt {

inline constexpr int kMachinePageSize = 100;

// ⌊total ÷ 100⌋ + 1, worked out in single-precision float as the backend's paging has
// always been asked: an exact multiple of 100 asks for one empty page beyond the last full
// one, and a total below 1 still asks for one page.
int MachineListPageCount(std::int32_t total);

// Asks for a single machine; only the reply's total is used.
BackendRequest MachineCountRequest(ProviderKind kind, const AccessKeys& keys,
                                   std::string_view regionCode);

// Page `page` (from 1) of 100 machines; `total` only goes into the log title.
BackendRequest MachinePageRequest(ProviderKind kind, const AccessKeys& keys,
                                  std::string_view regionCode, int page, std::int32_t total);

}  // namespace ydt
