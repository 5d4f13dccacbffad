#include "consoles/machines/ui/machines_wiring.h"

#include "consoles/machines/ui/machines_panel.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"

namespace ydt {

MachinesPanel* InstallMachinesPanel(ProviderPage& page, AppContext& context) {
  auto* panel = new MachinesPanel(page.Kind(), context);
  page.SetMachinesPanel(panel);
  QObject::connect(&page, &ProviderPage::regionChosen, panel,
                   [panel](ProviderKind) { panel->LoadMachineList(); });
  return panel;
}

std::array<MachinesPanel*, 3> InstallMachinesPanels(MainWindow& window, AppContext& context) {
  std::array<MachinesPanel*, 3> panels{};
  for (ProviderKind kind : kAllProviders) {
    panels[ProviderIndex(kind)] = InstallMachinesPanel(*window.Page(kind), context);
  }
  return panels;
}

}  // namespace ydt
