// MainWindow is the console's long-lived window: the three provider tabs, the shared log
// pane, the status bar with its clock, the menu, the tray icon and the exit path.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>

#include "consoles/catalogue/catalogue.h"

class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;

namespace ydt {

struct AppContext;
class LogPane;
class ProviderPage;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // Builds the frame; takes ownership of logPane, which must outlive every writer of the
  // log. Call RunCreationSequence once the panels are plugged in.
  MainWindow(AppContext& context, LogPane* logPane, QWidget* parent = nullptr);

  // The creation steps in their order: tab 0, clock, stored settings into the window,
  // the provider records filled, and the login-info request started.
  void RunCreationSequence();

  ProviderPage* Page(ProviderKind kind) const { return pages_[ProviderIndex(kind)]; }
  LogPane* Log() const { return logPane_; }
  QTabWidget* Tabs() const { return tabs_; }
  QSystemTrayIcon* TrayIcon() const { return tray_; }
  QMenu* TrayMenu() const { return trayMenu_; }

  // Handler of 检查更新; until the update check exists the entry does nothing.
  void SetUpdateCheckHandler(std::function<void()> handler);

  // Updates part 0 of the status bar (called each clock tick).
  void UpdateClock();
  // Part 1 of the status bar: its caption followed by the selected machine ("ID address"),
  // or the caption alone.
  void ShowSelectedServer(const QString& machine);

  // The exit confirmation. On OK ends every copy of the program through the platform seam
  // (the real one does not return) and quits; true then.
  bool ConfirmExit();

  // Brings the window to the front, restoring it when minimised (tray click).
  void BringToFront();

  static constexpr const char* kTitle = "云舵台 V3.5";

 signals:
  void currentProviderChanged(int index);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  void BuildTray();
  void StartLoginInfoRequest();
  void ShowAbout();
  void OpenSystemParameters();

  AppContext& context_;
  LogPane* logPane_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  std::array<ProviderPage*, 3> pages_{};
  QLabel* clockLabel_ = nullptr;
  QLabel* serverLabel_ = nullptr;
  QTimer* clock_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  std::function<void()> updateCheck_;
  bool exiting_ = false;
};

}  // namespace ydt
