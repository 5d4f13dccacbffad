#include "shell/settings/ui/system_parameters_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "service/backend/ports.h"
#include "service/text/text.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "ui/qt_prompter.h"

namespace ydt {

SystemParametersDialog::SystemParametersDialog(RunningValues& running, SettingsStore& settings,
                                               Prompter& prompter, QWidget* parent)
    : QDialog(parent), running_(running), settings_(settings), prompter_(prompter) {
  setObjectName(QStringLiteral("SystemParametersDialog"));
  setWindowTitle(QStringLiteral("系统参数设置"));
  auto* grid = new QGridLayout(this);

  auto* delayCaption = new QLabel(QStringLiteral("批量执行延迟："), this);
  delayCaption->setObjectName(QStringLiteral("透明标签1"));
  delayBox_ = new QLineEdit(QString::number(running.BatchDelay()), this);
  delayBox_->setObjectName(QStringLiteral("编辑框_群发延迟"));
  delayCaption->setBuddy(delayBox_);
  auto* unit = new QLabel(QStringLiteral("毫秒"), this);
  unit->setObjectName(QStringLiteral("透明标签2"));

  auto* passwordCaption = new QLabel(QStringLiteral("重装系统密码："), this);
  passwordCaption->setObjectName(QStringLiteral("透明标签3"));
  passwordBox_ = new QLineEdit(QString::fromStdString(running.RebuildPassword()), this);
  passwordBox_->setObjectName(QStringLiteral("编辑框_重装系统密码"));
  passwordCaption->setBuddy(passwordBox_);
  auto* hint = new QLabel(QStringLiteral("（请设置符合条件的密码，避免重装失败）"), this);
  hint->setObjectName(QStringLiteral("透明标签4"));

  saveButton_ = new QPushButton(QStringLiteral("保存"), this);
  saveButton_->setObjectName(QStringLiteral("按钮1"));
  saveButton_->setDefault(true);

  grid->addWidget(delayCaption, 0, 0);
  grid->addWidget(delayBox_, 0, 1);
  grid->addWidget(unit, 0, 2);
  grid->addWidget(passwordCaption, 1, 0);
  grid->addWidget(passwordBox_, 1, 1, 1, 2);
  grid->addWidget(hint, 2, 0, 1, 3);
  grid->addWidget(saveButton_, 3, 0, 1, 3, Qt::AlignCenter);

  connect(saveButton_, &QPushButton::clicked, this, &SystemParametersDialog::Save);
}

void SystemParametersDialog::Save() {
  const std::string delayText = TrimSpaces(delayBox_->text().toStdString());
  if (delayText.empty()) {
    prompter_.Show(WindowRefOf(this), "请输入正确的数值！", MessageIcon::Information);
    return;
  }
  const std::int32_t delay = TextToInt(delayText);
  if (delay < kMinBatchDelay) {
    prompter_.Show(WindowRefOf(this), "最低延迟100毫秒！", MessageIcon::Information);
    return;
  }
  running_.SetBatchDelay(delay);
  settings_.writeSetting("config", "batch_delay", std::to_string(delay));
  // The password is taken as typed: the length rule applies only when loading.
  const std::string password = passwordBox_->text().toStdString();
  running_.SetRebuildPassword(password);
  settings_.writeSetting("config", "rebuild_password", password);
  accept();
}

}  // namespace ydt
