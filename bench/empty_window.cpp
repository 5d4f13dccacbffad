// The start-up baseline: an empty Qt window, started the way bench_startup starts the
// console's probe, reporting when it has first painted. With --text the window shows one
// line of Chinese instead, which costs the font system's start as well: any window with
// text pays that, so it tells Qt's share of a start-up apart from the console's own.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <cstring>

#include "startup_stamp.h"

int main(int argc, char** argv) {
  const bool withText = argc > 1 && std::strcmp(argv[1], "--text") == 0;
  QApplication app(argc, argv);
  QWidget window;
  window.resize(430, 364);
  if (withText) {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("云舵台 V3.5 登录系统"), &window));
  }
  ydt::bench::FirstPaint painted(&window, [] {
    ydt::bench::Report("window_painted");
    std::_Exit(0);
  });
  window.show();
  return QApplication::exec();
}
