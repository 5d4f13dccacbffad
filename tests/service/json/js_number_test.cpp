#include "service/json/js_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "service/json/json_doc.h"

namespace ydt {
namespace {

// Number literals as they arrive in replies, and the text a script engine reads back.
const std::pair<const char*, const char*> kNumberTexts[] = {
    {"0", "0"},
    {"-0", "0"},
    {"-0.0", "0"},
    {"100", "100"},
    {"100.10", "100.1"},
    {"12.50", "12.5"},
    {"-1.5", "-1.5"},
    {"1.0", "1"},
    {"0.30000000000000004", "0.30000000000000004"},
    {"0.000001", "0.000001"},
    {"0.0000015", "0.0000015"},
    {"1e-7", "1e-7"},
    {"1.5e-7", "1.5e-7"},
    {"123e-20", "1.23e-18"},
    {"1e20", "100000000000000000000"},
    {"123456789012345678000", "123456789012345680000"},
    {"1e21", "1e+21"},
    {"-1.5e300", "-1.5e+300"},
    {"5e-324", "5e-324"},
    {"1.7976931348623157e308", "1.7976931348623157e+308"},
    {"9007199254740993", "9007199254740992"},
    {"9223372036854775807", "9223372036854776000"},
    {"9223372036854775808", "9223372036854776000"},
    {"-9223372036854775808", "-9223372036854776000"},
    {"18446744073709551615", "18446744073709552000"},
    {"123456789012345678901234567890", "1.2345678901234568e+29"},
};

TEST(JsNumberToText, ReadsLikeAScriptEngine) {
  for (const auto& [literal, expected] : kNumberTexts) {
    JsonDoc doc;
    ASSERT_TRUE(doc.Parse(std::string("{\"n\":") + literal + "}")) << literal;
    EXPECT_EQ(doc.GetText("n"), expected) << literal;
    EXPECT_EQ(doc.ToText(), std::string("{\"n\":") + expected + "}") << literal;
  }
}

TEST(JsNumberToText, ShortestDigitsOfComputedValues) {
  EXPECT_EQ(JsNumberToText(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(JsNumberToText(1.0 / 3), "0.3333333333333333");
  EXPECT_EQ(JsNumberToText(-0.0), "0");
  EXPECT_EQ(JsNumberToText(std::numeric_limits<double>::infinity()), "Infinity");
  EXPECT_EQ(JsNumberToText(std::nan("")), "NaN");
}

}  // namespace
}  // namespace ydt
