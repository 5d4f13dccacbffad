#include "support/fakes/scripted_prompter.h"

namespace ydt {

MessageAnswer ScriptedPrompter::Show(WindowRef owner, const std::string& text, MessageIcon icon,
                                     MessageButtons buttons) {
  std::lock_guard lock(mutex_);
  boxes_.push_back(Box{owner, text, icon, buttons});
  if (answers_.empty()) return MessageAnswer::Ok;
  const MessageAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ScriptedPrompter::QueueAnswer(MessageAnswer answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(answer);
}

std::vector<ScriptedPrompter::Box> ScriptedPrompter::Boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

void ScriptedPrompter::ClearBoxes() {
  std::lock_guard lock(mutex_);
  boxes_.clear();
}

}  // namespace ydt
