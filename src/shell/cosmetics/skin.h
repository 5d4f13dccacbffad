// The program's look: one style sheet for every window, so the main window, its dialogs
// and the login window read as one program.
#pragma once

#include <QString>

class QApplication;

namespace ydt {

QString SkinStyleSheet();

// Gives every window of the application the skin's look.
void AttachSkin(QApplication& application);

}  // namespace ydt
