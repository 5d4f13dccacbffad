#include "shell/mainwindow/tab_composition.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/ui/machine_filter_proxy.h"
#include "consoles/machines/ui/machines_panel.h"
#include "consoles/reinstall/ui/reinstall_launcher.h"
#include "consoles/template/ui/network_help_window.h"
#include "consoles/template/ui/template_panel.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "shell/settings/running_values.h"
#include "ui/app_context.h"
#include "ui/qt_prompter.h"
#include "ui/task_runner.h"

namespace ydt {

namespace {

std::function<AccessKeys()> KeyReader(KeyPairPanel* keyPair) {
  return [keyPair] {
    if (keyPair == nullptr) return AccessKeys{};
    auto [id, key] = keyPair->Credentials();
    return AccessKeys{std::move(id), std::move(key)};
  };
}

std::function<std::int64_t()> BatchDelayOf(AppContext& context) {
  RunningValues* running = &context.running;
  return [running] { return static_cast<std::int64_t>(running->BatchDelay()); };
}

}  // namespace

MachinesEnvironment MachinesEnvironmentFor(AppContext& context, ProviderPage& page) {
  MachinesEnvironment env;
  env.client = &context.backend;
  env.prompter = &context.prompter;
  env.uiPauser = &context.pauser;
  env.state = &context.State(page.Kind());
  env.batchDelay = BatchDelayOf(context);
  TaskRunner* tasks = &context.tasks;
  env.startTask = [tasks](std::function<void()> routine) { tasks->Start(std::move(routine)); };
  env.settings = SectionSettingsOf(context.settings, page.Kind());
  return env;
}

MachinesPanel* InstallMachinesPanel(ProviderPage& page, AppContext& context) {
  auto* panel = new MachinesPanel(page.Kind(), MachinesEnvironmentFor(context, page));
  page.SetMachinesPanel(panel);
  QObject::connect(&page, &ProviderPage::regionChosen, panel,
                   [panel](ProviderKind) { panel->LoadMachineList(); });
  QObject::connect(&page, &ProviderPage::settingsLoaded, panel,
                   [panel](ProviderKind) { panel->LoadSettings(); });
  return panel;
}

std::array<MachinesPanel*, 3> InstallMachinesPanels(MainWindow& window, AppContext& context) {
  std::array<MachinesPanel*, 3> panels{};
  for (ProviderKind kind : kAllProviders) {
    panels[ProviderIndex(kind)] = InstallMachinesPanel(*window.Page(kind), context);
  }
  std::array<QPointer<MachinesPanel>, 3> guarded = {panels[0], panels[1], panels[2]};
  for (MachinesPanel* panel : panels) {
    panel->SetAllTabsRows([guarded] {
      std::vector<ProviderRows> tabs;
      for (const QPointer<MachinesPanel>& tab : guarded) {
        if (tab) tabs.push_back({tab->Kind(), tab->ShownRows()});
      }
      return tabs;
    });
  }

  // The status bar names the machine selected on the tab on show.
  QPointer<MainWindow> frame(&window);
  AppContext* shared = &context;
  const auto showSelected = [frame, guarded, shared] {
    const std::optional<ProviderKind> kind = ProviderFromIndex(shared->currentProvider);
    if (!frame || !kind || !guarded[ProviderIndex(*kind)]) return;
    frame->ShowSelectedServer(guarded[ProviderIndex(*kind)]->SelectedMachineText());
  };
  for (MachinesPanel* panel : panels) {
    QObject::connect(panel, &MachinesPanel::SelectedMachineChanged, &window, showSelected);
  }
  QObject::connect(&window, &MainWindow::currentProviderChanged, &window, showSelected);
  return panels;
}

TemplatePanel* InstallTemplatePanel(ProviderPage& page, AppContext& context,
                                    MachinesPanel* machines) {
  const ProviderKind kind = page.Kind();
  KeyPairPanel* keyPair = page.KeyPair();
  const QPointer<MachinesPanel> grid(machines);

  TemplateEnvironment env;
  env.client = &context.backend;
  env.prompter = &context.prompter;
  env.uiPauser = &context.pauser;
  env.tasks = &context.tasks;
  env.state = &context.State(kind);
  env.owner = WindowRefOf(page.window());
  env.batchDelay = BatchDelayOf(context);
  env.readKeys = KeyReader(keyPair);
  env.reloadMachines = [grid] {
    if (!grid) return;
    grid->LoadMachineList();
    grid->WatchForSettling();
  };

  auto* panel = new TemplatePanel(kind, std::move(env));
  page.SetTemplatePanel(panel);
  QObject::connect(&page, &ProviderPage::regionChosen, panel,
                   [panel](ProviderKind) { panel->OnRegionChosen(); });
  QObject::connect(&page, &ProviderPage::settingsLoaded, panel,
                   [panel](ProviderKind) { panel->ResetDestroyTimer(); });
  QObject::connect(&page, &ProviderPage::stateFilling, panel,
                   [panel](ProviderKind, ProviderState& state) { panel->FillState(state); });

  if (keyPair != nullptr) {
    for (NetworkIdBox box : {NetworkIdBox::A, NetworkIdBox::B}) {
      QHBoxLayout* row = keyPair->NetworkIdRow(box == NetworkIdBox::A ? 0 : 1);
      if (row == nullptr) continue;
      if (QPushButton* help = NewNetworkHelpButton(kind, box, keyPair)) row->addWidget(help);
    }
  }
  return panel;
}

std::array<TemplatePanel*, 3> InstallTemplatePanels(MainWindow& window, AppContext& context,
                                                    const std::array<MachinesPanel*, 3>& machines) {
  std::array<TemplatePanel*, 3> panels{};
  for (ProviderKind kind : kAllProviders) {
    const int index = ProviderIndex(kind);
    panels[index] = InstallTemplatePanel(*window.Page(kind), context, machines[index]);
  }
  return panels;
}

ReinstallLauncher* InstallReinstall(MachinesPanel& machines, AppContext& context,
                                    MainWindow& window) {
  const ProviderKind kind = machines.Kind();
  const QPointer<MachinesPanel> grid(&machines);
  KeyPairPanel* keyPair = window.Page(kind) != nullptr ? window.Page(kind)->KeyPair() : nullptr;

  ReinstallEnvironment env;
  env.client = &context.backend;
  env.prompter = &context.prompter;
  env.uiPauser = &context.pauser;
  env.state = &context.State(kind);
  env.owner = WindowRefOf(&window);
  env.batchDelay = BatchDelayOf(context);
  RunningValues* running = &context.running;
  env.rebuildPassword = [running] { return running->RebuildPassword(); };
  env.readKeys = KeyReader(keyPair);
  env.rowCount = [grid] { return grid ? static_cast<int>(grid->Model().Rows().size()) : 0; };
  env.selectedMachineId = [grid]() -> std::optional<std::string> {
    if (!grid) return std::nullopt;
    const int row = grid->SelectedRow();
    const auto rows = grid->Model().Rows();
    if (row < 0 || row >= static_cast<int>(rows.size())) return std::nullopt;
    return rows[static_cast<std::size_t>(row)].Cell(MachineColumn::Id);
  };
  env.selectedMachineIds = [grid] {
    std::vector<std::string> ids;
    if (!grid) return ids;
    const auto rows = grid->Model().Rows();
    for (int row : grid->SelectedRows()) {
      ids.push_back(rows[static_cast<std::size_t>(row)].Cell(MachineColumn::Id));
    }
    return ids;
  };
  env.machineIds = [grid] {
    std::vector<std::string> ids;
    if (grid) {
      for (const MachineRow& row : grid->Model().Rows()) ids.push_back(row.Cell(MachineColumn::Id));
    }
    return ids;
  };
  env.afterRun = [grid] {
    if (grid) grid->WatchForSettling();
  };

  auto* launcher = new ReinstallLauncher(kind, std::move(env), &window, &machines);
  machines.AddBatchButton(launcher->NewReinstallAllButton(&machines));
  // The grid has already refused a missing selection by the time it calls this.
  machines.SetReinstallHandler([launcher](int) { launcher->OpenForSelected(); });
  return launcher;
}

std::array<ReinstallLauncher*, 3> InstallReinstalls(const std::array<MachinesPanel*, 3>& machines,
                                                    AppContext& context, MainWindow& window) {
  std::array<ReinstallLauncher*, 3> launchers{};
  for (std::size_t i = 0; i < machines.size(); ++i) {
    if (machines[i] != nullptr) launchers[i] = InstallReinstall(*machines[i], context, window);
  }
  return launchers;
}

}  // namespace ydt
