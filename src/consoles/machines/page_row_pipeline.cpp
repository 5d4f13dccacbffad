#include "consoles/machines/page_row_pipeline.h"

#include "consoles/machines/machine_row_builder.h"

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

void PageRowPipeline::Push(JsonDoc page) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(page));
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
  for (;;) {
    JsonDoc page;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return abandoned_ || closing_ || !queue_.empty(); });
      if (abandoned_ || queue_.empty()) return;  // closing with nothing left, or abandoned
      page = std::move(queue_.front());
      queue_.pop_front();
    }
    AppendMachineRows(kind_, page, nextNumber_, rows_);
    // The page's tree is freed here, off the loading thread.
  }
}

}  // namespace ydt
