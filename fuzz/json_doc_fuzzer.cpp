// A reply text parsed as a document and read the ways the consoles read replies.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "service/json/json_doc.h"
#include "service/text/text.h"

namespace {

// The kinds of path the consoles build: plain members, indexed list elements, the root,
// paths that start with the document's own name, and malformed ones.
constexpr const char* kPaths[] = {
    "",
    "code",
    "msg",
    "data",
    "data.count",
    "data.servers[0].id",
    "data.Instances.Instance[1].PublicIpAddress.IpAddress[0]",
    "[0]",
    "[0].id",
    "da",
    "da.code",
    "da[0]",
    "data[18446744073709551615]",
    "data..x",
    "data[x]",
    "data[0]x",
};

void ReadEverywhere(const ydt::JsonDoc& doc, std::string_view path) {
  const std::string text = doc.GetText(std::string(path));
  YDT_FUZZ_CHECK(ydt::fuzz::IsWellFormedUtf8(text));
  (void)doc.Count(std::string(path));
  const ydt::JsonDoc sub = doc.SubDocument(std::string(path));
  YDT_FUZZ_CHECK(ydt::fuzz::IsWellFormedUtf8(sub.ToText()));
  // Element by element, the way the list loader builds its rows.
  const int count = doc.Count(std::string(path));
  const std::string prefix = std::string(path) + "[";
  for (int i = 0; i < count && i < 4; ++i) {
    (void)doc.GetText(prefix + std::to_string(i) + "].id");
    (void)doc.GetText(prefix + std::to_string(i) + "]");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = ydt::fuzz::SplitAtZero(data, size);
  // The reply goes through the decoder first, as every backend reply does; the raw bytes
  // are parsed too so that text the decoder would have cut still reaches the parser.
  for (const std::string& text : {ydt::UTF8ToText(parts[0]), std::string(parts[0])}) {
    ydt::JsonDoc doc;
    const bool parsed = doc.Parse(text);
    const std::string compact = doc.ToText();
    // A parsed value always writes something; a lone non-finite number writes null.
    if (parsed) YDT_FUZZ_CHECK(!compact.empty());
    for (const char* path : kPaths) ReadEverywhere(doc, path);
    for (std::size_t i = 1; i < parts.size(); ++i) ReadEverywhere(doc, parts[i]);
    // What a document writes, another document must read back as the same value, unless
    // a U+2400 in a string turned into a backslash on the way out.
    if (parsed && compact != "null" && ydt::fuzz::IsWellFormedUtf8(text) &&
        compact.find("\xE2\x90\x80") == std::string::npos &&
        text.find("\xE2\x90\x80") == std::string::npos &&
        text.find("\\u2400") == std::string::npos) {
      ydt::JsonDoc again;
      YDT_FUZZ_CHECK(again.Parse(compact));
      YDT_FUZZ_CHECK(again.ToText() == compact);
    }
  }
  return 0;
}
