// The member text the gateway passes on must be exactly the member's value, whatever the
// strings inside it hold; anything it cannot be sure of sends the caller to the document.
#include "live/common/json_text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ydt::live {
namespace {

TEST(MemberText, TakesTheWholeValueWhateverItsStringsHold) {
  const std::string text =
      R"( { "RequestId" : "a}\"{[" , "Response":{"Set":[{"Name":"x]}\\"},[1,2]],"N":-1.5e3} ,)"
      R"("Tail":true } )";
  ASSERT_TRUE(nlohmann::ordered_json::accept(text));
  const auto response = MemberText(text, "Response");
  ASSERT_TRUE(response.has_value());
  EXPECT_EQ(*response, R"({"Set":[{"Name":"x]}\\"},[1,2]],"N":-1.5e3})");
  EXPECT_EQ(nlohmann::ordered_json::parse(*response),
            nlohmann::ordered_json::parse(text)["Response"]);
  EXPECT_EQ(MemberText(text, "Tail"), "true");
  EXPECT_EQ(MemberText(text, "RequestId"), R"("a}\"{[")");
  EXPECT_EQ(MemberText(R"({"a":null})", "a"), "null");
}

TEST(MemberText, SendsTheCallerToTheDocumentWhenItCannotBeSure) {
  EXPECT_FALSE(MemberText(R"({"Response":{}})", "Error"));                 // absent
  EXPECT_FALSE(MemberText(R"({"Response":1,"Response":2})", "Response"));  // twice
  EXPECT_FALSE(MemberText(R"({"Respons\u0065":{}})", "Response"));         // escaped key
  EXPECT_FALSE(MemberText(R"([{"Response":{}}])", "Response"));            // not an object
  EXPECT_FALSE(MemberText("", "Response"));
}

TEST(MemberText, AnErrorIsSurelyAbsentOnlyWhenEveryKeyWasReadPlainly) {
  EXPECT_TRUE(SurelyLacks(R"({"TotalCount":1,"Set":[{"Error":"in a machine"}]})", "Error"));
  EXPECT_FALSE(SurelyLacks(R"({"TotalCount":1,"Error":{}})", "Error"));
  EXPECT_FALSE(SurelyLacks(R"({"Error":{}})", "Error"));
  EXPECT_FALSE(SurelyLacks(R"(["Error"])", "Error"));
}

// The check stands in for the parser before a provider's page is passed on unread, so it
// must never call valid what the parser refuses; where it says no, the parser decides.
TEST(IsJson, AgreesWithTheParserAndNeverAcceptsMore) {
  const std::vector<std::string> agreed = {
      R"({"Response":{"TotalCount":2,"Set":[{"Name":"广州\u4e00区","N":-0.5e+3},null,true]}})",
      R"( [ 1 , 2.0 , -3e2 , "a\"b\\\/\b\f\n\r\t" , {} , [] ] )", R"("\ud83d\ude00")", "0", "-0",
      "false", "\"\xF0\x9F\x98\x80\"", "\"\xE2\x82\xAC\"",
      // refused by both
      "", " ", "{", "}", "[1,]", R"({"a":1,})", R"({"a" 1})", R"({a:1})", "01", "1.", ".5", "-",
      "1e", "+1", "tru", "nul", "[1 2]", "\"a", "\"\x01\"", R"("\x")", R"("\u12G4")",
      "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"\xF5\x80\x80\x80\"", "\"\xE2\x82\"", "1 2",
      "{\"a\":1}}", "[\"\xFF\"]", R"({"a":[1,{"b":}]})",
      // a double overflows past 1.8e308, and the parser refuses it; underflow is zero
      "1e400", "-12.5E+399", "1e-400", "-1.5e300", "0.000001e-99999"};
  for (const auto& text : agreed) {
    EXPECT_EQ(IsJson(text), nlohmann::ordered_json::accept(text)) << text;
  }
  // Where it errs, it errs towards no.
  for (const char* text : {"\xEF\xBB\xBF{}", R"("\udc00")", R"("\ud800")", "1e308", "0e308"}) {
    EXPECT_FALSE(IsJson(text)) << text;
  }
  EXPECT_FALSE(IsJson(std::string(300, '[') + std::string(300, ']')));
  EXPECT_TRUE(IsJson(std::string(200, '[') + std::string(200, ']')));
  EXPECT_FALSE(IsJson(std::string(400, '7')));  // an integer of 400 digits overflows too
  EXPECT_TRUE(IsJson(std::string(300, '7')));

  // Damaged copies of a page: every one the check calls valid, the parser must too.
  const std::string page =
      R"({"Response":{"TotalCount":1,"InstanceSet":[{"InstanceId":"ins-1","InstanceName":"广州\"机\"",)"
      R"("PublicIpAddresses":["1.2.3.4"],"CPU":2,"Price":-1.25e-2,"Renew":false,"Tags":null}],)"
      R"("RequestId":"7b"}})";
  ASSERT_TRUE(IsJson(page));
  std::mt19937 random(20261211);
  const std::string alphabet = "{}[]\":,\\ -+.eE0123456789tfnu\x01\xC3\xA9\xE4\xB8";
  for (int round = 0; round < 20000; ++round) {
    std::string damaged = page;
    for (int edits = 1 + static_cast<int>(random() % 3); edits > 0; --edits) {
      const std::size_t at = random() % damaged.size();
      const char c = alphabet[random() % alphabet.size()];
      switch (random() % 3) {
        case 0:
          damaged[at] = c;
          break;
        case 1:
          damaged.insert(at, 1, c);
          break;
        default:
          damaged.erase(at, 1);
      }
    }
    if (IsJson(damaged)) {
      ASSERT_TRUE(nlohmann::ordered_json::accept(damaged)) << damaged;
    }
    // What the one-pass outline is sure of, the parsed document must bear out.
    const JsonOutline outline(damaged);
    ASSERT_EQ(outline.IsJson(), IsJson(damaged)) << damaged;
    if (!outline.IsJson()) continue;
    const auto parsed = nlohmann::ordered_json::parse(damaged);
    if (const auto response = outline.Member("", "Response")) {
      ASSERT_EQ(nlohmann::ordered_json::parse(*response), parsed["Response"]) << damaged;
    }
    if (outline.SurelyLacks("Response", "Error")) {
      ASSERT_TRUE(parsed["Response"].is_object() && !parsed["Response"].contains("Error"))
          << damaged;
    }
  }
}

// The outline answers for the top level and the objects directly in it, and nothing deeper.
TEST(JsonOutline, AnswersOnlyWhereOnePassCanBeSure) {
  struct Case {
    std::string text;
    std::optional<std::string_view> response;  // Member("", "Response")
    bool lacksError;                           // SurelyLacks("Response", "Error")
  };
  std::string crowded = "{";
  for (int i = 0; i < 70; ++i)
    crowded += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
  crowded += R"("Response":{}})";
  const std::vector<Case> cases = {
      {R"( {"RequestId":"a}\"{[", "Response" : {"Set":[{"Error":1}],"In":{"Error":2}} } )",
       R"({"Set":[{"Error":1}],"In":{"Error":2}})", true},
      {R"({"Response":{"Error":{"Code":"X"},"RequestId":"r"}})",
       R"({"Error":{"Code":"X"},"RequestId":"r"})", false},
      {R"({"Response":{"A":1},"Response":{"B":2}})", std::nullopt, false},  // twice
      {R"({"Response":"text"})", R"("text")", false},    // no object to lack anything
      {R"({"Respons\u0065":{}})", std::nullopt, false},  // escaped key
      {R"({"Response":{"Err\u006fr":1}})", std::nullopt, false},
      {R"([{"Response":{}}])", std::nullopt, false},  // not an object
      {R"({"Response":{}})", R"({})", true},
      {R"({"":{"Response":1,"Error":2}})", std::nullopt, false},  // inside, not at the top
      {R"({"Response":{},})", std::nullopt, false},               // not JSON
      {crowded, std::nullopt, false}};
  for (const Case& c : cases) {
    const JsonOutline outline(c.text);
    EXPECT_EQ(outline.Member("", "Response"), c.response) << c.text;
    EXPECT_EQ(outline.SurelyLacks("Response", "Error"), c.lacksError) << c.text;
  }
  const JsonOutline page(cases[0].text);
  EXPECT_EQ(page.Member("", "RequestId"), R"("a}\"{[")");
  EXPECT_TRUE(page.SurelyLacks("", "Success"));
  EXPECT_EQ(page.Member("Response", "In"), R"({"Error":2})");
  EXPECT_FALSE(page.Member("RequestId", "x"));  // holds no object
  // An answer that is no object lacks nothing for certain: it is not what was asked for.
  for (const char* text : {"[]", "1", R"("Success")", "null"}) {
    EXPECT_TRUE(JsonOutline(text).IsJson()) << text;
    EXPECT_FALSE(JsonOutline(text).SurelyLacks("", "Success")) << text;
  }
}

}  // namespace
}  // namespace ydt::live
