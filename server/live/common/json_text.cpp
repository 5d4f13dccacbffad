#include "live/common/json_text.h"

#include <array>

namespace ydt::live {
namespace {

constexpr auto npos = std::string_view::npos;

std::size_t SkipSpace(std::string_view t, std::size_t i) {
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r')) ++i;
  return i;
}

// Bytes that stand for themselves inside a JSON string: everything but the quote, the
// backslash, control characters and the bytes of multi-byte UTF-8 sequences. A page of
// machines is mostly these, so they are skipped with one table look-up each.
constexpr auto kPlainInString = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '"' && c != '\\';
  return plain;
}();

bool IsPlainInString(char c) {
  return kPlainInString[static_cast<unsigned char>(c)];
}

// Just past the closing quote of the string whose opening quote is at `i`.
std::size_t StringEnd(std::string_view t, std::size_t i) {
  for (++i; i < t.size(); ++i) {
    if (IsPlainInString(t[i])) continue;
    if (t[i] == '\\') {
      ++i;
    } else if (t[i] == '"') {
      return i + 1;
    }
  }
  return npos;
}

// Just past the value that starts at `i`.
std::size_t ValueEnd(std::string_view t, std::size_t i) {
  if (i >= t.size()) return npos;
  if (t[i] == '"') return StringEnd(t, i);
  if (t[i] == '{' || t[i] == '[') {
    int depth = 0;
    for (std::size_t j = i; j < t.size(); ++j) {
      if (t[j] == '"') {
        j = StringEnd(t, j);
        if (j == npos) return npos;
        --j;
      } else if (t[j] == '{' || t[j] == '[') {
        ++depth;
      } else if ((t[j] == '}' || t[j] == ']') && --depth == 0) {
        return j + 1;
      }
    }
    return npos;
  }
  std::size_t j = i;
  while (j < t.size() && t[j] != ',' && t[j] != '}' && t[j] != ']' && t[j] != ' ' && t[j] != '\t' &&
         t[j] != '\n' && t[j] != '\r')
    ++j;
  return j;
}

// Hands each member of the object `text` to `visit` (key as written, value text); false
// when `text` is not an object or a key is written with escapes.
template <typename Visit>
bool ForEachMember(std::string_view text, Visit visit) {
  std::size_t i = SkipSpace(text, 0);
  if (i >= text.size() || text[i] != '{') return false;
  i = SkipSpace(text, i + 1);
  while (i < text.size() && text[i] == '"') {
    const std::size_t keyEnd = StringEnd(text, i);
    if (keyEnd == npos) return false;
    const std::string_view key = text.substr(i + 1, keyEnd - i - 2);
    if (key.find('\\') != npos) return false;
    i = SkipSpace(text, keyEnd);
    if (i >= text.size() || text[i] != ':') return false;
    i = SkipSpace(text, i + 1);
    const std::size_t valueEnd = ValueEnd(text, i);
    if (valueEnd == npos) return false;
    visit(key, text.substr(i, valueEnd - i));
    i = SkipSpace(text, valueEnd);
    if (i < text.size() && text[i] == ',') i = SkipSpace(text, i + 1);
  }
  return true;
}

// A strict, allocation-free reading of the JSON grammar; see IsJson.
class Checker {
 public:
  explicit Checker(std::string_view text) : t_(text) {}

  bool Whole() {
    Space();
    if (!Value()) return false;
    Space();
    return i_ == t_.size();
  }

 private:
  static constexpr int kMaxDepth = 256;

  bool At(char c) const { return i_ < t_.size() && t_[i_] == c; }
  void Space() { i_ = SkipSpace(t_, i_); }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static bool IsHex(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }

  bool Digits() {
    const std::size_t start = i_;
    while (i_ < t_.size() && IsDigit(t_[i_])) ++i_;
    return i_ > start;
  }

  bool Number() {
    if (At('-')) ++i_;
    if (At('0')) {
      ++i_;
    } else if (!Digits()) {
      return false;
    }
    if (At('.')) {
      ++i_;
      if (!Digits()) return false;
    }
    if (At('e') || At('E')) {
      ++i_;
      if (At('+') || At('-')) ++i_;
      if (!Digits()) return false;
    }
    return true;
  }

  bool Literal(std::string_view word) {
    if (t_.substr(i_, word.size()) != word) return false;
    i_ += word.size();
    return true;
  }

  // The four hex digits after "\u" at i_; -1 when they are not there.
  long Escape16() {
    if (i_ + 4 > t_.size()) return -1;
    long value = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = t_[i_ + k];
      if (!IsHex(c)) return -1;
      value = value * 16 + (IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    i_ += 4;
    return value;
  }

  // One UTF-8 sequence of two to four bytes at i_, shortest form, no surrogates.
  bool Utf8() {
    const auto byte = [this](std::size_t k) {
      return i_ + k < t_.size() ? static_cast<unsigned char>(t_[i_ + k]) : 0u;
    };
    const unsigned lead = byte(0);
    const auto cont = [&](std::size_t k, unsigned lo = 0x80, unsigned hi = 0xBF) {
      const unsigned b = byte(k);
      return b >= lo && b <= hi;
    };
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = cont(1) ? 2 : 0;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      const unsigned lo = lead == 0xE0 ? 0xA0 : 0x80, hi = lead == 0xED ? 0x9F : 0xBF;
      length = cont(1, lo, hi) && cont(2) ? 3 : 0;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      const unsigned lo = lead == 0xF0 ? 0x90 : 0x80, hi = lead == 0xF4 ? 0x8F : 0xBF;
      length = cont(1, lo, hi) && cont(2) && cont(3) ? 4 : 0;
    }
    i_ += length;
    return length != 0;
  }

  bool String() {
    ++i_;  // the opening quote
    while (i_ < t_.size()) {
      while (i_ < t_.size() && IsPlainInString(t_[i_])) ++i_;
      if (i_ >= t_.size()) break;
      const auto c = static_cast<unsigned char>(t_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return false;
      if (c >= 0x80) {
        if (!Utf8()) return false;
        continue;
      }
      ++i_;
      if (c != '\\') continue;
      if (i_ >= t_.size()) return false;
      const char e = t_[i_++];
      if (e == 'u') {
        const long unit = Escape16();
        if (unit < 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
          if (!Literal("\\u")) return false;
          const long low = Escape16();
          if (low < 0xDC00 || low > 0xDFFF) return false;
        }
      } else if (std::string_view("\"\\/bfnrt").find(e) == npos) {
        return false;
      }
    }
    return false;
  }

  // An object or array: `close` ends it, and `member` reads one element.
  template <typename Element>
  bool Container(char close, Element element) {
    if (++depth_ > kMaxDepth) return false;
    ++i_;
    Space();
    if (At(close)) {
      ++i_;
      --depth_;
      return true;
    }
    while (true) {
      if (!element()) return false;
      Space();
      if (At(',')) {
        ++i_;
        Space();
        continue;
      }
      if (!At(close)) return false;
      ++i_;
      --depth_;
      return true;
    }
  }

  bool Value() {
    if (i_ >= t_.size()) return false;
    switch (t_[i_]) {
      case '{':
        return Container('}', [this] {
          if (!At('"') || !String()) return false;
          Space();
          if (!At(':')) return false;
          ++i_;
          Space();
          return Value();
        });
      case '[':
        return Container(']', [this] { return Value(); });
      case '"':
        return String();
      case 't':
        return Literal("true");
      case 'f':
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number();
    }
  }

  std::string_view t_;
  std::size_t i_ = 0;
  int depth_ = 0;
};

}  // namespace

bool IsJson(std::string_view text) {
  return Checker(text).Whole();
}

std::optional<std::string_view> MemberText(std::string_view text, std::string_view name) {
  std::optional<std::string_view> found;
  int times = 0;
  const bool read = ForEachMember(text, [&](std::string_view key, std::string_view value) {
    if (key == name && times++ == 0) found = value;
  });
  if (!read || times != 1) return std::nullopt;
  return found;
}

bool SurelyLacks(std::string_view text, std::string_view name) {
  bool seen = false;
  const bool read = ForEachMember(
      text, [&](std::string_view key, std::string_view) { seen = seen || key == name; });
  return read && !seen;
}

}  // namespace ydt::live
