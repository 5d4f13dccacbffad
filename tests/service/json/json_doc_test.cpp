#include "service/json/json_doc.h"

#include <gtest/gtest.h>

#include <string>

namespace ydt {
namespace {

const char* const kReply =
    "{\"code\":0,\"msg\":\"成功\",\"data\":{\"count\":37,"
    "\"servers\":[{\"id\":\"a\",\"flavor\":{\"name\":\"s1\"}},{\"id\":\"b\",\"tag\":null}],"
    "\"ips\":[\"10.0.0.5\",\"1.2.3.4\"],\"ok\":true}}";

TEST(JsonDocPaths, ReadMembersAndElements) {
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse(kReply));
  EXPECT_EQ(doc.GetText("code"), "0");
  EXPECT_EQ(doc.GetText("msg"), "成功");
  EXPECT_EQ(doc.GetText("data.count"), "37");
  EXPECT_EQ(doc.GetText("data.ok"), "true");
  EXPECT_EQ(doc.GetText(std::string("data.servers[") + "0" + "].flavor.name"), "s1");
  EXPECT_EQ(doc.GetText("data.servers[1].id"), "b");
  EXPECT_EQ(doc.GetText("data.ips"), "10.0.0.5,1.2.3.4");
  EXPECT_EQ(doc.GetText("data.ips[1]"), "1.2.3.4");
  EXPECT_EQ(doc.GetText("data.servers[0]"), "[object Object]");
  EXPECT_EQ(doc.GetText("data"), "[object Object]");
  EXPECT_EQ(doc.Count("data.servers"), 2);
  EXPECT_EQ(doc.Count("data.ips"), 2);
}

TEST(JsonDocPaths, AnythingUnresolvableReadsEmpty) {
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse(kReply));
  for (const char* path :
       {"data.missing", "data.servers[2].id", "data.servers[1].flavor.name", "data.servers[1].tag",
        "data.servers[1].tag.x", "data.count.x", "Data.count", "data.Count", "data..count", "data.",
        ".data", "data.servers[x]", "data.servers[0]id", "data.servers[-1].id",
        "data.servers[99999999999999999999999].id", "data[0]"}) {
    EXPECT_EQ(doc.GetText(path), "") << path;
    EXPECT_EQ(doc.Count(path), 0) << path;
  }
  EXPECT_EQ(doc.Count("data.count"), 0);
  EXPECT_EQ(doc.Count("data"), 0);

  JsonDoc noData;
  ASSERT_TRUE(noData.Parse("{\"code\":1,\"msg\":\"x\"}"));
  EXPECT_EQ(noData.GetText("data.count"), "");
  EXPECT_EQ(noData.Count("data.servers"), 0);
}

TEST(JsonDocPaths, RootArraysAndTheDocumentName) {
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse("[{\"id\":7},[1,[2,3]]]"));
  EXPECT_EQ(doc.Count(""), 2);
  EXPECT_EQ(doc.GetText(std::string("[") + "0" + "].id"), "7");
  EXPECT_EQ(doc.GetText("[1][1][0]"), "2");
  EXPECT_EQ(doc.Count("[1][1]"), 2);

  // "da" is the document's own name: it reads from the root when that names a value,
  // and is an ordinary member name otherwise.
  ASSERT_TRUE(doc.Parse("{\"code\":5,\"da\":{\"code\":7,\"x\":1}}"));
  EXPECT_EQ(doc.GetText("da.code"), "5");
  EXPECT_EQ(doc.GetText("da.x"), "1");
  EXPECT_EQ(doc.GetText("da"), "[object Object]");
  EXPECT_EQ(doc.GetText("data"), "");
}

// Row building reads each machine through a node of its list element; every read must
// give what the document's read of the joined path gives, whatever the value is.
TEST(JsonDocNode, ReadsBelowAnElementMatchTheJoinedPath) {
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse(
      "{\"data\":{\"list\":[{\"id\":\"i-1\",\"n\":2.50,\"ips\":[\"1.1.1.1\",null,[\"2.2.2.2\"]],"
      "\"f\":{\"name\":\"s1\",\"0\":\"zero\"},\"t\":null,\"os\":\"云\\u2400\\ud83d\\ude00\","
      "\"z\":\"ab\\u0000cd\",\"b\":false},[7,8],\"text\",null,{}]}}"));
  const JsonDoc::Node list = doc.At("data.list");
  ASSERT_EQ(list.Count(), doc.Count("data.list"));
  for (std::size_t i = 0; i < 6; ++i) {  // one past the end too
    const std::string element = "data.list[" + std::to_string(i) + "]";
    for (const char* field : {"id", "n", "ips", "ips[2][0]", "f", "f.name", "f[0]", "t", "t.x",
                              "os", "z", "b", "missing", "[1]", "a..b"}) {
      const bool startsWithIndex = field[0] == '[';
      const std::string joined = element + (startsWithIndex ? "" : ".") + field;
      EXPECT_EQ(list.Element(i).GetText(JsonPath(field)), doc.GetText(joined)) << joined;
      EXPECT_EQ(list.Element(i).At(JsonPath(field)).ToText(), doc.SubDocument(joined).ToText())
          << joined;
    }
    EXPECT_EQ(list.Element(i).ToText(), doc.SubDocument(element).ToText()) << element;
  }
  EXPECT_EQ(list.Element(0).GetText(JsonPath("os")), "云\\?");
  EXPECT_EQ(list.Element(0).GetText(JsonPath("z")), "ab");

  // Nothing to read in a document that holds no value, or below a missing node.
  JsonDoc empty;
  empty.Parse("null");
  EXPECT_EQ(empty.At("").Count(), 0);
  EXPECT_EQ(empty.At("").ToText(), "");
  EXPECT_EQ(doc.At("data.none").Element(0).GetText(JsonPath("id")), "");
}

TEST(JsonDocParse, ResultAndWhatIsHeldAfterwards) {
  JsonDoc doc;
  EXPECT_EQ(doc.ToText(), "{}");  // a fresh document holds an empty object

  EXPECT_FALSE(doc.Parse("null"));
  EXPECT_EQ(doc.ToText(), "null");
  EXPECT_FALSE(doc.Parse("{\"code\":0,\"data\":{"));
  EXPECT_EQ(doc.ToText(), "null");
  EXPECT_EQ(doc.GetText(""), "");
  EXPECT_FALSE(doc.Parse("{\"a\":1} trailing"));
  EXPECT_FALSE(doc.Parse("{a:1}"));
  EXPECT_FALSE(doc.Parse(""));
  EXPECT_EQ(doc.ToText(), "");

  EXPECT_TRUE(doc.Parse(" \r\n {\"a\" : [ 1 , 2 ] }\t"));
  EXPECT_EQ(doc.ToText(), "{\"a\":[1,2]}");
  EXPECT_TRUE(doc.Parse("false"));
  EXPECT_EQ(doc.GetText(""), "false");
  EXPECT_TRUE(doc.Parse("\"just text\""));
  EXPECT_EQ(doc.GetText(""), "just text");

  // Each parse replaces the previous value entirely.
  ASSERT_TRUE(doc.Parse("{\"a\":1}"));
  ASSERT_TRUE(doc.Parse("{\"b\":2}"));
  EXPECT_EQ(doc.GetText("a"), "");
  EXPECT_EQ(doc.GetText("b"), "2");
}

std::string Nested(int depth, const std::string& inner = "") {
  return std::string(static_cast<std::size_t>(depth), '[') + inner +
         std::string(static_cast<std::size_t>(depth), ']');
}

TEST(JsonDocParse, DeepNestingIsRefusedWithoutCrashing) {
  JsonDoc doc;
  EXPECT_TRUE(doc.Parse(Nested(512, "1")));
  EXPECT_EQ(doc.GetText(""), "1");
  EXPECT_FALSE(doc.Parse(Nested(513, "1")));
  EXPECT_EQ(doc.ToText(), "null");
  EXPECT_FALSE(doc.Parse(Nested(1'000'000)));
  EXPECT_FALSE(doc.Parse(std::string(1'000'000, '{')));
  // Brackets inside strings are text, not nesting.
  EXPECT_TRUE(doc.Parse("[\"" + std::string(5000, '[') + "\\\"{\"]"));
  EXPECT_EQ(doc.GetText("[0]").size(), 5002u);
}

TEST(JsonDocText, ArraysJoinAndFlatten) {
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse("{\"a\":[1,[2,[3,null]],null,\"x\",{\"k\":1},true,[],1.50]}"));
  EXPECT_EQ(doc.GetText("a"), "1,2,3,,,x,[object Object],true,,1.5");
  ASSERT_TRUE(doc.Parse("{\"a\":[],\"b\":[null],\"c\":{}}"));
  EXPECT_EQ(doc.GetText("a"), "");
  EXPECT_EQ(doc.GetText("b"), "");
  EXPECT_EQ(doc.GetText("c"), "[object Object]");
}

TEST(JsonDocText, BackslashesAndTheirStandIn) {
  JsonDoc doc;
  ASSERT_TRUE(
      doc.Parse("{\"path\":\"C:\\\\Windows\\\\x\",\"s\":\"a\\u2400b\",\"r\":\"q\xE2\x90\x80\"}"));
  EXPECT_EQ(doc.GetText("path"), "C:\\Windows\\x");
  EXPECT_EQ(doc.GetText("s"), "a\\b");
  EXPECT_EQ(doc.GetText("r"), "q\\");
  // Serialising escapes the real backslash; the stand-in turns into a bare one afterwards.
  EXPECT_EQ(doc.ToText(), "{\"path\":\"C:\\\\Windows\\\\x\",\"s\":\"a\\b\",\"r\":\"q\\\"}");
}

TEST(JsonDocText, OnlyWhatGbkHoldsComesBack) {
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse("{\"s\":\"云\\ud83d\\ude00한\",\"z\":\"ab\\u0000cd\",\"e\":\"é\"}"));
  EXPECT_EQ(doc.GetText("s"), "云??");
  EXPECT_EQ(doc.GetText("z"), "ab");  // texts end at their first zero character
  EXPECT_EQ(doc.GetText("e"), "é");
  EXPECT_EQ(doc.ToText(), "{\"s\":\"云??\",\"z\":\"ab\\u0000cd\",\"e\":\"é\"}");
}

TEST(JsonDocToText, EscapingTable) {
  JsonDoc doc;
  ASSERT_TRUE(
      doc.Parse("[\"\\\"\\\\\\/\\b\\t\\n\\f\\r\\u0001\\u001F\\u007f\\u0080\\u009f\\u00a0\\u00ad"
                "\\u0600\\u070f\\u17b4\\u200c\\u2028\\u202f\\u2060\\ufeff\\ufff0\\uffff中\"]"));
  EXPECT_EQ(doc.ToText(),
            "[\"\\\"\\\\/\\b\\t\\n\\f\\r\\u0001\\u001f\\u007f\\u0080\\u009f?\\u00ad"
            "\\u0600\\u070f\\u17b4\\u200c\\u2028\\u202f\\u2060\\ufeff\\ufff0\\uffff中\"]");
}

TEST(JsonDocToText, CompactWithMembersInParsedOrder) {
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse(
      "{ \"z\" : 1 , \"a\" : { \"y\" : [ 1 , \"2\" ], \"b\" : null }, \"m\" : true, \"d\": 1, "
      "\"d\": 2 }"));
  EXPECT_EQ(doc.ToText(), "{\"z\":1,\"a\":{\"y\":[1,\"2\"],\"b\":null},\"m\":true,\"d\":2}");
}

TEST(JsonDocSubDocument, CopiesTheValueAtThePath) {
  JsonDoc doc;
  ASSERT_TRUE(doc.Parse(kReply));
  JsonDoc server = doc.SubDocument("data.servers[0]");
  EXPECT_EQ(server.ToText(), "{\"id\":\"a\",\"flavor\":{\"name\":\"s1\"}}");
  EXPECT_EQ(server.GetText("flavor.name"), "s1");

  JsonDoc missing = doc.SubDocument("data.addresses");
  EXPECT_EQ(missing.ToText(), "");
  EXPECT_EQ(missing.GetText(""), "");
  EXPECT_EQ(missing.Count(""), 0);
  EXPECT_EQ(missing.SubDocument("").ToText(), "");
  EXPECT_EQ(doc.SubDocument("data.servers[1].tag").ToText(), "null");

  // The copy lives on when the original parses something else.
  ASSERT_TRUE(doc.Parse("[]"));
  EXPECT_EQ(server.GetText("id"), "a");

  JsonDoc failed;
  EXPECT_FALSE(failed.Parse("nonsense"));
  EXPECT_EQ(failed.SubDocument("").ToText(), "");
}

}  // namespace
}  // namespace ydt
