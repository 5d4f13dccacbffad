// MachineListLoader runs one whole machine-list load on the calling (worker) thread: key
// check, count request, the pause, the pages and the rows. It touches no widget; the caller
// shows what it hands back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/machine_row.h"
#include "consoles/template/access_keys.h"
#include "service/backend/backend_client.h"
#include "service/backend/ports.h"

namespace ydt {

class MachineListLoader {
 public:
  enum class Outcome {
    Loaded,       // rows hold the new list (possibly with failed pages missing)
    MissingKeys,  // a key box was empty; the operator has been told
    CountFailed,  // the count request failed; its log line is the only report
    Cancelled,    // a newer load took over
  };

  struct Result {
    Outcome outcome = Outcome::Loaded;
    // The new grid contents; nothing means "keep the rows the grid has".
    std::optional<std::vector<MachineRow>> rows;
    std::int32_t total = 0;
  };

  // Called before each page request with the page (from 1) and the page count.
  using PageProgress = std::function<void(int page, int pageCount)>;

  struct Request {
    ProviderKind kind = ProviderKind::Tencent;
    AccessKeys keys;
    std::string regionCode;
    std::int64_t batchDelay = 100;  // ms
    bool quiet = false;             // a background refresh: no log line per request
  };

  // `owner` is the window the backend's message boxes would belong to (they are off here).
  MachineListLoader(BackendClient& client, Prompter& prompter, Pauser& pauser,
                    WindowRef owner = {});

  Result Load(const Request& request, std::stop_token stop = {}, const PageProgress& progress = {});

  // The single wait before the first page.
  static std::int64_t PauseBeforePages(std::int64_t batchDelay) { return batchDelay + 1250; }

 private:
  BackendClient& client_;
  Prompter& prompter_;
  Pauser& pauser_;
  WindowRef owner_;
};

}  // namespace ydt
