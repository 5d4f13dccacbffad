// PageRowPipeline builds grid rows from parsed page replies on a helper thread, in the order
// the pages were handed in, so row building overlaps with the next page's request instead of
// adding to it.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "consoles/machines/machine_row.h"
#include "service/json/json_doc.h"

namespace ydt {

class PageRowPipeline {
 public:
  PageRowPipeline(ProviderKind kind, int firstRowNumber);
  // Abandons whatever is still queued.
  ~PageRowPipeline();
  PageRowPipeline(const PageRowPipeline&) = delete;
  PageRowPipeline& operator=(const PageRowPipeline&) = delete;

  // Queues one parsed page reply that the backend answered with success.
  void Push(JsonDoc page);

  // Waits until every queued page is built and returns all rows, numbered on across pages.
  std::vector<MachineRow> Finish();

 private:
  void Run();

  ProviderKind kind_;
  int nextNumber_;
  std::vector<MachineRow> rows_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<JsonDoc> queue_;
  bool closing_ = false;    // no more pages come; build the rest and end
  bool abandoned_ = false;  // end now, the rows are not wanted
  std::thread worker_;
};

}  // namespace ydt
