#include "consoles/machines/ui/address_list_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
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
                                     QWidget* parent,
                                     std::function<std::vector<ProviderRows>()> allTabs)
    : QDialog(parent), prompter_(prompter), allTabs_(std::move(allTabs)) {
  setWindowTitle(QStringLiteral("提取IP"));
  group_ = new QGroupBox(FromView(kAddressListInitialCaption), this);
  group_->setObjectName(QStringLiteral("分组框_机器IP列表"));
  text_ = new QPlainTextEdit(FromView(kAddressListLoadingText), group_);
  text_->setObjectName(QStringLiteral("编辑框_机器IP列表"));
  auto* copy = new QPushButton(QStringLiteral("复制"), this);
  copy->setObjectName(QStringLiteral("按钮1"));
  connect(copy, &QPushButton::clicked, this, &AddressListDialog::Copy);

  allTabsBox_ = new QCheckBox(QStringLiteral("全部标签页"), this);
  allTabsBox_->setObjectName(QStringLiteral("选择框_全部标签页"));
  allTabsBox_->setVisible(static_cast<bool>(allTabs_));
  connect(allTabsBox_, &QCheckBox::toggled, this, [this](bool all) {
    // The rows are read at the moment of the tick: a grid may have reloaded meanwhile.
    ShowList(all ? BuildGroupedAddressList(allTabs_()) : tabList_);
  });

  auto* groupLayout = new QVBoxLayout(group_);
  groupLayout->addWidget(text_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(allTabsBox_);
  bottom->addStretch(1);
  bottom->addWidget(copy);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group_);
  layout->addLayout(bottom);
  resize(360, 420);

  tabList_ = BuildAddressList(rows);
  ShowList(tabList_);
}

void AddressListDialog::ShowList(const AddressList& list) {
  group_->setTitle(list.emptyGrid ? FromView(kAddressListInitialCaption)
                                  : QString::fromStdString(AddressListCaption(list.count)));
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
