#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "service/backend/ports.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "shell/settings/ui/system_parameters_dialog.h"
#include "support/fakes/scripted_prompter.h"

namespace ydt {

class SystemParametersDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ydt-dialog-XXXXXX").string();
    docs_ = ::mkdtemp(pattern.data());
    settings_ = std::make_unique<SettingsStore>(docs_);
    running_ = std::make_unique<RunningValues>();
    prompter_ = std::make_unique<ScriptedPrompter>();
  }
  void cleanup() {
    std::error_code ignored;
    std::filesystem::remove_all(docs_, ignored);
  }

  void opensWithTheRunningValuesAndItsFormNames() {
    settings_->writeSetting("config", "batch_delay", "50");
    settings_->writeSetting("config", "rebuild_password", "long-enough");
    running_->Load(*settings_);
    SystemParametersDialog dialog(*running_, *settings_, *prompter_);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("系统参数设置"));
    QCOMPARE(Box(dialog, "编辑框_群发延迟")->text(), QStringLiteral("100"));
    QCOMPARE(Box(dialog, "编辑框_重装系统密码")->text(), QStringLiteral("long-enough"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("透明标签1"))->text(),
             QStringLiteral("批量执行延迟："));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("透明标签4"))->text(),
             QStringLiteral("（请设置符合条件的密码，避免重装失败）"));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("按钮1"))->text(),
             QStringLiteral("保存"));
  }

  void refusesAnEmptyOrTooSmallDelayAndWritesNothing() {
    const std::pair<QString, std::string> refusals[] = {
        {QStringLiteral("   "), "请输入正确的数值！"},
        {QStringLiteral("99"), "最低延迟100毫秒！"},
        {QStringLiteral("abc"), "最低延迟100毫秒！"},
        {QStringLiteral("-500"), "最低延迟100毫秒！"}};
    for (const auto& [typed, message] : refusals) {
      SystemParametersDialog dialog(*running_, *settings_, *prompter_);
      dialog.show();
      Box(dialog, "编辑框_群发延迟")->setText(typed);
      Box(dialog, "编辑框_重装系统密码")->setText(QStringLiteral("abc"));
      dialog.Save();
      QVERIFY(dialog.isVisible());
      QCOMPARE(QString::fromStdString(prompter_->Boxes().back().text),
               QString::fromStdString(message));
      QCOMPARE(prompter_->Boxes().back().icon, MessageIcon::Information);
    }
    QVERIFY(!std::filesystem::exists(settings_->settingsPath()));
    QCOMPARE(running_->BatchDelay(), 100);
  }

  void savesTheDelayAsAPlainNumberAndThePasswordAsTyped() {
    SystemParametersDialog dialog(*running_, *settings_, *prompter_);
    dialog.show();
    Box(dialog, "编辑框_群发延迟")->setText(QStringLiteral("  0250 "));
    Box(dialog, "编辑框_重装系统密码")->setText(QStringLiteral(" abcd"));
    dialog.Save();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), static_cast<int>(QDialog::Accepted));
    QVERIFY(prompter_->Boxes().empty());
    QCOMPARE(running_->BatchDelay(), 250);
    QCOMPARE(QString::fromStdString(running_->RebuildPassword()), QStringLiteral(" abcd"));
    QCOMPARE(QString::fromStdString(settings_->readSetting("config", "batch_delay", "")),
             QStringLiteral("250"));
    // A short password is used for the rest of the run; the next start falls back.
    RunningValues nextRun;
    nextRun.Load(*settings_);
    QCOMPARE(QString::fromStdString(nextRun.RebuildPassword()), QStringLiteral("Qzt.Hv731.Nep"));
  }

 private:
  static QLineEdit* Box(QWidget& dialog, const char* name) {
    return dialog.findChild<QLineEdit*>(QString::fromUtf8(name));
  }

  std::string docs_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<RunningValues> running_;
  std::unique_ptr<ScriptedPrompter> prompter_;
};

}  // namespace ydt

QTEST_MAIN(ydt::SystemParametersDialogTest)
#include "system_parameters_dialog_test.moc"
