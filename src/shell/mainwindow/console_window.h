// The main window as the program runs it: the frame with each tab's machine grid, creation
// template and reinstall launcher installed and the settings restored.
#pragma once

#include <array>

namespace ydt {

struct AppContext;
class LogPane;
class MachinesPanel;
class MainWindow;
class TemplatePanel;

struct ConsoleWindow {
  MainWindow* window = nullptr;  // owned by the caller
  std::array<MachinesPanel*, 3> machines{};
  std::array<TemplatePanel*, 3> templates{};
};

// The panels join their tabs before the creation sequence restores the settings into them.
ConsoleWindow BuildConsoleWindow(AppContext& context, LogPane* log);

}  // namespace ydt
