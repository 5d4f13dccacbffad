// Puts a machine panel into each provider page of the main window and starts its load when
// the operator picks a region.
#pragma once

#include <array>

namespace ydt {

struct AppContext;
class MachinesPanel;
class MainWindow;
class ProviderPage;

MachinesPanel* InstallMachinesPanel(ProviderPage& page, AppContext& context);
std::array<MachinesPanel*, 3> InstallMachinesPanels(MainWindow& window, AppContext& context);

}  // namespace ydt
