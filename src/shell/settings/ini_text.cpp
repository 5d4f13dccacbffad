#include "shell/settings/ini_text.h"

#include <vector>

namespace ydt {
namespace {

struct Line {
  std::string_view content;  // without its line break
  std::string_view full;     // with its line break, if any
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view content =
        text.substr(start, (end == std::string_view::npos ? next : end) - start);
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    lines.push_back({content, text.substr(start, next - start)});
    start = next;
  }
  return lines;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The section name of a header line "[name]", or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return line.substr(1);
  return line.substr(1, close - 1);
}

bool IsComment(std::string_view line) {
  line = Trim(line);
  return !line.empty() && line.front() == ';';
}

// The key of a "key=value" line, or nothing.
std::optional<std::string_view> KeyOf(std::string_view line) {
  if (IsComment(line)) return std::nullopt;
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return line.substr(0, eq);
}

struct Located {
  std::optional<std::size_t> sectionLine;  // header of the first matching section
  std::optional<std::size_t> keyLine;      // first matching key inside it
  std::size_t lastContentLine = 0;         // last non-blank line of that section
};

Located Locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Located found;
  bool inside = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (auto name = SectionName(lines[i].content)) {
      if (inside) break;  // the first matching section ended
      if (SameName(*name, section)) {
        inside = true;
        found.sectionLine = i;
        found.lastContentLine = i;
      }
      continue;
    }
    if (!inside) continue;
    if (!Trim(lines[i].content).empty()) found.lastContentLine = i;
    if (auto k = KeyOf(lines[i].content); k && SameName(*k, key)) {
      found.keyLine = i;
      break;
    }
  }
  return found;
}

// What closes the text's last line: nothing when it ends in a line feed, the missing "\n"
// after a bare "\r" (so the line reads as before), else a whole "\r\n".
std::string_view LineEndFor(std::string_view text) {
  if (text.empty() || text.back() == '\n') return {};
  return text.back() == '\r' ? "\n" : "\r\n";
}

}  // namespace

std::optional<std::string> IniText::Find(std::string_view ini, std::string_view section,
                                         std::string_view key) {
  const std::vector<Line> lines = SplitLines(ini);
  const Located found = Locate(lines, section, key);
  if (!found.keyLine) return std::nullopt;
  std::string_view line = lines[*found.keyLine].content;
  std::string_view value = Trim(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::string IniText::Set(std::string_view ini, std::string_view section, std::string_view key,
                         std::string_view value) {
  const std::vector<Line> lines = SplitLines(ini);
  const Located found = Locate(lines, section, key);
  std::string keyLine(key);
  keyLine += '=';
  keyLine += value;
  keyLine += "\r\n";

  std::string out;
  out.reserve(ini.size() + keyLine.size() + section.size() + 8);
  auto appendLine = [&out](const Line& line) {
    out += line.full;
    // A last line without a line feed must not run into what follows it: a bare "\r" ends
    // no line, so a key written after it would be read as part of that line and lost.
    out += LineEndFor(line.full);
  };

  if (!found.sectionLine) {
    out.assign(ini);
    out += LineEndFor(out);
    out += '[';
    out += section;
    out += "]\r\n";
    out += keyLine;
    return out;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (found.keyLine && i == *found.keyLine) {
      out += keyLine;
      continue;
    }
    if (!found.keyLine && i == found.lastContentLine) {
      appendLine(lines[i]);
      out += keyLine;
      continue;
    }
    out += lines[i].full;
  }
  return out;
}

}  // namespace ydt
