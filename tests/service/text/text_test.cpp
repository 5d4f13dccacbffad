#include "service/text/text.h"

#include <gtest/gtest.h>

#include <locale.h>

#include <cstdlib>
#include <limits>
#include <regex>
#include <string_view>

namespace ydt {
namespace {

TEST(TrimSpaces, RemovesOnlySpacesAtBothEnds) {
  EXPECT_EQ(TrimSpaces(""), "");
  EXPECT_EQ(TrimSpaces("    "), "");
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("\tkey "), "\tkey");
  EXPECT_EQ(TrimSpaces(" key\r\n"), "key\r\n");
  EXPECT_EQ(TrimSpaces(" 云舵台 "), "云舵台");
}

TEST(Gbk, ChineseRoundTripsThroughCodePage936) {
  const std::string gbk = Utf8ToGbk("云舵台 V3.5");
  EXPECT_EQ(gbk, "\xD4\xC6\xB6\xE6\xCC\xA8 V3.5");
  EXPECT_EQ(GbkToUtf8(gbk), "云舵台 V3.5");
  EXPECT_EQ(GbkLength("云舵台 V3.5"), 11u);
  // The full-width exclamation mark of every failure line, and the euro sign at 0x80.
  EXPECT_EQ(Utf8ToGbk("！"), "\xA3\xA1");
  EXPECT_EQ(GbkToUtf8("\x80"), "€");
  for (const char* text : {"腾讯云 - 初始化机器列表", "é·Ω—～", "澜星科技提示："}) {
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk(text)), text);
  }
}

TEST(Gbk, CharactersGbkLacksBecomeOneQuestionMarkEach) {
  EXPECT_EQ(Utf8ToGbk("a한b"), "a?b");
  EXPECT_EQ(Utf8ToGbk("😀中😀"), "?\xD6\xD0?");
  EXPECT_EQ(GbkLength("a😀ß"), 3u);
  // Bytes that are not UTF-8 at all must not stop the conversion either.
  EXPECT_EQ(Utf8ToGbk("a\xFF"
                      "b"),
            "a?b");
}

TEST(Gbk, InvalidGbkBytesBecomeQuestionMarks) {
  EXPECT_EQ(GbkToUtf8("a\xFF"
                      "b"),
            "a?b");
  EXPECT_EQ(GbkToUtf8("\x81\x20x"), "? x");
  EXPECT_EQ(GbkToUtf8("ok\xD6"), "ok?");  // lead byte cut off at the end
}

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::string text;
};

void PrintTo(const DecodeCase& decodeCase, std::ostream* os) {
  *os << decodeCase.name;
}

class Utf8ToTextRules : public testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8ToTextRules, Decodes) {
  EXPECT_EQ(UTF8ToText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Utf8ToTextRules,
    testing::Values(DecodeCase{"Empty", "", ""},
                    DecodeCase{"Ascii", "{\"code\":0}", "{\"code\":0}"},
                    DecodeCase{"Chinese", "msg:中文", "msg:中文"},
                    DecodeCase{"StrayContinuationStops",
                               "ab\x80"
                               "cd",
                               "ab"},
                    DecodeCase{"FeStops",
                               "ab\xFE"
                               "cd",
                               "ab"},
                    DecodeCase{"FfStops",
                               "ab\xFF"
                               "cd",
                               "ab"},
                    DecodeCase{"TruncatedSequenceStops", "ab\xE4\xB8", "ab"},
                    DecodeCase{"InterruptedSequenceStops",
                               "ab\xE4"
                               "A\xAD"
                               "cd",
                               "ab"},
                    DecodeCase{"ZeroEndsText", std::string("ab\0cd", 5), "ab"},
                    DecodeCase{"OverlongAccepted", "\xC1\x81\xE0\x80\xBF", "A?"},
                    DecodeCase{"OverlongZeroEndsText",
                               "ab\xC0\x80"
                               "cd",
                               "ab"},
                    DecodeCase{"AstralIsOneQuestionMark",
                               "a\xF0\x9F\x98\x80"
                               "b",
                               "a?b"},
                    DecodeCase{"EncodedSurrogatePairIsOneCharacter",
                               "\xED\xA0\xBD\xED\xB8\x80"
                               "x",
                               "?x"},
                    DecodeCase{"LoneSurrogate", "\xED\xB8\x80\xED\xA0\xBD", "??"},
                    DecodeCase{"FiveAndSixByteForms",
                               "\xF8\x88\x80\x80\x80\xFC\x84\x80\x80\x80\x80", "??"},
                    DecodeCase{"BmpCharacterGbkLacks",
                               "\xE3\x83\xBB"
                               "\xED\x95\x9C"
                               "中",
                               "??中"},
                    // Only the runs of non-ASCII characters go through GBK; the ASCII between
                    // them must come back in place, however the runs alternate.
                    DecodeCase{"AlternatingRunsKeepTheirOrder",
                               "{\"a\":\"主\xF0\x9F\x98\x80x\",\"b\":\"한b中\"}",
                               "{\"a\":\"主?x\",\"b\":\"?b中\"}"},
                    DecodeCase{"ZeroAfterChineseEndsText", std::string("中ab\0cd", 8), "中ab"},
                    // A reply sent in GBK breaks off at its first Chinese character.
                    DecodeCase{"GbkReplyIsCut", "{\"msg\":\"\xD6\xD0\xCE\xC4\"}", "{\"msg\":\""}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(UrlEncode, EncodesEveryByteUnlessKeptSafe) {
  EXPECT_EQ(UrlEncode(""), "");
  EXPECT_EQ(UrlEncode("A-1"), "%41%2D%31");
  EXPECT_EQ(UrlEncode("ab"), "%61%62");
  EXPECT_EQ(UrlEncode("A-1", true), "A-1");
  EXPECT_EQ(UrlEncode("a_~/ .Z9", true), "a%5F%7E%2F%20.Z9");
  EXPECT_EQ(UrlEncode(ToUtf8("中\n")), "%E4%B8%AD%0A");
  EXPECT_EQ(UrlEncode("\xFF\x01", true, true), "%FF%01");
}

std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  return time;
}

struct PictureCase {
  int style;
  int part;
  bool use24Hour;
  const char* expected;
};

TEST(FormatDateTime, StylesAndPartsOnBothClocks) {
  const std::tm afternoon = At(2024, 5, 1, 13, 5, 2);
  const PictureCase cases[] = {
      {1, 0, true, "2024-05-01 13:05:02"},
      {1, 0, false, "2024-05-01 01:05:02"},
      {0, 0, true, "2024年05月01日 13时05分02秒"},
      {0, 1, true, "2024年05月01日"},
      {0, 2, false, "05月01日"},
      {0, 3, false, "01时05分02秒"},
      {0, 4, true, "13时05分"},
      {2, 0, true, "2024/05/01 13/05/02"},
      {2, 4, false, "01/05"},
      {3, 0, true, "20240501130502"},
      {3, 1, true, "20240501"},
      {3, 5, false, "0502"},
      {7, 1, true, "2024年05月01日"},  // unknown style reads as style 0
      {-1, 3, true, "13时05分02秒"},
  };
  for (const PictureCase& c : cases) {
    EXPECT_EQ(FormatDateTime(afternoon, c.style, c.part, c.use24Hour), c.expected)
        << "style " << c.style << " part " << c.part << " 24h " << c.use24Hour;
  }
  // Midnight and noon on a 12-hour clock both read 12, with no AM/PM marker anywhere.
  EXPECT_EQ(FormatDateTime(At(2024, 12, 31, 0, 30, 0), 1, 3, false), "12:30:00");
  EXPECT_EQ(FormatDateTime(At(2024, 12, 31, 12, 30, 0), 1, 3, false), "12:30:00");
  EXPECT_EQ(FormatDateTime(At(2024, 12, 31, 0, 30, 0), 1, 3, true), "00:30:00");
}

TEST(FormatDateTime, DefaultsToNowInLogStampShape) {
  EXPECT_TRUE(std::regex_match(FormatDateTime(std::nullopt, 1, 0, true),
                               std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
}

TEST(LocaleUses24HourClock, FollowsTheLocalesTimeFormat) {
  const char* saved = std::getenv("LC_ALL");
  const std::string previous = saved ? saved : "";
  std::string missing;
  for (const auto& [name, twentyFour] : {std::pair{"C", true},
                                         {"no_SUCH.locale", true},  // falls back, never fails
                                         {"de_DE.UTF-8", true},
                                         {"en_US.UTF-8", false}}) {
    const locale_t installed = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0));
    if (installed != static_cast<locale_t>(0)) freelocale(installed);
    if (installed == static_cast<locale_t>(0) && std::string_view(name) != "no_SUCH.locale") {
      missing += std::string(" ") + name;
      continue;
    }
    setenv("LC_ALL", name, 1);
    EXPECT_EQ(LocaleUses24HourClock(), twentyFour) << name;
  }
  if (saved) {
    setenv("LC_ALL", previous.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  if (!missing.empty())
    GTEST_SKIP() << "locales not installed (scripts/setup makes them):" << missing;
}

TEST(EscapeRegexText, EscapesBracketsAndQuantifiersAndTranslatesMarkers) {
  EXPECT_EQ(EscapeRegexText("a?b*c+d[e]f(g)h{i}"), "a\\?b\\*c\\+d\\[e\\]f\\(g\\)h\\{i\\}");
  EXPECT_EQ(EscapeRegexText("#引号addr#引号:#引号"), "\"addr\":\"");
  EXPECT_EQ(EscapeRegexText("a\r\nb"), "a\\nb");
  EXPECT_EQ(EscapeRegexText(".^$|\\"), ".^$|\\");
}

const char* const kHuaweiAddresses =
    "{\"vpc-7f1c\":[{\"version\":4,\"addr\":\"10.0.0.5\",\"OS-EXT-IPS:type\":\"fixed\","
    "\"OS-EXT-IPS-MAC:mac_addr\":\"fa:16:3e:00:00:01\"},{\"version\":4,\"addr\":\"1.2.3.4\","
    "\"OS-EXT-IPS:type\":\"floating\",\"OS-EXT-IPS-MAC:mac_addr\":\"fa:16:3e:00:00:01\"}]}";

TEST(ExtractAllBetween, PicksAddressesAndTypesOutOfJson) {
  std::vector<std::string> out;
  EXPECT_EQ(ExtractAllBetween(kHuaweiAddresses, "\"addr\":\"", "\"", out), 2);
  EXPECT_EQ(out, (std::vector<std::string>{"10.0.0.5", "1.2.3.4"}));
  EXPECT_EQ(ExtractAllBetween(kHuaweiAddresses, "\"OS-EXT-IPS:type\":\"", "\"", out), 2);
  EXPECT_EQ(out, (std::vector<std::string>{"fixed", "floating"}));
  EXPECT_EQ(ExtractAllBetween(kHuaweiAddresses, "#引号addr#引号:#引号", "#引号", out), 2);
  EXPECT_EQ(out[1], "1.2.3.4");
}

TEST(ExtractAllBetween, IgnoresCaseAndTakesShortestNonOverlappingTexts) {
  std::vector<std::string> out{"stale"};
  EXPECT_EQ(ExtractAllBetween("{\"ADDR\":\"9.9.9.9\"}", "\"addr\":\"", "\"", out), 1);
  EXPECT_EQ(out, std::vector<std::string>{"9.9.9.9"});
  EXPECT_EQ(ExtractAllBetween("<a><b\r\nc><>", "<", ">", out), 3);
  EXPECT_EQ(out, (std::vector<std::string>{"a", "b\r\nc", ""}));
  EXPECT_EQ(ExtractAllBetween("xAy Az", "a", "z", out), 1);
  EXPECT_EQ(out, std::vector<std::string>{"y A"});
}

TEST(ExtractAllBetween, MissingMarkersGiveAnEmptyList) {
  std::vector<std::string> out{"stale"};
  EXPECT_EQ(ExtractAllBetween(kHuaweiAddresses, "\"ipv6\":\"", "\"", out), 0);
  EXPECT_TRUE(out.empty());
  out.push_back("stale");
  EXPECT_EQ(ExtractAllBetween("\"addr\":\"1.2.3.4", "\"addr\":\"", "\"", out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(ExtractAllBetween("", "\"addr\":\"", "\"", out), 0);
}

TEST(ExtractAllBetween, HandlesAHugeSubject) {
  std::string subject;
  for (int i = 0; i < 50000; ++i) subject += "{\"addr\":\"10.0.0.1\",\"pad\":\"xxxxxxxx\"}";
  std::string oneLongText = "\"addr\":\"" + std::string(2'000'000, 'x') + "\"";
  std::vector<std::string> out;
  EXPECT_EQ(ExtractAllBetween(subject, "\"addr\":\"", "\"", out), 50000);
  EXPECT_EQ(ExtractAllBetween(oneLongText, "\"addr\":\"", "\"", out), 1);
  EXPECT_EQ(out[0].size(), 2'000'000u);
}

TEST(Base64Encode, Rfc4648Vectors) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\xFF\xFE\x00", 3), "//4A"},
  };
  for (const auto& [input, expected] : vectors) EXPECT_EQ(Base64Encode(input), expected);
  EXPECT_EQ(Base64Encode(std::string(3000, 'a')).size(), 4000u);  // no line breaks
}

TEST(CaseConversion, OnlyAsciiLettersChange) {
  EXPECT_EQ(ToUpperText("running-中文-é-xYz"), "RUNNING-中文-é-XYZ");
  EXPECT_EQ(ToLowerText("FLOATING-中文-É-XyZ"), "floating-中文-É-xyz");
}

TEST(TextToInt, LeadingDigitsWithSignAndSaturation) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"123", 123},
      {"  42abc", 42},
      {"-17", -17},
      {"+5", 5},
      {"12.9", 12},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", INT32_MAX},
      {"-2147483649", INT32_MIN},
      {"99999999999999999999999999999999999999", INT32_MAX},
      {"-99999999999999999999999999999999999999", INT32_MIN},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(TextToInt(text), value) << text;
}

TEST(TextToFloat, LeadingNumberAsTheCLibraryReadsItInTheCLocale) {
  const std::pair<const char*, float> cases[] = {
      {"", 0.0f},         {"abc", 0.0f},   {"-", 0.0f},           {"--5", 0.0f},
      {"+-5", 0.0f},      {"12.5", 12.5f}, {" \t12.5abc", 12.5f}, {"+5", 5.0f},
      {"-0.25", -0.25f},  {".5", 0.5f},    {"5.", 5.0f},          {"1e3", 1000.0f},
      {"2.5E-1x", 0.25f}, {"1e-50", 0.0f}, {"12,5", 12.0f},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(TextToFloat(text), value) << text;
  EXPECT_EQ(TextToFloat("1e50"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(TextToFloat("-1e50"), -std::numeric_limits<float>::infinity());
}

TEST(GeneralNumberText, ShortestGeneralFormWithAPoint) {
  EXPECT_EQ(GeneralNumberText(123.45, 13), "123.45");
  EXPECT_EQ(GeneralNumberText(100, 13), "100");
  EXPECT_EQ(GeneralNumberText(-2.5, 13), "-2.5");
  EXPECT_EQ(GeneralNumberText(1234567.89, 6), "1.23457e+06");
  EXPECT_EQ(GeneralNumberText(0.00001, 6), "1e-05");
  EXPECT_EQ(GeneralNumberText(static_cast<double>(0.1f), 6), "0.1");
  EXPECT_EQ(GeneralNumberText(std::numeric_limits<double>::infinity(), 6), "inf");
}

TEST(Md5Hex, KnownDigests) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex(Utf8ToGbk("中")), Md5Hex("\xD6\xD0"));
}

}  // namespace
}  // namespace ydt
