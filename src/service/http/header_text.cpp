#include "service/http/header_text.h"

#include <algorithm>
#include <vector>

#include "service/text/text.h"

namespace ydt {
namespace {

constexpr std::string_view kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string_view::npos) break;
    pieces.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string CapitalisePieces(std::string_view name) {
  std::string out(name);
  bool pieceStart = true;
  for (char& c : out) {
    if (pieceStart) c = Upper(c);
    pieceStart = (c == '-');
  }
  return out;
}

// Items of a cookie text, with the trailing-";" and empty-item tolerance of the merge.
std::vector<std::string> CookieItems(std::string_view text) {
  std::string trimmed = TrimSpaces(text);
  if (!trimmed.empty() && trimmed.back() == ';') trimmed += ' ';
  std::vector<std::string> items;
  if (trimmed.empty()) return items;
  for (std::string_view item : Split(trimmed, "; "))
    if (!item.empty()) items.emplace_back(item);
  return items;
}

std::string CookieName(std::string_view item) {
  const std::size_t eq = item.find('=');
  return eq == std::string_view::npos ? std::string(item) : TrimSpaces(item.substr(0, eq));
}

}  // namespace

std::string NormaliseHeaderNames(std::string_view headers) {
  std::string out;
  for (std::string_view line : Split(headers, "\r\n")) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (!out.empty()) out += "\r\n";
    out += CapitalisePieces(line.substr(0, colon));
    out += line.substr(colon);
  }
  return out;
}

bool HeaderTextContains(std::string_view headers, std::string_view name) {
  return ToLowerText(headers).find(ToLowerText(name)) != std::string::npos;
}

std::string CompleteHeaderText(std::string headers, std::string_view address, int method,
                               bool addUserAgent) {
  if (headers.empty()) headers = "Accept: */*";
  if (!HeaderTextContains(headers, "Accept:")) headers += "\r\nAccept: */*";
  if (!HeaderTextContains(headers, "Referer:")) {
    headers += "\r\nReferer: ";
    headers += address;
  }
  if (!HeaderTextContains(headers, "Accept-Language:")) headers += "\r\nAccept-Language: zh-cn";
  if (addUserAgent && !HeaderTextContains(headers, "User-Agent:")) {
    headers += "\r\nUser-Agent: ";
    headers += kDefaultAgent;
  }
  if (method == 1 && !HeaderTextContains(headers, "Content-Type:"))
    headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  return headers;
}

std::string ExtractSetCookies(std::string_view headerBlock) {
  constexpr std::string_view kPrefix = "Set-Cookie:";
  std::string out;
  for (std::string_view line : Split(headerBlock, "\r\n")) {
    if (line.substr(0, line.find(": ")) != "Set-Cookie") continue;
    std::string cookie;
    if (line.find(';') == std::string_view::npos) {
      std::string rest(line);
      for (std::size_t at; (at = rest.find(kPrefix)) != std::string::npos;)
        rest.erase(at, kPrefix.size());
      cookie = TrimSpaces(rest);
    } else {
      const std::size_t begin = line.find(kPrefix) + kPrefix.size();
      cookie = TrimSpaces(line.substr(begin, line.find(';', begin) - begin));
    }
    out += cookie;
    out += "; ";
  }
  if (out.size() >= 2) out.resize(out.size() - 2);
  return out;
}

std::string MergeCookies(std::string_view oldCookies, std::string_view newCookies) {
  std::vector<std::string> merged = CookieItems(newCookies);
  std::vector<std::string> newNames;
  for (const std::string& item : merged) newNames.push_back(CookieName(item));
  for (std::string& item : CookieItems(oldCookies)) {
    if (std::find(newNames.begin(), newNames.end(), CookieName(item)) == newNames.end())
      merged.push_back(std::move(item));
  }
  std::vector<std::string> kept;
  for (std::string& item : merged) {
    if (item.ends_with("=deleted")) continue;
    if (std::find(kept.begin(), kept.end(), item) != kept.end()) continue;
    kept.push_back(std::move(item));
  }
  std::string out;
  for (const std::string& item : kept) {
    if (!out.empty()) out += "; ";
    out += item;
  }
  return out;
}

}  // namespace ydt
