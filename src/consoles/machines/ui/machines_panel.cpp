#include "consoles/machines/ui/machines_panel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>
#include <thread>

#include "consoles/machines/batch_plan.h"
#include "consoles/machines/ui/address_list_dialog.h"
#include "consoles/machines/ui/loading_indicator.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/stop_aware_sleep.h"
#include "ui/app_context.h"
#include "ui/qt_prompter.h"
#include "ui/task_runner.h"

namespace ydt {

namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Name(std::string_view controlKind, ProviderKind kind, std::string_view role) {
  return QString::fromStdString(WidgetName(controlKind, kind, role));
}

// Loads of all three providers share the one tab control; it comes back only when the
// last of them has ended.
constexpr char kBusyCountProperty[] = "ydtMachineLoadsRunning";

}  // namespace

MachinesPanel::MachinesPanel(ProviderKind kind, MachinesEnvironment environment, QWidget* parent)
    : QWidget(parent), kind_(kind), env_(std::move(environment)) {
  BuildWidgets();
}

MachinesPanel::MachinesPanel(ProviderKind kind, AppContext& context, QWidget* parent)
    : MachinesPanel(kind, MachinesEnvironment::FromContext(context, kind), parent) {}

MachinesPanel::~MachinesPanel() {
  if (runningLoad_) runningLoad_->request_stop();
  if (busy_) SetBusy(false);
}

void MachinesPanel::BuildWidgets() {
  model_ = new MachineTableModel(this);
  grid_ = new QTableView(this);
  grid_->setObjectName(Name("超级列表框", kind_, "机器管理"));
  grid_->setModel(model_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setAlternatingRowColors(true);
  grid_->setWordWrap(false);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  grid_->verticalHeader()->hide();
  // Fixed row heights keep a reset of ten thousand rows from measuring each of them.
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid_->horizontalHeader()->setStretchLastSection(false);
  grid_->horizontalHeader()->setHighlightSections(false);
  for (int column = 0; column < kMachineColumnCount; ++column) {
    grid_->setColumnWidth(column, kMachineColumns[static_cast<std::size_t>(column)].width);
  }

  connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    const int row = SelectedRow();
    if (row >= 0 && env_.state != nullptr) env_.state->selectedRow = row;
  });

  menu_ = new QMenu(FromView(Info(kind_).displayName), this);
  QAction* refresh = menu_->addAction(QStringLiteral("刷新"));
  connect(refresh, &QAction::triggered, this, &MachinesPanel::LoadMachineList);
  for (MachineAction action : {MachineAction::Start, MachineAction::Stop, MachineAction::Release}) {
    QAction* item = menu_->addAction(FromView(ActionInfo(action).menuText));
    connect(item, &QAction::triggered, this, [this, action] { RunSingleAction(action); });
  }
  QAction* reinstall = menu_->addAction(QStringLiteral("重装"));
  connect(reinstall, &QAction::triggered, this, &MachinesPanel::ReinstallSelected);
  connect(grid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { menu_->popup(grid_->viewport()->mapToGlobal(at)); });

  buttonRow_ = new QHBoxLayout;
  for (MachineAction action : {MachineAction::Start, MachineAction::Stop, MachineAction::Release}) {
    const std::string_view role = ActionInfo(action).batchButtonRole;
    auto* button = new QPushButton(FromView(role), this);
    button->setObjectName(Name("按钮", kind_, role));
    connect(button, &QPushButton::clicked, this, [this, action] { RunBatchAction(action); });
    buttonRow_->addWidget(button);
    batchControls_.push_back(button);
  }
  auto* addresses = new QPushButton(QStringLiteral("提取公网IP"), this);
  addresses->setObjectName(Name("按钮", kind_, "提取全部IP"));
  connect(addresses, &QPushButton::clicked, this, &MachinesPanel::ShowAddressList);
  buttonRow_->addWidget(addresses);
  buttonRow_->addStretch(1);

  indicator_ = new LoadingIndicator(this);
  indicator_->hide();
  progress_ = new QLabel(this);
  progress_->setObjectName(Name("标签", kind_, "进度"));
  progress_->hide();
  buttonRow_->addWidget(indicator_);
  buttonRow_->addWidget(progress_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(grid_, 1);
  layout->addLayout(buttonRow_);
  setTabOrder(grid_, batchControls_.front());
}

void MachinesPanel::AddBatchButton(QWidget* button) {
  buttonRow_->insertWidget(static_cast<int>(batchControls_.size()) + 1, button);
  // A further batch of this provider must not start inside one of its batch's pauses either.
  batchControls_.push_back(button);
  button->setEnabled(!batchRunning_);
}

void MachinesPanel::SetReinstallHandler(std::function<void(int row)> handler) {
  reinstallHandler_ = std::move(handler);
}

int MachinesPanel::SelectedRow() const {
  const QModelIndexList rows = grid_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

QWidget* MachinesPanel::TabControl() const {
  for (QWidget* widget = parentWidget(); widget != nullptr; widget = widget->parentWidget()) {
    if (widget->objectName() == QStringLiteral("高级选择夹1")) return widget;
  }
  return window()->findChild<QWidget*>(QStringLiteral("高级选择夹1"));
}

AccessKeys MachinesPanel::ReadKeys() const {
  if (env_.readKeys) return env_.readKeys();
  auto* id = window()->findChild<QLineEdit*>(Name("编辑框", kind_, "secretid"));
  auto* key = window()->findChild<QLineEdit*>(Name("编辑框", kind_, "secretkey"));
  return AccessKeys::FromBoxes(id ? id->text().toStdString() : std::string(),
                               key ? key->text().toStdString() : std::string());
}

std::int64_t MachinesPanel::BatchDelay() const {
  return env_.batchDelay ? env_.batchDelay() : 100;
}

MachineActionTarget MachinesPanel::Target() const {
  return {kind_, ReadKeys(), env_.state ? env_.state->regionCode : std::string(), Owner()};
}

WindowRef MachinesPanel::Owner() const {
  return env_.owner.id != nullptr ? env_.owner : WindowRefOf(window());
}

ExchangeRunner MachinesPanel::Exchange() const {
  return env_.runExchange ? env_.runExchange : ExchangeRunner(RunBlocking);
}

void MachinesPanel::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  indicator_->setVisible(busy);
  progress_->setVisible(busy || batchRunning_);
  if (!busy) progress_->clear();
  if (QWidget* tabs = TabControl()) {
    const int running = tabs->property(kBusyCountProperty).toInt() + (busy ? 1 : -1);
    tabs->setProperty(kBusyCountProperty, running);
    tabs->setEnabled(running <= 0);
  }
}

void MachinesPanel::LoadMachineList() {
  if (loadRunning_) {
    loadPending_ = true;
    if (runningLoad_) runningLoad_->request_stop();
    return;
  }
  StartLoad();
}

void MachinesPanel::StartLoad() {
  loadRunning_ = true;
  SetBusy(true);
  progress_->setText(QStringLiteral("正在加载机器列表…"));

  MachineListLoader::Request request;
  request.kind = kind_;
  request.keys = ReadKeys();
  request.regionCode = env_.state ? env_.state->regionCode : std::string();
  request.batchDelay = BatchDelay();

  auto stop = std::make_shared<std::stop_source>();
  runningLoad_ = stop;
  QPointer<QObject> guard(this);
  MachinesEnvironment env = env_;
  env.owner = Owner();
  MachinesPanel* panel = this;  // dereferenced only inside PostToUi, after the guard check
  auto work = [env, request, stop, guard, panel] {
    std::unique_ptr<Pauser> pauser = env.makeLoadPauser
                                         ? env.makeLoadPauser(stop->get_token())
                                         : std::make_unique<StopAwareSleep>(stop->get_token());
    MachineListLoader loader(*env.client, *env.prompter, *pauser, env.owner);
    auto progress = [guard, panel](int page, int pageCount) {
      PostToUi(guard, [panel, page, pageCount] { panel->ShowLoadProgress(page, pageCount); });
    };
    auto result = std::make_shared<MachineListLoader::Result>(
        loader.Load(request, stop->get_token(), progress));
    PostToUi(guard, [panel, result] { panel->FinishLoad(std::move(*result)); });
  };
  if (env_.startTask) {
    env_.startTask(std::move(work));
  } else {
    std::thread(std::move(work)).detach();
  }
}

void MachinesPanel::ShowLoadProgress(int page, int pageCount) {
  if (!loadRunning_) return;
  progress_->setText(QStringLiteral("正在加载第%1/%2页").arg(page).arg(pageCount));
}

void MachinesPanel::FinishLoad(MachineListLoader::Result result) {
  loadRunning_ = false;
  runningLoad_.reset();
  // With a newer load waiting these rows are already out of date; it shows its own.
  if (result.outcome == MachineListLoader::Outcome::Loaded && result.rows && !loadPending_) {
    model_->SetRows(std::move(*result.rows));
    RestoreSelection();
  }
  if (loadPending_) {
    loadPending_ = false;
    StartLoad();  // still busy: the tab control stays disabled in between
  } else {
    SetBusy(false);
  }
  emit LoadFinished();
}

void MachinesPanel::RestoreSelection() {
  const int row = env_.state ? env_.state->selectedRow : 0;
  if (row < 0 || row >= model_->rowCount()) return;
  grid_->selectRow(row);
  grid_->scrollTo(model_->index(row, 0));
}

void MachinesPanel::SetBatchRunning(bool running) {
  batchRunning_ = running;
  for (QWidget* control : batchControls_) control->setEnabled(!running);
  const QList<QAction*> actions = menu_->actions();
  for (int i = 1; i < actions.size(); ++i) actions[i]->setEnabled(!running);
  progress_->setVisible(running || busy_);
  if (!running && !busy_) progress_->clear();
}

void MachinesPanel::RunSingleAction(MachineAction action) {
  if (batchRunning_ || env_.prompter == nullptr) return;
  Prompter& prompter = *env_.prompter;
  const int row = SelectedRow();
  if (row < 0) {
    prompter.Show(WindowRef{}, std::string(kNoSelectionText), MessageIcon::Information);
    return;
  }
  // Taken before asking: the operator confirms the machine they saw selected, even if a
  // reload lands while the question is open.
  const std::string ids =
      "[" + model_->Rows()[static_cast<std::size_t>(row)].Cell(MachineColumn::Id) + "]";
  if (prompter.Show(Owner(), std::string(ActionInfo(action).confirmation), MessageIcon::Question,
                    MessageButtons::OkCancel) != MessageAnswer::Ok) {
    return;
  }
  QPointer<MachinesPanel> guard(this);
  SendMachineAction(*env_.client, prompter, Target(), action, ids, Exchange());
  if (!guard) return;
  LoadMachineList();
  prompter.Show(Owner(), std::string(kActionDoneText), MessageIcon::Information);
}

void MachinesPanel::RunBatchAction(MachineAction action) {
  if (batchRunning_ || env_.prompter == nullptr) return;
  Prompter& prompter = *env_.prompter;
  if (model_->rowCount() < 1) {
    prompter.Show(Owner(), std::string(kNoMachinesText), MessageIcon::Warning);
    return;
  }
  if (prompter.Show(Owner(), std::string(ActionInfo(action).batchConfirmation),
                    MessageIcon::Question, MessageButtons::OkCancel) != MessageAnswer::Ok) {
    return;
  }
  // The rows are taken once, here: a reload during one of the pauses must not change which
  // machines this batch goes on to send, nor send one twice.
  const std::vector<BatchStep> steps =
      PlanBatchMachineAction(kind_, action, model_->Rows(), BatchDelay());
  const MachineActionTarget target = Target();
  const ExchangeRunner exchange = Exchange();
  QPointer<MachinesPanel> guard(this);
  SetBatchRunning(true);
  RunBatchPlan(
      steps,
      [&](const std::string& ids) {
        SendMachineAction(*env_.client, prompter, target, action, ids, exchange);
      },
      *env_.uiPauser,
      [&](int request, int requestCount) {
        if (guard) {
          progress_->setText(
              QStringLiteral("正在执行第%1/%2个请求").arg(request).arg(requestCount));
        }
      },
      [&] { return !guard.isNull(); });
  if (!guard) return;
  SetBatchRunning(false);
  LoadMachineList();
  prompter.Show(Owner(), std::string(kActionDoneText), MessageIcon::Information);
  emit BatchFinished();
}

void MachinesPanel::ShowAddressList() {
  if (env_.prompter == nullptr) return;
  if (model_->rowCount() < 1) {
    env_.prompter->Show(Owner(), std::string(kNoMachinesText), MessageIcon::Warning);
    return;
  }
  AddressListDialog dialog(model_->Rows(), *env_.prompter, window());
  dialog.exec();
}

void MachinesPanel::ReinstallSelected() {
  if (batchRunning_ || env_.prompter == nullptr) return;
  const int row = SelectedRow();
  if (row < 0) {
    env_.prompter->Show(WindowRef{}, std::string(kNoSelectionText), MessageIcon::Information);
    return;
  }
  if (reinstallHandler_) reinstallHandler_(row);
  emit ReinstallRequested(row);
}

}  // namespace ydt
