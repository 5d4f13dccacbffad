#include "shell/mainwindow/provider_page.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayoutItem>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "consoles/account/ui/key_pair_panel.h"
#include "service/text/text.h"
#include "shell/settings/settings_store.h"
#include "ui/app_context.h"

namespace ydt {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The form's names of each tab's three group boxes: key pair, machines, template.
struct FrameNames {
  const char* keyPair;
  const char* machines;
  const char* templ;
};
constexpr FrameNames kFrameNames[] = {{"分组框2", "分组框4", "分组框1"},
                                      {"分组框3", "分组框6", "分组框13"},
                                      {"分组框14", "分组框15", "分组框19"}};

}  // namespace

SectionSettings SectionSettingsOf(SettingsStore& store, ProviderKind kind) {
  const std::string section(Info(kind).section);
  return {[&store, section](std::string_view key, std::string_view defaultText) {
            return store.readSetting(section, key, defaultText);
          },
          [&store, section](std::string_view key, std::string_view text) {
            store.writeSetting(section, key, text);
          }};
}

ProviderPage::ProviderPage(AppContext& context, ProviderKind kind, QWidget* parent)
    : QWidget(parent), context_(context), kind_(kind) {
  const ProviderInfo& info = Info(kind);
  const FrameNames& names = kFrameNames[ProviderIndex(kind)];
  setObjectName(Q(info.segment));

  auto* column = new QVBoxLayout(this);
  keyPair_ = new KeyPairPanel(context, kind, SectionSettingsOf(context.settings, kind), this);
  keyPair_->setObjectName(QString::fromUtf8(names.keyPair));
  column->addWidget(keyPair_);

  regionBox_ = new QComboBox(this);
  regionBox_->setObjectName(Q(WidgetName("组合框", kind, "区域")));
  for (std::string_view item : info.regionItems) regionBox_->addItem(Q(item));
  auto* regionLabel = new QLabel(QStringLiteral("区域："), this);
  regionLabel->setBuddy(regionBox_);
  QHBoxLayout* second = keyPair_->SecondRow();
  second->insertWidget(0, regionLabel);
  second->insertWidget(1, regionBox_);
  second->insertSpacing(2, 12);
  // The region box opens the second row: after the first row's button for the keyboard.
  setTabOrder(keyPair_->TestButton(), regionBox_);

  auto* lower = new QHBoxLayout;
  column->addLayout(lower, 1);
  machinesFrame_ = new QGroupBox(QStringLiteral("机器管理"), this);
  machinesFrame_->setObjectName(QString::fromUtf8(names.machines));
  new QVBoxLayout(machinesFrame_);
  lower->addWidget(machinesFrame_, 3);
  templateFrame_ = new QGroupBox(QStringLiteral("主机创建模板"), this);
  templateFrame_->setObjectName(QString::fromUtf8(names.templ));
  new QVBoxLayout(templateFrame_);
  templateFrame_->setMinimumWidth(300);
  lower->addWidget(templateFrame_, 1);

  // activated, not currentIndexChanged: restoring the stored index at start-up is not a
  // choice of the operator and must start nothing.
  connect(regionBox_, &QComboBox::activated, this, &ProviderPage::OnRegionActivated);
}

void ProviderPage::PutInFrame(QGroupBox* frame, QWidget* panel) {
  QLayout* layout = frame->layout();
  while (QLayoutItem* item = layout->takeAt(0)) {
    if (QWidget* old = item->widget()) old->deleteLater();
    delete item;
  }
  if (panel != nullptr) layout->addWidget(panel);
}

void ProviderPage::SetMachinesPanel(QWidget* panel) {
  PutInFrame(machinesFrame_, panel);
}

void ProviderPage::SetTemplatePanel(QWidget* panel) {
  PutInFrame(templateFrame_, panel);
}

void ProviderPage::OnRegionActivated(int index) {
  ProviderState& state = context_.State(kind_);
  state.regionCode = itemCode(regionBox_->itemText(index).toStdString());
  context_.settings.writeSetting(Info(kind_).section, "selected_region", std::to_string(index));
  emit regionChosen(kind_);
}

void ProviderPage::LoadSettings() {
  keyPair_->LoadSettings();
  const int index =
      TextToInt(context_.settings.readSetting(Info(kind_).section, "selected_region", "0"));
  // An index outside the list leaves the box without a selection (and the code empty).
  regionBox_->setCurrentIndex(index < regionBox_->count() ? index : -1);
  emit settingsLoaded(kind_);
}

void ProviderPage::FillState() {
  ProviderState& state = context_.State(kind_);
  const ProviderInfo& info = Info(kind_);
  state.regionCode = itemCode(regionBox_->currentText().toStdString());
  // The template's controls start with these; the template panel, once plugged in,
  // overwrites them from its controls through stateFilling.
  state.instanceType = std::string(info.instanceTypeDefault);
  state.diskType = itemCode(info.diskTypeItems.front());
  state.password = std::string(kDefaultMachinePassword);
  keyPair_->CopyNetworkIdsToState();
  ApplyFixedStartValues(state, kind_);
  emit stateFilling(kind_, state);
}

}  // namespace ydt
