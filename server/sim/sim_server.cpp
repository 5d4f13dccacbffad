#include "sim_server.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include "front/text_codec.h"
#include "self_signed_cert.h"

namespace ydt::sim {
namespace {

constexpr const char* kJsonType = "application/json; charset=utf-8";
constexpr std::size_t kMaxRequestBody = 8u << 20;

bool IsLoopback(const std::string& addr) {
  return addr == "::1" || addr.rfind("127.", 0) == 0 || addr.rfind("::ffff:127.", 0) == 0;
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
      front_(
          [this] {
            front::FrontOptions front;
            front.host = options_.host;
            front.port = options_.port;
            front.captcha = options_.captcha;
            front.announcement = world_.Seed().announcement;
            front.quiet = options_.quiet;
            return front;
          }(),
          world_, *this),
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
  if (!front_.Bind(error)) return false;

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
  front_.Run();
  if (webThread.joinable()) webThread.join();
  finished_ = true;
}

void SimServer::Stop() {
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopCv_.notify_all();
  front_.Stop();
  if (web_) web_->stop();
}

bool SimServer::SleepUnlessStopping(int milliseconds) {
  std::unique_lock lock(stopMutex_);
  return !stopCv_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return stopping_.load(); });
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
  if (faults.gbk) body = front::Utf8ToGbk(body);
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

std::optional<std::string> SimServer::HandleOther(const httplib::Request& req,
                                                  httplib::Response& res) {
  if (req.path.rfind("/__control/", 0) != 0) return std::nullopt;
  HandleControl(req, res);
  return "control";
}

front::AnswerPlan SimServer::PlanAnswer(const std::string& op, const std::string& provider) {
  front::AnswerPlan plan;
  const FaultDecision faults = faults_.Decide(op, provider);
  if (faults.latencyMs > 0 && !SleepUnlessStopping(faults.latencyMs)) {
    plan.abandon = true;
    return plan;
  }
  if (faults.forcedFailure)
    plan.replacement = Reply::Fail(faults.forcedFailure->first, faults.forcedFailure->second);
  if (faults.reportedTotal && op == "instances") {
    plan.amend = [total = *faults.reportedTotal](front::CloudReply& reply) {
      if (reply.code != front::kCodeOk) return;
      for (const char* member : {"TotalCount", "count"}) {
        if (reply.data.contains(member)) reply.data[member] = total;
      }
    };
  }
  plan.deliver = [this, faults](httplib::Response& res, std::string body,
                                const std::string& contentType, bool envelope) {
    Deliver(res, std::move(body), contentType, faults, envelope);
  };
  return plan;
}

front::LoginVerdict SimServer::CheckLogin(const std::string& user, const std::string& passwordMd5) {
  front::LoginVerdict verdict;
  verdict.accepted = world_.CheckLogin(user, passwordMd5);
  return verdict;
}

void SimServer::HandleWeb(const httplib::Request& req, httplib::Response& res) {
  const auto started = std::chrono::steady_clock::now();
  std::string op = "unknown";
  if (req.path == "/software/checkupdate/yunduotai.txt")
    op = "checkupdate";
  else if (req.path == "/register.html")
    op = "register";
  front_.Record(op, "", req);
  const FaultDecision faults = faults_.Decide(op, "");
  if (faults.latencyMs > 0 && !SleepUnlessStopping(faults.latencyMs)) {
    res.status = 503;
    return;
  }
  if (op == "unknown") {
    res.status = 404;
    res.set_content("<html><body><h1>404 Not Found</h1></body></html>\n",
                    "text/html; charset=utf-8");
  } else if (op == "checkupdate") {
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
  front_.LogLine(req, res.status, "web", started);
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
    answer(200, {{"ok", true}, {"port", front_.Port()}, {"web_port", webPort_}});
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
    front_.Journal().Clear();
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
    nlohmann::json stats = front_.Journal().Stats();
    stats["faults"] = faults_.Describe();
    answer(200, stats);
  } else if (path == "/__control/requests") {
    long long n = 50;
    if (req.has_param("n") && (!front::ParseInt(req.get_param_value("n"), n) || n < 0)) n = 50;
    answer(200, front_.Journal().Recent(static_cast<std::size_t>(n)));
  } else if (path == "/__control/captcha") {
    auto code = front_.Sessions().CurrentCaptcha(req.get_param_value("token"));
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
