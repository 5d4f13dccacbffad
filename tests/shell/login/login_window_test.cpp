#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "platform/process_table.h"
#include "service/backend/backend_client.h"
#include "service/json/json_doc.h"
#include "shell/cosmetics/window_shadow.h"
#include "shell/login/joining_task_runner.h"
#include "shell/login/login_window.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "support/fakes/recording_log_sink.h"
#include "support/fakes/recording_pauser.h"
#include "support/fakes/scripted_prompter.h"
#include "support/qt/shown_text.h"
#include "support/sim/sim_process.h"
#include "ui/app_context.h"
#include "ui/task_runner.h"

namespace ydt {
namespace {

QString Q(const char* text) {
  return QString::fromUtf8(text);
}

class FakeProcessTable : public ProcessTable {
 public:
  std::vector<ProcessEntry> entries;
  std::vector<ProcessEntry> List() override { return entries; }
  bool Terminate(int) override { return false; }
  int OwnPid() override { return 100; }
  unsigned OwnUid() override { return 1000; }
};

}  // namespace

// One stand-in backend, settings folder and login window per test function.
class LoginWindowTest : public QObject {
  Q_OBJECT

 private:
  struct Rig {
    test::SimProcess sim;
    ScriptedPrompter prompter;
    RecordingLogSink log;
    RecordingPauser pauser;
    test::JoiningTaskRunner tasks;
    QTemporaryDir documents;
    SettingsStore settings{documents.path().toStdString()};
    RunningValues running;
    FakeProcessTable processes;
    std::unique_ptr<BackendClient> backend;
    std::unique_ptr<AppContext> context;
    std::vector<QUrl> opened;
    int loggedIn = 0;
    std::unique_ptr<LoginWindow> window;

    explicit Rig(std::vector<std::string> simArgs = {}) : sim(std::move(simArgs)) {
      processes.entries = {{100, "yunduotai", 1000}, {7, "bash", 1000}};
      backend = std::make_unique<BackendClient>(log, prompter, sim.BaseUrl());
      context = std::make_unique<AppContext>(
          AppContext{*backend, prompter, pauser, tasks, settings, running, processes, "yunduotai"});
    }
    // Workers still talking to the backend must finish before it goes.
    ~Rig() { tasks.JoinAll(); }
    LoginWindow& Make(int latestRequestStartMs = 500) {
      LoginOptions options;
      options.latestRequestStartMs = latestRequestStartMs;
      options.webHost = "web.example:8443";
      options.openUrl = [this](const QUrl& url) { opened.push_back(url); };
      options.onLoggedIn = [this] { ++loggedIn; };
      window = std::make_unique<LoginWindow>(*context, std::move(options));
      return *window;
    }
    template <typename T>
    T* Find(const char* name) const {
      return window->findChild<T*>(Q(name));
    }
    int Count(const char* op) const { return sim.Stats()["counts"].value(op, 0); }
    int LogInfoCode() {
      std::string reply;
      return backend->CallBackend("/logininfo/", kGet, "", &reply, WindowRef{}, false, "");
    }
    // The operator types the code only once the picture is up; its reply may set the session
    // cookie, so a login sent before it lands would be undone by it.
    bool CaptchaShown() const {
      QLabel* board = Find<QLabel>("画板_验证码");
      return QTest::qWaitFor([board] { return !board->pixmap().isNull(); }, 10000);
    }
    void Type(const char* user, const char* password, const char* captcha) {
      Find<QLineEdit>("编辑框_用户名")->setText(Q(user));
      Find<QLineEdit>("编辑框_密码")->setText(Q(password));
      Find<QLineEdit>("编辑框_验证码")->setText(Q(captcha));
    }
  };

 private slots:
  // The opening requests wait for the first paint, with a latest start for a window that
  // never paints; either way each leaves once.
  void theOpeningRequestsLeaveOnceWhetherOrNotTheWindowPaints_data() {
    QTest::addColumn<bool>("onScreen");
    QTest::addColumn<int>("latestStartMs");
    // A latest start far beyond the test: only the paint can have sent them.
    QTest::newRow("painted") << true << 3600000;
    QTest::newRow("never painted") << false << 300;
    QTest::newRow("painted, then the latest start passes") << true << 300;
  }
  void theOpeningRequestsLeaveOnceWhetherOrNotTheWindowPaints() {
    QFETCH(bool, onScreen);
    QFETCH(int, latestStartMs);
    Rig rig;
    QVERIFY2(rig.sim.Started(), rig.sim.StartError().c_str());
    LoginWindow& window = rig.Make(latestStartMs);
    window.setUpdatesEnabled(onScreen);
    QElapsedTimer sinceOpen;
    sinceOpen.start();
    QVERIFY(window.Open());
    QVERIFY(rig.CaptchaShown());
    QTRY_COMPARE(rig.Count("gg"), 1);
    // Later paints (the first ones, for the hidden window) and the latest start, where it
    // falls within the test, send nothing more.
    window.setUpdatesEnabled(true);
    window.repaint();
    QTest::qWait(100);
    if (latestStartMs < 1000) {
      QVERIFY(QTest::qWaitFor([&] { return sinceOpen.elapsed() > latestStartMs + 100; }));
    }
    rig.tasks.JoinAll();
    QCOMPARE(rig.Count("verifycode"), 1);
    QCOMPARE(rig.Count("gg"), 1);
  }

  void firstStartShowsTheFormWithCaptchaAndAnnouncement() {
    Rig rig;
    QVERIFY2(rig.sim.Started(), rig.sim.StartError().c_str());
    LoginWindow& window = rig.Make();
    QVERIFY(!QDir(QString::fromStdString(rig.settings.FolderPath())).exists());
    QVERIFY(window.Open());
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), Q("群舵台 - 登录系统"));
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(ShadowOf(&window));
    QVERIFY(QDir(QString::fromStdString(rig.settings.FolderPath())).exists());

    for (const char* name : {"动画框1", "画板_验证码", "图片框2", "编辑框_验证码", "最小化", "关闭",
                             "透明标签2", "头像", "按钮_登录", "超级链接框1_记住密码",
                             "超级链接框2", "透明标签_最新公告", "透明标签1", "编辑框_用户名",
                             "编辑框_密码", "选择框_记住密码", "图片框4", "图片框3", "图片框1"}) {
      QVERIFY2(window.findChild<QWidget*>(Q(name)), name);
    }
    QCOMPARE(rig.Find<QLineEdit>("编辑框_用户名")->text(), Q("请输入帐号"));
    QCOMPARE(rig.Find<QLineEdit>("编辑框_密码")->text(), QString());
    QVERIFY(rig.Find<QCheckBox>("选择框_记住密码")->isChecked());

    // The captcha picture and the announcement arrive from workers.
    QVERIFY(rig.CaptchaShown());
    QLabel* notice = rig.Find<QLabel>("透明标签_最新公告");
    QTRY_VERIFY(notice->text().size() > Q("[最新公告]").size());
    QVERIFY(notice->text().startsWith(Q("[最新公告]欢迎使用")));
    QVERIFY(rig.prompter.Boxes().empty());
    QVERIFY(rig.log.Lines().empty());
  }

  // The announcement is the backend's text: the line and its tooltip show it as written.
  void anAnnouncementThatLooksLikeMarkupIsShownAsWritten() {
    QTemporaryDir folder;
    const QString seedPath = folder.filePath(Q("seed.json"));
    QFile seed(seedPath);
    QVERIFY(seed.open(QIODevice::WriteOnly));
    nlohmann::json seedJson;
    seedJson["announcement"] = test::kMarkup.toStdString();
    seedJson["users"] = nlohmann::json::array({{{"username", "demo"}, {"password", "demo123"}}});
    seed.write(QByteArray::fromStdString(seedJson.dump()));
    seed.close();
    Rig rig({"--seed", seedPath.toStdString()});
    QVERIFY2(rig.sim.Started(), rig.sim.StartError().c_str());
    QVERIFY(rig.Make().Open());
    QLabel* notice = rig.Find<QLabel>("透明标签_最新公告");
    const QString expected = Q("[最新公告]") + test::kMarkup;
    QTRY_COMPARE(notice->text(), expected);
    QCOMPARE(test::ShownText(notice->text(), notice->textFormat()), expected);
    QCOMPARE(test::ShownText(notice->toolTip()), expected);
  }

  void aSecondCopyIsRefusedButAnotherNameIsNot() {
    Rig rig;
    rig.processes.entries.push_back({200, "yunduotai", 1000});
    LoginWindow& window = rig.Make();
    QVERIFY(!window.Open());
    QVERIFY(!window.isVisible());
    const auto boxes = rig.prompter.Boxes();
    QCOMPARE(boxes.size(), 1u);
    QCOMPARE(boxes[0].text, std::string("程序已经运行！"));
    QCOMPARE(boxes[0].icon, MessageIcon::Information);

    Rig other;
    other.processes.entries.push_back({200, "yunduotai-old", 1000});
    other.processes.entries.push_back({201, "Yunduotai", 1000});
    QVERIFY(other.Make().Open());
    QVERIFY(other.prompter.Boxes().empty());
  }

  void promptLinksAndRememberedValues() {
    Rig rig;
    rig.settings.EnsureFolder();
    rig.settings.writeSetting("config", "username", "");
    rig.settings.writeSetting("config", "password", "secret");
    rig.settings.writeSetting("config", "remember_pwd", "0");
    LoginWindow& window = rig.Make();
    QVERIFY(window.Open());
    QLineEdit* user = rig.Find<QLineEdit>("编辑框_用户名");
    // The password stays in the file but is not filled in.
    QCOMPARE(rig.Find<QLineEdit>("编辑框_密码")->text(), QString());
    QVERIFY(!rig.Find<QCheckBox>("选择框_记住密码")->isChecked());

    QTest::mouseClick(user, Qt::LeftButton);
    QCOMPARE(user->text(), QString());
    user->setText(Q("someone"));
    QTest::mouseClick(user, Qt::LeftButton);
    QCOMPARE(user->text(), Q("someone"));

    QTest::mousePress(rig.Find<QLabel>("超级链接框1_记住密码"), Qt::LeftButton);
    QVERIFY(rig.Find<QCheckBox>("选择框_记住密码")->isChecked());
    QTest::mousePress(rig.Find<QLabel>("超级链接框1_记住密码"), Qt::LeftButton);
    QVERIFY(!rig.Find<QCheckBox>("选择框_记住密码")->isChecked());

    QTest::mousePress(rig.Find<QLabel>("超级链接框2"), Qt::LeftButton);
    QCOMPARE(rig.opened.size(), 1u);
    QCOMPARE(rig.opened[0], QUrl(Q("https://web.example:8443/register.html")));
  }

  void storedLoginIsFilledInAndFocusGoesToTheCaptcha() {
    Rig rig;
    rig.settings.EnsureFolder();
    rig.settings.writeSetting("config", "username", "张三");
    rig.settings.writeSetting("config", "password", "pw");
    LoginWindow& window = rig.Make();
    QVERIFY(window.Open());
    QCOMPARE(rig.Find<QLineEdit>("编辑框_用户名")->text(), Q("张三"));
    QCOMPARE(rig.Find<QLineEdit>("编辑框_密码")->text(), Q("pw"));
    QVERIFY(rig.Find<QCheckBox>("选择框_记住密码")->isChecked());
    QCOMPARE(window.focusWidget(), rig.Find<QLineEdit>("编辑框_验证码"));
  }

  void incompleteFieldsAreRefusedBeforeAnythingIsSent() {
    Rig rig;
    LoginWindow& window = rig.Make();
    QVERIFY(window.Open());
    rig.Type("demo", "   ", "ABCD");
    QTest::mouseClick(rig.Find<QPushButton>("按钮_登录"), Qt::LeftButton);
    const auto boxes = rig.prompter.Boxes();
    QCOMPARE(boxes.size(), 1u);
    QCOMPARE(boxes[0].text, std::string("请把登录信息填写完整！"));
    QCOMPARE(boxes[0].icon, MessageIcon::Error);
    QCOMPARE(rig.Count("login"), 0);
    QVERIFY(window.isVisible());
  }

  void aWrongCaptchaShowsTheMessageKeepsTheTextsAndFetchesANewPicture() {
    Rig rig;
    LoginWindow& window = rig.Make();
    QVERIFY(window.Open());
    QTRY_COMPARE(rig.Count("verifycode"), 1);
    rig.Type("demo", "demo123", "ZZZZ");
    QTest::mouseClick(rig.Find<QPushButton>("按钮_登录"), Qt::LeftButton);
    const auto boxes = rig.prompter.Boxes();
    QCOMPARE(boxes.size(), 1u);
    QCOMPARE(boxes[0].text, std::string("验证码错误！"));
    QCOMPARE(boxes[0].icon, MessageIcon::Error);
    QTRY_COMPARE(rig.Count("verifycode"), 2);
    QCOMPARE(rig.Find<QLineEdit>("编辑框_验证码")->text(), Q("ZZZZ"));
    QCOMPARE(rig.Find<QLineEdit>("编辑框_用户名")->text(), Q("demo"));
    QCOMPARE(rig.Find<QLineEdit>("编辑框_密码")->text(), Q("demo123"));
    QVERIFY(window.isVisible());
    QCOMPARE(rig.loggedIn, 0);
    QVERIFY(rig.LogInfoCode() != 0);
  }

  void enterLogsInSavesTheLoginAndCarriesTheCookie() {
    Rig rig;
    LoginWindow& window = rig.Make();
    QVERIFY(window.Open());
    QVERIFY(rig.LogInfoCode() != 0);  // not logged in yet
    QVERIFY(rig.CaptchaShown());
    rig.Type("  demo ", " demo123 ", " ABCD ");
    QTest::mouseClick(rig.Find<QLabel>("超级链接框1_记住密码"), Qt::LeftButton);  // off
    QTest::keyClick(rig.Find<QLineEdit>("编辑框_验证码"), Qt::Key_Return);

    QCOMPARE(rig.loggedIn, 1);
    QVERIFY(!window.isVisible());
    QVERIFY(rig.prompter.Boxes().empty());
    QCOMPARE(rig.settings.readSetting("config", "username", "?"), std::string("demo"));
    QCOMPARE(rig.settings.readSetting("config", "password", "?"), std::string("demo123"));
    QCOMPARE(rig.settings.readSetting("config", "remember_pwd", "?"), std::string("0"));

    // The login's cookie now goes with every backend call.
    std::string reply;
    QCOMPARE(rig.backend->CallBackend("/logininfo/", kGet, "", &reply, WindowRef{}, false, ""), 0);
    JsonDoc doc;
    QVERIFY(doc.Parse(reply));
    QCOMPARE(doc.GetText("data[0].username"), std::string("demo"));

    // The wire carried the encoded user name and the digest, never the password.
    const auto requests = rig.sim.RecentRequests(50);
    std::string loginBody;
    for (const auto& request : requests) {
      if (request.value("op", "") == "login") loginBody = request.value("body", "");
    }
    QCOMPARE(loginBody,
             std::string("username=%64%65%6D%6F&password=62cc2d8b4bf2d8728120d052163a77df"
                         "&verifycode=ABCD&type=yunduotai"));
  }

  void closingTheWindowEndsTheProgram() {
    Rig rig;
    LoginWindow& window = rig.Make();
    QVERIFY(window.Open());
    QSignalSpy closed(&window, &LoginWindow::closedByOperator);
    QTest::mouseClick(rig.Find<QToolButton>("关闭"), Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!window.isVisible());
  }
};

}  // namespace ydt

QTEST_MAIN(ydt::LoginWindowTest)
#include "login_window_test.moc"
