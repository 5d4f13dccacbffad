#include "consoles/machines/page_row_pipeline.h"

#include "consoles/machines/machine_row_builder.h"
#include "service/json/json_doc.h"

namespace ydt {

PageRowPipeline::PageRowPipeline(ProviderKind kind, int firstRowNumber)
    : kind_(kind), nextNumber_(firstRowNumber), worker_([this] { Run(); }) {}

PageRowPipeline::~PageRowPipeline() {
  {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
    closing_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void PageRowPipeline::Push(std::string reply) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(reply));
  }
  wake_.notify_all();
}

std::vector<MachineRow> PageRowPipeline::Finish() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
  return std::move(rows_);
}

void PageRowPipeline::Run() {
  JsonDoc doc;
  for (;;) {
    std::string reply;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return abandoned_ || closing_ || !queue_.empty(); });
      if (abandoned_ || queue_.empty()) return;  // closing with nothing left, or abandoned
      reply = std::move(queue_.front());
      queue_.pop_front();
    }
    // The reply already passed the envelope check; a page that still does not parse is
    // skipped like a failed one.
    if (doc.Parse(reply)) AppendMachineRows(kind_, doc, nextNumber_, rows_);
  }
}

}  // namespace ydt
