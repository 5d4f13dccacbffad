#include "service/backend/backend_client.h"

#include <utility>

#include "service/http/http_client.h"
#include "service/json/json_doc.h"
#include "service/text/text.h"

namespace ydt {
namespace {

constexpr const char* kBusyText = kBackendBusyText;
// Replies shorter than this many GBK bytes cannot hold an envelope.
constexpr std::size_t kShortestReply = 10;

bool IsDecimalInteger(std::string_view text) {
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// Only a JSON number, or a text that holds a decimal integer, makes the reply an
// envelope; anything else is some other JSON that must not pass for success.
bool HasNumericCode(const JsonDoc& doc) {
  const std::string raw = doc.SubDocument("code").ToText();
  if (raw.empty()) return false;
  const char first = raw.front();
  if (first == '-' || (first >= '0' && first <= '9')) return true;
  return first == '"' && IsDecimalInteger(doc.GetText("code"));
}

// GbkLength(text) >= n without converting a whole page: every character of UTF-8 takes at
// most four bytes and at least one byte of GBK ("?" when GBK lacks it).
bool GbkLengthAtLeast(std::string_view text, std::size_t n) {
  return text.size() >= 4 * n || GbkLength(text) >= n;
}

}  // namespace

std::string DefaultBackendBaseUrl() {
  return std::string("http://") + YUNDUOTAI_BACKEND_HOST + ":60080/api/v1/lxinterface";
}

BackendClient::BackendClient(LogSink& log, Prompter& prompter, std::string baseUrl)
    : log_(log), prompter_(prompter), baseUrl_(std::move(baseUrl)) {}

int BackendClient::CallBackend(const std::string& path, int method, const std::string& form,
                               std::string* reply, WindowRef owner, bool showBox,
                               const std::string& title, JsonDoc* replyDoc) {
  return ReadReply(Exchange(path, method, form), reply, owner, showBox, title, replyDoc);
}

BackendExchange BackendClient::Exchange(const std::string& path, int method,
                                        const std::string& form) {
  BackendExchange exchange;
  exchange.time = FormatDateTime(std::nullopt, 1, 0);
  HttpRequest request;
  request.address = baseUrl_ + path;
  request.method = method;
  request.bodyBytes = Utf8ToGbk(form);
  request.extraHeaders = "interface:yunduotai";
  exchange.body = std::move(HttpSend(request).body);
  return exchange;
}

int BackendClient::ReadReply(const BackendExchange& exchange, std::string* reply, WindowRef owner,
                             bool showBox, const std::string& title, JsonDoc* replyDoc) {
  const std::string& time = exchange.time;
  std::string text = UTF8ToText(exchange.body);

  JsonDoc doc;
  if (GbkLengthAtLeast(text, kShortestReply) && doc.Parse(text) && HasNumericCode(doc)) {
    const int code = TextToInt(doc.GetText("code"));
    const std::string msg = doc.GetText("msg");
    if (reply != nullptr) *reply = std::move(text);
    if (replyDoc != nullptr) *replyDoc = std::move(doc);
    if (code != 0) {
      if (!title.empty()) log_.PrependLine("[" + time + "] [" + title + "] " + msg + "！\r\n");
      if (showBox) prompter_.Show(owner, msg + "！", MessageIcon::Error, MessageButtons::Ok);
    } else if (!title.empty()) {
      log_.PrependLine("[" + time + "] [" + title + "] 成功！\r\n");
    }
    return code;
  }

  if (!title.empty()) log_.PrependLine("[" + time + "] [" + title + "] " + kBusyText + "\r\n");
  if (showBox) prompter_.Show(owner, kBusyText, MessageIcon::Error, MessageButtons::Ok);
  return 1;
}

}  // namespace ydt
