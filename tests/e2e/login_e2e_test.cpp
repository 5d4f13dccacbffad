#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <memory>

#include "platform/process_table.h"
#include "service/backend/backend_client.h"
#include "shell/login/joining_task_runner.h"
#include "shell/login/start_routine.h"
#include "shell/mainwindow/main_window.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"
#include "support/sim/sim_process.h"
#include "ui/app_context.h"
#include "ui/log_pane.h"

namespace ydt {
namespace {

QString Q(const char* text) {
  return QString::fromUtf8(text);
}

class OnlyThisCopy : public ProcessTable {
 public:
  std::vector<ProcessEntry> List() override { return {{1, "yunduotai", 1000}}; }
  bool Terminate(int) override { return false; }
  int OwnPid() override { return 1; }
  unsigned OwnUid() override { return 1000; }
};

}  // namespace

// The console as the operator meets it: the login window, a login against the stand-in
// backend, and the main window that follows.
class LoginEndToEnd : public QObject {
  Q_OBJECT

 private slots:
  void logInAndReachTheMainWindow() {
    // The stand-in publishes the digest of this very executable as the current release.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    test::SimProcess sim({"--release-file", self});
    QVERIFY2(sim.Started(), sim.StartError().c_str());

    ScriptedPrompter prompter;
    RecordingPauser pauser;
    test::JoiningTaskRunner tasks;
    QTemporaryDir documents;
    SettingsStore settings(documents.path().toStdString());
    RunningValues running;
    OnlyThisCopy processes;
    auto* logPane = new LogPane;
    BackendClient backend(*logPane, prompter, sim.BaseUrl());
    AppContext context{backend, prompter, pauser, tasks, settings, running, processes, "yunduotai"};

    LoginOptions options;
    options.webHost = sim.WebHost();
    auto& app = *qobject_cast<QApplication*>(QCoreApplication::instance());
    ProgramStart start(
        app, context,
        [&context, logPane] {
          auto* window = new MainWindow(context, logPane);
          window->RunCreationSequence();
          return window;
        },
        options);
    QVERIFY(start.Open());
    LoginWindow& login = start.Login();
    QVERIFY(QTest::qWaitForWindowExposed(&login));
    // The code is typed off the picture, and the picture's reply may set the session cookie.
    auto* board = login.findChild<QLabel*>(Q("画板_验证码"));
    QTRY_VERIFY_WITH_TIMEOUT(!board->pixmap().isNull(), 10000);

    auto* user = login.findChild<QLineEdit*>(Q("编辑框_用户名"));
    QTest::mouseClick(user, Qt::LeftButton);  // clears the prompt
    QTest::keyClicks(user, Q("demo"));
    QTest::keyClicks(login.findChild<QLineEdit*>(Q("编辑框_密码")), Q("demo123"));
    QTest::keyClicks(login.findChild<QLineEdit*>(Q("编辑框_验证码")),
                     Q(test::SimProcess::kCaptcha));
    QTest::mouseClick(login.findChild<QPushButton*>(Q("按钮_登录")), Qt::LeftButton);

    QTRY_VERIFY(start.Main() != nullptr);
    MainWindow* main = start.Main();
    QVERIFY(!login.isVisible());
    QTRY_VERIFY(main->isVisible());
    QTRY_COMPARE(main->windowTitle(), Q("云舵台 V3.5    登录用户：demo"));
    QCOMPARE(settings.readSetting("config", "username", ""), std::string("demo"));

    // 检查更新 from the main window's menu reaches the stand-in's web host.
    auto* check = main->findChild<QAction*>(Q("检查更新"));
    QVERIFY(check);
    check->trigger();
    tasks.JoinAll();
    const auto boxes = prompter.Boxes();
    QVERIFY(!boxes.empty());
    QCOMPARE(boxes.back().text, "已是最新版本，澜星科技官网" + sim.WebHost() + "！");

    tasks.JoinAll();
    delete main;
  }
};

}  // namespace ydt

QTEST_MAIN(ydt::LoginEndToEnd)
#include "login_e2e_test.moc"
