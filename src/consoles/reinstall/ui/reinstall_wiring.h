// Connects each provider's grid to its reinstall dialog: the popup entry "重装" and the
// "全部重装" button beside the batch buttons.
#pragma once

#include <array>

namespace ydt {

struct AppContext;
class MachinesPanel;
class MainWindow;
class ReinstallLauncher;

ReinstallLauncher* InstallReinstall(MachinesPanel& machines, AppContext& context,
                                    MainWindow& window);
std::array<ReinstallLauncher*, 3> InstallReinstalls(const std::array<MachinesPanel*, 3>& machines,
                                                    AppContext& context, MainWindow& window);

}  // namespace ydt
