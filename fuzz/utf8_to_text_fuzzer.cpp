// Reply bytes through the decoder, and text through the GBK conversions of the edges.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "service/text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Whatever arrives, the program's text must come out well formed, end before any zero
  // and hold only characters GBK can carry, so converting it to GBK and back changes nothing.
  const std::string text = ydt::UTF8ToText(bytes);
  YDT_FUZZ_CHECK(ydt::fuzz::IsWellFormedUtf8(text));
  YDT_FUZZ_CHECK(text.find('\0') == std::string::npos);
  YDT_FUZZ_CHECK(text.size() <= bytes.size() * 3);
  const std::string gbk = ydt::Utf8ToGbk(text);
  YDT_FUZZ_CHECK(ydt::GbkToUtf8(gbk) == text);
  YDT_FUZZ_CHECK(ydt::GbkLength(text) == gbk.size());

  // The settings file and the request bodies are GBK on the wire: any bytes read back
  // from disk must convert to well-formed text.
  YDT_FUZZ_CHECK(ydt::fuzz::IsWellFormedUtf8(ydt::GbkToUtf8(bytes)));
  (void)ydt::Utf8ToGbk(bytes);
  (void)ydt::TextToInt(bytes);
  (void)ydt::UrlEncode(bytes, size % 2 == 0);
  return 0;
}
