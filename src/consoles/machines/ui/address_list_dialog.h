// AddressListDialog ("提取IP"): the public addresses of a grid, one per line, with a button
// that copies them to the clipboard.
#pragma once

#include <QDialog>
#include <span>

#include "consoles/machines/machine_row.h"
#include "service/backend/ports.h"

class QGroupBox;
class QPlainTextEdit;

namespace ydt {

class AddressListDialog : public QDialog {
  Q_OBJECT

 public:
  AddressListDialog(std::span<const MachineRow> rows, Prompter& prompter,
                    QWidget* parent = nullptr);

  // Puts the box's text on the clipboard and says so.
  void Copy();

 private:
  Prompter& prompter_;
  QGroupBox* group_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace ydt
