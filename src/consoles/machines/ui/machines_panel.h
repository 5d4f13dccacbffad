// MachinesPanel: one provider tab's machine grid with its filter, state counts, popup menu,
// batch buttons, address list, export and loading indicator. The provider page hosts one
// per tab.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/address_list.h"
#include "consoles/machines/batch_plan.h"
#include "consoles/machines/machine_action.h"
#include "consoles/machines/machine_list_loader.h"
#include "consoles/machines/run_report.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/machines_environment.h"

class QAction;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace ydt {

class LoadingIndicator;
class MachineFilterProxy;

class MachinesPanel : public QWidget {
  Q_OBJECT

 public:
  MachinesPanel(ProviderKind kind, MachinesEnvironment environment, QWidget* parent = nullptr);
  ~MachinesPanel() override;

  ProviderKind Kind() const { return kind_; }
  QTableView* Grid() const { return grid_; }
  // All machines of the grid, in their own order; the view shows them through Proxy().
  const MachineTableModel& Model() const { return *model_; }
  const MachineFilterProxy& Proxy() const { return *proxy_; }
  QMenu* PopupMenu() const { return menu_; }
  // The selected row (the current one when several are), as a row of Model(); or -1.
  int SelectedRow() const;
  // Every selected row of Model(), in the order shown.
  std::vector<int> SelectedRows() const;
  // The rows the filter lets through, in the order shown.
  std::vector<const MachineRow*> ShownRows() const;
  // "ID address" of the selected machine for the status bar; empty without a selection.
  QString SelectedMachineText() const;

  bool LoadRunning() const { return loadRunning_; }
  bool BatchRunning() const { return batchRunning_; }
  bool WatchingForSettling() const { return watching_; }
  // Marks a batch of this provider as running: its batch buttons and the popup's machine
  // actions are refused until it ends. Other batches of the provider (reinstall-all) use it
  // too.
  void SetBatchRunning(bool running);

  // Room beside the batch buttons for further ones (the reinstall-all button); they are
  // refused with the others while a batch of this provider runs.
  void AddBatchButton(QWidget* button);

  // What "重装" does with the selected rows; without a handler it only emits
  // ReinstallRequested.
  void SetReinstallHandler(std::function<void(int row)> handler);

  // Where the address window's "全部标签页" takes the rows of every tab.
  void SetAllTabsRows(std::function<std::vector<ProviderRows>()> rows);

  // The 自动刷新 choice from the settings section (on unless stored "0").
  void LoadSettings();

 public slots:
  // Reloads the grid on a worker. A load asked for while one runs replaces it: the running
  // one stops at its next request and the new one starts when it has ended.
  void LoadMachineList();
  // After an action, creation or reinstall: while a machine of the tab is in a passing
  // state, reload quietly (no indicator, no log lines, the tabs usable, selection and
  // scroll kept) until none is or the limit has passed. Off when 自动刷新 is.
  void WatchForSettling();
  // The popup's 启动, 关机, 释放: one machine as always, or all selected machines in lists
  // of up to 100 paced like a batch.
  void RunSingleAction(ydt::MachineAction action);
  void RunBatchAction(ydt::MachineAction action);
  void ShowAddressList();
  void ReinstallSelected();
  void CopySelectedIds();
  void CopySelectedAddresses();
  // Writes the rows shown, in the order shown, to a CSV file the operator chooses.
  void ExportShownRows();

 signals:
  void LoadFinished();
  void QuietRefreshFinished();
  void BatchFinished();
  void ReinstallRequested(int row);
  void SelectedMachineChanged();

 private:
  void BuildWidgets();
  QHBoxLayout* BuildFilterRow();
  void StartLoad(bool quiet);
  void FinishLoad(bool quiet, MachineListLoader::Result result, std::vector<std::string> haystacks);
  void ShowLoadProgress(int page, int pageCount);
  void SetBusy(bool busy);
  void RestoreSelection();
  void ApplyQuietRows(std::vector<MachineRow> rows, std::vector<std::string> haystacks);
  void UpdateCounts();
  void UpdateShownCount();
  void QuietRefreshDue();
  void JudgeSettling();
  void StopWatching();
  void RunChosenAction(MachineAction action, const std::vector<int>& rows);
  // Sends the lists of `steps` for `action` with this provider's batch held, and reports
  // each request's outcome. The run may end early when the panel goes away.
  RunReport RunActionPlan(MachineAction action, const std::vector<BatchStep>& steps,
                          std::string title, const MachineActionTarget& target);
  // The end every run of many requests shares: the summary line, "已执行操作！" when
  // `notify`, and the result window when a request failed.
  void FinishRun(const RunReport& report, MachineAction action, MachineActionTarget target,
                 bool notify);
  std::optional<RunReport> RetryFailed(MachineAction action, const MachineActionTarget& target,
                                       const std::string& title,
                                       const std::vector<RequestOutcome>& failed);
  std::vector<std::string> SelectedCells(MachineColumn column) const;
  AccessKeys ReadKeys() const;
  MachineActionTarget Target() const;
  WindowRef Owner() const;
  ExchangeRunner Exchange() const;
  std::int64_t BatchDelay() const;
  QWidget* TabControl() const;

  ProviderKind kind_;
  MachinesEnvironment env_;
  MachineTableModel* model_ = nullptr;
  MachineFilterProxy* proxy_ = nullptr;
  QTableView* grid_ = nullptr;
  QLineEdit* filterBox_ = nullptr;
  QLabel* shownCount_ = nullptr;
  QLabel* stateCounts_ = nullptr;
  QCheckBox* autoRefresh_ = nullptr;
  QMenu* menu_ = nullptr;
  std::vector<QAction*> machineActions_;  // refused while a batch runs
  QHBoxLayout* buttonRow_ = nullptr;
  std::vector<QWidget*> batchControls_;  // refused while this provider's batch runs
  LoadingIndicator* indicator_ = nullptr;
  QLabel* progress_ = nullptr;
  std::function<void(int)> reinstallHandler_;
  std::function<std::vector<ProviderRows>()> allTabsRows_;

  bool loadRunning_ = false;
  bool runningQuiet_ = false;
  bool loadPending_ = false;
  bool busy_ = false;
  bool batchRunning_ = false;
  std::shared_ptr<std::stop_source> runningLoad_;

  bool watching_ = false;
  QElapsedTimer watchClock_;
  QTimer quietTimer_;
};

}  // namespace ydt
