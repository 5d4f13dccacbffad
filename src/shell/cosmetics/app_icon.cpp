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
  // Adding a file decodes its picture at once, and the start-up asks for the icon several
  // times before the login window shows: decoded once, shared after. Never destroyed, so its
  // pictures are not freed after the application object has gone.
  static const QIcon* const icon = [] {
    RegisterCosmeticResources();
    auto* built = new QIcon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
      built->addFile(QStringLiteral(":/yunduotai/icons/yunduotai-%1.png").arg(size),
                     QSize(size, size));
    }
    return built;
  }();
  return *icon;
}

}  // namespace ydt
