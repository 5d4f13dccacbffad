// BackendClient sends every operation of the console to the vendor backend as one form
// request and turns the reply envelope {code, msg, data} into a result code, a log line
// and, when asked, a message box.
#pragma once

#include <string>

#include "service/backend/ports.h"

namespace ydt {

class JsonDoc;

enum HttpMethod : int { kGet = 0, kPost = 1 };

// What a failure without a usable envelope says (log line and message box).
inline constexpr const char* kBackendBusyText = "服务器繁忙，请稍后再试！";

// "http://" + the configured backend host + ":60080/api/v1/lxinterface".
std::string DefaultBackendBaseUrl();

// One request's exchange with the backend, not yet read: when it was sent (the time its
// log line carries) and the reply body as it arrived.
struct BackendExchange {
  std::string time;
  std::string body;
};

class BackendClient {
 public:
  BackendClient(LogSink& log, Prompter& prompter, std::string baseUrl = DefaultBackendBaseUrl());

  // Sends `form` (UTF-8 text, sent as GBK bytes) to baseUrl + path. Returns the envelope's
  // code, or 1 when there was no usable envelope. `reply` (may be null) receives the whole
  // reply text when it parsed as JSON and is left untouched otherwise. A non-empty title
  // writes one log line; showBox shows failures in a message box owned by `owner`.
  // `replyDoc` (may be null) receives the parsed reply under the same condition as
  // `reply`, so a caller that reads the reply need not parse it a second time.
  int CallBackend(const std::string& path, int method, const std::string& form, std::string* reply,
                  WindowRef owner, bool showBox, const std::string& title,
                  JsonDoc* replyDoc = nullptr);

  // The two halves of CallBackend, for a caller that sends its next request while an
  // earlier reply is still being read elsewhere. CallBackend is ReadReply(Exchange(...)).
  BackendExchange Exchange(const std::string& path, int method, const std::string& form);
  int ReadReply(const BackendExchange& exchange, std::string* reply, WindowRef owner, bool showBox,
                const std::string& title, JsonDoc* replyDoc = nullptr);

  const std::string& BackendBaseUrl() const { return baseUrl_; }
  // Where the request lines go; a run's summary line goes there too.
  LogSink& Log() const { return log_; }

 private:
  LogSink& log_;
  Prompter& prompter_;
  std::string baseUrl_;
};

}  // namespace ydt
