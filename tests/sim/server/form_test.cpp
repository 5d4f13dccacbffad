// Decoding of what arrives on the wire, below the HTTP layer.
#include <gtest/gtest.h>

#include "front/envelope.h"
#include "front/form_fields.h"
#include "front/text_codec.h"
#include "world.h"

namespace ydt::sim {
namespace {

using front::FormFields;
using front::GbkToUtf8;
using front::IsValidUtf8;
using front::Utf8ToGbk;

TEST(SimForm, DecodesLikeAFormParserAndConvertsGbk) {
  auto form = FormFields::Parse("a=%41+b&pct=100%&bad=%4&gbk=\xB1\xB1\xBE\xA9&a=second&flag&=x&e=");
  EXPECT_EQ(form.Text("a"), "A b") << "first occurrence wins";
  EXPECT_EQ(form.Text("pct"), "100%");
  EXPECT_EQ(form.Text("bad"), "%4");
  EXPECT_EQ(form.Text("gbk"), "北京");
  EXPECT_EQ(form.Text("flag"), "");
  EXPECT_EQ(form.Text("e"), "");
  EXPECT_FALSE(form.Text("missing").has_value());
  // An encoded value keeps its bytes until converted.
  EXPECT_EQ(FormFields::Parse("u=%E5%BC%A0").Raw("u"), "\xE5\xBC\xA0");
}

TEST(SimForm, BrokenGbkAndUtf8NeverFailTheConversion) {
  EXPECT_EQ(GbkToUtf8("a\xB1"), "a?");
  EXPECT_EQ(GbkToUtf8("\xFF\xFF"
                      "b"),
            "??b");
  EXPECT_EQ(Utf8ToGbk("x\xE5\xBC"
                      "y"),
            "x?y");
  EXPECT_EQ(Utf8ToGbk("\xF0\x9F\x98\x80"), "?") << "characters GBK lacks";
  EXPECT_FALSE(IsValidUtf8(Utf8ToGbk("北京")));
}

TEST(SimForm, InstanceIdListsInBothConsoleForms) {
  using V = std::vector<std::string>;
  EXPECT_EQ(World::ParseInstanceIds("[ins-1]"), V{"ins-1"});
  EXPECT_EQ(World::ParseInstanceIds("ins-1,ins-2,"), (V{"ins-1", "ins-2"}));
  EXPECT_EQ(World::ParseInstanceIds("[\"ins-1\", \"ins-2\"]"), (V{"ins-1", "ins-2"}));
  EXPECT_EQ(World::ParseInstanceIds(",,[]"), V{"[]"})
      << "brackets only count around the whole list";
  EXPECT_TRUE(World::ParseInstanceIds("[]").empty());
  EXPECT_EQ(World::ParseInstanceIds("a,b,a,"), (V{"a", "b"}));
  EXPECT_TRUE(World::ParseInstanceIds(" , ,").empty());
}

TEST(SimForm, PasswordRules) {
  EXPECT_TRUE(World::PasswordAcceptable("Qzt.Hv731.Nep#"));
  EXPECT_TRUE(World::PasswordAcceptable("abcdefg1A"));
  EXPECT_FALSE(World::PasswordAcceptable("abcdefgh1")) << "two kinds only";
  EXPECT_FALSE(World::PasswordAcceptable("Ab1.xyz")) << "too short";
  EXPECT_FALSE(World::PasswordAcceptable("Abc 123.xyz")) << "blank not allowed";
}

// The envelope is written member by member; it must read as the whole object's dump, bad
// UTF-8 replaced the same way.
TEST(SimForm, EnvelopeTextIsTheDumpOfTheWholeEnvelope) {
  using Json = nlohmann::ordered_json;
  const std::vector<front::CloudReply> replies = {
      front::CloudReply::Ok(Json{{"b", 1}, {"a", Json::array({"x", nullptr, 1.5})}}),
      front::CloudReply::Fail(1003, "引号\"与\\和\n控制\x01"),
      front::CloudReply::Fail(502, "bad \xC3 utf-8"),
      front::CloudReply::Ok(Json("\xE5\xBC")),
  };
  for (const front::CloudReply& reply : replies) {
    Json whole;
    whole["code"] = reply.code;
    whole["msg"] = reply.msg;
    whole["data"] = reply.data;
    EXPECT_EQ(front::EnvelopeText(reply),
              whole.dump(-1, ' ', false, Json::error_handler_t::replace));
  }
  // A provider's own text passed on stands for `data` exactly as it came.
  EXPECT_EQ(front::EnvelopeText(front::CloudReply::OkText(R"( {"Set" : ["\u5317"]} )")),
            R"({"code":0,"msg":"操作成功","data": {"Set" : ["\u5317"]} })");
}

}  // namespace
}  // namespace ydt::sim
