// QtPrompter shows the console's message boxes: modal QMessageBoxes titled "澜星科技提示：",
// shown on the UI thread whichever thread asks.
#pragma once

#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "service/backend/ports.h"

class QWidget;

namespace ydt {

// The owner of a box is carried through the core as an opaque WindowRef; these map it.
WindowRef WindowRefOf(const QWidget* widget);
QWidget* WidgetOf(WindowRef ref);

class QtPrompter : public QObject, public Prompter {
  Q_OBJECT
 public:
  // Must be created on the UI thread.
  explicit QtPrompter(QObject* parent = nullptr);

  // From a worker the call waits for the box shown on the UI thread.
  MessageAnswer Show(WindowRef owner, const std::string& text, MessageIcon icon,
                     MessageButtons buttons = MessageButtons::Ok) override;

  static constexpr const char* kTitle = "澜星科技提示：";

 private:
  struct AnswerWait {
    std::mutex mutex;
    std::condition_variable given;
    bool done = false;
    MessageAnswer answer = MessageAnswer::Cancel;
  };
  // Held by the posted work; the first answer given, or Cancel when it dies unanswered.
  class AnswerReply {
   public:
    explicit AnswerReply(std::shared_ptr<AnswerWait> wait) : wait_(std::move(wait)) {}
    ~AnswerReply();
    AnswerReply(const AnswerReply&) = delete;
    AnswerReply& operator=(const AnswerReply&) = delete;
    void Give(MessageAnswer answer);

   private:
    std::shared_ptr<AnswerWait> wait_;
  };

  MessageAnswer ShowHere(WindowRef owner, const std::string& text, MessageIcon icon,
                         MessageButtons buttons);

  QPointer<QObject> self_;  // taken on the UI thread, copied by workers
};

}  // namespace ydt
