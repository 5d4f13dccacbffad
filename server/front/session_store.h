// Browser-style sessions: a cookie token carries the captcha last shown to that client and,
// after a successful login, the logged-in user.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>

#include "clock.h"

namespace ydt::front {

inline constexpr const char* kSessionCookie = "LXSESSID";

class SessionStore {
 public:
  // `fixedCaptcha` non-empty: every picture shows it, and a login without a prior picture
  // may use it. `idleLimit` zero: sessions never expire; otherwise a session unused for
  // longer is forgotten.
  explicit SessionStore(std::string fixedCaptcha,
                        std::chrono::steady_clock::duration idleLimit = {}, Now now = SteadyNow());

  // Issues a fresh captcha for the session `token` (creating the session when the token is
  // unknown or empty). Returns the token to use and the code.
  std::pair<std::string, std::string> IssueCaptcha(const std::string& token);

  // Checks the captcha typed for `token` (case-insensitive) and spends it either way, so a
  // code cannot be guessed over many tries.
  bool CheckCaptcha(const std::string& token, const std::string& typed);

  // A new session for `username`; returns its token.
  std::string LogIn(const std::string& username);
  // The session's user, or nullopt; a lookup counts as use.
  std::optional<std::string> LoggedInUser(const std::string& token);
  std::optional<std::string> CurrentCaptcha(const std::string& token) const;
  void Clear();

 private:
  struct Session {
    std::string captcha;
    std::string user;
    std::chrono::steady_clock::time_point lastUse{};
  };
  std::string NewToken();
  std::string NewCode();
  Session& Touch(const std::string& token);
  // The live session of `token`, or nullptr; an idle one is forgotten on the way.
  Session* Find(const std::string& token);

  mutable std::mutex mutex_;
  std::string fixedCaptcha_;
  std::chrono::steady_clock::duration idleLimit_;
  Now now_;
  std::map<std::string, Session> sessions_;
  std::deque<std::string> order_;  // oldest first, to bound memory under a flood of clients
  std::mt19937_64 rng_;
};

// The value of cookie `name` in a Cookie header ("a=1; b=2"), or empty.
std::string CookieValue(const std::string& cookieHeader, const std::string& name);

}  // namespace ydt::front
