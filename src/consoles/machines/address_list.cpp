#include "consoles/machines/address_list.h"

namespace ydt {

AddressList BuildAddressList(std::span<const MachineRow> rows) {
  AddressList list;
  if (rows.empty()) {
    list.text = "无可用机器资源";
    list.emptyGrid = true;
    return list;
  }
  for (const MachineRow& row : rows) {
    const std::string& address = row.Cell(MachineColumn::PublicAddress);
    if (address.empty()) continue;
    list.text += address;
    list.text += "\r\n";
    ++list.count;
  }
  return list;
}

std::string AddressListCaption(int count) {
  return "机器IP列表（共" + std::to_string(count) + "行）";
}

}  // namespace ydt
