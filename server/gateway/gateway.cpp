#include "gateway.h"

namespace ydt::gateway {
namespace {

front::FrontOptions FrontOptionsOf(const GatewayOptions& options, front::Now now,
                                   std::function<void(const std::string&)> log) {
  front::FrontOptions front;
  front.host = options.host;
  front.port = options.port;
  front.captcha = options.captcha;
  front.announcement = kAnnouncement;
  front.sessionIdle = kSessionIdle;
  front.now = std::move(now);
  front.redactSecrets = true;
  front.quiet = options.quiet;
  front.log = std::move(log);
  return front;
}

}  // namespace

Gateway::Gateway(const GatewayOptions& options, Accounts& accounts, front::Clouds& clouds,
                 front::Now now, std::function<void(const std::string&)> log)
    : accounts_(accounts),
      front_(FrontOptionsOf(options, std::move(now), std::move(log)), clouds, *this) {}

front::LoginVerdict Gateway::CheckLogin(const std::string& user, const std::string& passwordMd5) {
  front::LoginVerdict verdict;
  switch (accounts_.Check(user, passwordMd5)) {
    case LoginOutcome::kAccepted:
      verdict.accepted = true;
      break;
    case LoginOutcome::kLockedOut:
      verdict.code = kCodeTooFrequent;
      verdict.msg = "登录过于频繁，请稍后再试";
      break;
    case LoginOutcome::kRefused:
      break;
  }
  return verdict;
}

bool Gateway::UserStillValid(const std::string& user) {
  return accounts_.Exists(user);
}

}  // namespace ydt::gateway
