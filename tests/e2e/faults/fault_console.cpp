#include "fault_console.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

#include "consoles/machines/ui/machines_panel.h"
#include "consoles/template/ui/template_panel.h"
#include "service/http/http_client.h"
#include "shell/mainwindow/console_window.h"
#include "shell/mainwindow/main_window.h"
#include "support/sim/sim_process.h"
#include "ui/log_pane.h"

namespace ydt::test {

ConsoleServices::ConsoleServices(const std::string& baseUrl, std::string documents)
    : documents_(std::move(documents)) {
  if (documents_.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "ydt-faults-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    documents_ = made ? made : "";
    ownDocuments_ = true;
  }
  log_ = new LogPane;
  settings_ = std::make_unique<SettingsStore>(documents_);
  backend_ = std::make_unique<BackendClient>(*log_, prompter, baseUrl);
  context_ = std::make_unique<AppContext>(AppContext{*backend_, prompter, pauser, tasks, *settings_,
                                                     running_, processes_, "yunduotai"});
}

ConsoleServices::~ConsoleServices() {
  tasks.JoinAll();
  if (ownLog_) delete log_;
  if (ownDocuments_ && !documents_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(documents_, ignored);
  }
}

LogPane* ConsoleServices::ReleaseLog() {
  ownLog_ = false;
  return log_;
}

LoginRun::LoginRun(const std::string& baseUrl, const std::string& webHost, std::string documents)
    : services(baseUrl, std::move(documents)) {
  LoginOptions options;
  options.webHost = webHost;
  options.openUrl = [](const QUrl&) {};
  auto& app = *qobject_cast<QApplication*>(QCoreApplication::instance());
  start = std::make_unique<ProgramStart>(
      app, services.Context(),
      [this] { return BuildMainWindow(services.Context(), services.ReleaseLog()); }, options);
}

LoginRun::~LoginRun() {
  services.tasks.JoinAll();
  delete start->Main();
  start.reset();
}

bool LoginRun::CaptchaShown() {
  auto* board = Login().findChild<QLabel*>(QStringLiteral("画板_验证码"));
  return board != nullptr && QTest::qWaitFor([board] { return !board->pixmap().isNull(); }, 10000);
}

void LoginRun::TypeEverything() {
  auto* user = Login().findChild<QLineEdit*>(QStringLiteral("编辑框_用户名"));
  QTest::mouseClick(user, Qt::LeftButton);  // clears the prompt
  QTest::keyClicks(user, QString::fromUtf8(SimProcess::kUser));
  QTest::keyClicks(Login().findChild<QLineEdit*>(QStringLiteral("编辑框_密码")),
                   QString::fromUtf8(SimProcess::kPassword));
  QTest::keyClicks(Login().findChild<QLineEdit*>(QStringLiteral("编辑框_验证码")),
                   QString::fromUtf8(SimProcess::kCaptcha));
}

void LoginRun::ClickLogin() {
  QTest::mouseClick(Login().findChild<QPushButton*>(QStringLiteral("按钮_登录")), Qt::LeftButton);
}

MainWindow* BuildMainWindow(AppContext& context, LogPane* log,
                            std::array<MachinesPanel*, 3>* machines,
                            std::array<TemplatePanel*, 3>* templates) {
  const ConsoleWindow built = BuildConsoleWindow(context, log);
  if (machines != nullptr) *machines = built.machines;
  if (templates != nullptr) *templates = built.templates;
  return built.window;
}

QMap<QString, QString> TypedTexts(const QWidget& window) {
  QMap<QString, QString> texts;
  for (const QLineEdit* box : window.findChildren<QLineEdit*>()) {
    if (!box->objectName().isEmpty()) texts.insert(box->objectName(), box->text());
  }
  return texts;
}

int CountLogLines(LogPane& log, const std::string& titlePrefix, const std::string& outcome) {
  log.Flush();
  const QString prefix = QStringLiteral("] [") + QString::fromStdString(titlePrefix);
  const QString ending = QStringLiteral("] ") + QString::fromStdString(outcome);
  int count = 0;
  for (const QString& line : log.toPlainText().split(QLatin1Char('\n'))) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('[')) && trimmed.contains(prefix) &&
        (outcome.empty() || trimmed.endsWith(ending))) {
      ++count;
    }
  }
  return count;
}

nlohmann::json FaultRule(const std::string& kind, const std::string& op, int times, int skip) {
  nlohmann::json rule = {{"kind", kind}, {"op", op}, {"times", times}, {"skip", skip}};
  if (kind == "latency") rule["ms"] = 30000;
  if (kind == "huge") rule["bytes"] = 100 << 20;
  return rule;
}

void AddUnusableReplyRows() {
  QTest::addColumn<QString>("kind");
  for (const char* kind : {"latency", "http500", "gbk", "truncate", "nonjson", "drop", "huge"}) {
    QTest::newRow(kind) << QString::fromLatin1(kind);
  }
}

UiHeartbeat::UiHeartbeat() {
  timer_.setInterval(kIntervalMs);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { ++ticks_; });
  timer_.start();
  clock_.start();
}

ShortStallLimit::ShortStallLimit(long seconds) {
  http_testing::SetTransferLimits(std::int64_t{64} << 20, seconds);
}

ShortStallLimit::~ShortStallLimit() {
  http_testing::ResetTransferLimits();
}

}  // namespace ydt::test
