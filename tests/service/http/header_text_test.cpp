#include "service/http/header_text.h"

#include <gtest/gtest.h>

#include "service/http/url_parts.h"

namespace ydt {
namespace {

struct Case {
  const char* input;
  const char* expected;
};

TEST(NormaliseHeaderNames, CapitalisesEveryPieceOfTheNameAndKeepsTheRest) {
  const Case cases[] = {
      {"interface:yunduotai", "Interface:yunduotai"},
      {"content-type: text/plain", "Content-Type: text/plain"},
      {"x-a-b:c-d-e", "X-A-B:c-d-e"},
      {"accept: text/html\r\nreferer: http://a/b:c", "Accept: text/html\r\nReferer: http://a/b:c"},
      {"no colon here\r\nhost:x\r\n\r\n", "Host:x"},
      {"mIXed-CASE:1", "MIXed-CASE:1"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliseHeaderNames(c.input), c.expected) << c.input;
}

TEST(CompleteHeaderText, AddsOnlyTheDefaultsTheCallerLacksInFixedOrder) {
  EXPECT_EQ(CompleteHeaderText("Interface:yunduotai", "http://h/p", 1, false),
            "Interface:yunduotai\r\nAccept: */*\r\nReferer: http://h/p\r\n"
            "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(CompleteHeaderText("", "http://h/p", 0, false),
            "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn");
  // Names are found without regard to case; the agent comes before the form type.
  EXPECT_EQ(CompleteHeaderText("accept: text/html\r\nREFERER: x", "http://h/", 1, true),
            "accept: text/html\r\nREFERER: x\r\nAccept-Language: zh-cn\r\nUser-Agent: "
            "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
            "Content-Type: application/x-www-form-urlencoded");
}

TEST(UrlParts, SplitsHostPortAndPathAsTheTransportConnects) {
  struct UrlCase {
    const char* address;
    const char* host;
    int port;
    const char* path;
  };
  const UrlCase cases[] = {
      {"http://Host.Example:60080/Api/x?y=1", "host.example", 60080, "/Api/x?y=1"},
      {"https://Secure.example/a", "secure.example", 443, "/a"},
      {"HTTPS://secure.example", "secure.example", 443, "/"},
      {"plain.example/x/Y", "plain.example", 80, "/x/Y"},
      {"http://127.0.0.1:8080", "127.0.0.1", 8080, "/"},
      // A host that also occurs inside the scheme must not start the path there.
      {"http://t/Path", "t", 80, "/Path"},
      {"https://ht:444/q?r=http://x", "ht", 444, "/q?r=http://x"},
  };
  for (const UrlCase& c : cases) {
    EXPECT_EQ(UrlHost(c.address), c.host) << c.address;
    EXPECT_EQ(UrlPort(c.address), c.port) << c.address;
    EXPECT_EQ(UrlPath(c.address), c.path) << c.address;
  }
}

TEST(MergeCookies, NewCookiesWinAndDeletedOnesDisappear) {
  struct MergeCase {
    const char* oldText;
    const char* newText;
    const char* expected;
  };
  const MergeCase cases[] = {
      {"a=1; c=3", "a=9; c=deleted", "a=9"},
      {"a=1; c=3", "b=2", "b=2; a=1; c=3"},
      {"a=1; c=3", "", "a=1; c=3"},
      {"", "a=1", "a=1"},
      {"  a=1;  ", "b=2;", "b=2; a=1"},
      {"a=1; flag", "flag; a=1", "flag; a=1"},
      {"x=1", "x=1; x=1; y=2", "x=1; y=2"},
      {"A=1", "a=2", "a=2; A=1"},
      {"", "", ""},
  };
  for (const MergeCase& c : cases)
    EXPECT_EQ(MergeCookies(c.oldText, c.newText), c.expected) << c.oldText << " + " << c.newText;
}

TEST(ExtractSetCookies, ReadsOnlyLinesNamedExactlySetCookie) {
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
      {"HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nSET-COOKIE: b=2\r\n\r\n", ""},
      {"Set-Cookie:  sid=x y ;HttpOnly\r\n", "sid=x y"},
      {"X-Set-Cookie: a=1\r\nSet-Cookie: z=9; Secure", "z=9"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ExtractSetCookies(c.input), c.expected) << c.input;
}

}  // namespace
}  // namespace ydt
