// The console's backend protocol on one HTTP listener: routes under the base path, GBK form
// decoding, the interface header rule, the envelope, the captcha picture, login and
// sessions, /logininfo/, /gg/ and the request journal. Cloud operations go to a `Clouds`;
// what differs between the stand-in and the gateway comes in through `FrontHooks`.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "clock.h"
#include "clouds.h"
#include "envelope.h"
#include "form_fields.h"
#include "request_journal.h"
#include "session_store.h"

namespace ydt::front {

inline constexpr const char* kBasePath = "/api/v1/lxinterface";

// How one answer is to be given. The default answers normally.
struct AnswerPlan {
  bool abandon = false;                   // answer 503 with no body (the server is stopping)
  std::optional<CloudReply> replacement;  // answer this instead of performing the operation
  // Changes the operation's reply before it is sent (the stand-in's faulty totals).
  std::function<void(CloudReply&)> amend;
  // Puts `body` into `res`; empty = as it is. `envelope` tells an envelope from a picture.
  std::function<void(httplib::Response& res, std::string body, const std::string& contentType,
                     bool envelope)>
      deliver;
};

struct LoginVerdict {
  bool accepted = false;
  int code = kCodeRefused;
  std::string msg = "用户名或密码错误";
};

// What the program around the front decides.
class FrontHooks {
 public:
  virtual ~FrontHooks() = default;
  // A request the protocol does not know may be answered here first; returns the word for
  // its log line when it was.
  virtual std::optional<std::string> HandleOther(const httplib::Request&, httplib::Response&) {
    return std::nullopt;
  }
  // Called once per request before it is answered, with the operation ("login",
  // "instances", "rebuild/run", …; "verifycode" for the picture) and the provider segment.
  virtual AnswerPlan PlanAnswer(const std::string& /*op*/, const std::string& /*provider*/) {
    return {};
  }
  // `passwordMd5` is the 32 hex digits the console sends.
  virtual LoginVerdict CheckLogin(const std::string& user, const std::string& passwordMd5) = 0;
  // Whether a logged-in user may still act (an account removed since may not).
  virtual bool UserStillValid(const std::string& /*user*/) { return true; }
};

struct FrontOptions {
  std::string host = "127.0.0.1";
  int port = 60080;          // 0 = any free port
  std::string captcha;       // fixed captcha code; empty = a fresh random code per picture
  std::string announcement;  // what /gg/ answers
  // Sessions unused for longer are forgotten; zero = never.
  std::chrono::steady_clock::duration sessionIdle{};
  Now now = SteadyNow();
  // SecretKeys and passwords show as "***" in the journal, the log and reply texts.
  bool redactSecrets = false;
  bool quiet = false;                           // no log line per request
  std::function<void(const std::string&)> log;  // one line, no newline; empty = stderr
};

class FrontServer {
 public:
  FrontServer(FrontOptions options, Clouds& clouds, FrontHooks& hooks);

  // Binds the port. False with a reason.
  bool Bind(std::string& error);
  int Port() const { return port_; }
  // Serves until Stop(); Stop() may come from another thread, also before Run() listens
  // (call it again until Finished(): a server not yet listening ignores it).
  void Run();
  void Stop();
  bool Finished() const { return finished_; }

  RequestJournal& Journal() { return journal_; }
  SessionStore& Sessions() { return sessions_; }

  // For listeners of the program's own (the stand-in's web host), so one journal and one
  // log hold every request.
  void Record(const std::string& op, const std::string& provider, const httplib::Request& req);
  void LogLine(const httplib::Request& req, int status, const std::string& note,
               std::chrono::steady_clock::time_point started);

 private:
  struct Route {
    std::string op;        // login, logininfo, gg, verifycode, instances, rebuild/run, ...
    std::string provider;  // segment for /yunduotai/ operations
    bool known = false;
  };

  void HandleApi(const httplib::Request& req, httplib::Response& res);
  Route RouteOf(const std::string& path) const;
  CloudReply Execute(const Route& route, const httplib::Request& req, const FormFields& form,
                     httplib::Response& res);
  CloudReply LogIn(const httplib::Request& req, const FormFields& form, httplib::Response& res);
  std::string Shown(const std::string& text, const FormFields& form) const;

  FrontOptions options_;
  Clouds& clouds_;
  FrontHooks& hooks_;
  SessionStore sessions_;
  RequestJournal journal_;
  std::mutex logMutex_;
  std::unique_ptr<httplib::Server> api_;
  int port_ = 0;
  std::atomic<bool> finished_{false};
};

}  // namespace ydt::front
