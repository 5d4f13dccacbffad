#include "consoles/machines/page_row_pipeline.h"

#include "consoles/machines/machine_row_builder.h"
#include "service/json/json_doc.h"

namespace ydt {

PageRowPipeline::PageRowPipeline(BackendClient& client, WindowRef owner, ProviderKind kind,
                                 int firstRowNumber)
    : client_(client), owner_(owner), kind_(kind), nextNumber_(firstRowNumber), worker_([this] {
        Run();
      }) {}

PageRowPipeline::~PageRowPipeline() {
  {
    std::lock_guard lock(mutex_);
    rowsUnwanted_ = true;
    closing_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void PageRowPipeline::Push(BackendExchange exchange, std::string title) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(Page{std::move(exchange), std::move(title)});
  }
  wake_.notify_all();
}

bool PageRowPipeline::ListGoesOnAfter(int pages) {
  std::unique_lock lock(mutex_);
  pageRead_.wait(lock, [&] { return pagesRead_ >= pages; });
  // Only the pages asked about count, so the answer does not hang on how far reading got.
  return endPage_ == 0 || endPage_ > pages;
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
    Page page;
    bool buildRows = true;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
      if (queue_.empty()) return;  // closing with nothing left
      page = std::move(queue_.front());
      queue_.pop_front();
      buildRows = !rowsUnwanted_ && endPage_ == 0;
    }
    // Every page that was sent gets its log line, even when the load has been given up.
    JsonDoc reply;
    bool ended = false;
    if (client_.ReadReply(page.exchange, nullptr, owner_, false, page.title, &reply) == 0 &&
        buildRows) {
      const std::size_t before = rows_.size();
      AppendMachineRows(kind_, reply, nextNumber_, rows_);
      ended = rows_.size() == before;
    }
    {
      std::lock_guard lock(mutex_);
      ++pagesRead_;
      if (ended && endPage_ == 0) endPage_ = pagesRead_;
    }
    pageRead_.notify_all();
  }
}

}  // namespace ydt
