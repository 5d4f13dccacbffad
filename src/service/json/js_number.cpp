#include "service/json/js_number.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace ydt {

std::string JsNumberToText(double value) {
  if (std::isnan(value)) return "NaN";
  if (value == 0) return "0";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";

  std::string out = value < 0 ? "-" : "";
  // Scientific to_chars gives the shortest digit string that reads back as the same
  // double; JavaScript places the decimal point from those digits and the exponent.
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::scientific);
  const std::string_view sci(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t ePos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, ePos)) {
    if (c != '.') digits.push_back(c);
  }
  std::string_view exponentText = sci.substr(ePos + 1);
  if (!exponentText.empty() && exponentText.front() == '+') exponentText.remove_prefix(1);
  int exponent = 0;
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;  // position of the decimal point after the first n digits

  if (k <= n && n <= 21) {
    out += digits;
    out.append(static_cast<std::size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    out += digits.substr(0, static_cast<std::size_t>(n));
    out += '.';
    out += digits.substr(static_cast<std::size_t>(n));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-n), '0');
    out += digits;
  } else {
    out += digits[0];
    if (k > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'e';
    out += n - 1 < 0 ? '-' : '+';
    out += std::to_string(std::abs(n - 1));
  }
  return out;
}

}  // namespace ydt
