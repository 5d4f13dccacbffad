// The address list: the public addresses of a grid's rows, one per line, for copying.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "consoles/machines/machine_row.h"

namespace ydt {

struct AddressList {
  std::string text;  // each address followed by "\r\n"; "无可用机器资源" for an empty grid
  int count = 0;     // lines in `text`
  bool emptyGrid = false;
};

AddressList BuildAddressList(std::span<const MachineRow> rows);

// "机器IP列表（共" + count + "行）".
std::string AddressListCaption(int count);

inline constexpr std::string_view kAddressListInitialCaption = "机器IP列表";
inline constexpr std::string_view kAddressListLoadingText = "正在加载";
inline constexpr std::string_view kCopiedText = "已复制到剪辑版，按 Ctrl + V 粘贴!";

}  // namespace ydt
