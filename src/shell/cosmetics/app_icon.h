// The program's icon, shared by its windows and the tray.
#pragma once

#include <QIcon>

namespace ydt {

// Every size of the icon, from the program's own resources.
QIcon AppIcon();

// Decodes the icon's pictures on a thread of its own while the program goes on starting;
// the first AppIcon() then only has to hand them to the window system. Call it on the UI
// thread, after the application object exists.
void StartDecodingAppIcon();

// Makes the program's pictures (the icon, the skin's arrows) reachable under
// ":/yunduotai/"; safe to call any number of times.
void RegisterCosmeticResources();

}  // namespace ydt
