// TEMPORARY development entry, to be replaced by the login window: logs in to the backend
// with the stand-in's demo account and opens the main window directly.
#pragma once

namespace ydt {

struct AppContext;
class LogPane;

void DevLoginAndShowMain(AppContext& context, LogPane* logPane);

}  // namespace ydt
