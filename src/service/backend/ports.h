// The small interfaces through which the core reports to the operator. The UI implements
// them with real widgets; tests implement them with recorders.
#pragma once

#include <cstdint>
#include <string>

namespace ydt {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// Opaque reference to the window that owns a message box. The core never looks inside;
// the UI maps it back to its widget (null means "no owner").
struct WindowRef {
  const void* id = nullptr;
  friend bool operator==(WindowRef, WindowRef) = default;
};

// Receives one complete log line ("[time] [title] outcome\r\n") to put on top of the log
// pane. Called from any thread; an implementation must never lose a line.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void PrependLine(const std::string& line) = 0;
};

// Shows a modal message box titled "澜星科技提示：" and blocks until the operator answers.
// Called from any thread; from a worker it waits for the box shown on the UI thread.
class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual MessageAnswer Show(WindowRef owner, const std::string& text, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok) = 0;
};

// A wait that keeps the calling thread's window responsive. Injected so that tests can
// record the exact sequence of pauses instead of waiting them out.
class Pauser {
 public:
  virtual ~Pauser() = default;
  virtual void Pause(std::int64_t milliseconds) = 0;
};

}  // namespace ydt
