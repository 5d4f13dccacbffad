#include "consoles/machines/ui/machines_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>
#include <thread>
#include <unordered_map>

#include "consoles/machines/machine_csv.h"
#include "consoles/machines/machine_filter.h"
#include "consoles/machines/state_counts.h"
#include "consoles/machines/ui/address_list_dialog.h"
#include "consoles/machines/ui/loading_indicator.h"
#include "consoles/machines/ui/machine_filter_proxy.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/run_result_window.h"
#include "consoles/machines/ui/stop_aware_sleep.h"
#include "service/text/text.h"
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

constexpr std::string_view kAutoRefreshKey = "auto_refresh";

QString JoinLines(const std::vector<std::string>& lines) {
  QStringList texts;
  for (const std::string& line : lines) texts << QString::fromStdString(line);
  return texts.join(QStringLiteral("\r\n"));
}

}  // namespace

MachinesPanel::MachinesPanel(ProviderKind kind, MachinesEnvironment environment, QWidget* parent)
    : QWidget(parent), kind_(kind), env_(std::move(environment)) {
  BuildWidgets();
}

MachinesPanel::~MachinesPanel() {
  if (runningLoad_) runningLoad_->request_stop();
  if (busy_) SetBusy(false);
}

void MachinesPanel::BuildWidgets() {
  model_ = new MachineTableModel(this);
  proxy_ = new MachineFilterProxy(model_, this);
  grid_ = new QTableView(this);
  grid_->setObjectName(Name("超级列表框", kind_, "机器管理"));
  grid_->setModel(proxy_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Shift, Ctrl and Ctrl+A choose many machines; one chosen row acts as it always has.
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setAlternatingRowColors(true);
  grid_->setWordWrap(false);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  grid_->verticalHeader()->hide();
  // Fixed row heights keep a reset of ten thousand rows from measuring each of them.
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  QHeaderView* header = grid_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(false);
  header->setHighlightSections(false);
  for (int column = 0; column < kMachineColumnCount; ++column) {
    grid_->setColumnWidth(column, kMachineColumns[static_cast<std::size_t>(column)].width);
  }
  // Unsorted until the operator clicks a heading: the grid starts in the backend's order.
  header->setSortIndicator(-1, Qt::AscendingOrder);
  grid_->setSortingEnabled(true);

  QItemSelectionModel* selection = grid_->selectionModel();
  connect(selection, &QItemSelectionModel::selectionChanged, this, [this] {
    const int row = SelectedRow();
    if (row >= 0 && env_.state != nullptr) env_.state->selectedRow = row;
    emit SelectedMachineChanged();
  });
  connect(selection, &QItemSelectionModel::currentChanged, this,
          &MachinesPanel::SelectedMachineChanged);

  menu_ = new QMenu(FromView(Info(kind_).displayName), this);
  QAction* refresh = menu_->addAction(QStringLiteral("刷新"));
  connect(refresh, &QAction::triggered, this, &MachinesPanel::LoadMachineList);
  for (MachineAction action : {MachineAction::Start, MachineAction::Stop, MachineAction::Release}) {
    QAction* item = menu_->addAction(FromView(ActionInfo(action).menuText));
    connect(item, &QAction::triggered, this, [this, action] { RunSingleAction(action); });
    machineActions_.push_back(item);
  }
  QAction* reinstall = menu_->addAction(QStringLiteral("重装"));
  connect(reinstall, &QAction::triggered, this, &MachinesPanel::ReinstallSelected);
  machineActions_.push_back(reinstall);
  menu_->addSeparator();
  connect(menu_->addAction(QStringLiteral("复制ID")), &QAction::triggered, this,
          &MachinesPanel::CopySelectedIds);
  connect(menu_->addAction(QStringLiteral("复制公网IP")), &QAction::triggered, this,
          &MachinesPanel::CopySelectedAddresses);
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
  auto* exportButton = new QPushButton(QStringLiteral("导出"), this);
  exportButton->setObjectName(Name("按钮", kind_, "导出"));
  connect(exportButton, &QPushButton::clicked, this, &MachinesPanel::ExportShownRows);
  buttonRow_->addWidget(exportButton);
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
  layout->addLayout(BuildFilterRow());
  layout->addWidget(grid_, 1);
  layout->addLayout(buttonRow_);
  setTabOrder(filterBox_, autoRefresh_);
  setTabOrder(autoRefresh_, grid_);
  setTabOrder(grid_, batchControls_.front());

  quietTimer_.setSingleShot(true);
  connect(&quietTimer_, &QTimer::timeout, this, &MachinesPanel::QuietRefreshDue);
  UpdateCounts();
}

QHBoxLayout* MachinesPanel::BuildFilterRow() {
  auto* row = new QHBoxLayout;
  auto* caption = new QLabel(QStringLiteral("筛选："), this);
  filterBox_ = new QLineEdit(this);
  filterBox_->setObjectName(Name("编辑框", kind_, "筛选"));
  filterBox_->setClearButtonEnabled(true);
  filterBox_->setPlaceholderText(
      QStringLiteral("ID、状态、配置、系统、公网IP、镜像，空格分隔多个词"));
  caption->setBuddy(filterBox_);
  connect(filterBox_, &QLineEdit::textChanged, this, [this](const QString& text) {
    proxy_->SetFilterText(text);
    UpdateShownCount();  // the state counts are the region's and stay
  });
  shownCount_ = new QLabel(this);
  shownCount_->setObjectName(Name("标签", kind_, "显示数量"));
  // Room for a large region, so the filter box does not jump as the counts change.
  shownCount_->setMinimumWidth(
      shownCount_->fontMetrics().horizontalAdvance(QStringLiteral("显示 88,888 / 共 88,888 台")));
  stateCounts_ = new QLabel(this);
  stateCounts_->setObjectName(Name("标签", kind_, "状态统计"));
  autoRefresh_ = new QCheckBox(QStringLiteral("自动刷新"), this);
  autoRefresh_->setObjectName(Name("选择框", kind_, "自动刷新"));
  autoRefresh_->setChecked(true);
  autoRefresh_->setToolTip(
      QStringLiteral("操作后每5秒刷新一次，直到机器不再处于变更状态（最长3分钟）"));
  connect(autoRefresh_, &QCheckBox::clicked, this, [this](bool on) {
    env_.settings.Write(kAutoRefreshKey, on ? "1" : "0");
    if (!on) StopWatching();
  });
  row->addWidget(caption);
  row->addWidget(filterBox_, 1);
  row->addSpacing(8);
  row->addWidget(shownCount_);
  row->addSpacing(12);
  row->addWidget(stateCounts_);
  row->addSpacing(12);
  row->addWidget(autoRefresh_);
  return row;
}

void MachinesPanel::LoadSettings() {
  autoRefresh_->setChecked(env_.settings.Read(kAutoRefreshKey, "1") != "0");
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

void MachinesPanel::SetAllTabsRows(std::function<std::vector<ProviderRows>()> rows) {
  allTabsRows_ = std::move(rows);
}

std::vector<int> MachinesPanel::SelectedRows() const {
  QModelIndexList chosen = grid_->selectionModel()->selectedRows();
  std::sort(chosen.begin(), chosen.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(chosen.size()));
  for (const QModelIndex& index : chosen) rows.push_back(proxy_->mapToSource(index).row());
  return rows;
}

int MachinesPanel::SelectedRow() const {
  const QItemSelectionModel* selection = grid_->selectionModel();
  const QModelIndex current = selection->currentIndex();
  if (current.isValid() && selection->isRowSelected(current.row(), {})) {
    return proxy_->mapToSource(current).row();
  }
  const std::vector<int> rows = SelectedRows();
  return rows.empty() ? -1 : rows.front();
}

std::vector<const MachineRow*> MachinesPanel::ShownRows() const {
  std::vector<const MachineRow*> rows;
  const std::span<const MachineRow> all = model_->Rows();
  for (int row : proxy_->ShownSourceRows()) rows.push_back(&all[static_cast<std::size_t>(row)]);
  return rows;
}

std::vector<std::string> MachinesPanel::SelectedCells(MachineColumn column) const {
  std::vector<std::string> cells;
  const std::span<const MachineRow> all = model_->Rows();
  for (int row : SelectedRows()) cells.push_back(all[static_cast<std::size_t>(row)].Cell(column));
  return cells;
}

QString MachinesPanel::SelectedMachineText() const {
  const int row = SelectedRow();
  if (row < 0 || row >= model_->rowCount()) return {};
  const MachineRow& machine = model_->Rows()[static_cast<std::size_t>(row)];
  const std::string& addresses = machine.Cell(MachineColumn::PublicAddress);
  QString text = QString::fromStdString(machine.Cell(MachineColumn::Id));
  if (!addresses.empty()) {
    text += QLatin1Char(' ') + QString::fromStdString(addresses.substr(0, addresses.find(',')));
  }
  return text;
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

void MachinesPanel::UpdateShownCount() {
  shownCount_->setText(
      QString::fromStdString(ShownCountText(proxy_->rowCount(), model_->rowCount())));
}

void MachinesPanel::UpdateCounts() {
  UpdateShownCount();
  stateCounts_->setText(QString::fromStdString(StateCountsText(CountStates(model_->Rows()))));
}

void MachinesPanel::LoadMachineList() {
  if (loadRunning_) {
    loadPending_ = true;
    // A quiet refresh in flight gives way at once, as the operator sees.
    SetBusy(true);
    if (runningLoad_) runningLoad_->request_stop();
    return;
  }
  StartLoad(false);
}

void MachinesPanel::StartLoad(bool quiet) {
  loadRunning_ = true;
  runningQuiet_ = quiet;
  if (!quiet) {
    SetBusy(true);
    progress_->setText(QStringLiteral("正在加载机器列表…"));
  }

  MachineListLoader::Request request;
  request.kind = kind_;
  request.keys = ReadKeys();
  request.regionCode = env_.state ? env_.state->regionCode : std::string();
  request.batchDelay = BatchDelay();
  request.quiet = quiet;

  auto stop = std::make_shared<std::stop_source>();
  runningLoad_ = stop;
  QPointer<QObject> guard(this);
  MachinesEnvironment env = env_;
  env.owner = Owner();
  MachinesPanel* panel = this;  // dereferenced only inside PostToUi, after the guard check
  auto work = [env, request, stop, guard, panel, quiet] {
    std::unique_ptr<Pauser> pauser = env.makeLoadPauser
                                         ? env.makeLoadPauser(stop->get_token())
                                         : std::make_unique<StopAwareSleep>(stop->get_token());
    MachineListLoader loader(*env.client, *env.prompter, *pauser, env.owner);
    MachineListLoader::PageProgress progress;
    if (!quiet) {
      progress = [guard, panel](int page, int pageCount) {
        PostToUi(guard, [panel, page, pageCount] { panel->ShowLoadProgress(page, pageCount); });
      };
    }
    auto result = std::make_shared<MachineListLoader::Result>(
        loader.Load(request, stop->get_token(), progress));
    // The filter's texts are made here, off the UI thread, while they are cheap to make.
    auto haystacks = std::make_shared<std::vector<std::string>>();
    if (result->rows) {
      haystacks->reserve(result->rows->size());
      for (const MachineRow& row : *result->rows) haystacks->push_back(FilterHaystack(row));
    }
    PostToUi(guard, [panel, quiet, result, haystacks] {
      panel->FinishLoad(quiet, std::move(*result), std::move(*haystacks));
    });
  };
  if (env_.startTask) {
    env_.startTask(std::move(work));
  } else {
    std::thread(std::move(work)).detach();
  }
}

void MachinesPanel::ShowLoadProgress(int page, int pageCount) {
  if (!loadRunning_ || runningQuiet_) return;
  progress_->setText(QStringLiteral("正在加载第%1/%2页").arg(page).arg(pageCount));
}

void MachinesPanel::FinishLoad(bool quiet, MachineListLoader::Result result,
                               std::vector<std::string> haystacks) {
  loadRunning_ = false;
  runningQuiet_ = false;
  runningLoad_.reset();
  // With a newer load waiting these rows are already out of date; it shows its own.
  if (result.outcome == MachineListLoader::Outcome::Loaded && result.rows && !loadPending_) {
    if (quiet) {
      ApplyQuietRows(std::move(*result.rows), std::move(haystacks));
    } else {
      model_->SetRows(std::move(*result.rows), std::move(haystacks));
      RestoreSelection();
      UpdateCounts();
    }
  }
  if (result.outcome == MachineListLoader::Outcome::MissingKeys) StopWatching();
  if (loadPending_) {
    loadPending_ = false;
    StartLoad(false);  // still busy: the tab control stays disabled in between
  } else {
    SetBusy(false);
  }
  if (quiet) {
    emit QuietRefreshFinished();
  } else {
    emit LoadFinished();
  }
  JudgeSettling();
}

void MachinesPanel::RestoreSelection() {
  const int row = env_.state ? env_.state->selectedRow : 0;
  if (row < 0 || row >= model_->rowCount()) return;
  // The remembered row is the machine's own; the filter may hide it and the sort move it.
  const QModelIndex shown = proxy_->mapFromSource(model_->index(row, 0));
  if (!shown.isValid()) return;
  grid_->selectRow(shown.row());
  grid_->scrollTo(shown);
}

void MachinesPanel::ApplyQuietRows(std::vector<MachineRow> rows,
                                   std::vector<std::string> haystacks) {
  QScrollBar* vertical = grid_->verticalScrollBar();
  QScrollBar* horizontal = grid_->horizontalScrollBar();
  const int top = vertical->value();
  const int left = horizontal->value();
  const std::vector<std::string> chosen = SelectedCells(MachineColumn::Id);
  const int currentRow = proxy_->mapToSource(grid_->selectionModel()->currentIndex()).row();
  const std::string currentId =
      currentRow >= 0 ? model_->Rows()[static_cast<std::size_t>(currentRow)].Cell(MachineColumn::Id)
                      : std::string();

  if (model_->UpdateRows(std::move(rows), std::move(haystacks)) &&
      (!chosen.empty() || !currentId.empty())) {
    // Other machines than before: choose the same machines again by their IDs.
    std::unordered_map<std::string_view, int> rowOf;
    const std::span<const MachineRow> all = model_->Rows();
    for (int r = 0; r < static_cast<int>(all.size()); ++r) {
      rowOf.emplace(all[static_cast<std::size_t>(r)].Cell(MachineColumn::Id), r);
    }
    const auto shownIndex = [&](const std::string& id) {
      const auto found = rowOf.find(id);
      return found == rowOf.end() ? QModelIndex()
                                  : proxy_->mapFromSource(model_->index(found->second, 0));
    };
    QItemSelection selection;
    for (const std::string& id : chosen) {
      const QModelIndex at = shownIndex(id);
      if (at.isValid()) selection.select(at, at.siblingAtColumn(kMachineColumnCount - 1));
    }
    QItemSelectionModel* model = grid_->selectionModel();
    const QModelIndex current = shownIndex(currentId);
    if (current.isValid()) model->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    model->select(selection, QItemSelectionModel::ClearAndSelect);
  }
  vertical->setValue(top);
  horizontal->setValue(left);
  UpdateCounts();
}

void MachinesPanel::WatchForSettling() {
  if (!autoRefresh_->isChecked()) return;
  watching_ = true;
  watchClock_.start();
  // A reload under way is judged when it ends; otherwise the first look is due now.
  if (!loadRunning_) quietTimer_.start(env_.quietRefreshInterval);
}

void MachinesPanel::StopWatching() {
  watching_ = false;
  quietTimer_.stop();
}

void MachinesPanel::JudgeSettling() {
  if (!watching_ || loadRunning_) return;
  if (!autoRefresh_->isChecked() || !AnyTransitional(model_->Rows()) ||
      std::chrono::milliseconds(watchClock_.elapsed()) >= env_.quietRefreshLimit) {
    StopWatching();
    return;
  }
  quietTimer_.start(env_.quietRefreshInterval);
}

void MachinesPanel::QuietRefreshDue() {
  if (!watching_) return;
  if (std::chrono::milliseconds(watchClock_.elapsed()) >= env_.quietRefreshLimit) {
    StopWatching();
    return;
  }
  if (loadRunning_) return;  // its end judges
  // A quiet refresh must never ask the operator anything: without keys it gives up.
  if (!ReadKeys().Complete()) {
    StopWatching();
    return;
  }
  StartLoad(true);
}

void MachinesPanel::SetBatchRunning(bool running) {
  batchRunning_ = running;
  for (QWidget* control : batchControls_) control->setEnabled(!running);
  for (QAction* action : machineActions_) action->setEnabled(!running);
  progress_->setVisible(running || busy_);
  if (!running && !busy_) progress_->clear();
}

void MachinesPanel::RunSingleAction(MachineAction action) {
  if (batchRunning_ || env_.prompter == nullptr) return;
  Prompter& prompter = *env_.prompter;
  const std::vector<int> rows = SelectedRows();
  if (rows.size() > 1) {
    RunChosenAction(action, rows);
    return;
  }
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
  WatchForSettling();
  prompter.Show(Owner(), std::string(kActionDoneText), MessageIcon::Information);
}

void MachinesPanel::RunChosenAction(MachineAction action, const std::vector<int>& rows) {
  Prompter& prompter = *env_.prompter;
  std::vector<std::string> ids;
  for (int row : rows)
    ids.push_back(model_->Rows()[static_cast<std::size_t>(row)].Cell(MachineColumn::Id));
  const int count = static_cast<int>(ids.size());
  if (prompter.Show(Owner(), ChosenMachinesConfirmation(action, count), MessageIcon::Question,
                    MessageButtons::OkCancel) != MessageAnswer::Ok) {
    return;
  }
  const std::vector<std::string> lists = BatchIdLists(ids);
  const MachineActionTarget target = Target();
  QPointer<MachinesPanel> guard(this);
  const RunReport report =
      RunActionPlan(action, PlanListSends(lists, BatchDelay()),
                    LogTitle(kind_, ChosenMachinesTitle(action, count)), target);
  if (!guard) return;
  LoadMachineList();
  WatchForSettling();
  FinishRun(report, action, target, true);
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
  // machines this batch goes on to send, nor send one twice. Every row of the grid, shown
  // by the filter or not, as the batch buttons always have.
  const std::vector<BatchStep> steps =
      PlanBatchMachineAction(kind_, action, model_->Rows(), BatchDelay());
  const MachineActionTarget target = Target();
  QPointer<MachinesPanel> guard(this);
  const RunReport report =
      RunActionPlan(action, steps, LogTitle(kind_, ActionInfo(action).batchButtonRole), target);
  if (!guard) return;
  LoadMachineList();
  WatchForSettling();
  FinishRun(report, action, target, true);
  emit BatchFinished();
}

RunReport MachinesPanel::RunActionPlan(MachineAction action, const std::vector<BatchStep>& steps,
                                       std::string title, const MachineActionTarget& target) {
  RunReport report;
  report.title = std::move(title);
  Prompter& prompter = *env_.prompter;
  BackendClient& client = *env_.client;
  const ExchangeRunner exchange = Exchange();
  QPointer<MachinesPanel> guard(this);
  SetBatchRunning(true);
  RunBatchPlan(
      steps,
      [&](const std::string& ids) {
        report.outcomes.push_back(
            SendMachineAction(client, prompter, target, action, ids, exchange));
      },
      *env_.uiPauser,
      [&](int request, int requestCount) {
        if (guard) {
          progress_->setText(
              QStringLiteral("正在执行第%1/%2个请求").arg(request).arg(requestCount));
        }
      },
      [&] { return !guard.isNull(); });
  if (guard) SetBatchRunning(false);
  return report;
}

void MachinesPanel::FinishRun(const RunReport& report, MachineAction action,
                              MachineActionTarget target, bool notify) {
  LogRunSummary(env_.client->Log(), report);
  if (notify) env_.prompter->Show(Owner(), std::string(kActionDoneText), MessageIcon::Information);
  QPointer<MachinesPanel> guard(this);
  const std::string title = report.title;
  ShowRunResult(
      report,
      [guard, action, target, title](const std::vector<RequestOutcome>& failed) {
        return guard ? guard->RetryFailed(action, target, title, failed) : std::nullopt;
      },
      window());
}

std::optional<RunReport> MachinesPanel::RetryFailed(MachineAction action,
                                                    const MachineActionTarget& target,
                                                    const std::string& title,
                                                    const std::vector<RequestOutcome>& failed) {
  if (batchRunning_ || env_.prompter == nullptr) return std::nullopt;
  std::vector<std::string> lists;
  for (const RequestOutcome& outcome : failed) lists.push_back(outcome.subject);
  // The same machines of the same region; the keys as they stand now, in case a missing
  // or wrong key was what failed.
  MachineActionTarget again = target;
  again.keys = ReadKeys();
  QPointer<MachinesPanel> guard(this);
  RunReport report =
      RunActionPlan(action, PlanListSends(lists, BatchDelay()), title + "（重试）", again);
  if (!guard) return report;
  LoadMachineList();
  WatchForSettling();
  LogRunSummary(env_.client->Log(), report);
  return report;
}

void MachinesPanel::ShowAddressList() {
  if (env_.prompter == nullptr) return;
  if (model_->rowCount() < 1) {
    env_.prompter->Show(Owner(), std::string(kNoMachinesText), MessageIcon::Warning);
    return;
  }
  AddressListDialog dialog(model_->Rows(), *env_.prompter, window(), allTabsRows_);
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

void MachinesPanel::CopySelectedIds() {
  if (SelectedRows().empty()) {
    if (env_.prompter) {
      env_.prompter->Show(WindowRef{}, std::string(kNoSelectionText), MessageIcon::Information);
    }
    return;
  }
  QApplication::clipboard()->setText(JoinLines(SelectedCells(MachineColumn::Id)));
}

void MachinesPanel::CopySelectedAddresses() {
  if (SelectedRows().empty()) {
    if (env_.prompter) {
      env_.prompter->Show(WindowRef{}, std::string(kNoSelectionText), MessageIcon::Information);
    }
    return;
  }
  std::vector<std::string> addresses = SelectedCells(MachineColumn::PublicAddress);
  std::erase_if(addresses, [](const std::string& address) { return address.empty(); });
  QApplication::clipboard()->setText(JoinLines(addresses));
}

void MachinesPanel::ExportShownRows() {
  if (env_.prompter == nullptr) return;
  const std::vector<const MachineRow*> rows = ShownRows();
  if (rows.empty()) {
    env_.prompter->Show(Owner(), std::string(kNoMachinesText), MessageIcon::Warning);
    return;
  }
  const QString region =
      QString::fromStdString(env_.state ? env_.state->regionCode : std::string());
  const QString suggested =
      QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
          .filePath(FromView(Info(kind_).displayName) + QLatin1Char('_') + region +
                    QLatin1Char('_') +
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")) +
                    QStringLiteral(".csv"));
  const QString path = env_.chooseExportFile ? env_.chooseExportFile(suggested)
                                             : QFileDialog::getSaveFileName(
                                                   window(), QStringLiteral("导出"), suggested,
                                                   QStringLiteral("CSV 文件 (*.csv)"));
  if (path.isEmpty()) return;
  const std::string bytes = MachineRowsCsv(rows);
  // Written beside the target and renamed over it: a failed export leaves no half file.
  QSaveFile file(path);
  const bool written = file.open(QIODevice::WriteOnly) &&
                       file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                           static_cast<qint64>(bytes.size()) &&
                       file.commit();
  if (!written) {
    env_.prompter->Show(Owner(), "导出失败：" + file.errorString().toStdString(),
                        MessageIcon::Error);
    return;
  }
  if (env_.client != nullptr) {
    env_.client->Log().PrependLine(
        "[" + FormatDateTime(std::nullopt, 1, 0) + "] [" + LogTitle(kind_, "导出") + "] 已导出 " +
        std::to_string(rows.size()) + " 台主机到 " + path.toStdString() + "\r\n");
  }
}

}  // namespace ydt
