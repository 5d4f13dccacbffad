// The transport's library stays out of the process until the transport is started, so
// that the login window does not wait for it. A process of its own: any exchange made
// earlier in the same process would already have loaded it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "raw_server.h"
#include "service/http/http_client.h"

namespace ydt {
namespace {

bool LibcurlMapped() {
  std::ifstream maps("/proc/self/maps");
  std::stringstream text;
  text << maps.rdbuf();
  return text.str().find("/libcurl") != std::string::npos;
}

TEST(HttpTransportLoading, LibraryArrivesInTheBackgroundAndFirstExchangeWaitsForIt) {
  ASSERT_FALSE(LibcurlMapped()) << "linked at start-up again: the login window pays for it";

  testing::RawServer server(
      [](const std::string&, int) { return testing::RawReply{testing::CannedResponse("ok")}; });
  InitHttpTransport();
  // Sent at once, racing the background load: it must wait for the load, not fail.
  HttpRequest request;
  request.address = server.Url("/first");
  EXPECT_EQ(HttpSend(request).body, "ok");
  EXPECT_TRUE(LibcurlMapped());
  // A second start after the load is harmless.
  InitHttpTransport();
  EXPECT_EQ(HttpSend(request).body, "ok");
  EXPECT_EQ(server.Requests().size(), 2u);
}

}  // namespace
}  // namespace ydt
