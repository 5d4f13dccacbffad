#include "shell/update/update_notice.h"

#include "service/text/text.h"

namespace ydt {
namespace {

bool IsDigestText(std::string_view text) {
  if (text.size() != 32) return false;
  for (char c : text) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  return true;
}

}  // namespace

std::string UpdateNoticeAddress(std::string_view webHost) {
  return "https://" + std::string(webHost) + "/software/checkupdate/yunduotai.txt";
}

UpdateOutcome EvaluateUpdateNotice(int status, std::string_view body,
                                   std::string_view programDigest) {
  if (status != 200) return UpdateOutcome::Failed;
  const std::string published = TrimSpaces(UTF8ToText(body));
  // An unreadable executable leaves no digest of our own to compare with.
  if (!IsDigestText(published) || !IsDigestText(programDigest)) return UpdateOutcome::Failed;
  return ToUpperText(published) == ToUpperText(programDigest) ? UpdateOutcome::UpToDate
                                                              : UpdateOutcome::NewVersion;
}

std::string UpdateMessage(UpdateOutcome outcome, std::string_view webHost) {
  switch (outcome) {
    case UpdateOutcome::UpToDate:
      return "已是最新版本，澜星科技官网" + std::string(webHost) + "！";
    case UpdateOutcome::NewVersion:
      return "发现新版本，请到澜星科技官网" + std::string(webHost) + "下载！";
    case UpdateOutcome::Failed:
      break;
  }
  return std::string(kUpdateFailedText);
}

}  // namespace ydt
