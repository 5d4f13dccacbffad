#include "front_server.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <utility>
#include <vector>

#include "captcha_picture.h"
#include "redaction.h"
#include "route_everything.h"
#include "text_codec.h"

namespace ydt::front {
namespace {

constexpr const char* kJsonType = "application/json; charset=utf-8";
constexpr std::size_t kMaxRequestBody = 8u << 20;

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

void PlainDeliver(httplib::Response& res, std::string body, const std::string& contentType, bool) {
  res.set_content(std::move(body), contentType);
}

std::string SessionCookie(const std::string& token) {
  return std::string(kSessionCookie) + "=" + token + "; Path=/; HttpOnly";
}

}  // namespace

FrontServer::FrontServer(FrontOptions options, Clouds& clouds, FrontHooks& hooks)
    : options_(std::move(options)),
      clouds_(clouds),
      hooks_(hooks),
      sessions_(options_.captcha, options_.sessionIdle, options_.now) {}

bool FrontServer::Bind(std::string& error) {
  api_ = std::make_unique<httplib::Server>();
  api_->new_task_queue = [] { return new httplib::ThreadPool(32); };
  api_->set_payload_max_length(kMaxRequestBody);
  api_->set_keep_alive_timeout(2);
  // httplib writes a reply's headers and its body in two sends. With Nagle's algorithm on, the
  // body's last piece would wait for the peer to acknowledge the headers, which a client that
  // delays its acknowledgements holds back for up to 40 ms.
  api_->set_tcp_nodelay(true);
  auto api = [this](const httplib::Request& req, httplib::Response& res) { HandleApi(req, res); };
  RouteEverything(*api_, api);
  api_->Options(R"(/.*)", api);
  if (options_.port == 0) {
    port_ = api_->bind_to_any_port(options_.host);
    if (port_ <= 0) {
      error = "cannot bind " + options_.host + " to a free port";
      return false;
    }
  } else {
    if (!api_->bind_to_port(options_.host, options_.port)) {
      error = "cannot bind " + options_.host + ":" + std::to_string(options_.port);
      return false;
    }
    port_ = options_.port;
  }
  return true;
}

void FrontServer::Run() {
  api_->listen_after_bind();
  finished_ = true;
}

void FrontServer::Stop() {
  if (api_) api_->stop();
}

FrontServer::Route FrontServer::RouteOf(const std::string& path) const {
  Route route;
  const std::string base = kBasePath;
  if (path.rfind(base, 0) != 0) return route;
  std::vector<std::string> parts;
  size_t pos = base.size();
  while (pos < path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    if (slash > pos) parts.push_back(path.substr(pos, slash - pos));
    pos = slash + 1;
  }
  if (parts.size() == 1 && (parts[0] == "login" || parts[0] == "logininfo" || parts[0] == "gg" ||
                            parts[0] == "verifycode")) {
    route.op = parts[0];
    route.known = true;
    return route;
  }
  if (parts.size() >= 3 && parts[0] == "yunduotai" && ProviderFromSegment(parts[1])) {
    route.provider = parts[1];
    route.op = parts[2];
    for (size_t i = 3; i < parts.size(); ++i) route.op += "/" + parts[i];
    route.known = OperationFromPath(route.op).has_value();
  }
  return route;
}

void FrontServer::Record(const std::string& op, const std::string& provider,
                         const httplib::Request& req) {
  RecordedRequest r;
  r.method = req.method;
  r.target = options_.redactSecrets ? RedactTarget(req.target) : req.target;
  r.op = op;
  r.provider = provider;
  r.body = options_.redactSecrets ? RedactForm(req.body) : req.body;
  for (const auto& [name, value] : req.headers) {
    // httplib adds these itself; they were not on the wire.
    if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
        name == "LOCAL_PORT")
      continue;
    r.headers.emplace(name, value);
  }
  journal_.Record(std::move(r));
}

void FrontServer::LogLine(const httplib::Request& req, int status, const std::string& note,
                          std::chrono::steady_clock::time_point started) {
  if (options_.quiet) return;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - started)
                      .count();
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
  const std::string target = options_.redactSecrets ? RedactTarget(req.target) : req.target;
  const std::string line = std::string(stamp) + " " + req.remote_addr + " " + req.method + " " +
                           GbkToUtf8(target) + " -> " + std::to_string(status) + " " + note + " (" +
                           std::to_string(ms) + " ms)";
  std::lock_guard lock(logMutex_);
  if (options_.log) {
    options_.log(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  }
}

std::string FrontServer::Shown(const std::string& text, const FormFields& form) const {
  return options_.redactSecrets ? Scrub(text, SecretValues(form)) : text;
}

void FrontServer::HandleApi(const httplib::Request& req, httplib::Response& res) {
  const auto started = std::chrono::steady_clock::now();
  if (auto note = hooks_.HandleOther(req, res)) {
    LogLine(req, res.status, *note, started);
    return;
  }
  const Route route = RouteOf(req.path);
  Record(route.known ? route.op : "unknown", route.provider, req);
  AnswerPlan plan = hooks_.PlanAnswer(route.op, route.provider);
  if (plan.abandon) {
    res.status = 503;
    return;
  }
  if (!plan.deliver) plan.deliver = PlainDeliver;
  res.status = 200;
  if (route.op == "verifycode" && !plan.replacement) {
    if (req.method != "GET") {
      res.status = 405;
      plan.deliver(res, EnvelopeText(CloudReply::Fail(kCodeBadMethod, "请求方式错误，应使用GET")),
                   kJsonType, true);
    } else {
      const std::string token = CookieValue(req.get_header_value("Cookie"), kSessionCookie);
      auto [use, code] = sessions_.IssueCaptcha(token);
      if (use != token) res.set_header("Set-Cookie", SessionCookie(use));
      res.set_header("Cache-Control", "no-store");
      plan.deliver(res, RenderCaptchaBmp(code, static_cast<std::uint32_t>(std::random_device{}())),
                   "image/bmp", false);
    }
    LogLine(req, res.status, "captcha", started);
    return;
  }
  const FormFields form = FormFields::Parse(req.body);
  CloudReply reply =
      plan.replacement ? std::move(*plan.replacement) : Execute(route, req, form, res);
  if (plan.amend) {
    // An amendment works on the document.
    if (!reply.dataText.empty()) {
      reply.data = nlohmann::ordered_json::parse(std::exchange(reply.dataText, {}));
    }
    plan.amend(reply);
  }
  reply.msg = Shown(reply.msg, form);
  plan.deliver(res, EnvelopeText(reply), kJsonType, true);
  std::string note = "code=" + std::to_string(reply.code);
  if (reply.code != kCodeOk) note += " " + reply.msg;
  LogLine(req, res.status, note, started);
}

CloudReply FrontServer::Execute(const Route& route, const httplib::Request& req,
                                const FormFields& form, httplib::Response& res) {
  if (!route.known)
    return CloudReply::Fail(kCodeUnknownOperation, "接口不存在：" + GbkToUtf8(req.path));
  if (ToLowerAscii(Trim(req.get_header_value("interface"))) != "yunduotai") {
    return CloudReply::Fail(kCodeBadInterface, "非法请求：缺少接口标识");
  }
  const bool wantsGet = route.op == "logininfo" || route.op == "gg";
  if (req.method != (wantsGet ? "GET" : "POST")) {
    return CloudReply::Fail(kCodeBadMethod,
                            std::string("请求方式错误，应使用") + (wantsGet ? "GET" : "POST"));
  }
  if (route.op == "gg") {
    if (req.get_param_value("type") != "yunduotai")
      return CloudReply::Fail(kCodeBadField, "参数错误：type");
    return CloudReply::Ok({{"gg", options_.announcement}}, "获取成功");
  }
  if (route.op == "login") return LogIn(req, form, res);

  const std::string token = CookieValue(req.get_header_value("Cookie"), kSessionCookie);
  const auto user = sessions_.LoggedInUser(token);
  if (!user || !hooks_.UserStillValid(*user))
    return CloudReply::Fail(kCodeNotLoggedIn, "登录已失效，请重新登录");
  if (route.op == "logininfo") {
    return CloudReply::Ok(
        nlohmann::ordered_json::array({{{"username", *user}, {"type", "yunduotai"}}}), "获取成功");
  }

  CloudRequest request;
  request.provider = *ProviderFromSegment(route.provider);
  request.operation = *OperationFromPath(route.op);
  for (const auto& [name, value] : form.All()) request.fields.emplace(name, GbkToUtf8(value));
  request.user = *user;
  return clouds_.Perform(request);
}

CloudReply FrontServer::LogIn(const httplib::Request& req, const FormFields& form,
                              httplib::Response& res) {
  auto username = form.Raw("username");
  auto password = form.Text("password");
  auto captcha = form.Text("verifycode");
  auto type = form.Text("type");
  if (!username || username->empty() || !password || password->empty() || !captcha ||
      captcha->empty()) {
    return CloudReply::Fail(kCodeBadField, "请填写完整的登录信息");
  }
  if (!type || *type != "yunduotai") return CloudReply::Fail(kCodeBadField, "登录类型错误");
  // The user name arrives as percent-encoded UTF-8; anything else is taken as GBK.
  const std::string user = IsValidUtf8(*username) ? *username : GbkToUtf8(*username);
  const std::string token = CookieValue(req.get_header_value("Cookie"), kSessionCookie);
  if (!sessions_.CheckCaptcha(token, *captcha)) return CloudReply::Fail(kCodeRefused, "验证码错误");
  if (password->size() != 32) return CloudReply::Fail(kCodeRefused, LoginVerdict{}.msg);
  const LoginVerdict verdict = hooks_.CheckLogin(user, *password);
  if (!verdict.accepted) return CloudReply::Fail(verdict.code, verdict.msg);
  res.set_header("Set-Cookie", SessionCookie(sessions_.LogIn(user)));
  return CloudReply::Ok({{"username", user}}, "登录成功");
}

}  // namespace ydt::front
