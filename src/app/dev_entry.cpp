#include "app/dev_entry.h"

#include <string>

#include "service/backend/backend_client.h"
#include "service/text/text.h"
#include "shell/mainwindow/main_window.h"
#include "ui/app_context.h"
#include "ui/log_pane.h"
#include "ui/task_runner.h"

namespace ydt {

void DevLoginAndShowMain(AppContext& context, LogPane* logPane) {
  context.settings.EnsureFolder();
  const std::string form = "username=" + UrlEncode(ToUtf8("demo")) +
                           "&password=" + Md5Hex(Utf8ToGbk("demo123")) +
                           "&verifycode=" + YUNDUOTAI_DEV_CAPTCHA + "&type=yunduotai";
  RunBlocking([&] {
    context.backend.CallBackend("/login/", kPost, form, nullptr, WindowRef{}, false, "");
  });
  auto* window = new MainWindow(context, logPane);
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  window->RunCreationSequence();
  window->show();
}

}  // namespace ydt
