// The login window against a backend that is slow, down or answers garbage: the operator
// is told the server is busy, gets a new captcha and keeps every text typed.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "fault_console.h"
#include "shell/mainwindow/main_window.h"
#include "support/sim/sim_process.h"
#include "ui/log_pane.h"

namespace ydt {
namespace {

int Requests(const test::SimProcess& sim, const std::string& op) {
  return sim.Stats()["counts"].value(op, 0);
}

}  // namespace

class LoginFaultsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(sim_.Started(), sim_.StartError().c_str());
    run_ = std::make_unique<test::LoginRun>(sim_.BaseUrl(), sim_.WebHost());
    QVERIFY(run_->start->Open());
    QVERIFY(QTest::qWaitForWindowExposed(&run_->Login()));
    QVERIFY(run_->CaptchaShown());
    run_->TypeEverything();
  }

  void cleanup() { sim_.ClearFaults(); }

  void cleanupTestCase() { run_.reset(); }

  void aFailedLoginSaysBusyFetchesANewCaptchaAndKeepsTheTexts_data() {
    test::AddUnusableReplyRows();
  }
  void aFailedLoginSaysBusyFetchesANewCaptchaAndKeepsTheTexts() {
    QFETCH(QString, kind);
    LoginWindow& login = run_->Login();
    run_->services.tasks.JoinAll();
    const int captchas = Requests(sim_, "verifycode");
    const auto typed = test::TypedTexts(login);
    QVERIFY(sim_.SetFault(test::FaultRule(kind.toStdString(), "login")));
    std::unique_ptr<test::ShortStallLimit> stall;
    if (kind == QStringLiteral("latency")) stall = std::make_unique<test::ShortStallLimit>(2);
    run_->services.prompter.ClearBoxes();

    test::UiHeartbeat heartbeat;
    run_->ClickLogin();
    const int ticksDuringLogin = heartbeat.Ticks();
    const qint64 loginMs = heartbeat.ElapsedMs();

    const auto boxes = run_->services.prompter.Boxes();
    QCOMPARE(boxes.size(), std::size_t{1});
    QCOMPARE(boxes.front().text, std::string(test::kBusy));
    QCOMPARE(boxes.front().icon, MessageIcon::Error);
    run_->services.tasks.JoinAll();
    QCOMPARE(Requests(sim_, "verifycode"), captchas + 1);
    QVERIFY(run_->start->Main() == nullptr);
    QVERIFY(login.isVisible());
    QCOMPARE(test::TypedTexts(login), typed);
    if (kind == QStringLiteral("latency")) {
      QVERIFY2(loginMs < 20000, "the time-out did not end the wait");
      QVERIFY2(ticksDuringLogin >= loginMs / test::UiHeartbeat::kIntervalMs / 4,
               "the window stopped processing events during the login");
    }
  }

  void withTheBackendDownTheLoginSaysBusyAndKeepsTheTexts() {
    test::SimProcess gone;
    QVERIFY2(gone.Started(), gone.StartError().c_str());
    QCOMPARE(gone.Stop(), 0);
    test::LoginRun down(gone.BaseUrl(), gone.WebHost());
    QVERIFY(down.start->Open());
    QVERIFY(QTest::qWaitForWindowExposed(&down.Login()));
    down.TypeEverything();
    const auto typed = test::TypedTexts(down.Login());
    down.services.prompter.ClearBoxes();
    down.ClickLogin();
    const auto boxes = down.services.prompter.Boxes();
    QCOMPARE(boxes.size(), std::size_t{1});
    QCOMPARE(boxes.front().text, std::string(test::kBusy));
    QVERIFY(down.start->Main() == nullptr);
    QCOMPARE(test::TypedTexts(down.Login()), typed);
  }

  // Last: the same texts log in once the backend answers again.
  void theLoginSucceedsOnceTheBackendAnswers() {
    run_->ClickLogin();
    QTRY_VERIFY(run_->start->Main() != nullptr);
    QVERIFY(!run_->Login().isVisible());
    QCOMPARE(run_->services.Context().settings.readSetting("config", "username", ""),
             std::string(test::SimProcess::kUser));
  }

 private:
  test::SimProcess sim_;
  std::unique_ptr<test::LoginRun> run_;
};

}  // namespace ydt

QTEST_MAIN(ydt::LoginFaultsTest)
#include "login_faults_test.moc"
