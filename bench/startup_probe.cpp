// The console's own start, wired as the program wires it but pointed at a backend given on
// the command line, with its moments reported for bench_startup: the login window painted,
// the login sent (the boxes filled and 登录 clicked by the probe), the main window painted,
// and a 10,000-machine region loaded into the first tab and painted.
//
//   bench_startup_probe BASE_URL WEB_HOST DOCUMENTS_FOLDER REGION_INDEX
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/ui/machines_panel.h"
#include "platform/linux_process_table.h"
#include "service/backend/backend_client.h"
#include "service/backend/deferred_log.h"
#include "shell/cosmetics/app_icon.h"
#include "shell/login/start_routine.h"
#include "shell/mainwindow/console_window.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "startup_stamp.h"
#include "ui/app_context.h"
#include "ui/application_setup.h"
#include "ui/event_loop_pauser.h"
#include "ui/log_pane.h"
#include "ui/qt_prompter.h"
#include "ui/task_runner.h"

namespace {

using ydt::bench::Report;

constexpr int kWatchdogMs = 120000;

[[noreturn]] void Fail(const char* why) {
  std::printf("failed %s\n", why);
  std::fflush(stdout);
  std::_Exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s BASE_URL WEB_HOST DOCUMENTS_FOLDER REGION_INDEX\n", argv[0]);
    return 1;
  }
  const std::string baseUrl = argv[1];
  const std::string webHost = argv[2];
  const std::string documents = argv[3];
  const int regionIndex = std::atoi(argv[4]);

  ydt::StartReadingFontConfiguration();
  ydt::LinuxProcessTable processes;
  processes.StartEarlyList();
  QApplication app(argc, argv);
  ydt::StartDecodingAppIcon();
  ydt::PrepareApplication(app);

  ydt::QtPrompter prompter;
  ydt::DeferredLog log;
  ydt::BackendClient backend(log, prompter, baseUrl);
  ydt::EventLoopPauser pauser;
  ydt::ThreadTaskRunner tasks;
  ydt::SettingsStore settings(documents);
  ydt::RunningValues running;
  ydt::AppContext context{
      backend,  prompter, pauser,    tasks,
      settings, running,  processes, ydt::LinuxProcessTable::OwnExecutableName()};

  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, &app, [] { Fail("timeout"); });
  watchdog.start(kWatchdogMs);

  std::unique_ptr<ydt::bench::FirstPaint> mainPainted;
  std::array<ydt::MachinesPanel*, 3> panels{};
  ydt::MainWindow* mainWindow = nullptr;

  // Once the main window has painted: the operator's key pair and region choice on the
  // first tab, and the resident size once the rows are on screen.
  auto loadRegion = [&] {
    ydt::ProviderPage& page = *mainWindow->Page(ydt::ProviderKind::Tencent);
    ydt::MachinesPanel* panel = panels[0];
    QObject::connect(panel, &ydt::MachinesPanel::LoadFinished, panel, [panel] {
      panel->Grid()->viewport()->repaint();
      QTimer::singleShot(200, panel, [panel] {
        Report("rows_" + std::to_string(panel->Model().rowCount()));
        std::_Exit(0);
      });
    });
    page.KeyPair()->SecretIdBox()->setText(QStringLiteral("demo-qcloud-id"));
    page.KeyPair()->SecretKeyBox()->setText(QStringLiteral("demo-qcloud-key"));
    page.RegionBox()->setCurrentIndex(regionIndex);
    emit page.RegionBox()->activated(regionIndex);
  };

  ydt::LoginOptions options;
  options.webHost = webHost;
  options.openUrl = [](const QUrl&) {};
  ydt::ProgramStart start(
      app, context,
      [&] {
        auto* logPane = new ydt::LogPane;
        log.Attach(*logPane);
        const ydt::ConsoleWindow built = ydt::BuildConsoleWindow(context, logPane);
        ydt::MainWindow* window = built.window;
        panels = built.machines;
        mainWindow = window;
        mainPainted = std::make_unique<ydt::bench::FirstPaint>(window, [&] {
          Report("main_painted");
          QTimer::singleShot(0, &app, loadRegion);
        });
        return window;
      },
      options);

  ydt::bench::FirstPaint loginPainted(&start.Login(), [&] {
    Report("login_painted");
    // The operator's part, done as soon as the captcha picture is up (its reply may set the
    // session cookie, so a login sent before it would be undone): user name, password,
    // captcha, 登录.
    auto* fill = new QTimer(&app);
    fill->start(1);
    QObject::connect(fill, &QTimer::timeout, &app, [&, fill] {
      ydt::LoginWindow& login = start.Login();
      auto* board = login.findChild<QLabel*>(QStringLiteral("画板_验证码"));
      if (!board) Fail("captcha picture not found");
      if (board->pixmap().isNull()) return;
      fill->deleteLater();
      fill->stop();
      auto* user = login.findChild<QLineEdit*>(QStringLiteral("编辑框_用户名"));
      auto* password = login.findChild<QLineEdit*>(QStringLiteral("编辑框_密码"));
      auto* captcha = login.findChild<QLineEdit*>(QStringLiteral("编辑框_验证码"));
      auto* button = login.findChild<QPushButton*>(QStringLiteral("按钮_登录"));
      if (!user || !password || !captcha || !button) Fail("login boxes not found");
      user->setText(QStringLiteral("demo"));
      password->setText(QStringLiteral("demo123"));
      captcha->setText(QStringLiteral("ABCD"));
      Report("login_clicked");
      button->click();
      if (mainWindow == nullptr) Fail("login refused");
    });
  });
  if (!start.Open()) Fail("another copy runs");
  return QApplication::exec();
}
