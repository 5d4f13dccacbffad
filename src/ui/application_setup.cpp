#include "ui/application_setup.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

#include <fontconfig/fontconfig.h>

#include <thread>

namespace ydt {

void StartReadingFontConfiguration() {
  // fontconfig keeps one configuration per process and builds it once, whichever thread
  // asks first; Qt's font database then finds it ready.
  std::thread([] { FcInit(); }).detach();
}

void PrepareApplication(QApplication& app) {
  auto* qtbase = new QTranslator(&app);
  if (qtbase->load(QStringLiteral("qtbase_zh_CN"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(qtbase);
  }
  // Chinese text must not fall back to a font without CJK glyphs (it would show boxes).
  for (const QString& family :
       {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Noto Sans SC")}) {
    if (QFontDatabase::hasFamily(family)) {
      QFont font = app.font();
      font.setFamily(family);
      app.setFont(font);
      break;
    }
  }
  // The tray keeps the program alive; it ends only through the exit confirmation.
  QApplication::setQuitOnLastWindowClosed(false);
}

}  // namespace ydt
