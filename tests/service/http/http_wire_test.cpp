// What the transport puts on the wire and how it reads what comes back, checked on the
// raw bytes of a loopback socket.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "raw_server.h"
#include "service/http/http_client.h"
#include "service/text/text.h"

namespace ydt {
namespace {

using testing::CannedResponse;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::HeaderLines;
using ::testing::Not;
using testing::RawReply;
using testing::RawServer;
using testing::RequestBody;
using testing::RequestLine;
using ::testing::StartsWith;

constexpr const char* kAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

RawServer::Handler Always(const std::string& response) {
  return [response](const std::string&, int) { return RawReply{response}; };
}

std::string HostLine(const RawServer& server) {
  return "Host: 127.0.0.1:" + std::to_string(server.Port());
}

TEST(HttpSendWire, BackendPostSendsExactlyTheBrowserLikeLinesInOrderAndGbkBody) {
  RawServer server(Always(CannedResponse("{\"code\":0}")));
  HttpRequest request;
  request.address = server.Url("/api/v1/lxinterface/yunduotai/qcloud/instances/?a=B");
  request.method = 1;
  request.extraHeaders = "interface:yunduotai";
  request.bodyBytes = Utf8ToGbk("secretid=密钥&region=ap");
  request.bodyText = "ignored when bytes are given";

  const HttpResponse response = HttpSend(request);

  EXPECT_EQ(response.body, "{\"code\":0}");
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string wire = server.Requests()[0];
  EXPECT_EQ(RequestLine(wire), "POST /api/v1/lxinterface/yunduotai/qcloud/instances/?a=B HTTP/1.1");
  EXPECT_THAT(HeaderLines(wire),
              ElementsAre(HostLine(server), kAgent, "Interface:yunduotai", "Accept: */*",
                          "Referer: " + request.address, "Accept-Language: zh-cn",
                          "Content-Type: application/x-www-form-urlencoded",
                          "Content-Length: " + std::to_string(request.bodyBytes.size())));
  EXPECT_EQ(RequestBody(wire), "secretid=\xC3\xDC\xD4\xBF&region=ap");
}

TEST(HttpSendWire, GetSendsDefaultsAndNoBodyEvenWhenGivenOne) {
  RawServer server(Always(CannedResponse("ok")));
  HttpRequest request;
  request.address = server.Url("/gg/?type=yunduotai");
  request.bodyText = "should not travel";
  EXPECT_EQ(HttpSend(request).body, "ok");

  const std::string wire = server.Requests().at(0);
  EXPECT_EQ(RequestLine(wire), "GET /gg/?type=yunduotai HTTP/1.1");
  EXPECT_THAT(HeaderLines(wire),
              ElementsAre(HostLine(server), kAgent, "Accept: */*", "Referer: " + request.address,
                          "Accept-Language: zh-cn"));
  EXPECT_EQ(RequestBody(wire), "");
}

TEST(HttpSendWire, CallerLinesReplaceDefaultsWhateverTheirCase) {
  RawServer server(Always(CannedResponse("")));
  HttpRequest request;
  request.address = server.Url("/x");
  request.method = 9;  // outside the verb table: a GET
  request.extraHeaders = "accept: text/html\r\nuser-agent:  Probe/1 \r\nx-empty:";
  HttpSend(request);

  const std::string wire = server.Requests().at(0);
  EXPECT_EQ(RequestLine(wire), "GET /x HTTP/1.1");
  EXPECT_THAT(HeaderLines(wire),
              ElementsAre(HostLine(server), "Accept: text/html", "User-Agent:  Probe/1 ",
                          "X-Empty:", "Referer: " + request.address, "Accept-Language: zh-cn"));
}

TEST(HttpSendWire, AddressWithSpacesStillReachesThePeer) {
  RawServer server(Always(CannedResponse("found")));
  HttpRequest request;
  request.address = server.Url("/find?name=a b&city=广州");
  EXPECT_EQ(HttpSend(request).body, "found");
  EXPECT_EQ(RequestLine(server.Requests().at(0)), "GET /find?name=a%20b&city=广州 HTTP/1.1");
}

TEST(HttpSendWire, SwitchesOffLeaveTheCallersTextAlone) {
  RawServer server(Always(CannedResponse("")));
  HttpRequest request;
  request.address = server.Url("/raw");
  request.method = 3;
  request.bodyText = "abc";
  request.extraHeaders = "x-lower:1";
  request.completeHeaders = false;
  request.normaliseHeaderNames = false;
  HttpSend(request);

  const std::string wire = server.Requests().at(0);
  EXPECT_EQ(RequestLine(wire), "PUT /raw HTTP/1.1");
  // Nothing of the library's own: no Accept, no Content-Type, no Expect.
  EXPECT_THAT(HeaderLines(wire),
              ElementsAre(HostLine(server), kAgent, "x-lower:1", "Content-Length: 3"));
  EXPECT_EQ(RequestBody(wire), "abc");
}

TEST(HttpSendWire, ProcessStoreSendsSetCookiesBackButGivenCookieTextBypassesIt) {
  // Paths keep this test's cookies away from the other tests' requests to 127.0.0.1.
  RawServer server([](const std::string&, int index) {
    if (index == 0) return RawReply{CannedResponse("", "Set-Cookie: sid=s1; path=/store\r\n")};
    return RawReply{CannedResponse("", "Set-Cookie: own=o1; path=/store\r\n")};
  });
  HttpRequest login;
  login.address = server.Url("/store/login");
  login.method = 1;
  EXPECT_EQ(HttpSend(login).cookies, "sid=s1");

  HttpRequest managed;
  managed.address = server.Url("/store/managed");
  managed.cookieText = "mine=1";
  const HttpResponse managedResponse = HttpSend(managed);
  EXPECT_EQ(managedResponse.cookieText, "own=o1; mine=1");

  HttpRequest later;
  later.address = server.Url("/store/later");
  HttpSend(later);

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_THAT(HeaderLines(requests[0]), Not(Contains(StartsWith("Cookie"))));
  // Given cookie text: only its own line, nothing from the store.
  EXPECT_THAT(HeaderLines(requests[1]), Contains("Cookie: mine=1"));
  EXPECT_THAT(requests[1], Not(HasSubstr("sid=s1")));
  // The store holds what the first response set, and not what the managed one set.
  EXPECT_THAT(HeaderLines(requests[2]), Contains("Cookie: sid=s1"));
  EXPECT_THAT(requests[2], Not(HasSubstr("own=o1")));
}

TEST(HttpSendWire, CookieTextAlreadyHoldingTheNameIsSentAsItStands) {
  RawServer server(Always(CannedResponse("", "Set-Cookie: a=9\r\nSet-Cookie: c=deleted\r\n")));
  HttpRequest request;
  request.address = server.Url("/c");
  request.cookieText = "Cookie: a=1; c=3";
  request.mergeCookies = false;
  const HttpResponse response = HttpSend(request);
  EXPECT_THAT(HeaderLines(server.Requests().at(0)), Contains("Cookie: a=1; c=3"));
  EXPECT_EQ(response.cookies, "a=9; c=deleted");
  EXPECT_EQ(response.cookieText, "Cookie: a=1; c=3");
}

TEST(HttpSendWire, ReturnedHeadersAndCookiesComeFromTheFinalResponse) {
  RawServer server([](const std::string&, int index) {
    if (index == 0)
      return RawReply{
          CannedResponse("moved", "Location: /next\r\nSet-Cookie: hop=1\r\n", "302 Found")};
    return RawReply{CannedResponse("arrived", "Set-Cookie: a=1; path=/\r\nset-cookie: b=2\r\n")};
  });
  HttpRequest request;
  request.address = server.Url("/start");
  request.method = 1;
  request.bodyText = "k=v";
  request.cookieText = "";
  const HttpResponse response = HttpSend(request);

  EXPECT_EQ(response.body, "arrived");
  EXPECT_THAT(response.headers, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_THAT(response.headers, Not(HasSubstr("Location")));
  EXPECT_EQ(response.cookies, "a=1");
  EXPECT_EQ(response.cookieText, "a=1");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(RequestLine(requests[1]), "GET /next HTTP/1.1");
}

TEST(HttpSendWire, NoRedirectReturnsTheRedirectItself) {
  RawServer server(Always(CannedResponse("moved", "Location: /next\r\n", "302 Found")));
  HttpRequest request;
  request.address = server.Url("/start");
  request.noRedirect = true;
  EXPECT_EQ(HttpSend(request).body, "moved");
  EXPECT_EQ(server.Requests().size(), 1u);
}

// A response whose header block, with the closing zero of the platform's buffer, is
// exactly `blockSize` + 1 bytes.
std::string ResponseWithHeaderBlock(std::size_t blockSize) {
  const std::string fixed = CannedResponse("body", "Set-Cookie: big=1\r\nX-Pad: \r\n");
  const std::size_t headerPart = fixed.size() - 4;  // without the body
  std::string pad(blockSize - headerPart, 'p');
  return CannedResponse("body", "Set-Cookie: big=1\r\nX-Pad: " + pad + "\r\n");
}

TEST(HttpSendWire, HeaderBlockThatDoesNotFitFiveThousandBytesIsDropped) {
  RawServer server([](const std::string&, int index) {
    return RawReply{ResponseWithHeaderBlock(index == 0 ? 4999 : 5000)};
  });
  HttpRequest request;
  request.address = server.Url("/h");
  request.cookieText = "";

  const HttpResponse fits = HttpSend(request);
  EXPECT_EQ(fits.headers.size(), 4999u);
  EXPECT_EQ(fits.cookies, "big=1");

  const HttpResponse tooBig = HttpSend(request);
  EXPECT_EQ(tooBig.body, "body");
  EXPECT_EQ(tooBig.headers, "");
  EXPECT_EQ(tooBig.cookies, "");
  EXPECT_EQ(tooBig.cookieText, "");
}

TEST(HttpSendWire, ErrorPagesAreBodiesAndFailuresAreEmpty) {
  RawServer server(Always(CannedResponse("{\"code\":5}", "", "500 Internal Server Error")));
  HttpRequest request;
  request.address = server.Url("/e");
  EXPECT_EQ(HttpSend(request).body, "{\"code\":5}");

  int closedPort;
  {
    RawServer gone(Always(""));
    closedPort = gone.Port();
  }
  request.address = "http://127.0.0.1:" + std::to_string(closedPort) + "/";
  request.cookieText = "keep=1";
  const HttpResponse failed = HttpSend(request);
  EXPECT_EQ(failed.body, "");
  EXPECT_EQ(failed.cookieText, "keep=1");

  // A peer that hangs up mid-body is a failed read, not a short success.
  RawServer cut(Always("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial"));
  request.address = cut.Url("/");
  EXPECT_EQ(HttpSend(request).body, "");
}

class TransferGuards : public ::testing::Test {
 protected:
  void TearDown() override { http_testing::ResetTransferLimits(); }
};

TEST_F(TransferGuards, OversizedBodyIsDroppedWithoutReadingItAll) {
  http_testing::SetTransferLimits(1 << 20, 60);
  RawServer server([](const std::string&, int index) {
    if (index == 0) return RawReply{CannedResponse(std::string(1 << 20, 'x'))};
    // Promises far more than the cap and then keeps the line open: only an early stop
    // returns quickly.
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\n";
    return RawReply{head + std::string(2 << 20, 'y'), 20000};
  });
  HttpRequest request;
  request.address = server.Url("/big");
  EXPECT_EQ(HttpSend(request).body.size(), std::size_t{1} << 20);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpSend(request).body, "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(TransferGuards, SilentPeerIsAbandonedWithAnEmptyBody) {
  http_testing::SetTransferLimits(64 << 20, 1);
  RawServer stalled([](const std::string&, int) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nsome", 30000};
  });
  HttpRequest request;
  request.address = stalled.Url("/slow");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpSend(request).body, "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
}

}  // namespace
}  // namespace ydt
