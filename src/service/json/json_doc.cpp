#include "service/json/json_doc.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string_view>

#include "service/json/js_number.h"
#include "service/json/json_path.h"
#include "service/text/text.h"

namespace ydt {

namespace {

// Deeper input is refused before parsing: every reader of the tree (copy, serialise,
// flatten) recurses, and a reply of a few kilobytes of brackets must not end the program.
constexpr int kMaxNesting = 512;

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool NestingWithin(std::string_view text, int limit) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return true;
}

double NumberOf(const nlohmann::ordered_json& value) {
  if (value.is_number_unsigned()) return static_cast<double>(value.get<std::uint64_t>());
  if (value.is_number_integer()) return static_cast<double>(value.get<std::int64_t>());
  return value.get<double>();
}

// The text a script gives for the value (its toString): arrays join their elements with
// ",", null elements reading empty, nested arrays flattening the same way.
void AppendValueText(std::string& out, const nlohmann::ordered_json& value) {
  switch (value.type()) {
    case nlohmann::ordered_json::value_t::string:
      out += value.get_ref<const std::string&>();
      break;
    case nlohmann::ordered_json::value_t::number_integer:
    case nlohmann::ordered_json::value_t::number_unsigned:
    case nlohmann::ordered_json::value_t::number_float:
      out += JsNumberToText(NumberOf(value));
      break;
    case nlohmann::ordered_json::value_t::boolean:
      out += value.get<bool>() ? "true" : "false";
      break;
    case nlohmann::ordered_json::value_t::array: {
      bool first = true;
      for (const auto& element : value) {
        if (!first) out += ',';
        first = false;
        AppendValueText(out, element);
      }
      break;
    }
    case nlohmann::ordered_json::value_t::object:
      out += "[object Object]";
      break;
    default:
      break;
  }
}

// Characters that are written as \u escapes although JSON would allow them raw: they are
// invisible or break lines in some readers.
bool NeedsUnicodeEscape(std::uint32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0xAD || (cp >= 0x600 && cp <= 0x604) ||
         cp == 0x70F || cp == 0x17B4 || cp == 0x17B5 || (cp >= 0x200C && cp <= 0x200F) ||
         (cp >= 0x2028 && cp <= 0x202F) || (cp >= 0x2060 && cp <= 0x206F) || cp == 0xFEFF ||
         (cp >= 0xFFF0 && cp <= 0xFFFF);
}

// Length and value of the UTF-8 character at `at`; strings in the tree are well-formed
// UTF-8 (the parser checks them), a stray byte counts as itself.
std::size_t DecodeAt(const std::string& text, std::size_t at, std::uint32_t& cp) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 1;
  if (lead >= 0xF0) {
    length = 4;
    cp = lead & 0x07;
  } else if (lead >= 0xE0) {
    length = 3;
    cp = lead & 0x0F;
  } else if (lead >= 0xC0) {
    length = 2;
    cp = lead & 0x1F;
  } else {
    cp = lead;
    return 1;
  }
  if (at + length > text.size()) {
    cp = lead;
    return 1;
  }
  for (std::size_t k = 1; k < length; ++k) {
    cp = (cp << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
  }
  return length;
}

void AppendQuoted(std::string& out, const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t cp = 0;
    const std::size_t length = DecodeAt(text, i, cp);
    switch (cp) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (NeedsUnicodeEscape(cp)) {
          out += "\\u";
          for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0x0F];
        } else {
          out.append(text, i, length);
        }
        break;
    }
    i += length;
  }
  out += '"';
}

void AppendJson(std::string& out, const nlohmann::ordered_json& value) {
  switch (value.type()) {
    case nlohmann::ordered_json::value_t::string:
      AppendQuoted(out, value.get_ref<const std::string&>());
      break;
    case nlohmann::ordered_json::value_t::number_integer:
    case nlohmann::ordered_json::value_t::number_unsigned:
    case nlohmann::ordered_json::value_t::number_float: {
      const double number = NumberOf(value);
      out += std::isfinite(number) ? JsNumberToText(number) : "null";
      break;
    }
    case nlohmann::ordered_json::value_t::boolean:
      out += value.get<bool>() ? "true" : "false";
      break;
    case nlohmann::ordered_json::value_t::array: {
      out += '[';
      bool first = true;
      for (const auto& element : value) {
        if (!first) out += ',';
        first = false;
        AppendJson(out, element);
      }
      out += ']';
      break;
    }
    case nlohmann::ordered_json::value_t::object: {
      out += '{';
      bool first = true;
      for (const auto& [name, member] : value.items()) {
        if (!first) out += ',';
        first = false;
        AppendQuoted(out, name);
        out += ':';
        AppendJson(out, member);
      }
      out += '}';
      break;
    }
    default:
      out += "null";
      break;
  }
}

// Every text read leaves the document the way the rest of the program holds text: U+2400
// stands for a backslash, and only what GBK can hold survives (the rest reads "?").
std::string ReadBack(std::string raw) {
  static constexpr std::string_view kBackslashStandIn = "\xE2\x90\x80";
  // Plain ASCII without a zero holds neither the stand-in nor anything GBK lacks, and the
  // decoder would hand it back unchanged: most values of a reply are like that.
  if (std::all_of(raw.begin(), raw.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte != 0 && byte < 0x80;
      })) {
    return raw;
  }
  // Built anew rather than replaced in place: one pass, and no in-place replace that
  // GCC 12 at -O2 misreads as an overlapping copy.
  std::string out;
  out.reserve(raw.size());
  std::size_t from = 0;
  for (std::size_t pos; (pos = raw.find(kBackslashStandIn, from)) != std::string::npos;) {
    out.append(raw, from, pos - from);
    out.push_back('\\');
    from = pos + kBackslashStandIn.size();
  }
  out.append(raw, from, std::string::npos);
  return UTF8ToText(out);
}

std::string ValueText(const nlohmann::ordered_json* value) {
  if (value == nullptr || value->is_null()) return {};
  std::string raw;
  AppendValueText(raw, *value);
  return ReadBack(std::move(raw));
}

int ElementCount(const nlohmann::ordered_json* value) {
  if (value == nullptr || !value->is_array()) return 0;
  return value->size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX
                                                           : static_cast<int>(value->size());
}

}  // namespace

JsonDoc::JsonDoc() : value_(nlohmann::ordered_json::object()) {}

bool JsonDoc::Parse(const std::string& text) {
  value_ = nullptr;
  if (IsBlank(text)) {
    holding_ = Holding::Nothing;
    return false;
  }
  holding_ = Holding::Null;
  if (!NestingWithin(text, kMaxNesting)) return false;
  try {
    nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(text, nullptr, false);
    if (parsed.is_discarded() || parsed.is_null()) return false;
    value_ = std::move(parsed);
    holding_ = Holding::Value;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string JsonDoc::GetText(const std::string& path) const {
  if (holding_ != Holding::Value) return {};
  return ValueText(ResolveDocumentPath(value_, path));
}

int JsonDoc::Count(const std::string& path) const {
  if (holding_ != Holding::Value) return 0;
  return ElementCount(ResolveDocumentPath(value_, path));
}

JsonDoc JsonDoc::SubDocument(const std::string& path) const {
  JsonDoc sub;
  sub.value_ = nullptr;
  sub.holding_ = Holding::Nothing;
  if (holding_ != Holding::Value) return sub;
  const nlohmann::ordered_json* value = ResolveDocumentPath(value_, path);
  if (value == nullptr) return sub;
  if (value->is_null()) {
    sub.holding_ = Holding::Null;
    return sub;
  }
  sub.value_ = *value;
  sub.holding_ = Holding::Value;
  return sub;
}

std::string JsonDoc::ToText() const {
  switch (holding_) {
    case Holding::Nothing:
      return {};
    case Holding::Null:
      return "null";
    case Holding::Value:
      break;
  }
  std::string raw;
  AppendJson(raw, value_);
  return ReadBack(std::move(raw));
}

JsonDoc::Node JsonDoc::At(const std::string& path) const {
  if (holding_ != Holding::Value) return Node();
  return Node(ResolveDocumentPath(value_, path));
}

JsonDoc::Node JsonDoc::Node::At(const JsonPath& path) const {
  if (value_ == nullptr) return Node();
  return Node(path.Resolve(*value_));
}

std::string JsonDoc::Node::GetText(const JsonPath& path) const {
  if (value_ == nullptr) return {};
  return ValueText(path.Resolve(*value_));
}

int JsonDoc::Node::Count() const {
  return ElementCount(value_);
}

JsonDoc::Node JsonDoc::Node::Element(std::size_t index) const {
  if (value_ == nullptr) return Node();
  if (value_->is_array()) return index < value_->size() ? Node(&(*value_)[index]) : Node();
  if (value_->is_object()) {
    const auto it = value_->find(std::to_string(index));
    return it == value_->end() ? Node() : Node(&*it);
  }
  return Node();
}

std::string JsonDoc::Node::ToText() const {
  if (value_ == nullptr) return {};
  if (value_->is_null()) return "null";
  std::string raw;
  AppendJson(raw, *value_);
  return ReadBack(std::move(raw));
}

}  // namespace ydt
