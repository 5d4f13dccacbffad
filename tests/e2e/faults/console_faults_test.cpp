// The main window against a backend that is slow, down or answers garbage: the list load,
// a batch, a creation and the balance test each report what failed in the log, keep the
// window running and the rows and texts the operator had.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>
#include <memory>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/sim_session.h"
#include "consoles/machines/ui/machines_panel.h"
#include "consoles/template/ui/template_panel.h"
#include "fault_console.h"
#include "service/json/json_doc.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "support/sim/sim_process.h"
#include "ui/log_pane.h"

namespace ydt {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

void Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

int Requests(const test::SimProcess& sim, const std::string& op) {
  return sim.Stats()["counts"].value(op, 0);
}

std::string LastBox(const ScriptedPrompter& prompter) {
  const auto boxes = prompter.Boxes();
  return boxes.empty() ? std::string() : boxes.back().text;
}

constexpr int kLoadWaitMs = 30000;

}  // namespace

class ConsoleFaultsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(sim_.Started(), sim_.StartError().c_str());
    QVERIFY(test::LoginToSim(sim_));
    services_ = std::make_unique<test::ConsoleServices>(sim_.BaseUrl());
    window_.reset(test::BuildMainWindow(services_->Context(), services_->ReleaseLog(), &machines_,
                                        &templates_));
    window_->resize(1200, 800);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));

    for (ProviderKind kind : {ProviderKind::Tencent, ProviderKind::Aliyun, ProviderKind::Huawei}) {
      const AccessKeys keys = test::DemoKeys(kind);
      Page(kind).KeyPair()->SecretIdBox()->setText(Q(keys.secretId));
      Page(kind).KeyPair()->SecretKeyBox()->setText(Q(keys.secretKey));
    }
    // Tencent and Huawei show the 250 machines of their second region; Aliyun creates in
    // its empty fourth region from a public image.
    QSignalSpy images(templates_[1], &TemplatePanel::ImagesApplied);
    Choose(Page(ProviderKind::Tencent).RegionBox(), 1);
    Choose(Page(ProviderKind::Huawei).RegionBox(), 1);
    Choose(Page(ProviderKind::Aliyun).RegionBox(), 3);
    QTRY_VERIFY_WITH_TIMEOUT(!AnyLoadRunning() && images.count() > 0, kLoadWaitMs);
    QCOMPARE(machines_[0]->Model().rowCount(), 250);
    QCOMPARE(machines_[2]->Model().rowCount(), 250);
    images.clear();
    Choose(templates_[1]->findChild<QComboBox*>(
               Q(WidgetName("组合框", ProviderKind::Aliyun, "镜像类型"))),
           2);
    QTRY_VERIFY_WITH_TIMEOUT(images.count() > 0, 10000);
    QVERIFY(!services_->Context().State(ProviderKind::Aliyun).imageId.empty());
    CountBox(ProviderKind::Aliyun)->setText(QStringLiteral("101"));
    QTest::qWait(200);  // let the region's zone lookups land
  }

  void cleanup() {
    sim_.ClearFaults();
    QTRY_VERIFY_WITH_TIMEOUT(!AnyLoadRunning(), kLoadWaitMs);
  }

  void cleanupTestCase() {
    QTRY_VERIFY_WITH_TIMEOUT(!AnyLoadRunning(), kLoadWaitMs);
    services_->tasks.JoinAll();
    window_.reset();
    services_.reset();
  }

  void aFailedLoadKeepsTheGridsRows_data() { test::AddUnusableReplyRows(); }
  void aFailedLoadKeepsTheGridsRows() {
    QFETCH(QString, kind);
    MachinesPanel& grid = *machines_[2];
    const int rows = grid.Model().rowCount();
    const std::string firstId = grid.Model().Rows().front().Cell(MachineColumn::Id);
    const auto typed = test::TypedTexts(*window_);
    const int busy = test::CountLogLines(Log(), "华为云 - 初始化机器列表", test::kBusy);
    QVERIFY(sim_.SetFault(test::FaultRule(kind.toStdString(), "huawei/instances")));
    const auto stall = StallLimitFor(kind);

    test::UiHeartbeat heartbeat;
    grid.PopupMenu()->actions().front()->trigger();  // 刷新
    QVERIFY(grid.LoadRunning());
    QVERIFY(!window_->Tabs()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!grid.LoadRunning(), kLoadWaitMs);

    QCOMPARE(test::CountLogLines(Log(), "华为云 - 初始化机器列表", test::kBusy), busy + 1);
    QCOMPARE(grid.Model().rowCount(), rows);
    QCOMPARE(grid.Model().Rows().front().Cell(MachineColumn::Id), firstId);
    QVERIFY(window_->Tabs()->isEnabled());
    QCOMPARE(test::TypedTexts(*window_), typed);
    ExpectTheWindowKeptRunning(kind, heartbeat, heartbeat.Ticks());
  }

  void aFailedPageIsSkippedAndTheNumberingRunsOn() {
    MachinesPanel& grid = *machines_[2];
    const std::string thirdPageFirstId = ThirdPageFirstId();
    QVERIFY(!thirdPageFirstId.empty());
    const int busy = test::CountLogLines(Log(), "华为云 - 加载机器信息第2页，总数250", test::kBusy);
    const int third = test::CountLogLines(Log(), "华为云 - 加载机器信息第3页，总数250", "成功！");
    // The count request and page 1 pass; page 2 gets an error page; page 3 passes.
    QVERIFY(sim_.SetFault(test::FaultRule("http500", "huawei/instances", 1, 2)));
    grid.PopupMenu()->actions().front()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!grid.LoadRunning(), kLoadWaitMs);

    QCOMPARE(test::CountLogLines(Log(), "华为云 - 加载机器信息第2页，总数250", test::kBusy),
             busy + 1);
    QCOMPARE(test::CountLogLines(Log(), "华为云 - 加载机器信息第3页，总数250", "成功！"),
             third + 1);
    QCOMPARE(grid.Model().rowCount(), 150);
    const auto& rows = grid.Model().Rows();
    for (int i = 0; i < 150; ++i) {
      QCOMPARE(rows[static_cast<std::size_t>(i)].Cell(MachineColumn::RowNumber),
               std::to_string(i));  // Huawei counts from 0
    }
    // The third page's machines, not the second's, follow the first hundred.
    QCOMPARE(rows[100].Cell(MachineColumn::Id), thirdPageFirstId);
  }

  void aBatchSendsItsRemainingRequestsAfterAFailedOne_data() { test::AddUnusableReplyRows(); }
  void aBatchSendsItsRemainingRequestsAfterAFailedOne() {
    QFETCH(QString, kind);
    MachinesPanel& grid = *machines_[0];
    QCOMPARE(grid.Model().rowCount(), 250);
    const auto typed = test::TypedTexts(*window_);
    const int busy = test::CountLogLines(Log(), "腾讯云 - 启动主机", test::kBusy);
    const int answered = test::CountLogLines(Log(), "腾讯云 - 启动主机", "");
    const int sent = Requests(sim_, "qcloud/startinstances");
    // Only the first of the three requests (rows 1–100) meets the fault.
    QVERIFY(sim_.SetFault(test::FaultRule(kind.toStdString(), "qcloud/startinstances", 1)));
    const auto stall = StallLimitFor(kind);
    services_->prompter.ClearBoxes();

    test::UiHeartbeat heartbeat;
    QTest::mouseClick(Button(ProviderKind::Tencent, "全部启动"), Qt::LeftButton);
    const int ticksDuringBatch = heartbeat.Ticks();
    const qint64 batchMs = heartbeat.ElapsedMs();

    QCOMPARE(Requests(sim_, "qcloud/startinstances"), sent + 3);
    QCOMPARE(test::CountLogLines(Log(), "腾讯云 - 启动主机", test::kBusy), busy + 1);
    // The other two were answered (some of the region's machines refuse to start).
    QCOMPARE(test::CountLogLines(Log(), "腾讯云 - 启动主机", ""), answered + 3);
    QCOMPARE(LastBox(services_->prompter), std::string("已执行操作！"));
    QVERIFY(grid.LoadRunning());  // the reload follows whatever the requests returned
    QTRY_VERIFY_WITH_TIMEOUT(!grid.LoadRunning(), kLoadWaitMs);
    QCOMPARE(grid.Model().rowCount(), 250);
    QCOMPARE(test::TypedTexts(*window_), typed);
    if (kind == QStringLiteral("latency")) {
      QVERIFY2(batchMs < 20000, "the time-out did not end the wait");
      QVERIFY2(ticksDuringBatch >= batchMs / test::UiHeartbeat::kIntervalMs / 4,
               "the window stopped processing events during the request");
    }
  }

  void aCreationSendsItsRemainingRequestsAfterAFailedOne_data() { test::AddUnusableReplyRows(); }
  void aCreationSendsItsRemainingRequestsAfterAFailedOne() {
    QFETCH(QString, kind);
    QVERIFY(sim_.Reset());  // no machines pile up in the region from one row to the next
    const auto typed = test::TypedTexts(*window_);
    const int busy = test::CountLogLines(Log(), "阿里云 - 创建主机", test::kBusy);
    const int sent = Requests(sim_, "aliyun/runinstances");
    // 101 machines are asked for as 100 and 1; only the first request meets the fault.
    QVERIFY(sim_.SetFault(test::FaultRule(kind.toStdString(), "aliyun/runinstances", 1)));
    const auto stall = StallLimitFor(kind);
    services_->prompter.ClearBoxes();

    test::UiHeartbeat heartbeat;
    QTest::mouseClick(Button(ProviderKind::Aliyun, "创建主机"), Qt::LeftButton);
    const int ticksDuringCreation = heartbeat.Ticks();
    const qint64 creationMs = heartbeat.ElapsedMs();

    QCOMPARE(Requests(sim_, "aliyun/runinstances"), sent + 2);
    QCOMPARE(test::CountLogLines(Log(), "阿里云 - 创建主机", test::kBusy), busy + 1);
    QCOMPARE(LastBox(services_->prompter), std::string("已执行操作！"));
    QVERIFY(machines_[1]->LoadRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!machines_[1]->LoadRunning(), kLoadWaitMs);
    QVERIFY(machines_[1]->Model().rowCount() >= 1);  // the second request's machine
    QCOMPARE(test::TypedTexts(*window_), typed);
    QCOMPARE(CountBox(ProviderKind::Aliyun)->text(), QStringLiteral("101"));
    if (kind == QStringLiteral("latency")) {
      QVERIFY2(creationMs < 20000, "the time-out did not end the wait");
      QVERIFY2(ticksDuringCreation >= creationMs / test::UiHeartbeat::kIntervalMs / 4,
               "the window stopped processing events during the request");
    }
  }

  void theBalanceTestReadsFailed_data() { test::AddUnusableReplyRows(); }
  void theBalanceTestReadsFailed() {
    QFETCH(QString, kind);
    const auto typed = test::TypedTexts(*window_);
    const int busy = test::CountLogLines(Log(), "腾讯云 - 测试登录", test::kBusy);
    QVERIFY(sim_.SetFault(test::FaultRule(kind.toStdString(), "qcloud/accountbalance")));
    const auto stall = StallLimitFor(kind);

    test::UiHeartbeat heartbeat;
    QTest::mouseClick(Page(ProviderKind::Tencent).KeyPair()->TestButton(), Qt::LeftButton);
    QCOMPARE(Label("透明标签_腾讯云_余额")->text(), QStringLiteral("余额：正在读取"));
    QTRY_COMPARE_WITH_TIMEOUT(Label("透明标签_腾讯云_余额")->text(),
                              QStringLiteral("余额：读取失败"), kLoadWaitMs);
    QCOMPARE(Label("透明标签_腾讯云_QQ")->text(), QStringLiteral("QQ：读取失败"));
    QCOMPARE(test::CountLogLines(Log(), "腾讯云 - 测试登录", test::kBusy), busy + 1);
    QCOMPARE(test::TypedTexts(*window_), typed);
    ExpectTheWindowKeptRunning(kind, heartbeat, heartbeat.Ticks());
  }

  void theBalanceShowsAgainOnceTheBackendAnswers() {
    QTest::mouseClick(Page(ProviderKind::Tencent).KeyPair()->TestButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(Label("透明标签_腾讯云_余额")->text(),
                              QStringLiteral("余额：123.45元"), kLoadWaitMs);
    QCOMPARE(Label("透明标签_腾讯云_QQ")->text(), QStringLiteral("QQ：100012345678"));
  }

  // Last: the backend goes away for good.
  void withTheBackendDownEveryOperationReportsAndKeepsItsState() {
    services_->tasks.JoinAll();
    QCOMPARE(sim_.Stop(), 0);
    const auto typed = test::TypedTexts(*window_);

    // The list load keeps the rows it had.
    MachinesPanel& huawei = *machines_[2];
    const int huaweiRows = huawei.Model().rowCount();
    const int loadBusy = test::CountLogLines(Log(), "华为云 - 初始化机器列表", test::kBusy);
    huawei.PopupMenu()->actions().front()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!huawei.LoadRunning(), kLoadWaitMs);
    QCOMPARE(test::CountLogLines(Log(), "华为云 - 初始化机器列表", test::kBusy), loadBusy + 1);
    QCOMPARE(huawei.Model().rowCount(), huaweiRows);

    // A batch sends all three requests, reloads and says it is done.
    MachinesPanel& tencent = *machines_[0];
    const int batchBusy = test::CountLogLines(Log(), "腾讯云 - 关闭主机", test::kBusy);
    const int reloadBusy = test::CountLogLines(Log(), "腾讯云 - 初始化机器列表", test::kBusy);
    services_->prompter.ClearBoxes();
    QTest::mouseClick(Button(ProviderKind::Tencent, "全部关机"), Qt::LeftButton);
    QCOMPARE(test::CountLogLines(Log(), "腾讯云 - 关闭主机", test::kBusy), batchBusy + 3);
    QCOMPARE(LastBox(services_->prompter), std::string("已执行操作！"));
    QTRY_VERIFY_WITH_TIMEOUT(!tencent.LoadRunning(), kLoadWaitMs);
    QCOMPARE(test::CountLogLines(Log(), "腾讯云 - 初始化机器列表", test::kBusy), reloadBusy + 1);
    QCOMPARE(tencent.Model().rowCount(), 250);

    // A creation sends both of its requests.
    const int createBusy = test::CountLogLines(Log(), "阿里云 - 创建主机", test::kBusy);
    services_->prompter.ClearBoxes();
    QTest::mouseClick(Button(ProviderKind::Aliyun, "创建主机"), Qt::LeftButton);
    QCOMPARE(test::CountLogLines(Log(), "阿里云 - 创建主机", test::kBusy), createBusy + 2);
    QCOMPARE(LastBox(services_->prompter), std::string("已执行操作！"));
    QTRY_VERIFY_WITH_TIMEOUT(!AnyLoadRunning(), kLoadWaitMs);

    // The balance test reads failed.
    QTest::mouseClick(Page(ProviderKind::Tencent).KeyPair()->TestButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(Label("透明标签_腾讯云_余额")->text(),
                              QStringLiteral("余额：读取失败"), kLoadWaitMs);
    QCOMPARE(Label("透明标签_腾讯云_QQ")->text(), QStringLiteral("QQ：读取失败"));

    QVERIFY(window_->Tabs()->isEnabled());
    QCOMPARE(test::TypedTexts(*window_), typed);
  }

 private:
  ProviderPage& Page(ProviderKind kind) const { return *window_->Page(kind); }
  LogPane& Log() const { return *window_->Log(); }
  QPushButton* Button(ProviderKind kind, const std::string& role) const {
    auto* button = window_->findChild<QPushButton*>(Q(WidgetName("按钮", kind, role)));
    [&] { QVERIFY(button != nullptr); }();
    return button;
  }
  QLineEdit* CountBox(ProviderKind kind) const {
    return window_->findChild<QLineEdit*>(Q(WidgetName("编辑框", kind, "机器数量")));
  }
  QLabel* Label(const char* name) const {
    return window_->findChild<QLabel*>(QString::fromUtf8(name));
  }
  bool AnyLoadRunning() const {
    for (const MachinesPanel* panel : machines_) {
      if (panel->LoadRunning()) return true;
    }
    return false;
  }
  static std::unique_ptr<test::ShortStallLimit> StallLimitFor(const QString& kind) {
    // The 30 s latency ends by the transport's silence time-out, shortened to 2 s here.
    if (kind != QStringLiteral("latency")) return nullptr;
    return std::make_unique<test::ShortStallLimit>(2);
  }
  // A worker's wait must leave the UI thread free: its timer ticked all along, and the
  // time-out, not the 30 s reply, ended the wait.
  static void ExpectTheWindowKeptRunning(const QString& kind, const test::UiHeartbeat& heartbeat,
                                         int ticks) {
    if (kind != QStringLiteral("latency")) return;
    const qint64 elapsed = heartbeat.ElapsedMs();
    QVERIFY2(elapsed < 20000, "the time-out did not end the wait");
    QVERIFY2(ticks >= elapsed / test::UiHeartbeat::kIntervalMs / 4,
             "the window stopped processing events during the request");
  }
  // The first machine ID of Huawei's third page in the region, as the stand-in lists it.
  std::string ThirdPageFirstId() {
    RecordingLogSink log;
    ScriptedPrompter prompter;
    BackendClient client(log, prompter, sim_.BaseUrl());
    const AccessKeys keys = test::DemoKeys(ProviderKind::Huawei);
    std::string reply;
    client.CallBackend("/yunduotai/huawei/instances/", kPost,
                       "secretid=" + keys.secretId + "&secretkey=" + keys.secretKey + "&region=" +
                           test::RegionCode(ProviderKind::Huawei, 1) + "&page=3&limit=100",
                       &reply, {}, false, "");
    JsonDoc doc;
    doc.Parse(reply);
    return doc.GetText("data.servers[0].id");
  }

  test::SimProcess sim_;
  std::unique_ptr<test::ConsoleServices> services_;
  std::unique_ptr<MainWindow> window_;
  std::array<MachinesPanel*, 3> machines_{};
  std::array<TemplatePanel*, 3> templates_{};
};

}  // namespace ydt

QTEST_MAIN(ydt::ConsoleFaultsTest)
#include "console_faults_test.moc"
