// Numbers written as text the way JavaScript writes them, because the backend's replies
// are read as if by a script engine and callers compare and store those texts.
#pragma once

#include <string>

namespace ydt {

// Shortest round-trip digits; plain notation for 1e-6 <= |value| < 1e21, otherwise
// exponent form ("1e+21", "1.5e-7"). -0 gives "0"; NaN and infinities their names.
std::string JsNumberToText(double value);

}  // namespace ydt
