// The program's start: the common look and icon, the login window, and the hand-over to
// the main window once the operator has logged in.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>

#include "shell/login/login_window.h"

class QApplication;

namespace ydt {

struct AppContext;
class MainWindow;
class UpdateChecker;

// Builds the main window with its panels and runs its creation sequence; called once,
// after a successful login.
using MainWindowFactory = std::function<MainWindow*()>;

class ProgramStart {
 public:
  // `options` may carry a web host or a browser stand-in; its onLoggedIn is replaced.
  ProgramStart(QApplication& app, AppContext& context, MainWindowFactory buildMainWindow,
               LoginOptions options = {});
  ~ProgramStart();

  // Opens the login window. False when another copy of the program runs.
  bool Open();

  LoginWindow& Login() { return *login_; }
  // The main window once the login succeeded, else null.
  MainWindow* Main() const { return main_.data(); }

 private:
  void OpenMainWindow();

  AppContext& context_;
  MainWindowFactory buildMainWindow_;
  std::unique_ptr<UpdateChecker> updateChecker_;
  std::unique_ptr<LoginWindow> login_;
  QPointer<MainWindow> main_;
};

// The whole start: ProgramStart, then the event loop. Returns the loop's exit code, or 0
// at once when another copy of the program runs.
int RunStartRoutine(QApplication& app, AppContext& context, MainWindowFactory buildMainWindow);

}  // namespace ydt
