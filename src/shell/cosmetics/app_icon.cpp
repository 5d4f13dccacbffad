#include "shell/cosmetics/app_icon.h"

#include <QString>

// The resources live in a static library: without this reference the linker would drop
// them from the program.
static void InitCosmeticsResources() {
  Q_INIT_RESOURCE(cosmetics);
}

namespace ydt {

void RegisterCosmeticResources() {
  static const bool registered = [] {
    InitCosmeticsResources();
    return true;
  }();
  (void)registered;
}

QIcon AppIcon() {
  RegisterCosmeticResources();
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/yunduotai/icons/yunduotai-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace ydt
