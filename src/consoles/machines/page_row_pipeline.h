// PageRowPipeline reads the page replies of a list load on a helper thread, in the order the
// pages were sent: envelope check, log line and rows, so that all of it overlaps with the
// next page's exchange instead of adding to it.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/machine_row.h"
#include "service/backend/backend_client.h"

namespace ydt {

class PageRowPipeline {
 public:
  PageRowPipeline(BackendClient& client, WindowRef owner, ProviderKind kind, int firstRowNumber);
  // Reads what is still queued for its log lines only; the rows are not wanted any more.
  ~PageRowPipeline();
  PageRowPipeline(const PageRowPipeline&) = delete;
  PageRowPipeline& operator=(const PageRowPipeline&) = delete;

  // Queues one page's exchange; `title` is the title its log line carries.
  void Push(BackendExchange exchange, std::string title);

  // Waits until the first `pages` pages pushed have been read. False once one of them was a
  // successful page holding no machines: the list has ended there, whatever total the count
  // request reported, and pages read after it add no rows.
  bool ListGoesOnAfter(int pages);

  // Waits until every queued page is read and returns all rows, numbered on across pages.
  // A page whose reply is a failure adds none; its log line says why.
  std::vector<MachineRow> Finish();

 private:
  struct Page {
    BackendExchange exchange;
    std::string title;
  };

  void Run();

  BackendClient& client_;
  WindowRef owner_;
  ProviderKind kind_;
  int nextNumber_;
  std::vector<MachineRow> rows_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Page> queue_;
  bool closing_ = false;       // no more pages come; read the rest and end
  bool rowsUnwanted_ = false;  // the load was given up: log the rest, build nothing
  int pagesRead_ = 0;
  int endPage_ = 0;  // the first successful page that held no machines; 0 while none did
  std::condition_variable pageRead_;
  std::thread worker_;
};

}  // namespace ydt
