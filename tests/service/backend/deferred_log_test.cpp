#include "service/backend/deferred_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/fakes/recording_log_sink.h"

namespace ydt {
namespace {

TEST(DeferredLog, KeepsLinesUntilAttachedThenPassesThemOnInOrder) {
  DeferredLog log;
  log.PrependLine("captcha\r\n");
  log.PrependLine("login\r\n");

  RecordingLogSink pane;
  EXPECT_TRUE(pane.Lines().empty());
  log.Attach(pane);
  EXPECT_EQ(pane.Lines(), (std::vector<std::string>{"login\r\n", "captcha\r\n"}));

  log.PrependLine("list\r\n");
  EXPECT_EQ(pane.Lines().front(), "list\r\n");

  // A second pane would split the log in two: the first one keeps it.
  RecordingLogSink other;
  log.Attach(other);
  log.PrependLine("batch\r\n");
  EXPECT_TRUE(other.Lines().empty());
  EXPECT_EQ(pane.Lines().size(), 4u);
}

// Workers write while the main window attaches its pane: every line arrives once, and each
// worker's lines keep their order whether they were kept or passed straight on.
TEST(DeferredLog, NoLineIsLostOrReorderedWhenAttachedWhileWorkersWrite) {
  constexpr int kWriters = 4;
  constexpr int kLinesEach = 3000;
  DeferredLog log;
  RecordingLogSink pane;
  std::atomic<int> written{0};
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&log, &written, w] {
      for (int i = 0; i < kLinesEach; ++i) {
        log.PrependLine(std::to_string(w) + ":" + std::to_string(i));
        written.fetch_add(1, std::memory_order_relaxed);
      }
    });
  }
  while (written.load(std::memory_order_relaxed) < kWriters * kLinesEach / 3) {
    std::this_thread::yield();
  }
  log.Attach(pane);
  for (std::thread& writer : writers) writer.join();

  const std::vector<std::string> lines = pane.Lines();  // newest first
  ASSERT_EQ(lines.size(), static_cast<size_t>(kWriters * kLinesEach));
  std::vector<int> next(kWriters, 0);
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    const size_t colon = it->find(':');
    ASSERT_NE(colon, std::string::npos) << *it;
    const int writer = std::stoi(it->substr(0, colon));
    const int index = std::stoi(it->substr(colon + 1));
    ASSERT_EQ(index, next[static_cast<size_t>(writer)]) << "writer " << writer;
    ++next[static_cast<size_t>(writer)];
  }
}

}  // namespace
}  // namespace ydt
