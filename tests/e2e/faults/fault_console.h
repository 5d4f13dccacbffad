// The console's main window assembled the way the program assembles it, over test services
// (a scripted prompter, pauses that return at once, workers joined before teardown), plus
// what the fault tests read back: log lines, the boxes' texts and a ticking UI clock.
#pragma once

#include <QElapsedTimer>
#include <QMap>
#include <QString>
#include <QTimer>
#include <array>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "consoles/catalogue/catalogue.h"
#include "platform/process_table.h"
#include "service/backend/backend_client.h"
#include "shell/login/joining_task_runner.h"
#include "shell/login/start_routine.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"
#include "ui/app_context.h"

class QWidget;

namespace ydt {

class LogPane;
class MachinesPanel;
class MainWindow;
class ProviderPage;
class TemplatePanel;

namespace test {

// A process table in which this is the only copy of the program.
class OnlyThisCopy : public ProcessTable {
 public:
  std::vector<ProcessEntry> List() override { return {{1, "yunduotai", 1000}}; }
  bool Terminate(int) override { return false; }
  int OwnPid() override { return 1; }
  unsigned OwnUid() override { return 1000; }
};

// The services of one console run, against the backend at `baseUrl`, with the settings in
// a fresh temporary documents folder (or `documents` when given).
class ConsoleServices {
 public:
  explicit ConsoleServices(const std::string& baseUrl, std::string documents = {});
  ~ConsoleServices();

  AppContext& Context() { return *context_; }
  LogPane& Log() { return *log_; }
  // Hands the log pane over to the main window that takes ownership of it.
  LogPane* ReleaseLog();
  ScriptedPrompter prompter;
  RecordingPauser pauser;
  JoiningTaskRunner tasks;
  const std::string& Documents() const { return documents_; }

 private:
  std::string documents_;
  bool ownDocuments_ = false;
  LogPane* log_ = nullptr;
  bool ownLog_ = true;
  std::unique_ptr<SettingsStore> settings_;
  RunningValues running_;
  OnlyThisCopy processes_;
  std::unique_ptr<BackendClient> backend_;
  std::unique_ptr<AppContext> context_;
};

// A console whose login window is built (Open() it) over ConsoleServices; after a login
// the main window is built as the program builds it.
class LoginRun {
 public:
  explicit LoginRun(const std::string& baseUrl, const std::string& webHost,
                    std::string documents = {});
  ~LoginRun();
  LoginWindow& Login() { return start->Login(); }
  // Waits until the opening captcha picture is on the board, as an operator would before
  // typing it; false when none came within ten seconds.
  bool CaptchaShown();
  // Clears the user-name prompt and types the stand-in's user, password and captcha.
  void TypeEverything();
  void ClickLogin();

  ConsoleServices services;
  std::unique_ptr<ProgramStart> start;
};

// The main window as the program builds it after a login: machine panels, templates and
// reinstalls installed, then the creation sequence.
MainWindow* BuildMainWindow(AppContext& context, LogPane* log,
                            std::array<MachinesPanel*, 3>* machines = nullptr,
                            std::array<TemplatePanel*, 3>* templates = nullptr);

// The named line edits of a window and their texts: what the operator has typed.
QMap<QString, QString> TypedTexts(const QWidget& window);

// Lines of the log pane that start with "[" + time + "] [" + titlePrefix … and end with
// "] " + outcome (any outcome when it is empty).
int CountLogLines(LogPane& log, const std::string& titlePrefix, const std::string& outcome);

inline constexpr const char* kBusy = "服务器繁忙，请稍后再试！";

// A fault rule of `kind` for `op`: latency of 30 s, a 100 MB body, or the kind as it is.
nlohmann::json FaultRule(const std::string& kind, const std::string& op, int times = -1,
                         int skip = 0);

// The fault kinds that leave no usable envelope, one QtTest data row each.
void AddUnusableReplyRows();

// Counts the UI thread's timer ticks: stays at zero while the event loop is blocked.
class UiHeartbeat {
 public:
  UiHeartbeat();
  int Ticks() const { return ticks_; }
  qint64 ElapsedMs() const { return clock_.elapsed(); }
  static constexpr int kIntervalMs = 20;

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  int ticks_ = 0;
};

// Shortens the transport's silence limit for the life of the object, so a 30 s latency
// ends in a time-out within seconds.
class ShortStallLimit {
 public:
  explicit ShortStallLimit(long seconds);
  ~ShortStallLimit();
};

}  // namespace test
}  // namespace ydt
