// The console's entry: builds the services, wires them to the windows and runs the loop.
#include <QApplication>
#include <QStandardPaths>

#include "platform/linux_process_table.h"
#include "service/backend/backend_client.h"
#include "service/backend/deferred_log.h"
#include "shell/cosmetics/app_icon.h"
#include "shell/login/start_routine.h"
#include "shell/mainwindow/console_window.h"
#include "shell/mainwindow/main_window.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "ui/app_context.h"
#include "ui/application_setup.h"
#include "ui/event_loop_pauser.h"
#include "ui/log_pane.h"
#include "ui/qt_prompter.h"
#include "ui/task_runner.h"

int main(int argc, char** argv) {
  ydt::StartReadingFontConfiguration();
  ydt::LinuxProcessTable processes;
  processes.StartEarlyList();
  QApplication app(argc, argv);
  ydt::StartDecodingAppIcon();
  ydt::PrepareApplication(app);

  ydt::QtPrompter prompter;
  // The log pane comes with the main window; until then the log keeps what is written.
  ydt::DeferredLog log;
  ydt::BackendClient backend(log, prompter);
  ydt::EventLoopPauser pauser;
  ydt::ThreadTaskRunner tasks;
  ydt::SettingsStore settings(
      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString());
  ydt::RunningValues running;
  ydt::AppContext context{
      backend,  prompter, pauser,    tasks,
      settings, running,  processes, ydt::LinuxProcessTable::OwnExecutableName()};

  // The login window comes first; the main window is built once the operator is logged in.
  return ydt::RunStartRoutine(app, context, [&context, &log] {
    auto* logPane = new ydt::LogPane;  // the main window takes it over
    log.Attach(*logPane);
    return ydt::BuildConsoleWindow(context, logPane).window;
  });
}
