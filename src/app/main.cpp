// The console's entry: builds the services, wires them to the windows and runs the loop.
#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

#include "consoles/machines/ui/machines_wiring.h"
#include "consoles/reinstall/ui/reinstall_wiring.h"
#include "consoles/template/ui/template_wiring.h"
#include "platform/linux_process_table.h"
#include "service/backend/backend_client.h"
#include "shell/login/start_routine.h"
#include "shell/mainwindow/main_window.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "ui/app_context.h"
#include "ui/event_loop_pauser.h"
#include "ui/log_pane.h"
#include "ui/qt_prompter.h"
#include "ui/task_runner.h"

namespace {

// Chinese text must not fall back to a font without CJK glyphs (it would show boxes).
void PreferCjkFont(QApplication& app) {
  for (const QString& family :
       {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Noto Sans SC")}) {
    if (QFontDatabase::hasFamily(family)) {
      QFont font = app.font();
      font.setFamily(family);
      app.setFont(font);
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Qt's own button texts (确定, 取消) come from its Chinese translation.
  QTranslator qtbase;
  if (qtbase.load(QStringLiteral("qtbase_zh_CN"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtbase);
  }
  PreferCjkFont(app);
  // The tray keeps the program alive; it ends only through the exit confirmation.
  QApplication::setQuitOnLastWindowClosed(false);

  ydt::QtPrompter prompter;
  auto* logPane = new ydt::LogPane;  // the main window takes it over
  ydt::BackendClient backend(*logPane, prompter);
  ydt::EventLoopPauser pauser;
  ydt::ThreadTaskRunner tasks;
  ydt::SettingsStore settings(
      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString());
  ydt::RunningValues running;
  ydt::LinuxProcessTable processes;
  ydt::AppContext context{
      backend,  prompter, pauser,    tasks,
      settings, running,  processes, ydt::LinuxProcessTable::OwnExecutableName()};

  // The login window comes first; the main window is built once the operator is logged in.
  return ydt::RunStartRoutine(app, context, [&context, logPane] {
    auto* window = new ydt::MainWindow(context, logPane);
    // The panels join their tabs before the creation sequence restores the settings.
    const auto machines = ydt::InstallMachinesPanels(*window, context);
    ydt::InstallTemplatePanels(*window, context, machines);
    ydt::InstallReinstalls(machines, context, *window);
    window->RunCreationSequence();
    return window;
  });
}
