#include "live/common/json_text.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace ydt::live {
namespace {

constexpr auto npos = std::string_view::npos;

std::size_t SkipSpace(std::string_view t, std::size_t i) {
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r')) ++i;
  return i;
}

// Bytes that stand for themselves inside a JSON string: everything but the quote, the
// backslash, control characters and the bytes of multi-byte UTF-8 sequences. A page of
// machines is mostly these.
constexpr auto kPlainInString = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '"' && c != '\\';
  return plain;
}();

bool IsPlainInString(char c) {
  return kPlainInString[static_cast<unsigned char>(c)];
}

// How many bytes from `i` on are plain in a string. Eight are looked at together: with the
// classic word tests, a byte below n (n <= 0x80) sets its high bit in (x - n*ones) & ~x, and
// the lowest byte so marked is always a real one (only bytes after a real one can be marked
// falsely), so the run ends exactly there.
[[gnu::always_inline]] inline std::size_t PlainRun(std::string_view t, std::size_t i) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  const auto below = [](std::uint64_t x, std::uint64_t n) { return (x - n * kOnes) & ~x & kHighs; };
  const std::size_t start = i;
  for (; i + 8 <= t.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, t.data() + i, sizeof word);
    if constexpr (std::endian::native != std::endian::little) break;
    const std::uint64_t special = below(word, 0x20) | below(word ^ ('"' * kOnes), 1) |
                                  below(word ^ ('\\' * kOnes), 1) | (word & kHighs);
    if (special != 0) return i - start + static_cast<std::size_t>(std::countr_zero(special) / 8);
  }
  while (i < t.size() && IsPlainInString(t[i])) ++i;
  return i - start;
}

// Just past the closing quote of the string whose opening quote is at `i`.
std::size_t StringEnd(std::string_view t, std::size_t i) {
  for (++i; i < t.size();) {
    i += PlainRun(t, i);
    if (i >= t.size()) break;
    if (t[i] == '"') return i + 1;
    i += t[i] == '\\' ? 2 : 1;
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

// A strict reading of the JSON grammar that allocates nothing unless it is asked to note
// members; see IsJson.
class Checker {
 public:
  // Members of the top level and of the objects directly in it go to `members` when given.
  using Entries = std::vector<JsonOutline::Entry>;
  Checker(std::string_view text, Entries* members = nullptr, bool* crowded = nullptr)
      : t_(text), members_(members), crowded_(crowded) {}

  bool Whole() {
    Space();
    if (!Value()) return false;
    Space();
    return i_ == t_.size();
  }

 private:
  static constexpr int kMaxDepth = 256;
  static constexpr long long kMaxExponent = 307;
  // A provider's envelope has a handful of members; a page that has more is read the long way.
  static constexpr std::size_t kMaxMembers = 64;

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

  // A number in the grammar that a double can hold: the parser refuses one that overflows to
  // infinity. Its decimal exponent is bounded by the digits before the point plus the written
  // exponent; beyond 10^307 this says no and leaves the exact answer to the parser.
  bool Number() {
    if (At('-')) ++i_;
    const std::size_t whole = i_;
    if (At('0')) {
      ++i_;
    } else if (!Digits()) {
      return false;
    }
    const long long wholeDigits = static_cast<long long>(i_ - whole);
    if (At('.')) {
      ++i_;
      if (!Digits()) return false;
    }
    long long exponent = 0;
    if (At('e') || At('E')) {
      ++i_;
      const bool negative = At('-');
      if (At('+') || At('-')) ++i_;
      const std::size_t digits = i_;
      if (!Digits()) return false;
      for (std::size_t k = digits; k < i_ && exponent < kMaxExponent; ++k)
        exponent = exponent * 10 + (t_[k] - '0');
      if (negative) exponent = -exponent;
    }
    return wholeDigits + exponent <= kMaxExponent;
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
      i_ += PlainRun(t_, i_);
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
        if (depth_ == 0) rootIsObject_ = true;
        return Container('}', [this] {
          const std::size_t keyAt = i_;
          if (!At('"') || !String()) return false;
          const std::string_view key = t_.substr(keyAt + 1, i_ - keyAt - 2);
          Space();
          if (!At(':')) return false;
          ++i_;
          Space();
          // depth_ counts this object: 1 is the top level, 2 an object one of its members holds.
          if (members_ == nullptr || !rootIsObject_ || depth_ > 2) return Value();
          const std::size_t valueAt = i_;
          const std::string_view outer = depth_ == 1 ? std::string_view() : outerKey_;
          if (depth_ == 1) outerKey_ = key;
          if (!Value()) return false;
          if (members_->size() == kMaxMembers) {
            *crowded_ = true;
          } else {
            members_->push_back({depth_ == 1, outer, key, t_.substr(valueAt, i_ - valueAt)});
          }
          return true;
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
  Entries* members_;
  bool* crowded_;
  bool rootIsObject_ = false;
  std::string_view outerKey_;
};

}  // namespace

bool IsJson(std::string_view text) {
  return Checker(text).Whole();
}

JsonOutline::JsonOutline(std::string_view text) {
  bool crowded = false;
  entries_.reserve(16);
  valid_ = Checker(text, &entries_, &crowded).Whole();
  const std::size_t first = SkipSpace(text, 0);
  objectAtTop_ = first < text.size() && text[first] == '{';
  unsure_ = crowded;
  for (const Entry& entry : entries_) {
    if (entry.key.find('\\') != std::string_view::npos) unsure_ = true;
  }
}

bool JsonOutline::Sure(std::string_view outer) const {
  if (!valid_ || unsure_ || !objectAtTop_) return false;
  if (outer.empty()) return true;
  int times = 0;
  bool object = false;
  for (const Entry& entry : entries_) {
    if (entry.top && entry.key == outer) {
      ++times;
      object = entry.value.front() == '{';
    }
  }
  return times == 1 && object;
}

std::optional<std::string_view> JsonOutline::Member(std::string_view outer,
                                                    std::string_view name) const {
  if (!Sure(outer)) return std::nullopt;
  std::optional<std::string_view> found;
  for (const Entry& entry : entries_) {
    if (!entry.In(outer) || entry.key != name) continue;
    if (found) return std::nullopt;
    found = entry.value;
  }
  return found;
}

bool JsonOutline::SurelyLacks(std::string_view outer, std::string_view name) const {
  if (!Sure(outer)) return false;
  for (const Entry& entry : entries_) {
    if (entry.In(outer) && entry.key == name) return false;
  }
  return true;
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
