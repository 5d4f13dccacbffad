// AddressListDialog ("提取IP"): the public addresses of a grid, one per line, with a button
// that copies them to the clipboard; "全部标签页" collects those of every tab instead.
#pragma once

#include <QDialog>
#include <functional>
#include <span>
#include <vector>

#include "consoles/machines/address_list.h"
#include "consoles/machines/machine_row.h"
#include "service/backend/ports.h"

class QCheckBox;
class QGroupBox;
class QPlainTextEdit;

namespace ydt {

class AddressListDialog : public QDialog {
  Q_OBJECT

 public:
  // `allTabs` gives the rows every tab shows when "全部标签页" is ticked; without it the box
  // is not offered.
  AddressListDialog(std::span<const MachineRow> rows, Prompter& prompter, QWidget* parent = nullptr,
                    std::function<std::vector<ProviderRows>()> allTabs = {});

  // Puts the box's text on the clipboard and says so.
  void Copy();

 private:
  void ShowList(const AddressList& list);

  Prompter& prompter_;
  AddressList tabList_;
  std::function<std::vector<ProviderRows>()> allTabs_;
  QCheckBox* allTabsBox_ = nullptr;
  QGroupBox* group_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace ydt
