// The key-pair test: asks the backend for the account balance of a provider and turns the
// reply into the captions of the tab's balance and account labels.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "consoles/catalogue/catalogue.h"
#include "service/backend/backend_client.h"

namespace ydt {

inline constexpr const char* kBalanceInitial = "余额：";
inline constexpr const char* kBalanceReading = "余额：正在读取";
inline constexpr const char* kBalanceFailed = "余额：读取失败";
inline constexpr const char* kAccountInitial = "QQ：";
inline constexpr const char* kAccountFailed = "QQ：读取失败";

// New captions; a missing one leaves its label as it is.
struct BalanceCaptions {
  std::optional<std::string> balance;
  std::optional<std::string> account;  // Tencent only
};

// A Tencent amount in cents as "余额：" + cents / 100 (%.13g) + "元".
std::string TencentBalanceCaption(std::string_view centsText);
// An Aliyun amount as a 32-bit float written with six significant digits (%.6g).
std::string AliyunBalanceCaption(std::string_view amountText);

// The captions a balance reply gives; `reply` is the whole reply text of a request that
// returned 0. A reply that does not parse gives the failure captions.
BalanceCaptions CaptionsFromReply(ProviderKind kind, const std::string& reply);

// The whole test on the calling thread (a WorkerTask): trims the keys, refuses empty ones
// with an information box (leaving the labels alone), sends the balance request and maps
// the outcome to captions.
BalanceCaptions RunTestLogin(BackendClient& backend, Prompter& prompter, ProviderKind kind,
                             std::string_view secretId, std::string_view secretKey,
                             WindowRef owner);

}  // namespace ydt
