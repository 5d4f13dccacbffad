#include "consoles/template/ui/template_wiring.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/ui/machines_panel.h"
#include "consoles/template/ui/network_help_window.h"
#include "consoles/template/ui/template_panel.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "ui/app_context.h"
#include "ui/qt_prompter.h"

namespace ydt {

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
  env.batchDelay = [&context] { return static_cast<std::int64_t>(context.running.BatchDelay()); };
  env.readKeys = [keyPair] {
    if (keyPair == nullptr) return AccessKeys{};
    auto [id, key] = keyPair->Credentials();
    return AccessKeys{std::move(id), std::move(key)};
  };
  env.reloadMachines = [grid] {
    if (grid) grid->LoadMachineList();
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

}  // namespace ydt
