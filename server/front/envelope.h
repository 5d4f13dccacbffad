// The envelope every backend operation answers with, and the codes the front itself uses.
#pragma once

#include <string>

#include "clouds.h"

namespace ydt::front {

// Any non-zero code is a failure to the console.
inline constexpr int kCodeOk = 0;
inline constexpr int kCodeBadField = 1001;
inline constexpr int kCodeRefused = 1003;
inline constexpr int kCodeNotLoggedIn = 401;
inline constexpr int kCodeBadInterface = 403;
inline constexpr int kCodeUnknownOperation = 404;
inline constexpr int kCodeBadMethod = 405;

// `{"code","msg","data"}` as UTF-8 JSON; text that is not UTF-8 is replaced, never thrown on.
std::string EnvelopeText(const CloudReply& reply);

}  // namespace ydt::front
