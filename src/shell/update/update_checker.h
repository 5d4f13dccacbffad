// The 检查更新 menu entry: asks the vendor's web host, on a worker, whether the published
// release differs from the running program, and tells the operator.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "service/backend/ports.h"
#include "service/http/http_response.h"

namespace ydt {

class TaskRunner;

class UpdateChecker {
 public:
  // Fetches the notice at an address; the real one is the checked HTTP exchange with its
  // 15-second limit and certificate problems accepted.
  using FetchNotice = std::function<HttpResponse(const std::string& address)>;
  static HttpResponse FetchWithHttp(const std::string& address);

  // programDigest empty means the running program's own digest.
  UpdateChecker(Prompter& prompter, TaskRunner& tasks, std::string webHost = YUNDUOTAI_WEB_HOST,
                std::string programDigest = {}, FetchNotice fetch = &FetchWithHttp);

  // The owner of the boxes (the main window).
  void SetOwner(WindowRef owner) { owner_ = owner; }

  // The menu handler. While a check runs, up to the moment the operator closes its box,
  // a second request only gets the busy message.
  void Check();
  bool IsChecking() const;

 private:
  struct Shared;
  Prompter& prompter_;
  TaskRunner& tasks_;
  std::string webHost_;
  std::string programDigest_;
  FetchNotice fetch_;
  WindowRef owner_;
  // Shared with the running check, which may outlive a closed window.
  std::shared_ptr<Shared> shared_;
};

}  // namespace ydt
