// MachinesPanel: one provider tab's machine grid with its popup menu, batch buttons,
// address-list button and loading indicator. The provider page hosts one per tab.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/machine_action.h"
#include "consoles/machines/machine_list_loader.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/machines_environment.h"

class QAction;
class QHBoxLayout;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace ydt {

struct AppContext;
class LoadingIndicator;

class MachinesPanel : public QWidget {
  Q_OBJECT

 public:
  MachinesPanel(ProviderKind kind, MachinesEnvironment environment, QWidget* parent = nullptr);
  MachinesPanel(ProviderKind kind, AppContext& context, QWidget* parent = nullptr);
  ~MachinesPanel() override;

  ProviderKind Kind() const { return kind_; }
  QTableView* Grid() const { return grid_; }
  const MachineTableModel& Model() const { return *model_; }
  QMenu* PopupMenu() const { return menu_; }
  // The selected row, or -1.
  int SelectedRow() const;

  bool LoadRunning() const { return loadRunning_; }
  bool BatchRunning() const { return batchRunning_; }
  // Marks a batch of this provider as running: its batch buttons and the popup's machine
  // actions are refused until it ends. Other batches of the provider (reinstall-all) use it
  // too.
  void SetBatchRunning(bool running);

  // Room beside the batch buttons for further ones (the reinstall-all button); they are
  // refused with the others while a batch of this provider runs.
  void AddBatchButton(QWidget* button);

  // What "重装" does with the selected row; without a handler it only emits
  // ReinstallRequested.
  void SetReinstallHandler(std::function<void(int row)> handler);

 public slots:
  // Reloads the grid on a worker. A load asked for while one runs replaces it: the running
  // one stops at its next request and the new one starts when it has ended.
  void LoadMachineList();
  void RunSingleAction(ydt::MachineAction action);
  void RunBatchAction(ydt::MachineAction action);
  void ShowAddressList();
  void ReinstallSelected();

 signals:
  void LoadFinished();
  void BatchFinished();
  void ReinstallRequested(int row);

 private:
  void BuildWidgets();
  void StartLoad();
  void FinishLoad(MachineListLoader::Result result);
  void ShowLoadProgress(int page, int pageCount);
  void SetBusy(bool busy);
  void RestoreSelection();
  AccessKeys ReadKeys() const;
  MachineActionTarget Target() const;
  WindowRef Owner() const;
  ExchangeRunner Exchange() const;
  std::int64_t BatchDelay() const;
  QWidget* TabControl() const;

  ProviderKind kind_;
  MachinesEnvironment env_;
  MachineTableModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QMenu* menu_ = nullptr;
  QHBoxLayout* buttonRow_ = nullptr;
  std::vector<QWidget*> batchControls_;  // refused while this provider's batch runs
  LoadingIndicator* indicator_ = nullptr;
  QLabel* progress_ = nullptr;
  std::function<void(int)> reinstallHandler_;

  bool loadRunning_ = false;
  bool loadPending_ = false;
  bool busy_ = false;
  bool batchRunning_ = false;
  std::shared_ptr<std::stop_source> runningLoad_;
};

}  // namespace ydt
