// One HTTP exchange with a provider's public API, as plain values: what a signer signs, what
// the transport sends, and what came back.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ydt::live {

using NameValues = std::vector<std::pair<std::string, std::string>>;

struct ProviderRequest {
  std::string method = "POST";
  std::string scheme = "https";  // "http" only for an endpoint overridden to a local fake
  std::string host;              // host[:port] as it goes into the Host header
  std::string path = "/";        // already percent-encoded as it goes on the request line
  NameValues query;              // raw names and values, in order; encoded when sent
  NameValues headers;            // in order, names as sent; the signer appends its own
  std::string body;

  // The value of the first header named `name` (letter case ignored), or empty.
  std::string Header(const std::string& name) const;
  // The query as it goes on the request line: names and values RFC 3986-encoded, joined
  // with "=" and "&" in order; empty when there is none.
  std::string EncodedQuery() const;
};

// `text` without blanks, tabs, CR and LF at either end, as header values are compared.
std::string TrimmedHeaderValue(std::string_view text);

struct ProviderResponse {
  int status = 0;      // HTTP status; 0 when no answer arrived
  NameValues headers;  // names in lower case
  std::string body;
  std::string transportError;  // empty when an HTTP answer arrived (curl's text otherwise)
  bool timedOut = false;
};

}  // namespace ydt::live
