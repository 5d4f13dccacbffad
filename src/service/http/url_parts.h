// Splits an address the way the transport connects to it: host, port, path with query.
#pragma once

#include <string>
#include <string_view>

namespace ydt {

// Lower-case host without port.
std::string UrlHost(std::string_view address);
// Explicit port, else 443 for https and 80 otherwise.
int UrlPort(std::string_view address);
// Path and query as the caller wrote them; "/" when there is none.
std::string UrlPath(std::string_view address);

}  // namespace ydt
