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

// Editors and "md5sum > file" leave a line break at the end, some editors a byte-order mark
// at the start; neither is part of the digest. The mark goes before decoding, which would
// turn it into "?".
std::string_view WithoutByteOrderMark(std::string_view bytes) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
  return bytes;
}

std::string_view WithoutWhiteSpace(std::string_view text) {
  constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

}  // namespace

std::string UpdateNoticeAddress(std::string_view webHost) {
  return "https://" + std::string(webHost) + "/software/checkupdate/yunduotai.txt";
}

UpdateOutcome EvaluateUpdateNotice(int status, std::string_view body,
                                   std::string_view programDigest) {
  if (status != 200) return UpdateOutcome::Failed;
  const std::string decoded = UTF8ToText(WithoutByteOrderMark(body));
  const std::string_view published = WithoutWhiteSpace(decoded);
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
