#include "live/common/crypto.h"

#include <gtest/gtest.h>

namespace ydt::live {
namespace {

// Published vectors: RFC 4231 case 2 (HMAC-SHA256), RFC 2202 case 2 (HMAC-SHA1), FIPS 180-2.
TEST(LiveCrypto, DigestsMatchPublishedVectors) {
  EXPECT_EQ(HexLower(HmacSha256("Jefe", "what do ya want for nothing?")),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  EXPECT_EQ(HexLower(HmacSha1("Jefe", "what do ya want for nothing?")),
            "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(LiveCrypto, EncodingsKeepOnlyUnreservedBytes) {
  struct Case {
    const char* in;
    bool keepSlash;
    const char* out;
  } cases[] = {
      {"AZaz09-_.~", false, "AZaz09-_.~"},
      {"a b+c*d/e", false, "a%20b%2Bc%2Ad%2Fe"},
      {"/v2/a b", true, "/v2/a%20b"},
      {"中", false, "%E4%B8%AD"},
  };
  for (const auto& c : cases) EXPECT_EQ(UriEncode(c.in, c.keepSlash), c.out) << c.in;
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("ab"), "YWI=");
  EXPECT_EQ(Base64(std::string("\xff\x00\x01", 3)), "/wAB");
}

TEST(LiveCrypto, TimeTextsAreUtc) {
  // 2017-03-12 00:00:00 UTC and one second before a leap-year day.
  EXPECT_EQ(UtcDate(1489276800), "2017-03-12");
  EXPECT_EQ(UtcIso8601(1489276800), "2017-03-12T00:00:00Z");
  EXPECT_EQ(UtcBasic(951782399), "20000228T235959Z");
}

}  // namespace
}  // namespace ydt::live
