// The program's icon, shared by its windows and the tray.
#pragma once

#include <QIcon>

namespace ydt {

// Every size of the icon, from the program's own resources.
QIcon AppIcon();

// Makes the program's pictures (the icon, the skin's arrows) reachable under
// ":/yunduotai/"; safe to call any number of times.
void RegisterCosmeticResources();

}  // namespace ydt
