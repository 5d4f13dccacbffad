// What one HTTP exchange is given: the address, the verb, the body and the switches that
// shape the request headers and the cookie handling.
#pragma once

#include <optional>
#include <string>

namespace ydt {

struct HttpRequest {
  // Full URL; without a scheme it is taken as http.
  std::string address;
  // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; others mean GET.
  int method = 0;
  // Sent as its bytes when bodyBytes is empty; never sent with GET.
  std::string bodyText;
  // Given (even empty): the caller manages cookies, so the process cookie store is neither
  // used nor filled and this text is sent as the Cookie line. Absent: the store is used.
  std::optional<std::string> cookieText;
  // Lines "Name:value" separated by "\r\n".
  std::string extraHeaders;
  bool noRedirect = false;
  std::string bodyBytes;
  // "host:port" of an HTTP proxy; empty connects directly.
  std::string proxy;
  // Merge the response's cookies into cookieText (only when cookieText is given).
  bool mergeCookies = true;
  // Add the browser-like default headers the caller did not give.
  bool completeHeaders = true;
  // Capitalise the names in extraHeaders.
  bool normaliseHeaderNames = true;

  // Used by the checked variant only. Seconds for connecting and for a silent transfer;
  // -1 leaves the library's own limits, anything else below 1 means 15.
  int timeoutSeconds = 15;
  std::string proxyUser;
  std::string proxyPassword;
};

}  // namespace ydt
