// The member text the gateway passes on must be exactly the member's value, whatever the
// strings inside it hold; anything it cannot be sure of sends the caller to the document.
#include "live/common/json_text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

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

}  // namespace
}  // namespace ydt::live
