// The machine panel as the operator uses it, against the stand-in backend: loads, their
// serialisation, the popup menu's actions, the batch buttons and the address list; and the
// tools for large fleets: filter and sort, actions on chosen machines, export, the result
// window with its retry, and the quiet refresh while machines settle.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <map>
#include <memory>

#include "consoles/machines/machine_sort_key.h"
#include "consoles/machines/sim_session.h"
#include "consoles/machines/state_counts.h"
#include "consoles/machines/ui/machine_filter_proxy.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/machines_panel.h"
#include "consoles/machines/ui/run_result_window.h"
#include "service/text/text.h"
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

// The cells of one column as the grid shows them, top to bottom.
QStringList Shown(const QTableView* grid, MachineColumn column) {
  QStringList cells;
  for (int row = 0; row < grid->model()->rowCount(); ++row) {
    cells << grid->model()->index(row, static_cast<int>(column)).data().toString();
  }
  return cells;
}

// Chooses the grid's shown rows [first, last] as a Shift-click would.
void ChooseShown(QTableView* grid, int first, int last) {
  const QAbstractItemModel* model = grid->model();
  grid->selectionModel()->select(
      QItemSelection(model->index(first, 0), model->index(last, model->columnCount() - 1)),
      QItemSelectionModel::ClearAndSelect);
  grid->selectionModel()->setCurrentIndex(model->index(first, 0), QItemSelectionModel::NoUpdate);
}

// Chooses 120 rows of a 250-machine region that the stand-in lets start and stop: it made
// the machines at 50, 147 and 244 failed ones, which refuse both.
void ChooseActionableRows(QTableView* grid) {
  const QAbstractItemModel* model = grid->model();
  const int last = model->columnCount() - 1;
  QItemSelection chosen(model->index(0, 0), model->index(49, last));
  chosen.select(model->index(51, 0), model->index(120, last));
  grid->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
}

std::size_t CountLinesWith(const RecordingLogSink& log, const std::string& part) {
  std::size_t n = 0;
  for (const std::string& line : log.Lines()) n += line.find(part) != std::string::npos ? 1 : 0;
  return n;
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
  void filterAndSortKeepTheMachinesOwnRows();
  void chosenMachinesActInListsOfAHundred();
  void failedRequestIsListedAndRetriedAlone();
  void exportWritesTheShownRows();
  void quietRefreshFollowsTheMachinesUntilTheySettle();
  void quietRefreshGivesUpAtItsLimitOrWhenSwitchedOff();

 private:
  void Build(ProviderKind kind, std::chrono::milliseconds quietLimit = std::chrono::seconds(20));
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
  std::map<std::string, std::string, std::less<>> settings_;
  QString exportPath_;
};

void MachinesPanelTest::initTestCase() {
  // Machines stay in a passing state long enough for a reload to see them there.
  sim_ = std::make_unique<test::SimProcess>(std::vector<std::string>{"--transition-ms", "3000"});
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
  settings_.clear();
  exportPath_.clear();
}

void MachinesPanelTest::cleanup() {
  if (panel_ != nullptr) QTRY_VERIFY(!panel_->LoadRunning());
  panel_ = nullptr;
  window_.reset();
}

void MachinesPanelTest::Build(ProviderKind kind, std::chrono::milliseconds quietLimit) {
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
  env.settings.read = [this](std::string_view key, std::string_view defaultText) {
    const auto found = settings_.find(key);
    return found == settings_.end() ? std::string(defaultText) : found->second;
  };
  env.settings.write = [this](std::string_view key, std::string_view text) {
    settings_[std::string(key)] = std::string(text);
  };
  env.chooseExportFile = [this](const QString&) { return exportPath_; };
  env.quietRefreshInterval = std::chrono::milliseconds(100);
  env.quietRefreshLimit = quietLimit;
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
                        QStringLiteral("释放"), QStringLiteral("重装"), QString(),
                        QStringLiteral("复制ID"), QStringLiteral("复制公网IP")}));
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

void MachinesPanelTest::filterAndSortKeepTheMachinesOwnRows() {
  Build(ProviderKind::Tencent);
  LoadRegion(1);
  QTableView* grid = panel_->Grid();
  auto* filter = window_->findChild<QLineEdit*>(QStringLiteral("编辑框_腾讯云_筛选"));
  auto* shown = window_->findChild<QLabel*>(QStringLiteral("标签_腾讯云_显示数量"));
  auto* counts = window_->findChild<QLabel*>(QStringLiteral("标签_腾讯云_状态统计"));
  QVERIFY(filter != nullptr && shown != nullptr && counts != nullptr);
  QVERIFY(filter->isClearButtonEnabled());
  QCOMPARE(shown->text(), QStringLiteral("显示 250 / 共 250 台"));
  QCOMPARE(counts->text(), Q(StateCountsText(CountStates(panel_->Model().Rows()))));

  // Part of one machine's address, typed in upper case where it has letters, finds it alone.
  const MachineRow& target = panel_->Model().Rows()[137];
  const std::string address = target.Cell(MachineColumn::PublicAddress);
  QVERIFY(!address.empty());
  filter->setText(Q(address.substr(address.size() / 2)));
  QStringList ids = Shown(grid, MachineColumn::Id);
  QVERIFY2(ids.contains(Q(target.Cell(MachineColumn::Id))), qPrintable(ids.join(u' ')));
  filter->setText(Q(address) + QStringLiteral("  ") +
                  Q(ToUpperText(target.Cell(MachineColumn::Id))));
  QCOMPARE(Shown(grid, MachineColumn::RowNumber), QStringList{QStringLiteral("138")});
  QCOMPARE(shown->text(), QStringLiteral("显示 1 / 共 250 台"));
  grid->selectRow(0);
  QCOMPARE(panel_->SelectedRow(), 137);
  QCOMPARE(state_.selectedRow, 137);
  QVERIFY(panel_->SelectedMachineText().startsWith(Q(target.Cell(MachineColumn::Id) + " ")));
  filter->clear();
  QCOMPARE(grid->model()->rowCount(), 250);

  // Row numbers sort as numbers, ascending first, then descending; a reload keeps the order
  // and selects the remembered machine where it now stands.
  grid->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
  QCOMPARE(Shown(grid, MachineColumn::RowNumber).mid(8, 3),
           (QStringList{QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("11")}));
  grid->horizontalHeader()->setSortIndicator(0, Qt::DescendingOrder);
  QCOMPARE(Shown(grid, MachineColumn::RowNumber).front(), QStringLiteral("250"));
  LoadRegion(1);
  QCOMPARE(Shown(grid, MachineColumn::RowNumber).front(), QStringLiteral("250"));
  QCOMPARE(panel_->SelectedRow(), 137);
  QCOMPARE(grid->selectionModel()->selectedRows().front().row(), 250 - 138);

  // Addresses sort by their numbers, empty ones first.
  grid->horizontalHeader()->setSortIndicator(5, Qt::AscendingOrder);
  const QStringList addresses = Shown(grid, MachineColumn::PublicAddress);
  for (int i = 1; i < addresses.size(); ++i) {
    const auto before = Ipv4Number(addresses[i - 1].section(u',', 0, 0).toStdString());
    const auto after = Ipv4Number(addresses[i].section(u',', 0, 0).toStdString());
    QVERIFY2(addresses[i - 1].isEmpty() || (before && after && *before <= *after),
             qPrintable(addresses[i - 1] + u' ' + addresses[i]));
  }
}

void MachinesPanelTest::chosenMachinesActInListsOfAHundred() {
  Build(ProviderKind::Huawei);
  LoadRegion(1);
  sim_->Reset();
  QTableView* grid = panel_->Grid();
  // Running and stopped machines alike: chosen machines are all sent, where the batch
  // button would send only the stopped ones.
  ChooseActionableRows(grid);
  std::vector<std::string> ids;
  for (int row : panel_->SelectedRows()) {
    ids.push_back(panel_->Model().Rows()[static_cast<std::size_t>(row)].Cell(MachineColumn::Id));
  }
  QCOMPARE(ids.size(), std::size_t{120});
  prompter_->ClearBoxes();
  panel_->PopupMenu()->actions()[1]->trigger();
  const auto boxes = prompter_->Boxes();
  QCOMPARE(boxes.size(), std::size_t{2});
  QCOMPARE(Q(boxes[0].text), QStringLiteral("确定要启动选中的 120 台主机？"));
  QCOMPARE(Q(boxes[1].text), QStringLiteral("已执行操作！"));
  QCOMPARE(uiPauser_.lengths, (std::vector<std::int64_t>{350, 1350}));
  const auto lists = BatchIdLists(ids);
  const auto bodies = test::BodiesOf(*sim_, "startinstances");
  QCOMPARE(bodies.size(), std::size_t{2});
  QVERIFY(test::EndsWith(bodies[0], "&instanceids=" + lists[0]));
  QVERIFY(test::EndsWith(bodies[1], "&instanceids=" + lists[1]));
  QCOMPARE(
      CountLinesWith(*log_, "] [华为云 - 启动主机（选中 120 台）] 共 2 个请求：成功 2，失败 0"),
      std::size_t{1});
  QVERIFY(window_->findChild<RunResultWindow*>() == nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(!panel_->LoadRunning(), 20000);

  // Ctrl+A chooses every row shown.
  QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
  QCOMPARE(panel_->SelectedRows().size(), std::size_t{250});
  // QTest leaves the application believing Ctrl is still held; let it go.
  QTest::keyRelease(grid, Qt::Key_Control);
  QCOMPARE(QGuiApplication::keyboardModifiers(), Qt::NoModifier);

  // Copying takes the chosen rows in the order shown, one a line.
  ChooseShown(grid, 3, 4);
  panel_->PopupMenu()->actions()[6]->trigger();
  const auto rows = panel_->Model().Rows();
  QCOMPARE(QApplication::clipboard()->text(),
           Q(rows[3].Cell(MachineColumn::Id) + "\r\n" + rows[4].Cell(MachineColumn::Id)));
}

void MachinesPanelTest::failedRequestIsListedAndRetriedAlone() {
  Build(ProviderKind::Tencent);
  LoadRegion(1);
  sim_->Reset();
  QVERIFY(sim_->SetFault({{"kind", "fail"},
                          {"op", "qcloud/stopinstances"},
                          {"times", 1},
                          {"code", 1003},
                          {"msg", "实例状态不允许"}}));
  ChooseActionableRows(panel_->Grid());
  panel_->RunSingleAction(MachineAction::Stop);
  QCOMPARE(Q(prompter_->Boxes()[0].text), QStringLiteral("确定要关闭选中的 120 台主机？"));
  QCOMPARE(CountLinesWith(*log_, "[腾讯云 - 关闭主机（选中 120 台）] 共 2 个请求：成功 1，失败 1"),
           std::size_t{1});
  const auto bodies = test::BodiesOf(*sim_, "stopinstances");
  QCOMPARE(bodies.size(), std::size_t{2});
  const std::string failedList = bodies[0].substr(bodies[0].find("&instanceids=") + 13);

  auto* result = window_->findChild<RunResultWindow*>();
  QVERIFY(result != nullptr && result->isVisible());
  auto* table = result->findChild<QTableWidget*>(QStringLiteral("列表框_失败请求"));
  QCOMPARE(table->rowCount(), 1);
  QCOMPARE(table->item(0, 0)->text(), Q(failedList));
  QCOMPARE(table->item(0, 1)->text(), QStringLiteral("1003"));
  QCOMPARE(table->item(0, 2)->text(), QStringLiteral("实例状态不允许"));

  auto* retry = result->findChild<QPushButton*>(QStringLiteral("按钮_重试失败项"));
  QVERIFY(retry->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(!panel_->LoadRunning(), 20000);
  uiPauser_.lengths.clear();
  retry->click();
  const auto again = test::BodiesOf(*sim_, "stopinstances");
  QCOMPARE(again.size(), std::size_t{3});
  QVERIFY(test::EndsWith(again[2], "&instanceids=" + failedList));
  QCOMPARE(uiPauser_.lengths, std::vector<std::int64_t>{1350});
  QCOMPARE(table->rowCount(), 0);
  QVERIFY(!retry->isEnabled());
  QVERIFY(result->findChild<QLabel*>(QStringLiteral("标签_执行结果"))
              ->text()
              .endsWith(QStringLiteral("全部成功")));
  QCOMPARE(CountLinesWith(*log_, "（选中 120 台）（重试）] 共 1 个请求：成功 1，失败 0"),
           std::size_t{1});
  result->close();
}

void MachinesPanelTest::exportWritesTheShownRows() {
  Build(ProviderKind::Huawei);
  LoadRegion(0);
  QTemporaryDir folder;
  exportPath_ = folder.filePath(QStringLiteral("导出.csv"));
  window_->findChild<QLineEdit*>(QStringLiteral("编辑框_华为云_筛选"))
      ->setText(QStringLiteral("运行中"));
  panel_->Grid()->horizontalHeader()->setSortIndicator(0, Qt::DescendingOrder);
  const std::vector<const MachineRow*> rows = panel_->ShownRows();
  QCOMPARE(static_cast<int>(rows.size()), CountStates(panel_->Model().Rows()).running);
  QVERIFY(!rows.empty());
  window_->findChild<QPushButton*>(QStringLiteral("按钮_华为云_导出"))->click();
  QFile file(exportPath_);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
  const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
  QCOMPARE(lines.size(), static_cast<qsizetype>(rows.size()) + 2);  // header, rows, the last break
  QCOMPARE(lines[0], QStringLiteral("行,ID,状态,配置,系统,公网IP,镜像ID,创建时间"));
  QVERIFY(lines[1].startsWith(Q(rows[0]->Cell(MachineColumn::RowNumber) + "," +
                                rows[0]->Cell(MachineColumn::Id) + ",运行中,")));
  QCOMPARE(
      CountLinesWith(*log_, "[华为云 - 导出] 已导出 " + std::to_string(rows.size()) + " 台主机到 "),
      std::size_t{1});

  // A folder that is not there: the operator is told, nothing is left behind.
  exportPath_ = folder.filePath(QStringLiteral("missing/x.csv"));
  prompter_->ClearBoxes();
  panel_->ExportShownRows();
  QCOMPARE(prompter_->Boxes().size(), std::size_t{1});
  QVERIFY(Q(prompter_->Boxes()[0].text).startsWith(QStringLiteral("导出失败：")));
}

void MachinesPanelTest::quietRefreshFollowsTheMachinesUntilTheySettle() {
  Build(ProviderKind::Tencent);
  LoadRegion(1);
  QTableView* grid = panel_->Grid();
  grid->scrollTo(grid->model()->index(200, 0), QAbstractItemView::PositionAtTop);
  ChooseShown(grid, 200, 211);
  const int scrolled = grid->verticalScrollBar()->value();
  QVERIFY(scrolled > 0);
  const std::vector<int> chosen = panel_->SelectedRows();
  int running = 0;  // a stopped machine stays as it is
  for (int row : chosen) {
    running += panel_->Model().Rows()[static_cast<std::size_t>(row)].Cell(MachineColumn::State) ==
               "运行中";
  }

  QSignalSpy quiet(panel_, &MachinesPanel::QuietRefreshFinished);
  bool tabsHeld = false;
  QTimer watch;
  connect(&watch, &QTimer::timeout, this, [&] {
    if (!panel_->LoadRunning() && !tabs_->isEnabled()) tabsHeld = true;
  });
  panel_->RunSingleAction(MachineAction::Stop);
  QVERIFY(panel_->WatchingForSettling());
  QTRY_VERIFY_WITH_TIMEOUT(!panel_->LoadRunning(), 20000);
  const std::size_t logged = log_->Lines().size();
  QCOMPARE(CountStates(panel_->Model().Rows()).transitional, running);
  // The reload after the action selected the remembered row, as every load does; the
  // operator chooses the twelve again and looks elsewhere while they settle.
  ChooseShown(grid, 200, 211);
  grid->verticalScrollBar()->setValue(scrolled + 7);
  watch.start(10);

  QTRY_VERIFY_WITH_TIMEOUT(!panel_->WatchingForSettling(), 20000);
  QVERIFY(quiet.count() >= 1);
  QVERIFY(!tabsHeld);
  QCOMPARE(CountStates(panel_->Model().Rows()).transitional, 0);
  for (int row : chosen) {
    QCOMPARE(panel_->Model().Rows()[static_cast<std::size_t>(row)].Cell(MachineColumn::State),
             std::string("关机"));
  }
  QCOMPARE(log_->Lines().size(), logged);  // not a line for a quiet page
  QCOMPARE(panel_->SelectedRows(), chosen);
  QCOMPARE(grid->verticalScrollBar()->value(), scrolled + 7);
}

void MachinesPanelTest::quietRefreshGivesUpAtItsLimitOrWhenSwitchedOff() {
  Build(ProviderKind::Tencent, std::chrono::milliseconds(400));
  LoadRegion(0);
  const auto rows = panel_->Model().Rows();
  const auto running = std::find_if(rows.begin(), rows.end(), [](const MachineRow& row) {
    return row.Cell(MachineColumn::State) == "运行中";
  });
  QVERIFY(running != rows.end());
  panel_->Grid()->selectRow(static_cast<int>(running - rows.begin()));
  panel_->RunSingleAction(MachineAction::Stop);
  QTRY_VERIFY_WITH_TIMEOUT(!panel_->WatchingForSettling(), 5000);
  // Stopped by the limit, with the machine still on its way.
  QCOMPARE(CountStates(panel_->Model().Rows()).transitional, 1);

  // Switched off by the operator: remembered, and no watch starts.
  auto* box = window_->findChild<QCheckBox*>(QStringLiteral("选择框_腾讯云_自动刷新"));
  QVERIFY(box->isChecked());
  box->click();
  QCOMPARE(settings_["auto_refresh"], std::string("0"));
  panel_->WatchForSettling();
  QVERIFY(!panel_->WatchingForSettling());
  box->setChecked(true);
  panel_->LoadSettings();
  QVERIFY(!box->isChecked());
  settings_.clear();
  panel_->LoadSettings();
  QVERIFY(box->isChecked());
}

}  // namespace ydt

QTEST_MAIN(ydt::MachinesPanelTest)
#include "machines_panel_test.moc"
