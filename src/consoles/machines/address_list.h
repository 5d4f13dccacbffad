// The address list: the public addresses of a grid's rows, one per line, for copying.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/machine_row.h"

namespace ydt {

struct AddressList {
  std::string text;  // each address followed by "\r\n"; "无可用机器资源" for an empty grid
  int count = 0;     // lines in `text`
  bool emptyGrid = false;
};

AddressList BuildAddressList(std::span<const MachineRow> rows);

// The rows one tab shows, for the list of all tabs.
struct ProviderRows {
  ProviderKind kind = ProviderKind::Tencent;
  std::vector<const MachineRow*> rows;
};

// The addresses of several tabs, each tab's under a line "【腾讯云】" and the tabs apart by
// an empty line; tabs without an address are left out. `count` counts addresses only, and
// `emptyGrid` holds when no tab has a row.
AddressList BuildGroupedAddressList(std::span<const ProviderRows> tabs);

// "机器IP列表（共" + count + "行）".
std::string AddressListCaption(int count);

inline constexpr std::string_view kAddressListInitialCaption = "机器IP列表";
inline constexpr std::string_view kAddressListLoadingText = "正在加载";
inline constexpr std::string_view kCopiedText = "已复制到剪辑版，按 Ctrl + V 粘贴!";

}  // namespace ydt
