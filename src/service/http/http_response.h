// What one HTTP exchange returns. Every failure leaves the body empty; nothing is thrown.
#pragma once

#include <optional>
#include <string>

namespace ydt {

struct HttpResponse {
  std::string body;
  // Raw header block of the final response, lines separated by "\r\n".
  std::string headers;
  // Cookies set by the response, "name=value" pairs joined by "; ".
  std::string cookies;
  // Filled by the checked variant only.
  int status = 0;
  std::string statusText;
  // The request's cookie text, replaced by the merged text when merging applied.
  std::optional<std::string> cookieText;
};

}  // namespace ydt
