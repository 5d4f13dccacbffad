// Turns one page reply of the machine list into grid rows: state words, configuration text,
// public address and creation time, per provider.
#pragma once

#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/machine_row.h"
#include "service/json/json_doc.h"

namespace ydt {

// Appends one row per machine of the page to `rows`, numbering them from `nextNumber`,
// which is left at the number the next row takes (numbers run on across pages).
void AppendMachineRows(ProviderKind kind, const JsonDoc& page, int& nextNumber,
                       std::vector<MachineRow>& rows);

// "2021-06-01T08:30:00Z" -> "2021-06-01 08:30:00"; other forms pass through.
std::string CreationTimeText(std::string_view created);

// The floating address of a Huawei machine from the compact JSON text of its `addresses`
// object; empty when it has none or the addr/type lists do not pair up.
std::string HuaweiFloatingAddress(std::string_view addressesJson);

}  // namespace ydt
