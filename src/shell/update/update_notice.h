// Deciding what the published update notice says about the running program.
#pragma once

#include <string>
#include <string_view>

namespace ydt {

enum class UpdateOutcome { UpToDate, NewVersion, Failed };

inline constexpr std::string_view kUpdateBusyText = "正在检查更新，请稍等！";
inline constexpr std::string_view kUpdateFailedText = "检查更新失败，请稍后再试！";

// "https://" + web host + "/software/checkupdate/yunduotai.txt".
std::string UpdateNoticeAddress(std::string_view webHost);

// The notice fetched with `status` (0 when nothing came back) and `body`, compared without
// regard to case with `programDigest` after a leading byte-order mark and ASCII white space
// at both ends are removed. Anything that is not a 200 reply holding 32 hex digits is a
// failed check, not a new version: a broken download says nothing about the release.
UpdateOutcome EvaluateUpdateNotice(int status, std::string_view body,
                                   std::string_view programDigest);

// The text of the box that reports the outcome.
std::string UpdateMessage(UpdateOutcome outcome, std::string_view webHost);

}  // namespace ydt
