// The key pair of a provider tab as an operation reads it, and the check every operation
// that sends credentials makes before it sends anything.
#pragma once

#include <string>
#include <string_view>

#include "service/backend/ports.h"

namespace ydt {

inline constexpr std::string_view kMissingKeysText = "请先填写SecretId和SecretKey！";

struct AccessKeys {
  std::string secretId;
  std::string secretKey;

  // Both boxes as the operator left them, trimmed of spaces at both ends.
  static AccessKeys FromBoxes(std::string_view idBox, std::string_view keyBox);
  bool Complete() const { return !secretId.empty() && !secretKey.empty(); }
};

// True when both keys are there; otherwise tells the operator and returns false.
bool RequireAccessKeys(const AccessKeys& keys, Prompter& prompter);

}  // namespace ydt
