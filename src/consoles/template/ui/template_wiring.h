// Puts the creation template into each provider page of the main window, with the
// network-help buttons beside the network-ID boxes, and starts its zone and image loads when
// the operator picks a region.
#pragma once

#include <array>

namespace ydt {

struct AppContext;
class MachinesPanel;
class MainWindow;
class ProviderPage;
class TemplatePanel;

// `machines` is the page's grid, reloaded after a creation.
TemplatePanel* InstallTemplatePanel(ProviderPage& page, AppContext& context,
                                    MachinesPanel* machines);
std::array<TemplatePanel*, 3> InstallTemplatePanels(MainWindow& window, AppContext& context,
                                                    const std::array<MachinesPanel*, 3>& machines);

}  // namespace ydt
