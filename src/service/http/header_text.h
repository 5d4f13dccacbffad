// Request and response header texts: name normalisation, default completion and the
// cookies a response sets.
#pragma once

#include <string>
#include <string_view>

namespace ydt {

// Drops lines without ":" and capitalises each piece of every header name
// ("content-type: x" -> "Content-Type: x"); the rest of the line is kept.
std::string NormaliseHeaderNames(std::string_view headers);

// Whether `headers` contains `name` (e.g. "Accept:"), ignoring case.
bool HeaderTextContains(std::string_view headers, std::string_view name);

// Appends the browser-like defaults the text lacks: Accept, Referer, Accept-Language,
// optionally User-Agent, and Content-Type for POST.
std::string CompleteHeaderText(std::string headers, std::string_view address, int method,
                               bool addUserAgent);

// The cookies of the response's "Set-Cookie" lines (name matched exactly), as
// "name=value" pairs joined by "; ".
std::string ExtractSetCookies(std::string_view headerBlock);

// Old cookie text merged with newly set cookies: new ones first, then old ones whose name
// the response did not mention; "=deleted" values and exact duplicates are dropped.
std::string MergeCookies(std::string_view oldCookies, std::string_view newCookies);

}  // namespace ydt
