#include "service/text/text.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace ydt {

namespace {

// Code page 936 is what the console's peers mean by GBK (0x80 is the euro sign there).
constexpr const char* kGbkCharset = "CP936";

// One conversion descriptor per thread and direction: iconv_t carries shift state and
// must not be used from two threads at once, and opening one per call is costly.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (Valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Length of the well-formed UTF-8 character at the start of `rest`, or 0 when the bytes
// there do not form one (stray continuation, overlong form, surrogate, cut off).
std::size_t WellFormedUtf8Length(std::string_view rest) {
  if (rest.empty()) return 0;
  const auto b0 = static_cast<unsigned char>(rest[0]);
  std::size_t len = 0;
  unsigned lo = 0x80, hi = 0xBF;
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (rest.size() < len) return 0;
  const auto b1 = static_cast<unsigned char>(rest[1]);
  if (b1 < lo || b1 > hi) return 0;
  for (std::size_t k = 2; k < len; ++k) {
    if ((static_cast<unsigned char>(rest[k]) & 0xC0) != 0x80) return 0;
  }
  return len;
}

// Runs `in` through `cd`; whatever the descriptor refuses (a byte that is not part of a
// character, or a character the target lacks) becomes one "?" and the walk goes on past
// the `skip(rest)` bytes it occupied.
template <typename SkipFn>
std::string Convert(const IconvHandle& handle, std::string_view in, SkipFn skip) {
  std::string out;
  if (in.empty()) return out;
  if (!handle.Valid()) {
    // Without the converter only ASCII can be trusted to mean the same on both sides.
    out.reserve(in.size());
    for (char c : in) out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    return out;
  }
  iconv(handle.Get(), nullptr, nullptr, nullptr, nullptr);
  out.reserve(in.size() + in.size() / 2 + 16);
  char buffer[4096];
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(handle.Get(), &inPtr, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (result != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) continue;
    if (error != EILSEQ && error != EINVAL) break;
    std::size_t bad = std::max<std::size_t>(1, skip(std::string_view(inPtr, inLeft)));
    bad = std::min(bad, inLeft);
    inPtr += bad;
    inLeft -= bad;
    out.push_back('?');
  }
  return out;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  std::size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Position of `needle` in `haystack` at or after `from`, ASCII letters compared without
// case (the markers are ASCII; bytes of multi-byte characters never fold).
std::size_t FindNoCase(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (from > haystack.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  const auto it = std::search(haystack.begin() + static_cast<std::ptrdiff_t>(from), haystack.end(),
                              needle.begin(), needle.end(),
                              [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
  return it == haystack.end() ? std::string_view::npos
                              : static_cast<std::size_t>(it - haystack.begin());
}

// What the escaped marker matches as a pattern: every escaped character stands for
// itself, "#引号" for a double quote and a line break for a bare line feed.
std::string MarkerLiteral(std::string_view marker) {
  std::string literal(marker);
  ReplaceAll(literal, "#引号", "\"");
  ReplaceAll(literal, "\r\n", "\n");
  return literal;
}

void AppendNumber(std::string& out, int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  out += buffer;
}

// Date/time picture letters: yyyy year, MM month, dd day, hh 12-hour, HH 24-hour, mm
// minutes, ss seconds; a single letter drops the leading zero. Everything else is copied.
std::string ApplyPicture(std::string_view picture, const std::tm& time) {
  std::string out;
  std::size_t i = 0;
  while (i < picture.size()) {
    const char letter = picture[i];
    if (std::strchr("yMdhHms", letter) == nullptr || letter == '\0') {
      out.push_back(letter);
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == letter) ++run;
    i += run;
    const int width = run >= 2 ? 2 : 1;
    switch (letter) {
      case 'y':
        if (run >= 3) {
          AppendNumber(out, time.tm_year + 1900, 4);
        } else {
          AppendNumber(out, (time.tm_year + 1900) % 100, width);
        }
        break;
      case 'M':
        AppendNumber(out, time.tm_mon + 1, width);
        break;
      case 'd':
        AppendNumber(out, time.tm_mday, width);
        break;
      case 'h': {
        const int hour = time.tm_hour % 12;
        AppendNumber(out, hour == 0 ? 12 : hour, width);
        break;
      }
      case 'H':
        AppendNumber(out, time.tm_hour, width);
        break;
      case 'm':
        AppendNumber(out, time.tm_min, width);
        break;
      case 's':
        AppendNumber(out, time.tm_sec, width);
        break;
      default:
        break;
    }
  }
  return out;
}

struct PictureRow {
  const char* date;
  const char* time;
  const char* monthDay;
  const char* hourMinute;
  const char* minuteSecond;
};

constexpr PictureRow kPictures[4] = {
    {"yyyy年MM月dd日 ", "hh时mm分ss秒", "MM月dd日", "hh时mm分", "mm分ss秒"},
    {"yyyy-MM-dd ", "hh:mm:ss", "MM-dd", "hh:mm", "mm:ss"},
    {"yyyy/MM/dd ", "hh/mm/ss", "MM/dd", "hh/mm", "mm/ss"},
    {"yyyyMMdd", "hhmmss", "MMdd", "hhmm", "mmss"},
};

}  // namespace

std::string TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string GbkToUtf8(std::string_view gbk) {
  if (IsAscii(gbk)) return std::string(gbk);
  thread_local IconvHandle handle("UTF-8", kGbkCharset);
  return Convert(handle, gbk, [](std::string_view) { return std::size_t{1}; });
}

std::string Utf8ToGbk(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local IconvHandle handle(kGbkCharset, "UTF-8");
  return Convert(handle, utf8, [](std::string_view rest) { return WellFormedUtf8Length(rest); });
}

std::size_t GbkLength(std::string_view utf8) {
  if (IsAscii(utf8)) return utf8.size();
  return Utf8ToGbk(utf8).size();
}

std::string UTF8ToText(std::string_view bytes) {
  // Replies are mostly plain ASCII: that run is copied whole, and a reply that is nothing
  // else leaves without a byte-by-byte decode or the GBK round trip.
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == 0 || byte >= 0x80) break;
    ++i;
  }
  if (i == bytes.size()) return std::string(bytes);
  std::string decoded;
  decoded.reserve(bytes.size());
  decoded.append(bytes.data(), i);
  bool asciiOnly = true;
  bool afterHighSurrogate = false;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead != 0 && lead < 0x80) {
      // Copied a run at a time: the structure and most values of a reply are ASCII.
      std::size_t end = i + 1;
      while (end < bytes.size() && bytes[end] != 0 &&
             static_cast<unsigned char>(bytes[end]) < 0x80) {
        ++end;
      }
      decoded.append(bytes.data() + i, end - i);
      i = end;
      afterHighSurrogate = false;
      continue;
    }
    std::size_t length;
    std::uint32_t value;
    if (lead < 0x80) {
      length = 1;
      value = lead;
    } else if (lead < 0xC0) {
      break;
    } else if (lead < 0xE0) {
      length = 2;
      value = lead & 0x1F;
    } else if (lead < 0xF0) {
      length = 3;
      value = lead & 0x0F;
    } else if (lead < 0xF8) {
      length = 4;
      value = lead & 0x07;
    } else if (lead < 0xFC) {
      length = 5;
      value = lead & 0x03;
    } else if (lead < 0xFE) {
      length = 6;
      value = lead & 0x01;
    } else {
      break;
    }
    if (bytes.size() - i < length) break;
    bool interrupted = false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) {
        interrupted = true;
        break;
      }
      value = (value << 6) | (next & 0x3F);
    }
    if (interrupted) break;
    i += length;
    if (value == 0) break;  // the text is a zero-terminated string from here on

    // Everything beyond the 16-bit range, and any surrogate, has no GBK form: it shows as
    // one "?" per character, a high surrogate directly followed by a low one being a
    // single character.
    const bool high = value >= 0xD800 && value <= 0xDBFF;
    const bool low = value >= 0xDC00 && value <= 0xDFFF;
    if (value > 0xFFFF || high || low) {
      if (!(low && afterHighSurrogate)) decoded.push_back('?');
      afterHighSurrogate = high;
      continue;
    }
    afterHighSurrogate = false;
    if (value >= 0x80) asciiOnly = false;
    AppendUtf8(decoded, value);
  }
  if (asciiOnly) return decoded;
  // GBK holds ASCII unchanged and converts character by character, so only the runs of
  // other characters go through the round trip; a reply is mostly ASCII around a few words.
  std::string kept;
  kept.reserve(decoded.size());
  std::size_t at = 0;
  while (at < decoded.size()) {
    std::size_t end = at;
    const bool ascii = static_cast<unsigned char>(decoded[at]) < 0x80;
    while (end < decoded.size() && (static_cast<unsigned char>(decoded[end]) < 0x80) == ascii) {
      ++end;
    }
    const std::string_view run(decoded.data() + at, end - at);
    if (ascii) {
      kept.append(run);
    } else {
      kept += GbkToUtf8(Utf8ToGbk(run));
    }
    at = end;
  }
  return kept;
}

std::string ToUtf8(std::string_view text) {
  return std::string(text);
}

std::string UrlEncode(std::string_view text, bool keepSafe, bool /*convertToUtf8*/) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool safe = c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                      (c >= 'a' && c <= 'z');
    if (keepSafe && safe) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0x0F]);
    }
  }
  return out;
}

bool LocaleUses24HourClock() {
  const locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return true;  // unknown locale: plain C, 24-hour
  const char* format = nl_langinfo_l(T_FMT, locale);
  const bool twelveHour = format != nullptr && (std::strstr(format, "%I") != nullptr ||
                                                std::strstr(format, "%l") != nullptr ||
                                                std::strstr(format, "%r") != nullptr);
  freelocale(locale);
  return !twelveHour;
}

std::string FormatDateTime(std::optional<std::tm> time, int style, int part,
                           std::optional<bool> use24Hour) {
  std::tm when{};
  if (time) {
    when = *time;
  } else {
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &when);
  }
  if (style < 0 || style > 3) style = 0;
  const PictureRow& row = kPictures[style];

  std::string datePicture = row.date;
  std::string timePicture = row.time;
  switch (part) {
    case 1:
      if (!datePicture.empty() && datePicture.back() == ' ') datePicture.pop_back();
      timePicture.clear();
      break;
    case 2:
      datePicture = row.monthDay;
      timePicture.clear();
      break;
    case 3:
      datePicture.clear();
      break;
    case 4:
      datePicture.clear();
      timePicture = row.hourMinute;
      break;
    case 5:
      datePicture.clear();
      timePicture = row.minuteSecond;
      break;
    default:
      break;
  }
  if (use24Hour.value_or(LocaleUses24HourClock())) ReplaceAll(timePicture, "hh", "HH");

  std::string out;
  if (GbkLength(datePicture) >= 3) out += ApplyPicture(datePicture, when);
  if (GbkLength(timePicture) >= 3) out += ApplyPicture(timePicture, when);
  return out;
}

std::string EscapeRegexText(std::string_view text) {
  std::string out(text);
  ReplaceAll(out, "?", "\\?");
  ReplaceAll(out, "*", "\\*");
  ReplaceAll(out, "+", "\\+");
  ReplaceAll(out, "[", "\\[");
  ReplaceAll(out, "]", "\\]");
  ReplaceAll(out, "(", "\\(");
  ReplaceAll(out, ")", "\\)");
  ReplaceAll(out, "{", "\\{");
  ReplaceAll(out, "}", "\\}");
  ReplaceAll(out, "#引号", "\"");
  ReplaceAll(out, "\r\n", "\\n");
  return out;
}

int ExtractAllBetween(std::string_view subject, std::string_view left, std::string_view right,
                      std::vector<std::string>& out) {
  out.clear();
  // A literal search gives the same matches as the escaped pattern left([\s\S]*?)right
  // run globally without case, and cannot exhaust the stack on a long subject the way a
  // backtracking matcher can.
  const std::string leftLiteral = MarkerLiteral(left);
  const std::string rightLiteral = MarkerLiteral(right);
  std::size_t pos = 0;
  while (pos <= subject.size()) {
    const std::size_t leftAt = FindNoCase(subject, leftLiteral, pos);
    if (leftAt == std::string_view::npos) break;
    const std::size_t textAt = leftAt + leftLiteral.size();
    const std::size_t rightAt = FindNoCase(subject, rightLiteral, textAt);
    if (rightAt == std::string_view::npos) break;
    out.emplace_back(subject.substr(textAt, rightAt - textAt));
    const std::size_t end = rightAt + rightLiteral.size();
    if (end == leftAt) {
      // An empty match: step over one whole character so the walk moves on.
      if (end >= subject.size()) break;
      std::size_t step = WellFormedUtf8Length(subject.substr(end));
      pos = end + std::max<std::size_t>(step, 1);
    } else {
      pos = end;
    }
  }
  return static_cast<int>(out.size());
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  if (bytes.empty()) return out;
  out.resize(4 * ((bytes.size() + 2) / 3));
  // EVP_EncodeBlock takes an int length, so large inputs go in whole groups of 3 bytes.
  constexpr std::size_t kChunk = 3 * 1024 * 1024;
  std::size_t written = 0;
  for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
    const std::size_t length = std::min(kChunk, bytes.size() - at);
    written += static_cast<std::size_t>(EVP_EncodeBlock(
        reinterpret_cast<unsigned char*>(out.data() + written),
        reinterpret_cast<const unsigned char*>(bytes.data() + at), static_cast<int>(length)));
  }
  out.resize(written);
  return out;
}

std::string ToUpperText(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), AsciiUpper);
  return out;
}

std::string ToLowerText(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), AsciiLower);
  return out;
}

namespace {

// Where a number's digits start: after leading white space and one optional sign.
std::size_t NumberStart(std::string_view text, bool& negative) {
  std::size_t i = 0;
  while (i < text.size() && std::strchr(" \t\r\n\v\f", text[i]) != nullptr && text[i] != '\0') {
    ++i;
  }
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return i;
}

}  // namespace

std::int32_t TextToInt(std::string_view text) {
  bool negative = false;
  std::size_t i = NumberStart(text, negative);
  // Kept in 64 bits and clamped at every digit, so no digit run can overflow.
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT32_MAX) + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(kLimit, magnitude * 10 + (text[i] - '0'));
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(std::min<std::int64_t>(magnitude, INT32_MAX));
}

float TextToFloat(std::string_view text) {
  bool negative = false;
  const std::size_t i = NumberStart(text, negative);
  // from_chars takes a minus sign of its own; a second sign is no number.
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  float value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range) {
    // Read wider to tell overflow (infinity, as the C library gives) from underflow.
    long double wide = 0;
    std::from_chars(first, last, wide);
    value = std::fabs(wide) > std::numeric_limits<float>::max()
                ? std::numeric_limits<float>::infinity()
                : static_cast<float>(wide);
  } else if (error != std::errc()) {
    value = 0;
  }
  return negative ? -value : value;
}

std::string GeneralNumberText(double value, int precision) {
  char buffer[128];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

std::string Md5Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) {
    return {};
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(length * 2);
  for (unsigned int k = 0; k < length; ++k) {
    out.push_back(kHex[digest[k] >> 4]);
    out.push_back(kHex[digest[k] & 0x0F]);
  }
  return out;
}

}  // namespace ydt
