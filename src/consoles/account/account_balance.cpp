#include "consoles/account/account_balance.h"

#include "service/backend/form_text.h"
#include "service/json/json_doc.h"
#include "service/text/text.h"

namespace ydt {
namespace {

constexpr const char* kNoKeysText = "请先填写SecretId和SecretKey！";

BalanceCaptions Failed(ProviderKind kind) {
  BalanceCaptions captions;
  captions.balance = kBalanceFailed;
  if (kind == ProviderKind::Tencent) captions.account = kAccountFailed;
  return captions;
}

}  // namespace

std::string TencentBalanceCaption(std::string_view centsText) {
  const double yuan = static_cast<double>(TextToInt(centsText)) / 100.0;
  return std::string(kBalanceInitial) + GeneralNumberText(yuan, 13) + "元";
}

std::string AliyunBalanceCaption(std::string_view amountText) {
  // Read into a 32-bit float on purpose: the caption shows what that precision keeps.
  const float amount = TextToFloat(amountText);
  return std::string(kBalanceInitial) + GeneralNumberText(static_cast<double>(amount), 6) + "元";
}

BalanceCaptions CaptionsFromReply(ProviderKind kind, const std::string& reply) {
  JsonDoc doc;
  if (!doc.Parse(reply)) return Failed(kind);
  BalanceCaptions captions;
  switch (kind) {
    case ProviderKind::Huawei: {
      const std::string amount = doc.GetText("data.account_balances[0].amount");
      if (!amount.empty()) captions.balance = std::string(kBalanceInitial) + amount + "元";
      break;
    }
    case ProviderKind::Aliyun: {
      const std::string amount = doc.GetText("data.Data.AvailableCashAmount");
      if (!amount.empty()) captions.balance = AliyunBalanceCaption(amount);
      break;
    }
    case ProviderKind::Tencent: {
      const std::string uin = doc.GetText("data.Uin");
      if (!uin.empty()) captions.account = std::string(kAccountInitial) + uin;
      const std::string cents = doc.GetText("data.RealBalance");
      if (!cents.empty()) captions.balance = TencentBalanceCaption(cents);
      break;
    }
  }
  return captions;
}

BalanceCaptions RunTestLogin(BackendClient& backend, Prompter& prompter, ProviderKind kind,
                             std::string_view secretId, std::string_view secretKey,
                             WindowRef owner) {
  const std::string id = TrimSpaces(secretId);
  const std::string key = TrimSpaces(secretKey);
  if (id.empty() || key.empty()) {
    prompter.Show(WindowRef{}, kNoKeysText, MessageIcon::Information);
    return {};
  }
  const std::string form = FormText().Add("secretid", id).Add("secretkey", key).Text();
  std::string reply;
  const int code = backend.CallBackend(BackendPath(kind, "accountbalance"), kPost, form, &reply,
                                       owner, false, LogTitle(kind, "测试登录"));
  if (code != 0) return Failed(kind);
  return CaptionsFromReply(kind, reply);
}

}  // namespace ydt
