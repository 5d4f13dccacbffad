#include "sim_server.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include "captcha_picture.h"
#include "form_fields.h"
#include "self_signed_cert.h"
#include "text_codec.h"

namespace ydt::sim {
namespace {

constexpr const char* kJsonType = "application/json; charset=utf-8";
constexpr std::size_t kMaxRequestBody = 8u << 20;

bool IsLoopback(const std::string& addr) {
  return addr == "::1" || addr.rfind("127.", 0) == 0 || addr.rfind("::ffff:127.", 0) == 0;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string ErrorPage() {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>500 Internal Server "
         "Error</title>"
         "</head><body><h1>500 Internal Server "
         "Error</h1><p>服务器内部错误，请稍后再试。</p></body></html>\n";
}

std::string RegisterPage() {
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta "
         "charset=\"utf-8\"><title>注册账号</title></head>"
         "<body><h1>注册账号</h1><form method=\"post\" action=\"/register.html\">"
         "<p><label>用户名 <input name=\"username\"></label></p>"
         "<p><label>密码 <input name=\"password\" type=\"password\"></label></p>"
         "<p><button type=\"submit\">注册</button></p></form>"
         "<p>本地模拟环境：注册不会保存，请使用演示账号 demo / demo123 登录。</p></body></html>\n";
}

}  // namespace

SimServer::SimServer(ServerOptions options, SeedData seed)
    : options_(std::move(options)),
      world_(std::move(seed), options_.world),
      sessions_(options_.captcha),
      updateNotice_(options_.updateNotice) {
  for (auto& rule : options_.faults) faults_.Add(rule);
}

SimServer::~SimServer() {
  if (!certDir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(certDir_, ignored);
  }
}

bool SimServer::Bind(std::string& error) {
  api_ = std::make_unique<httplib::Server>();
  api_->new_task_queue = [] { return new httplib::ThreadPool(32); };
  api_->set_payload_max_length(kMaxRequestBody);
  api_->set_keep_alive_timeout(2);
  auto api = [this](const httplib::Request& req, httplib::Response& res) { HandleApi(req, res); };
  // Bodies are read through a content reader: httplib's own reading refuses form bodies over
  // 8 KiB, and a batch of IDs from a filtered grid can be far longer.
  auto withBody = [this](const httplib::Request& req, httplib::Response& res,
                         const httplib::ContentReader& reader) {
    httplib::Request copy = req;
    reader([&copy](const char* data, size_t length) {
      copy.body.append(data, length);
      return true;
    });
    HandleApi(copy, res);
  };
  const char* pattern = R"(/.*)";
  api_->Get(pattern, api);
  api_->Options(pattern, api);
  api_->Post(pattern, withBody);
  api_->Put(pattern, withBody);
  api_->Patch(pattern, withBody);
  api_->Delete(pattern, withBody);
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

  if (options_.webPort < 0) return true;
  char dirTemplate[] = "/tmp/lxsim-tls-XXXXXX";
  if (!mkdtemp(dirTemplate)) {
    error = "cannot create a folder for the certificate";
    return false;
  }
  certDir_ = dirTemplate;
  const std::string certPath = certDir_ + "/cert.pem";
  const std::string keyPath = certDir_ + "/key.pem";
  if (!GenerateSelfSignedCertificate(certPath, keyPath)) {
    error = "cannot generate the web host certificate";
    return false;
  }
  web_ = std::make_unique<httplib::SSLServer>(certPath.c_str(), keyPath.c_str());
  if (!web_->is_valid()) {
    error = "cannot load the web host certificate";
    return false;
  }
  web_->new_task_queue = [] { return new httplib::ThreadPool(8); };
  web_->set_payload_max_length(kMaxRequestBody);
  auto web = [this](const httplib::Request& req, httplib::Response& res) { HandleWeb(req, res); };
  web_->Get(R"(/.*)", web);
  web_->Post(R"(/.*)", web);
  if (options_.webPort == 0) {
    webPort_ = web_->bind_to_any_port(options_.host);
    if (webPort_ <= 0) {
      error = "cannot bind the web host to a free port";
      return false;
    }
  } else {
    if (!web_->bind_to_port(options_.host, options_.webPort)) {
      error =
          "cannot bind the web host to " + options_.host + ":" + std::to_string(options_.webPort);
      return false;
    }
    webPort_ = options_.webPort;
  }
  return true;
}

void SimServer::Run() {
  std::thread webThread;
  if (web_) webThread = std::thread([this] { web_->listen_after_bind(); });
  api_->listen_after_bind();
  if (webThread.joinable()) webThread.join();
  finished_ = true;
}

void SimServer::Stop() {
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopCv_.notify_all();
  if (api_) api_->stop();
  if (web_) web_->stop();
}

bool SimServer::SleepUnlessStopping(int milliseconds) {
  std::unique_lock lock(stopMutex_);
  return !stopCv_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return stopping_.load(); });
}

SimServer::Route SimServer::RouteOf(const std::string& path) const {
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
    static const std::vector<std::string> ops = {
        "instances",      "startinstances", "stopinstances", "terminateinstances",
        "accountbalance", "zones",          "images",        "instancetypeconfigs",
        "runinstances",   "rebuild/images", "rebuild/run"};
    route.known = std::find(ops.begin(), ops.end(), route.op) != ops.end();
  }
  return route;
}

void SimServer::Record(const Route& route, const httplib::Request& req) {
  RecordedRequest r;
  r.method = req.method;
  r.target = req.target;
  r.op = route.known ? route.op : "unknown";
  r.provider = route.provider;
  r.body = req.body;
  for (const auto& [name, value] : req.headers) {
    // httplib adds these itself; they were not on the wire.
    if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
        name == "LOCAL_PORT")
      continue;
    r.headers.emplace(name, value);
  }
  journal_.Record(std::move(r));
}

void SimServer::LogLine(const httplib::Request& req, int status, const std::string& note,
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
  std::lock_guard lock(logMutex_);
  std::fprintf(stderr, "%s %s %s %s -> %d %s (%lld ms)\n", stamp, req.remote_addr.c_str(),
               req.method.c_str(), GbkToUtf8(req.target).c_str(), status, note.c_str(),
               static_cast<long long>(ms));
  std::fflush(stderr);
}

void SimServer::Deliver(httplib::Response& res, std::string body, const std::string& contentType,
                        const FaultDecision& faults, bool envelope) {
  std::string type = contentType;
  if (faults.hugeBytes > 0 && envelope && !body.empty() && body.back() == '}') {
    // Still a valid envelope, just enormous.
    body.pop_back();
    body += ",\"padding\":\"";
    body.append(faults.hugeBytes, 'x');
    body += "\"}";
  } else if (faults.hugeBytes > 0) {
    body.append(faults.hugeBytes, ' ');
  }
  if (faults.gbk) body = Utf8ToGbk(body);
  if (faults.nonJson) {
    body = "Service Temporarily Unavailable - 服务暂时不可用，请稍后再试";
    type = "text/plain; charset=utf-8";
  }
  if (faults.http500) {
    res.status = 500;
    body = ErrorPage();
    type = "text/html; charset=utf-8";
  }
  if (faults.truncateAt) {
    const std::size_t keep = *faults.truncateAt == 0 ? body.size() / 2 : *faults.truncateAt;
    if (keep < body.size()) body.resize(keep);
  }
  if (faults.drop) {
    // The status line and headers go out, then the connection closes before any body byte.
    const std::size_t length = body.empty() ? 1 : body.size();
    res.set_content_provider(length, type,
                             [](size_t, size_t, httplib::DataSink&) { return false; });
    return;
  }
  if (faults.trickleChunk > 0) {
    auto shared = std::make_shared<std::string>(std::move(body));
    const std::size_t chunk = faults.trickleChunk;
    const int delay = faults.trickleDelayMs;
    res.set_content_provider(
        shared->size(), type,
        [this, shared, chunk, delay](size_t offset, size_t length, httplib::DataSink& sink) {
          if (offset > 0 && !SleepUnlessStopping(delay)) return false;
          const std::size_t n = std::min(chunk, length);
          return sink.write(shared->data() + offset, n);
        });
    return;
  }
  res.set_content(std::move(body), type);
}

void SimServer::HandleApi(const httplib::Request& req, httplib::Response& res) {
  const auto started = std::chrono::steady_clock::now();
  if (req.path.rfind("/__control/", 0) == 0) {
    HandleControl(req, res);
    LogLine(req, res.status, "control", started);
    return;
  }
  const Route route = RouteOf(req.path);
  Record(route, req);
  const FaultDecision faults = faults_.Decide(route.op, route.provider);
  if (faults.latencyMs > 0 && !SleepUnlessStopping(faults.latencyMs)) {
    res.status = 503;
    return;
  }
  res.status = 200;
  if (route.op == "verifycode" && !faults.forcedFailure) {
    if (req.method != "GET") {
      res.status = 405;
      Deliver(res, Reply::Fail(kCodeBadMethod, "请求方式错误，应使用GET").Dump(), kJsonType, faults,
              true);
    } else {
      const std::string token = CookieValue(req.get_header_value("Cookie"), kSessionCookie);
      auto [use, code] = sessions_.IssueCaptcha(token);
      if (use != token)
        res.set_header("Set-Cookie",
                       std::string(kSessionCookie) + "=" + use + "; Path=/; HttpOnly");
      res.set_header("Cache-Control", "no-store");
      Deliver(res, RenderCaptchaBmp(code, static_cast<std::uint32_t>(std::random_device{}())),
              "image/bmp", faults, false);
    }
    LogLine(req, res.status, "captcha", started);
    return;
  }
  Reply reply = faults.forcedFailure
                    ? Reply::Fail(faults.forcedFailure->first, faults.forcedFailure->second)
                    : Execute(route, req, res);
  Deliver(res, reply.Dump(), kJsonType, faults, true);
  LogLine(req, res.status, "code=" + std::to_string(reply.code), started);
}

Reply SimServer::Execute(const Route& route, const httplib::Request& req, httplib::Response& res) {
  if (!route.known) return Reply::Fail(kCodeUnknownOperation, "接口不存在：" + GbkToUtf8(req.path));
  if (ToLowerAscii(Trim(req.get_header_value("interface"))) != "yunduotai") {
    return Reply::Fail(kCodeBadInterface, "非法请求：缺少接口标识");
  }
  const bool wantsGet = route.op == "logininfo" || route.op == "gg";
  if (req.method != (wantsGet ? "GET" : "POST")) {
    return Reply::Fail(kCodeBadMethod,
                       std::string("请求方式错误，应使用") + (wantsGet ? "GET" : "POST"));
  }
  const std::string token = CookieValue(req.get_header_value("Cookie"), kSessionCookie);

  if (route.op == "gg") {
    if (req.get_param_value("type") != "yunduotai")
      return Reply::Fail(kCodeBadField, "参数错误：type");
    return Reply::Ok({{"gg", world_.Seed().announcement}}, "获取成功");
  }
  const FormFields form = FormFields::Parse(req.body);
  if (route.op == "login") {
    auto username = form.Raw("username");
    auto password = form.Text("password");
    auto captcha = form.Text("verifycode");
    auto type = form.Text("type");
    if (!username || username->empty() || !password || password->empty() || !captcha ||
        captcha->empty()) {
      return Reply::Fail(kCodeBadField, "请填写完整的登录信息");
    }
    if (!type || *type != "yunduotai") return Reply::Fail(kCodeBadField, "登录类型错误");
    // The user name arrives as percent-encoded UTF-8; anything else is taken as GBK.
    const std::string user = IsValidUtf8(*username) ? *username : GbkToUtf8(*username);
    if (!sessions_.CheckCaptcha(token, *captcha)) return Reply::Fail(kCodeRefused, "验证码错误");
    if (password->size() != 32 || !world_.CheckLogin(user, *password)) {
      return Reply::Fail(kCodeRefused, "用户名或密码错误");
    }
    const std::string session = sessions_.LogIn(user);
    res.set_header("Set-Cookie",
                   std::string(kSessionCookie) + "=" + session + "; Path=/; HttpOnly");
    return Reply::Ok({{"username", user}}, "登录成功");
  }

  const auto user = sessions_.LoggedInUser(token);
  if (!user) return Reply::Fail(kCodeNotLoggedIn, "登录已失效，请重新登录");
  if (route.op == "logininfo") {
    return Reply::Ok(nlohmann::ordered_json::array({{{"username", *user}, {"type", "yunduotai"}}}),
                     "获取成功");
  }

  const Provider provider = *ProviderFromSegment(route.provider);
  const std::string& op = route.op;
  if (op == "instances") return world_.Instances(provider, form);
  if (op == "startinstances") return world_.Act(provider, MachineAction::kStart, form);
  if (op == "stopinstances") return world_.Act(provider, MachineAction::kStop, form);
  if (op == "terminateinstances") return world_.Act(provider, MachineAction::kTerminate, form);
  if (op == "accountbalance") return world_.Balance(provider, form);
  if (op == "zones") return world_.Zones(provider, form);
  if (op == "images" || op == "rebuild/images") return world_.Images(provider, form);
  if (op == "instancetypeconfigs") return world_.InstanceTypes(provider, form);
  if (op == "runinstances") return world_.Run(provider, form);
  return world_.Rebuild(provider, form);
}

void SimServer::HandleWeb(const httplib::Request& req, httplib::Response& res) {
  const auto started = std::chrono::steady_clock::now();
  Route route;
  route.known = true;
  if (req.path == "/software/checkupdate/yunduotai.txt")
    route.op = "checkupdate";
  else if (req.path == "/register.html")
    route.op = "register";
  else
    route.known = false;
  Record(route, req);
  const FaultDecision faults = faults_.Decide(route.known ? route.op : "unknown", "");
  if (faults.latencyMs > 0 && !SleepUnlessStopping(faults.latencyMs)) {
    res.status = 503;
    return;
  }
  if (!route.known) {
    res.status = 404;
    res.set_content("<html><body><h1>404 Not Found</h1></body></html>\n",
                    "text/html; charset=utf-8");
  } else if (route.op == "checkupdate") {
    std::string notice;
    {
      std::lock_guard lock(noticeMutex_);
      notice = updateNotice_;
    }
    res.status = 200;
    Deliver(res, notice, "text/plain", faults, false);
  } else {
    res.status = 200;
    Deliver(res, RegisterPage(), "text/html; charset=utf-8", faults, false);
  }
  LogLine(req, res.status, "web", started);
}

void SimServer::HandleControl(const httplib::Request& req, httplib::Response& res) {
  auto answer = [&res](int status, const nlohmann::json& body) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), kJsonType);
  };
  if (!IsLoopback(req.remote_addr)) {
    answer(403, {{"error", "control endpoints answer only on loopback"}});
    return;
  }
  const std::string& path = req.path;
  nlohmann::json body;
  if (req.method == "POST" && !req.body.empty()) {
    body = nlohmann::json::parse(req.body, nullptr, false);
    if (body.is_discarded()) {
      answer(400, {{"error", "body is not JSON"}});
      return;
    }
  }
  if (path == "/__control/health") {
    answer(200, {{"ok", true}, {"port", port_}, {"web_port", webPort_}});
  } else if (path == "/__control/fault" && req.method == "POST") {
    if (body.is_object() && body.value("clear", false)) {
      faults_.Clear();
      answer(200, {{"ok", true}});
      return;
    }
    std::vector<FaultRule> rules;
    for (const auto& ruleJson : body.is_array() ? body : nlohmann::json::array({body})) {
      FaultRule rule;
      std::string error;
      if (!FaultPlan::ParseRule(ruleJson, rule, error)) {
        answer(400, {{"error", error}});
        return;
      }
      rules.push_back(std::move(rule));
    }
    for (auto& rule : rules) faults_.Add(std::move(rule));
    answer(200, {{"ok", true}, {"faults", faults_.Describe()}});
  } else if (path == "/__control/reset" && req.method == "POST") {
    faults_.Clear();
    journal_.Clear();
    world_.Reset();
    {
      std::lock_guard lock(noticeMutex_);
      updateNotice_ = options_.updateNotice;
    }
    answer(200, {{"ok", true}});
  } else if (path == "/__control/advance" && req.method == "POST") {
    if (!body.is_object() || !body.contains("ms") || !body["ms"].is_number_integer() ||
        body["ms"].get<std::int64_t>() < 0) {
      answer(400, {{"error", "expected {\"ms\": N} with N >= 0"}});
      return;
    }
    world_.Advance(std::chrono::milliseconds(body["ms"].get<std::int64_t>()));
    answer(200, {{"ok", true}});
  } else if (path == "/__control/stats") {
    nlohmann::json stats = journal_.Stats();
    stats["faults"] = faults_.Describe();
    answer(200, stats);
  } else if (path == "/__control/requests") {
    long long n = 50;
    if (req.has_param("n") && (!ParseInt(req.get_param_value("n"), n) || n < 0)) n = 50;
    answer(200, journal_.Recent(static_cast<std::size_t>(n)));
  } else if (path == "/__control/captcha") {
    auto code = sessions_.CurrentCaptcha(req.get_param_value("token"));
    if (code)
      answer(200, {{"code", *code}});
    else
      answer(404, {{"error", "no captcha for that session"}});
  } else if (path == "/__control/update-notice" && req.method == "POST") {
    if (!body.is_object() || !body.contains("text") || !body["text"].is_string()) {
      answer(400, {{"error", "expected {\"text\": \"...\"}"}});
      return;
    }
    std::lock_guard lock(noticeMutex_);
    updateNotice_ = body["text"].get<std::string>();
    answer(200, {{"ok", true}});
  } else {
    answer(404, {{"error", "unknown control endpoint"}});
  }
}

}  // namespace ydt::sim
