#include "shell/login/start_routine.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include "shell/cosmetics/app_icon.h"
#include "shell/cosmetics/skin.h"
#include "shell/mainwindow/main_window.h"
#include "shell/update/update_checker.h"
#include "ui/app_context.h"
#include "ui/qt_prompter.h"

namespace ydt {

ProgramStart::ProgramStart(QApplication& app, AppContext& context,
                           MainWindowFactory buildMainWindow, LoginOptions options)
    : context_(context), buildMainWindow_(std::move(buildMainWindow)) {
  AttachSkin(app);
  QApplication::setWindowIcon(AppIcon());
  updateChecker_ =
      std::make_unique<UpdateChecker>(context.prompter, context.tasks, options.webHost);
  options.onLoggedIn = [this] { OpenMainWindow(); };
  login_ = std::make_unique<LoginWindow>(context, std::move(options));
  // The login window is the program until the main window takes over: closing it ends
  // the program, although the tray would otherwise keep the loop alive.
  QObject::connect(login_.get(), &LoginWindow::closedByOperator, &app, &QCoreApplication::quit);
}

ProgramStart::~ProgramStart() = default;

bool ProgramStart::Open() {
  return login_->Open();
}

void ProgramStart::OpenMainWindow() {
  MainWindow* window = buildMainWindow_ ? buildMainWindow_() : nullptr;
  if (!window) return;
  main_ = window;
  if (window->TrayIcon()) window->TrayIcon()->setIcon(AppIcon());
  updateChecker_->SetOwner(WindowRefOf(window));
  UpdateChecker* checker = updateChecker_.get();
  window->SetUpdateCheckHandler([checker] { checker->Check(); });
  window->show();
}

int RunStartRoutine(QApplication& app, AppContext& context, MainWindowFactory buildMainWindow) {
  ProgramStart start(app, context, std::move(buildMainWindow));
  if (!start.Open()) return 0;
  return QApplication::exec();
}

}  // namespace ydt
