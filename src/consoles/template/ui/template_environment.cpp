#include "consoles/template/ui/template_environment.h"

#include "ui/task_runner.h"

namespace ydt {

void OpenModal(const std::function<void(QDialog*)>& openModal, QDialog* dialog) {
  if (openModal) {
    openModal(dialog);
  } else {
    dialog->exec();
  }
}

void StartTask(TaskRunner* tasks, std::function<void()> routine) {
  if (tasks != nullptr) {
    tasks->Start(std::move(routine));
  } else {
    ThreadTaskRunner().Start(std::move(routine));
  }
}

}  // namespace ydt
