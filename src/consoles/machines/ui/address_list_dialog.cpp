#include "consoles/machines/ui/address_list_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "consoles/machines/address_list.h"

namespace ydt {

namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

AddressListDialog::AddressListDialog(std::span<const MachineRow> rows, Prompter& prompter,
                                     QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
  setWindowTitle(QStringLiteral("提取IP"));
  group_ = new QGroupBox(FromView(kAddressListInitialCaption), this);
  group_->setObjectName(QStringLiteral("分组框_机器IP列表"));
  text_ = new QPlainTextEdit(FromView(kAddressListLoadingText), group_);
  text_->setObjectName(QStringLiteral("编辑框_机器IP列表"));
  auto* copy = new QPushButton(QStringLiteral("复制"), this);
  copy->setObjectName(QStringLiteral("按钮1"));
  connect(copy, &QPushButton::clicked, this, &AddressListDialog::Copy);

  auto* groupLayout = new QVBoxLayout(group_);
  groupLayout->addWidget(text_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group_);
  layout->addWidget(copy, 0, Qt::AlignRight);
  resize(360, 420);

  const AddressList list = BuildAddressList(rows);
  if (!list.emptyGrid) group_->setTitle(QString::fromStdString(AddressListCaption(list.count)));
  // The box shows plain line breaks; the copy restores the CR LF pairs the list is made of.
  text_->setPlainText(
      QString::fromStdString(list.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void AddressListDialog::Copy() {
  QString text = text_->toPlainText();
  text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  QApplication::clipboard()->setText(text);
  prompter_.Show(WindowRef{this}, std::string(kCopiedText), MessageIcon::Information);
}

}  // namespace ydt
