// The envelope as the simulated world answers with it: the front's, plus the codes of the
// world's own refusals.
#pragma once

#include "front/envelope.h"

namespace ydt::sim {

using Reply = front::CloudReply;
using front::kCodeBadField;
using front::kCodeBadInterface;
using front::kCodeBadMethod;
using front::kCodeNotLoggedIn;
using front::kCodeOk;
using front::kCodeRefused;
using front::kCodeUnknownOperation;
inline constexpr int kCodeBadKeys = 1002;
inline constexpr int kCodeInjected = 500;

}  // namespace ydt::sim
