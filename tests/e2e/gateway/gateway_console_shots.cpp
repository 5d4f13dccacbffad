// The real console logged in through the gateway in front of the providers' fakes, left
// open on the Tencent tab with 250 machines and the balance read, for screenshots:
//
//   xvfb-run -s "-screen 0 1440x900x24" gateway_console_shots 30 &
//   sleep 15; DISPLAY=... import -window root shot.png
//
// The argument is how many seconds to stay open once everything is shown (default 30).
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <cstdlib>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/ui/machines_panel.h"
#include "e2e/faults/fault_console.h"
#include "faked_clouds.h"
#include "gateway_process.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"

int main(int argc, char** argv) {
  using namespace ydt;
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  test::FakedClouds clouds(250);
  test::GatewayProcess gateway(clouds.EndpointFlags());
  if (!clouds.Started() || !gateway.Started()) {
    std::fprintf(stderr, "could not start: %s\n", gateway.StartError().c_str());
    return 1;
  }
  test::LoginRun run(gateway.BaseUrl(), "127.0.0.1:9");
  if (!run.start->Open() || !run.CaptchaShown()) return 1;
  run.TypeEverything();
  run.ClickLogin();
  if (!QTest::qWaitFor([&] { return run.start->Main() != nullptr; }, 10000)) return 1;
  MainWindow& main = *run.start->Main();
  main.resize(1400, 860);
  main.move(20, 20);

  const ProviderKind kind = ProviderKind::Tencent;
  ProviderPage& page = *main.Page(kind);
  const auto [id, key] = clouds.Keys("qcloud");
  for (auto [box, text] : {std::pair{page.KeyPair()->SecretIdBox(), id},
                           std::pair{page.KeyPair()->SecretKeyBox(), key}}) {
    box->setText(QString::fromStdString(text));
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(box, &out);
  }
  MachinesPanel* grid = nullptr;
  for (MachinesPanel* panel : main.findChildren<MachinesPanel*>()) {
    if (panel->Kind() == kind) grid = panel;
  }
  page.RegionBox()->setCurrentIndex(0);
  emit page.RegionBox()->activated(0);
  // The tabs are disabled while the grid loads, so the balance is asked for after.
  bool shown = QTest::qWaitFor(
      [&] { return grid->Model().rowCount() == 250 && !grid->LoadRunning(); }, 20000);
  QTest::mouseClick(page.KeyPair()->TestButton(), Qt::LeftButton);
  auto* balance = page.KeyPair()->findChild<QLabel*>(
      QString::fromStdString(WidgetName("透明标签", kind, "余额")));
  shown = shown &&
          QTest::qWaitFor([&] { return balance->text().endsWith(QStringLiteral("元")); }, 10000);
  std::printf("%s: %d rows, %s\n", shown ? "ready" : "NOT READY", grid->Model().rowCount(),
              balance->text().toStdString().c_str());
  std::fflush(stdout);
  QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
  app.exec();
  return shown ? 0 : 1;
}
