#include "session_store.h"

#include "text_codec.h"

namespace ydt::front {
namespace {
constexpr size_t kMaxSessions = 20000;
}

SessionStore::SessionStore(std::string fixedCaptcha, std::chrono::steady_clock::duration idleLimit,
                           Now now)
    : fixedCaptcha_(std::move(fixedCaptcha)),
      idleLimit_(idleLimit),
      now_(std::move(now)),
      rng_(std::random_device{}()) {}

std::string SessionStore::NewToken() {
  static const char* kHex = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 32; ++i) token.push_back(kHex[rng_() % 16]);
  return token;
}

std::string SessionStore::NewCode() {
  if (!fixedCaptcha_.empty()) return fixedCaptcha_;
  // No 0/O or 1/I: the picture must not be ambiguous.
  static const std::string kAlphabet = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
  std::string code;
  for (int i = 0; i < 4; ++i) code.push_back(kAlphabet[rng_() % kAlphabet.size()]);
  return code;
}

SessionStore::Session* SessionStore::Find(const std::string& token) {
  auto it = sessions_.find(token);
  if (it == sessions_.end()) return nullptr;
  const auto now = now_();
  if (idleLimit_ > std::chrono::steady_clock::duration::zero() &&
      now - it->second.lastUse > idleLimit_) {
    sessions_.erase(it);
    return nullptr;
  }
  it->second.lastUse = now;
  return &it->second;
}

SessionStore::Session& SessionStore::Touch(const std::string& token) {
  if (Session* session = Find(token)) return *session;
  while (sessions_.size() >= kMaxSessions && !order_.empty()) {
    sessions_.erase(order_.front());
    order_.pop_front();
  }
  // Sessions forgotten for idleness leave their tokens behind; drop them now and then.
  if (order_.size() >= 2 * kMaxSessions) {
    std::erase_if(order_, [this](const std::string& t) { return sessions_.count(t) == 0; });
  }
  order_.push_back(token);
  Session& session = sessions_[token];
  session.lastUse = now_();
  return session;
}

std::pair<std::string, std::string> SessionStore::IssueCaptcha(const std::string& token) {
  std::lock_guard lock(mutex_);
  std::string use = token;
  if (use.empty() || !Find(use)) use = NewToken();
  Session& session = Touch(use);
  session.captcha = NewCode();
  return {use, session.captcha};
}

bool SessionStore::CheckCaptcha(const std::string& token, const std::string& typed) {
  std::lock_guard lock(mutex_);
  const std::string wanted = ToUpperAscii(typed);
  Session* session = Find(token);
  if (session && !session->captcha.empty()) {
    const bool ok = ToUpperAscii(session->captcha) == wanted;
    session->captcha.clear();
    if (ok) return true;
    // A client that was shown a picture must type that picture's code.
    return false;
  }
  return !fixedCaptcha_.empty() && ToUpperAscii(fixedCaptcha_) == wanted;
}

std::string SessionStore::LogIn(const std::string& username) {
  std::lock_guard lock(mutex_);
  std::string token = NewToken();
  Touch(token).user = username;
  return token;
}

std::optional<std::string> SessionStore::LoggedInUser(const std::string& token) {
  std::lock_guard lock(mutex_);
  Session* session = Find(token);
  if (!session || session->user.empty()) return std::nullopt;
  return session->user;
}

std::optional<std::string> SessionStore::CurrentCaptcha(const std::string& token) const {
  std::lock_guard lock(mutex_);
  auto it = sessions_.find(token);
  if (it == sessions_.end() || it->second.captcha.empty()) return std::nullopt;
  return it->second.captcha;
}

void SessionStore::Clear() {
  std::lock_guard lock(mutex_);
  sessions_.clear();
  order_.clear();
}

std::string CookieValue(const std::string& cookieHeader, const std::string& name) {
  size_t pos = 0;
  while (pos < cookieHeader.size()) {
    size_t end = cookieHeader.find(';', pos);
    if (end == std::string::npos) end = cookieHeader.size();
    std::string item = cookieHeader.substr(pos, end - pos);
    size_t b = item.find_first_not_of(' ');
    if (b != std::string::npos) item = item.substr(b);
    size_t eq = item.find('=');
    if (eq != std::string::npos && item.substr(0, eq) == name) {
      std::string value = item.substr(eq + 1);
      while (!value.empty() && value.back() == ' ') value.pop_back();
      return value;
    }
    pos = end + 1;
  }
  return {};
}

}  // namespace ydt::front
