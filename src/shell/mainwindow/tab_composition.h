// How the main window's tabs are put together: each provider page gets its machine grid,
// creation template and reinstall launcher, wired to one another, to the settings and to
// the window's status bar. The consoles' panels know nothing of the window they sit in.
#pragma once

#include <array>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/ui/machines_environment.h"

namespace ydt {

struct AppContext;
class MachinesPanel;
class MainWindow;
class ProviderPage;
class ReinstallLauncher;
class TemplatePanel;

// What the grid of `kind` needs from the console's shared services and its page.
MachinesEnvironment MachinesEnvironmentFor(AppContext& context, ProviderPage& page);

// The grid into its page, loading when the operator picks a region.
MachinesPanel* InstallMachinesPanel(ProviderPage& page, AppContext& context);
// The three grids, their "全部标签页" address lists reading one another, and the status bar
// following the selection of the tab on show.
std::array<MachinesPanel*, 3> InstallMachinesPanels(MainWindow& window, AppContext& context);

// The creation template into its page, with the network-help buttons beside the network-ID
// boxes; `machines` is the page's grid, reloaded and watched after a creation.
TemplatePanel* InstallTemplatePanel(ProviderPage& page, AppContext& context,
                                    MachinesPanel* machines);
std::array<TemplatePanel*, 3> InstallTemplatePanels(MainWindow& window, AppContext& context,
                                                    const std::array<MachinesPanel*, 3>& machines);

// The grid's "重装" and the "全部重装" button beside its batch buttons.
ReinstallLauncher* InstallReinstall(MachinesPanel& machines, AppContext& context,
                                    MainWindow& window);
std::array<ReinstallLauncher*, 3> InstallReinstalls(const std::array<MachinesPanel*, 3>& machines,
                                                    AppContext& context, MainWindow& window);

}  // namespace ydt
