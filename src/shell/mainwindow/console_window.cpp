#include "shell/mainwindow/console_window.h"

#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/tab_composition.h"

namespace ydt {

ConsoleWindow BuildConsoleWindow(AppContext& context, LogPane* log) {
  ConsoleWindow built;
  built.window = new MainWindow(context, log);
  built.machines = InstallMachinesPanels(*built.window, context);
  built.templates = InstallTemplatePanels(*built.window, context, built.machines);
  InstallReinstalls(built.machines, context, *built.window);
  built.window->RunCreationSequence();
  return built;
}

}  // namespace ydt
