// The machine panel as the operator uses it, against the stand-in backend: loads, their
// serialisation, the popup menu's actions, the batch buttons and the address list.
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <memory>

#include "consoles/machines/sim_session.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/machines_panel.h"
#include "support/fakes/recording_pauser.h"
#include "support/modal_driver.h"

namespace ydt {

namespace {

// Records the pauses of the UI thread and lets a test act during one, as an operator could.
class HookPauser : public Pauser {
 public:
  void Pause(std::int64_t milliseconds) override {
    lengths.push_back(milliseconds);
    if (onPause) onPause();
  }
  std::vector<std::int64_t> lengths;
  std::function<void()> onPause;
};

class SharedRecorder : public Pauser {
 public:
  explicit SharedRecorder(std::shared_ptr<RecordingPauser> target) : target_(std::move(target)) {}
  void Pause(std::int64_t milliseconds) override { target_->Pause(milliseconds); }

 private:
  std::shared_ptr<RecordingPauser> target_;
};

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

class MachinesPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void cleanup();

  void loadShowsRowsInOneStepAndRestoresSelection();
  void secondLoadReplacesTheRunningOne();
  void failedCountAndMissingKeysKeepTheRows();
  void popupMenuActsOnTheSelectedRow();
  void batchSendsQualifyingRowsAndIsRefusedWhileRunning();
  void addressListAndCopy();

 private:
  void Build(ProviderKind kind);
  void LoadRegion(int index);
  std::vector<std::string> Ops() const;

  std::unique_ptr<test::SimProcess> sim_;
  std::unique_ptr<RecordingLogSink> log_;
  std::unique_ptr<ScriptedPrompter> prompter_;
  std::unique_ptr<BackendClient> client_;
  std::shared_ptr<RecordingPauser> loadPauses_;
  HookPauser uiPauser_;
  ProviderState state_;
  std::unique_ptr<QWidget> window_;
  QTabWidget* tabs_ = nullptr;
  MachinesPanel* panel_ = nullptr;
  ProviderKind kind_ = ProviderKind::Tencent;
};

void MachinesPanelTest::initTestCase() {
  sim_ = std::make_unique<test::SimProcess>();
  QVERIFY2(sim_->Started(), sim_->StartError().c_str());
  QVERIFY(test::LoginToSim(*sim_));
}

void MachinesPanelTest::cleanupTestCase() {
  sim_.reset();
}

void MachinesPanelTest::init() {
  QVERIFY(sim_->Reset());
  log_ = std::make_unique<RecordingLogSink>();
  prompter_ = std::make_unique<ScriptedPrompter>();
  client_ = std::make_unique<BackendClient>(*log_, *prompter_, sim_->BaseUrl());
  loadPauses_ = std::make_shared<RecordingPauser>();
  uiPauser_ = HookPauser();
  state_ = ProviderState();
}

void MachinesPanelTest::cleanup() {
  if (panel_ != nullptr) QTRY_VERIFY(!panel_->LoadRunning());
  panel_ = nullptr;
  window_.reset();
}

void MachinesPanelTest::Build(ProviderKind kind) {
  kind_ = kind;
  window_ = std::make_unique<QWidget>();
  tabs_ = new QTabWidget(window_.get());
  tabs_->setObjectName(QStringLiteral("高级选择夹1"));
  auto* page = new QWidget;
  tabs_->addTab(page, Q(std::string(Info(kind).displayName)));
  const AccessKeys keys = test::DemoKeys(kind);
  auto* id = new QLineEdit(QStringLiteral(" ") + Q(keys.secretId), page);
  id->setObjectName(Q(WidgetName("编辑框", kind, "secretid")));
  auto* key = new QLineEdit(Q(keys.secretKey), page);
  key->setObjectName(Q(WidgetName("编辑框", kind, "secretkey")));

  MachinesEnvironment env;
  env.client = client_.get();
  env.prompter = prompter_.get();
  env.uiPauser = &uiPauser_;
  env.state = &state_;
  env.batchDelay = [] { return std::int64_t{100}; };
  auto recorder = loadPauses_;
  env.makeLoadPauser = [recorder](std::stop_token) {
    return std::make_unique<SharedRecorder>(recorder);
  };
  panel_ = new MachinesPanel(kind, env, page);
  window_->resize(900, 500);
  window_->show();
}

void MachinesPanelTest::LoadRegion(int index) {
  state_.regionCode = test::RegionCode(kind_, index);
  panel_->LoadMachineList();
  QTRY_VERIFY_WITH_TIMEOUT(!panel_->LoadRunning(), 20000);
}

std::vector<std::string> MachinesPanelTest::Ops() const {
  std::vector<std::string> ops;
  for (const auto& request : sim_->RecentRequests(500)) ops.push_back(request.value("op", ""));
  return ops;
}

void MachinesPanelTest::loadShowsRowsInOneStepAndRestoresSelection() {
  Build(ProviderKind::Huawei);
  QTableView* grid = window_->findChild<QTableView*>(QStringLiteral("超级列表框_华为云_机器管理"));
  QVERIFY(grid != nullptr);
  QCOMPARE(grid->model()->columnCount(), 8);
  QCOMPARE(grid->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("公网IP"));
  QCOMPARE(grid->columnWidth(7), 130);
  QWidget* indicator = panel_->findChild<QWidget*>(QStringLiteral("图形按钮_加载中"));
  QVERIFY(indicator != nullptr && !indicator->isVisible());

  QSignalSpy resets(grid->model(), &QAbstractItemModel::modelReset);
  QSignalSpy inserts(grid->model(), &QAbstractItemModel::rowsInserted);
  state_.selectedRow = 7;
  state_.regionCode = test::RegionCode(kind_, 1);
  panel_->LoadMachineList();
  QVERIFY(!tabs_->isEnabled());
  QVERIFY(indicator->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!panel_->LoadRunning(), 20000);
  QVERIFY(tabs_->isEnabled());
  QVERIFY(!indicator->isVisible());

  QCOMPARE(grid->model()->rowCount(), 250);
  QCOMPARE(resets.count(), 1);
  QCOMPARE(inserts.count(), 0);
  QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("0"));
  QCOMPARE(grid->model()->index(249, 0).data().toString(), QStringLiteral("249"));
  QCOMPARE(panel_->SelectedRow(), 7);
  QCOMPARE(loadPauses_->Lengths(), std::vector<std::int64_t>{1350});

  // The operator's choice is remembered for the next load.
  grid->selectRow(42);
  QCOMPARE(state_.selectedRow, 42);
  grid->clearSelection();
  QCOMPARE(state_.selectedRow, 42);
}

void MachinesPanelTest::secondLoadReplacesTheRunningOne() {
  Build(ProviderKind::Tencent);
  QVERIFY(sim_->SetFault({{"kind", "latency"}, {"op", "qcloud/instances"}, {"ms", 300}}));
  QSignalSpy resets(&panel_->Model(), &QAbstractItemModel::modelReset);
  state_.regionCode = test::RegionCode(kind_, 1);
  panel_->LoadMachineList();
  // Caught while its first page is in flight (each answer takes 300 ms).
  QTRY_COMPARE(panel_->findChild<QLabel*>(QStringLiteral("标签_腾讯云_进度"))->text(),
               QStringLiteral("正在加载第1/3页"));
  state_.regionCode = test::RegionCode(kind_, 0);
  panel_->LoadMachineList();
  QVERIFY(!tabs_->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(!panel_->LoadRunning(), 20000);
  QVERIFY(tabs_->isEnabled());

  // Only the newer load reached the grid, and the older one stopped asking for pages.
  QCOMPARE(resets.count(), 1);
  QCOMPARE(panel_->Model().rowCount(), 3);
  QCOMPARE(panel_->Model().Rows()[0].Cell(MachineColumn::Id), std::string("ins-demo0001"));
  const auto bodies = test::BodiesOf(*sim_, "instances");
  QVERIFY2(bodies.size() <= 5, "the replaced load went on to its last page");
  QVERIFY(test::EndsWith(bodies.back(), "&region=ap-beijing&offset=0&limit=100"));
}

void MachinesPanelTest::failedCountAndMissingKeysKeepTheRows() {
  Build(ProviderKind::Aliyun);
  LoadRegion(0);
  QCOMPARE(panel_->Model().rowCount(), 3);
  const auto before =
      std::vector<MachineRow>(panel_->Model().Rows().begin(), panel_->Model().Rows().end());

  QVERIFY(sim_->SetFault({{"kind", "fail"}, {"op", "aliyun/instances"}, {"times", 1}}));
  LoadRegion(1);
  QVERIFY(std::equal(before.begin(), before.end(), panel_->Model().Rows().begin(),
                     panel_->Model().Rows().end()));
  QVERIFY(prompter_->Boxes().empty());
  panel_->Grid()->selectRow(2);
  QCOMPARE(panel_->SelectedRow(), 2);

  window_->findChild<QLineEdit*>(QStringLiteral("编辑框_阿里云_secretkey"))
      ->setText(QStringLiteral("  "));
  LoadRegion(1);
  QCOMPARE(panel_->Model().rowCount(), 3);
  QCOMPARE(prompter_->Boxes().size(), std::size_t{1});
  QCOMPARE(Q(prompter_->Boxes()[0].text), QStringLiteral("请先填写SecretId和SecretKey！"));
  QVERIFY(tabs_->isEnabled());
}

void MachinesPanelTest::popupMenuActsOnTheSelectedRow() {
  Build(ProviderKind::Huawei);
  QMenu* menu = panel_->PopupMenu();
  QCOMPARE(menu->title(), QStringLiteral("华为云"));
  QStringList captions;
  for (QAction* action : menu->actions()) captions << action->text();
  QCOMPARE(captions,
           (QStringList{QStringLiteral("刷新"), QStringLiteral("启动"), QStringLiteral("关机"),
                        QStringLiteral("释放"), QStringLiteral("重装")}));
  LoadRegion(0);

  // Nothing selected: one notice, nothing sent, no reload.
  panel_->Grid()->clearSelection();
  prompter_->ClearBoxes();
  sim_->Reset();
  menu->actions()[3]->trigger();
  QCOMPARE(prompter_->Boxes().size(), std::size_t{1});
  QCOMPARE(Q(prompter_->Boxes()[0].text), QStringLiteral("您还未选择服务器！"));
  QVERIFY(!panel_->LoadRunning());

  // Cancelled: the question and nothing else.
  panel_->Grid()->selectRow(0);
  prompter_->ClearBoxes();
  prompter_->QueueAnswer(MessageAnswer::Cancel);
  menu->actions()[2]->trigger();
  QCOMPARE(prompter_->Boxes().size(), std::size_t{1});
  QCOMPARE(prompter_->Boxes()[0].buttons, MessageButtons::OkCancel);
  QVERIFY(!panel_->LoadRunning());
  QVERIFY(Ops().empty());

  // Confirmed: the request, then the reload, then the notice.
  prompter_->ClearBoxes();
  menu->actions()[2]->trigger();
  QVERIFY(panel_->LoadRunning());
  const auto boxes = prompter_->Boxes();
  QCOMPARE(boxes.size(), std::size_t{2});
  QCOMPARE(Q(boxes[0].text), QStringLiteral("确定要关闭主机？关闭后将停止计费！"));
  QCOMPARE(boxes[0].icon, MessageIcon::Question);
  QCOMPARE(Q(boxes[1].text), QStringLiteral("已执行操作！"));
  QTRY_VERIFY_WITH_TIMEOUT(!panel_->LoadRunning(), 20000);
  const auto ops = Ops();
  QVERIFY(!ops.empty());
  QCOMPARE(ops.front(), std::string("stopinstances"));
  QCOMPARE(ops.back(), std::string("instances"));
  QVERIFY(test::EndsWith(test::BodiesOf(*sim_, "stopinstances")[0],
                         "&instanceids=[d3b07384-d9a0-4c9b-8f3e-000000000001]"));

  // 重装 hands the selected row on.
  QSignalSpy reinstall(panel_, &MachinesPanel::ReinstallRequested);
  panel_->Grid()->selectRow(1);
  menu->actions()[4]->trigger();
  QCOMPARE(reinstall.count(), 1);
  QCOMPARE(reinstall.at(0).at(0).toInt(), 1);
}

void MachinesPanelTest::batchSendsQualifyingRowsAndIsRefusedWhileRunning() {
  Build(ProviderKind::Huawei);
  auto* stopAll = window_->findChild<QPushButton*>(QStringLiteral("按钮_华为云_全部关机"));
  QVERIFY(stopAll != nullptr);
  QCOMPARE(stopAll->text(), QStringLiteral("全部关机"));

  // An empty grid is refused outright.
  stopAll->click();
  QCOMPARE(prompter_->Boxes().size(), std::size_t{1});
  QCOMPARE(Q(prompter_->Boxes()[0].text), QStringLiteral("无可用机器资源！"));
  QCOMPARE(prompter_->Boxes()[0].icon, MessageIcon::Warning);

  LoadRegion(0);
  sim_->Reset();
  prompter_->ClearBoxes();
  auto* reinstallAll = new QPushButton(QStringLiteral("全部重装"));
  panel_->AddBatchButton(reinstallAll);
  bool refusedDuringPause = false;
  uiPauser_.onPause = [&] {
    if (uiPauser_.lengths.size() != 1) return;
    auto* startAll = window_->findChild<QPushButton*>(QStringLiteral("按钮_华为云_全部启动"));
    refusedDuringPause = !startAll->isEnabled() && !reinstallAll->isEnabled() &&
                         !panel_->PopupMenu()->actions()[1]->isEnabled();
    panel_->RunBatchAction(MachineAction::Start);  // must not start a second batch
    panel_->RunSingleAction(MachineAction::Release);
  };
  stopAll->click();
  QVERIFY(refusedDuringPause);
  QCOMPARE(uiPauser_.lengths, (std::vector<std::int64_t>{350, 1350}));
  const auto boxes = prompter_->Boxes();
  QCOMPARE(boxes.size(), std::size_t{2});
  QCOMPARE(Q(boxes[0].text), QStringLiteral("确定要全部关机？"));
  QCOMPARE(Q(boxes[1].text), QStringLiteral("已执行操作！"));
  QTRY_VERIFY_WITH_TIMEOUT(!panel_->LoadRunning(), 20000);
  QVERIFY(stopAll->isEnabled());

  const auto bodies = test::BodiesOf(*sim_, "stopinstances");
  QCOMPARE(bodies.size(), std::size_t{1});
  QVERIFY(test::EndsWith(bodies[0],
                         "&instanceids=d3b07384-d9a0-4c9b-8f3e-000000000001,"
                         "d3b07384-d9a0-4c9b-8f3e-000000000003,"));
  QVERIFY(test::BodiesOf(*sim_, "startinstances").empty());
  QVERIFY(test::BodiesOf(*sim_, "terminateinstances").empty());
}

void MachinesPanelTest::addressListAndCopy() {
  Build(ProviderKind::Tencent);
  auto* button = window_->findChild<QPushButton*>(QStringLiteral("按钮_腾讯云_提取全部IP"));
  QVERIFY(button != nullptr);
  QCOMPARE(button->text(), QStringLiteral("提取公网IP"));
  button->click();  // empty grid: a warning and no window
  QCOMPARE(prompter_->Boxes().size(), std::size_t{1});
  QCOMPARE(Q(prompter_->Boxes()[0].text), QStringLiteral("无可用机器资源！"));

  LoadRegion(0);
  prompter_->ClearBoxes();
  QString caption, shown, copied;
  test::ModalDriver driver([&](QDialog* dialog) {
    caption = dialog->findChild<QGroupBox*>(QStringLiteral("分组框_机器IP列表"))->title();
    shown = dialog->findChild<QPlainTextEdit*>(QStringLiteral("编辑框_机器IP列表"))->toPlainText();
    dialog->findChild<QPushButton*>(QStringLiteral("按钮1"))->click();
    copied = QApplication::clipboard()->text();
    dialog->close();
  });
  button->click();
  QCOMPARE(caption, QStringLiteral("机器IP列表（共2行）"));
  QCOMPARE(shown, QStringLiteral("43.138.20.11,43.138.20.12\n43.138.20.13\n"));
  QCOMPARE(copied, QStringLiteral("43.138.20.11,43.138.20.12\r\n43.138.20.13\r\n"));
  QCOMPARE(prompter_->Boxes().size(), std::size_t{1});
  QCOMPARE(Q(prompter_->Boxes()[0].text), QStringLiteral("已复制到剪辑版，按 Ctrl + V 粘贴!"));
}

}  // namespace ydt

QTEST_MAIN(ydt::MachinesPanelTest)
#include "machines_panel_test.moc"
