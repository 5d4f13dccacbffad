// A Prompter that records every box and answers from a queue (Ok once it runs dry).
// Thread-safe.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "service/backend/ports.h"

namespace ydt {

class ScriptedPrompter : public Prompter {
 public:
  struct Box {
    WindowRef owner;
    std::string text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
  };

  MessageAnswer Show(WindowRef owner, const std::string& text, MessageIcon icon,
                     MessageButtons buttons = MessageButtons::Ok) override;
  // Answers for the next boxes, in order.
  void QueueAnswer(MessageAnswer answer);
  std::vector<Box> Boxes() const;
  // Forgets the recorded boxes; queued answers stay.
  void ClearBoxes();

 private:
  mutable std::mutex mutex_;
  std::deque<MessageAnswer> answers_;
  std::vector<Box> boxes_;
};

}  // namespace ydt
