#include "shell/cosmetics/app_icon.h"

#include <QPixmap>
#include <QString>
#include <future>
#include <vector>

#include "shell/cosmetics/picture.h"

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

namespace {

std::vector<QImage> DecodeIconPictures() {
  std::vector<QImage> pictures;
  // Up to 128 pixels: every window sends all its icon's pictures to the X server when it
  // is made, and a 256-pixel one would be three quarters of that traffic for a size no
  // title bar or task switcher here shows. The installed menu entry has its own icons.
  for (int size : {16, 32, 48, 64, 128}) {
    QImage picture = ReadPngPicture(QStringLiteral(":/yunduotai/icons/yunduotai-%1.png").arg(size));
    if (!picture.isNull()) pictures.push_back(std::move(picture));
  }
  return pictures;
}

// Touched on the UI thread only; the decoding thread hands its pictures over through it.
std::shared_future<std::vector<QImage>>& EarlyPictures() {
  static std::shared_future<std::vector<QImage>> early;
  return early;
}

}  // namespace

void StartDecodingAppIcon() {
  RegisterCosmeticResources();
  std::shared_future<std::vector<QImage>>& early = EarlyPictures();
  if (!early.valid()) early = std::async(std::launch::async, &DecodeIconPictures).share();
}

QIcon AppIcon() {
  // The start-up asks for the icon several times before the login window shows: decoded
  // once, shared after. Never destroyed, so its pictures are not freed after the
  // application object has gone. Added as pictures, not files: QIcon::addFile probes every
  // image plugin for each file.
  static const QIcon* const icon = [] {
    RegisterCosmeticResources();
    const std::shared_future<std::vector<QImage>>& early = EarlyPictures();
    const std::vector<QImage> pictures = early.valid() ? early.get() : DecodeIconPictures();
    auto* built = new QIcon;
    for (const QImage& picture : pictures) built->addPixmap(QPixmap::fromImage(picture));
    return built;
  }();
  return *icon;
}

}  // namespace ydt
