#include <QAbstractButton>
#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/modal_driver.h"
#include "support/qt/shown_text.h"
#include "ui/event_loop_pauser.h"
#include "ui/log_pane.h"
#include "ui/qt_prompter.h"
#include "ui/task_runner.h"

namespace ydt {

class UiInfraTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (translator_.load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QApplication::installTranslator(&translator_);
    }
  }

  void logPaneStartsWithTheAdviceAndIsReadOnly() {
    LogPane pane;
    QCOMPARE(pane.objectName(), QStringLiteral("编辑框_腾讯云_日志输出"));
    QVERIFY(pane.isReadOnly());
    QCOMPARE(pane.toPlainText(),
             QStringLiteral("机器密码建议设置长度12位以上数字大小写符号混合，避免主机开通失败！"));
  }

  void logPanePutsTheNewestLineOnTop() {
    LogPane pane;
    pane.PrependLine("[t1] [腾讯云 - 测试登录] 成功！\r\n");
    pane.PrependLine("[t2] [华为云 - 测试登录] 失败！\r\n");
    const QStringList lines = pane.toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("[t2] [华为云 - 测试登录] 失败！"));
    QCOMPARE(lines[1], QStringLiteral("[t1] [腾讯云 - 测试登录] 成功！"));
    QVERIFY(lines[2].startsWith(QStringLiteral("机器密码")));
    QVERIFY(!pane.toPlainText().contains(QLatin1Char('\r')));
  }

  void logPaneLosesNoLineFromConcurrentWorkers() {
    LogPane pane;
    constexpr int kThreads = 6;
    constexpr int kLines = 400;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
      workers.emplace_back([&pane, t] {
        for (int i = 0; i < kLines; ++i) {
          pane.PrependLine("w" + std::to_string(t) + "-" + std::to_string(i) + "\r\n");
        }
      });
    }
    // The UI thread keeps writing too, as CallBackend on the UI thread does.
    for (int i = 0; i < kLines; ++i) pane.PrependLine("ui-" + std::to_string(i) + "\r\n");
    for (auto& worker : workers) worker.join();
    QTRY_COMPARE(pane.document()->blockCount(), (kThreads + 1) * kLines + 1);

    // Each writer's own lines appear newest first.
    const QStringList lines = pane.toPlainText().split(QLatin1Char('\n'));
    std::vector<int> lastSeen(kThreads + 1, kLines);
    for (const QString& line : lines.mid(0, lines.size() - 1)) {
      const int dash = line.indexOf(QLatin1Char('-'));
      const QString who = line.left(dash);
      const int writer = who == QLatin1String("ui") ? kThreads : who.mid(1).toInt();
      const int number = line.mid(dash + 1).toInt();
      QVERIFY2(number < lastSeen[writer], qPrintable(line));
      lastSeen[writer] = number;
    }
    for (int seen : lastSeen) QCOMPARE(seen, 0);
  }

  void promptFromAWorkerWaitsForTheBoxOnTheUiThread() {
    QtPrompter prompter;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool onUiThread = false;
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      onUiThread = QThread::currentThread() == qApp->thread();
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      for (QAbstractButton* button : box->buttons()) buttons << button->text();
      // Ok, not Cancel: Cancel is also what a worker gets when no box could be shown.
      box->button(QMessageBox::Ok)->click();
    });
    answerer.start(20);

    std::atomic<int> answer{-1};
    std::thread worker([&] {
      answer = static_cast<int>(prompter.Show(WindowRef{}, "确定要执行重装？\r\n第二行",
                                              MessageIcon::Question, MessageButtons::OkCancel));
    });
    QTRY_VERIFY(answer.load() != -1);
    worker.join();
    QCOMPARE(answer.load(), static_cast<int>(MessageAnswer::Ok));
    QVERIFY(onUiThread);
    QCOMPARE(title, QStringLiteral("澜星科技提示："));
    QCOMPARE(text, QStringLiteral("确定要执行重装？\n第二行"));
    QCOMPARE(icon, QMessageBox::Question);
    QVERIFY2(buttons.contains(QStringLiteral("确定")), qPrintable(buttons.join(u',')));
    QVERIFY2(buttons.contains(QStringLiteral("取消")), qPrintable(buttons.join(u',')));
  }

  void promptIconsFollowTheMessageKinds() {
    QtPrompter prompter;
    const std::pair<MessageIcon, QMessageBox::Icon> cases[] = {
        {MessageIcon::None, QMessageBox::NoIcon},
        {MessageIcon::Information, QMessageBox::Information},
        {MessageIcon::Warning, QMessageBox::Warning},
        {MessageIcon::Error, QMessageBox::Critical}};
    for (const auto& [kind, expected] : cases) {
      QMessageBox::Icon shown = QMessageBox::Question;
      int buttonCount = 0;
      test::ModalDriver driver([&](QDialog* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY(box != nullptr);
        shown = box->icon();
        buttonCount = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
      });
      QCOMPARE(prompter.Show(WindowRef{}, "x", kind), MessageAnswer::Ok);
      QCOMPARE(shown, expected);
      QCOMPARE(buttonCount, 1);
    }
  }

  // A failed call's msg and the texts operators typed reach the boxes as they are.
  void promptTextsAreShownAsWrittenNotAsMarkup() {
    QtPrompter prompter;
    const QString text = test::kMarkup + QStringLiteral("！");
    QString shown;
    QTimer::singleShot(0, this, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      shown = test::ShownText(box->text(), box->textFormat());
      box->button(QMessageBox::Ok)->click();
    });
    prompter.Show(WindowRef{}, text.toStdString(), MessageIcon::Error);
    QCOMPARE(shown, text);
  }

  void postToUiSkipsAClosedWindow() {
    auto* alive = new QObject;
    auto* closed = new QObject;
    const QPointer<QObject> aliveGuard(alive);
    const QPointer<QObject> closedGuard(closed);
    std::atomic<bool> ranAlive{false};
    std::atomic<bool> ranClosed{false};
    Qt::HANDLE ranOn = nullptr;
    std::thread worker([&] {
      PostToUi(aliveGuard, [&] {
        ranOn = QThread::currentThreadId();
        ranAlive = true;
      });
      PostToUi(closedGuard, [&] { ranClosed = true; });
    });
    worker.join();
    delete closed;  // the window closes before the results arrive
    QTRY_VERIFY(ranAlive.load());
    QTest::qWait(20);
    QVERIFY(!ranClosed.load());
    QCOMPARE(ranOn, qApp->thread()->currentThreadId());
    delete alive;
  }

  void postToUiKeepsEachWorkersOrderAndTheCapturesItWasGiven() {
    QObject owner;
    const QPointer<QObject> guard(&owner);
    std::vector<int> seen;  // touched on the UI thread only
    constexpr int kThreads = 3;
    constexpr int kPosts = 300;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
      workers.emplace_back([&, t] {
        for (int i = 0; i < kPosts; ++i) {
          auto payload = std::make_shared<std::string>(std::to_string(t * kPosts + i));
          PostToUi(guard, [&seen, payload] { seen.push_back(std::stoi(*payload)); });
        }
      });
    }
    for (std::thread& worker : workers) worker.join();
    QTRY_COMPARE(seen.size(), std::size_t{kThreads * kPosts});
    for (int t = 0; t < kThreads; ++t) {
      int last = -1;
      for (const int value : seen) {
        if (value / kPosts != t) continue;
        QVERIFY2(value > last, "a worker's results arrived out of order");
        last = value;
      }
    }
  }

  void runBlockingKeepsTimersRunningButHoldsTheCallerUntilDone() {
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start(10);
    std::thread::id workerId;
    RunBlocking([&] {
      workerId = std::this_thread::get_id();
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    });
    QVERIFY(workerId != std::this_thread::get_id());
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
  }

  void pauserKeepsTheEventLoopRunning() {
    EventLoopPauser pauser;
    bool fired = false;
    QTimer::singleShot(10, this, [&] { fired = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    pauser.Pause(120);
    QVERIFY(fired);
    QVERIFY(elapsed.elapsed() >= 110);
    pauser.Pause(0);
    pauser.Pause(-5);
  }

 private:
  QTranslator translator_;
};

}  // namespace ydt

QTEST_MAIN(ydt::UiInfraTest)
#include "ui_infra_test.moc"
