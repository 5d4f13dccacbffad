// Splits one fuzzer input into the several texts a target feeds to the code under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ydt::fuzz {

// The input's bytes cut at each zero byte. Replies end at the first zero character before
// any parser sees them, so a zero is free to mark where one argument ends.
inline std::vector<std::string_view> SplitAtZero(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t zero = all.find('\0', start);
    if (zero == std::string_view::npos) break;
    parts.push_back(all.substr(start, zero - start));
    start = zero + 1;
  }
  parts.push_back(all.substr(start));
  return parts;
}

// Whether `text` is well-formed UTF-8 (what every text inside the program must be).
inline bool IsWellFormedUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    std::uint32_t cp;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      cp = lead & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3F);
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

}  // namespace ydt::fuzz

// Stops the run with the input saved when an invariant of the code under test breaks.
#define YDT_FUZZ_CHECK(condition)       \
  do {                                  \
    if (!(condition)) __builtin_trap(); \
  } while (false)
