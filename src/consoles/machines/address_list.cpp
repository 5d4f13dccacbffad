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

AddressList BuildGroupedAddressList(std::span<const ProviderRows> tabs) {
  AddressList list;
  bool anyRow = false;
  for (const ProviderRows& tab : tabs) {
    anyRow = anyRow || !tab.rows.empty();
    std::string lines;
    int count = 0;
    for (const MachineRow* row : tab.rows) {
      const std::string& address = row->Cell(MachineColumn::PublicAddress);
      if (address.empty()) continue;
      lines += address;
      lines += "\r\n";
      ++count;
    }
    if (count == 0) continue;
    if (list.count > 0) list.text += "\r\n";
    list.text += "【" + std::string(Info(tab.kind).displayName) + "】\r\n" + lines;
    list.count += count;
  }
  if (!anyRow) {
    list.text = "无可用机器资源";
    list.emptyGrid = true;
  }
  return list;
}

std::string AddressListCaption(int count) {
  return "机器IP列表（共" + std::to_string(count) + "行）";
}

}  // namespace ydt
