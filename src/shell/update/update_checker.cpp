#include "shell/update/update_checker.h"

#include <atomic>

#include "service/http/http_client.h"
#include "shell/login/program_digest.h"
#include "shell/update/update_notice.h"
#include "ui/task_runner.h"

namespace ydt {

struct UpdateChecker::Shared {
  std::atomic<bool> checking{false};
};

HttpResponse UpdateChecker::FetchWithHttp(const std::string& address) {
  HttpRequest request;
  request.address = address;
  request.method = 0;
  request.timeoutSeconds = 15;
  return HttpSendWinHttp(request);
}

UpdateChecker::UpdateChecker(Prompter& prompter, TaskRunner& tasks, std::string webHost,
                             std::string programDigest, FetchNotice fetch)
    : prompter_(prompter),
      tasks_(tasks),
      webHost_(std::move(webHost)),
      // The own digest is taken on the check's worker: hashing the executable at start-up
      // would hold the login window back.
      programDigest_(std::move(programDigest)),
      fetch_(std::move(fetch)),
      shared_(std::make_shared<Shared>()) {}

bool UpdateChecker::IsChecking() const {
  return shared_->checking.load();
}

void UpdateChecker::Check() {
  // Only this handler sets the flag and only the one running check clears it.
  if (shared_->checking.exchange(true)) {
    prompter_.Show(owner_, std::string(kUpdateBusyText), MessageIcon::Information);
    return;
  }
  tasks_.Start([shared = shared_, &prompter = prompter_, owner = owner_, webHost = webHost_,
                digest = programDigest_, fetch = fetch_] {
    const HttpResponse response = fetch(UpdateNoticeAddress(webHost));
    const UpdateOutcome outcome = EvaluateUpdateNotice(response.status, response.body,
                                                       digest.empty() ? ProgramDigest() : digest);
    prompter.Show(owner, UpdateMessage(outcome, webHost), MessageIcon::Information);
    shared->checking.store(false);
  });
}

}  // namespace ydt
