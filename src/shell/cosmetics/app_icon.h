// The program's icon, shared by its windows and the tray.
#pragma once

#include <QIcon>

namespace ydt {

// Every size of the icon, from the program's own resources.
QIcon AppIcon();

}  // namespace ydt
