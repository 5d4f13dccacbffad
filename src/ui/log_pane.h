// LogPane is the shared log box below the provider tabs. It takes complete log lines from
// any thread and shows them newest on top.
#pragma once

#include <QPlainTextEdit>
#include <mutex>
#include <string>
#include <vector>

#include "service/backend/ports.h"

namespace ydt {

class LogPane : public QPlainTextEdit, public LogSink {
  Q_OBJECT
 public:
  // Must be created on the UI thread; it has to outlive every BackendClient that writes
  // to it.
  explicit LogPane(QWidget* parent = nullptr);

  // Thread-safe. Lines from workers are queued and land on the UI thread in arrival order,
  // so none is lost and the newest ends on top. A trailing "\r\n" ends the line.
  void PrependLine(const std::string& line) override;

  // Puts every queued line into the document now (the UI thread does it by itself soon).
  Q_INVOKABLE void Flush();

  static constexpr const char* kInitialText =
      "机器密码建议设置长度12位以上数字大小写符号混合，避免主机开通失败！";

 private:
  std::mutex mutex_;
  std::vector<std::string> pending_;  // oldest first
  bool flushPosted_ = false;
};

}  // namespace ydt
