#include "consoles/reinstall/ui/reinstall_launcher.h"

#include <QPushButton>

#include "consoles/reinstall/ui/reinstall_dialog.h"

namespace ydt {

ReinstallLauncher::ReinstallLauncher(ProviderKind kind, ReinstallEnvironment environment,
                                     QWidget* dialogParent, QObject* parent)
    : QObject(parent), kind_(kind), env_(std::move(environment)), dialogParent_(dialogParent) {}

QPushButton* ReinstallLauncher::NewReinstallAllButton(QWidget* parent) {
  auto* button = new QPushButton(QStringLiteral("全部重装"), parent);
  button->setObjectName(QString::fromStdString(WidgetName("按钮", kind_, "全部重装")));
  connect(button, &QPushButton::clicked, this, &ReinstallLauncher::OpenForAll);
  return button;
}

void ReinstallLauncher::OpenForSelected() {
  const std::size_t chosen = env_.selectedMachineIds ? env_.selectedMachineIds().size() : 0;
  reinstallMode_ = chosen > 1 ? ReinstallMode::ChosenMachines : ReinstallMode::SelectedMachine;
  const bool selected =
      chosen > 0 || (env_.selectedMachineId && env_.selectedMachineId().has_value());
  if (!selected) {
    if (env_.prompter != nullptr) {
      env_.prompter->Show(WindowRef{}, "您还未选择服务器！", MessageIcon::Information);
    }
    return;
  }
  OpenDialog();
}

void ReinstallLauncher::OpenForAll() {
  reinstallMode_ = ReinstallMode::AllMachines;
  const int rows = env_.rowCount ? env_.rowCount() : 0;
  if (rows < 1) {
    if (env_.prompter != nullptr) {
      env_.prompter->Show(WindowRef{}, "无可用机器资源！", MessageIcon::Warning);
    }
    return;
  }
  OpenDialog();
}

void ReinstallLauncher::OpenDialog() {
  if (env_.state == nullptr) return;
  auto* dialog = new ReinstallDialog(kind_, env_, reinstallMode_, dialogParent_);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  if (env_.openModal) {
    env_.openModal(dialog);
  } else {
    dialog->exec();
  }
}

}  // namespace ydt
