#include "consoles/reinstall/ui/reinstall_wiring.h"

#include <QPointer>
#include <QPushButton>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/machines_panel.h"
#include "consoles/reinstall/ui/reinstall_launcher.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "ui/app_context.h"
#include "ui/qt_prompter.h"

namespace ydt {

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
  env.batchDelay = [&context] { return static_cast<std::int64_t>(context.running.BatchDelay()); };
  env.rebuildPassword = [&context] { return context.running.RebuildPassword(); };
  env.readKeys = [keyPair] {
    if (keyPair == nullptr) return AccessKeys{};
    auto [id, key] = keyPair->Credentials();
    return AccessKeys{std::move(id), std::move(key)};
  };
  env.rowCount = [grid] { return grid ? static_cast<int>(grid->Model().Rows().size()) : 0; };
  env.selectedMachineId = [grid]() -> std::optional<std::string> {
    if (!grid) return std::nullopt;
    const int row = grid->SelectedRow();
    const auto rows = grid->Model().Rows();
    if (row < 0 || row >= static_cast<int>(rows.size())) return std::nullopt;
    return rows[static_cast<std::size_t>(row)].Cell(MachineColumn::Id);
  };
  env.machineIds = [grid] {
    std::vector<std::string> ids;
    if (grid) {
      for (const MachineRow& row : grid->Model().Rows()) ids.push_back(row.Cell(MachineColumn::Id));
    }
    return ids;
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
