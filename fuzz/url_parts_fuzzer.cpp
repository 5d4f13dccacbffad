// Addresses through the host, port and path functions the transport connects with.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "service/http/url_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view address(reinterpret_cast<const char*>(data), size);

  const std::string host = ydt::UrlHost(address);
  YDT_FUZZ_CHECK(host.find_first_of(":/") == std::string::npos);
  for (char c : host) YDT_FUZZ_CHECK(c < 'A' || c > 'Z');
  (void)ydt::UrlPort(address);
  const std::string path = ydt::UrlPath(address);
  YDT_FUZZ_CHECK(!path.empty() && path.front() == '/');
  YDT_FUZZ_CHECK(path == "/" || address.ends_with(path));
  return 0;
}
