#include "service/http/http_client.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdio>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "service/http/header_text.h"
#include "service/http/url_parts.h"
#include "service/text/text.h"

namespace ydt {
namespace {

constexpr const char* kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                                  "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr long kConnectSeconds = 15;
constexpr std::int64_t kMaxBodyBytes = std::int64_t{64} << 20;
constexpr long kStallSeconds = 60;
// The returned header block must fit a 5,000-byte buffer together with its closing zero.
constexpr std::size_t kHeaderBuffer = 5000;

std::atomic<std::int64_t> maxBodyBytes{kMaxBodyBytes};
std::atomic<long> stallSeconds{kStallSeconds};

// libcurl as Debian builds it drags in some two dozen libraries (ssh, ldap, rtmp,
// kerberos, ...) whose loading sat in front of the login window's first paint. It is
// opened on first use instead, on the worker thread of the first request.
constexpr const char* kCurlLibrary = "libcurl.so.4";

struct CurlApi {
  decltype(&::curl_global_init) globalInit;
  decltype(&::curl_share_init) shareInit;
  decltype(&::curl_share_setopt) shareSetopt;
  decltype(&::curl_easy_init) easyInit;
  decltype(&::curl_easy_setopt) easySetopt;
  decltype(&::curl_easy_perform) easyPerform;
  decltype(&::curl_easy_getinfo) easyGetinfo;
  decltype(&::curl_easy_cleanup) easyCleanup;
  decltype(&::curl_slist_append) slistAppend;
  decltype(&::curl_slist_free_all) slistFreeAll;
};

template <typename Fn>
bool Bind(void* library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(dlsym(library, name));
  return fn != nullptr;
}

std::optional<CurlApi> LoadCurl() {
  void* library = dlopen(kCurlLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "yunduotai: no HTTP transport: %s\n", dlerror());
    return std::nullopt;
  }
  CurlApi api{};
  const bool bound = Bind(library, "curl_global_init", api.globalInit) &&
                     Bind(library, "curl_share_init", api.shareInit) &&
                     Bind(library, "curl_share_setopt", api.shareSetopt) &&
                     Bind(library, "curl_easy_init", api.easyInit) &&
                     Bind(library, "curl_easy_setopt", api.easySetopt) &&
                     Bind(library, "curl_easy_perform", api.easyPerform) &&
                     Bind(library, "curl_easy_getinfo", api.easyGetinfo) &&
                     Bind(library, "curl_easy_cleanup", api.easyCleanup) &&
                     Bind(library, "curl_slist_append", api.slistAppend) &&
                     Bind(library, "curl_slist_free_all", api.slistFreeAll);
  if (!bound) {
    std::fprintf(stderr, "yunduotai: %s lacks a function the transport needs\n", kCurlLibrary);
    return std::nullopt;
  }
  return api;
}

// libcurl itself, its global state and the one cookie store every backend request shares.
// Never destroyed: worker threads may still be inside a transfer when the process exits.
// Every use of libcurl goes through Get(), so its global set-up runs exactly once, before
// any other call, whichever thread comes first.
class CurlShared {
 public:
  static CurlShared& Get() {
    static CurlShared* const shared = new CurlShared;
    return *shared;
  }
  // Empty when libcurl could not be loaded; every exchange then fails.
  const CurlApi* Api() const { return api_ ? &*api_ : nullptr; }
  CURLSH* Share() const { return share_; }

 private:
  CurlShared() : api_(LoadCurl()) {
    if (!api_) return;
    api_->globalInit(CURL_GLOBAL_DEFAULT);
    share_ = api_->shareInit();
    if (share_ == nullptr) return;
    api_->shareSetopt(share_, CURLSHOPT_LOCKFUNC, &CurlShared::Lock);
    api_->shareSetopt(share_, CURLSHOPT_UNLOCKFUNC, &CurlShared::Unlock);
    api_->shareSetopt(share_, CURLSHOPT_USERDATA, this);
    api_->shareSetopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  }
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<CurlShared*>(self)->locks_[Index(data)].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<CurlShared*>(self)->locks_[Index(data)].unlock();
  }
  static std::size_t Index(curl_lock_data data) {
    const auto index = static_cast<std::size_t>(data);
    return index < CURL_LOCK_DATA_LAST ? index : 0;
  }

  std::optional<CurlApi> api_;
  CURLSH* share_ = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
};

struct Transfer {
  std::string body;
  std::string headers;
  std::string statusLine;
  std::int64_t cap = kMaxBodyBytes;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t length = size * count;
  // Returning short aborts the transfer at once rather than reading the rest of a
  // runaway body only to drop it.
  if (static_cast<std::int64_t>(transfer->body.size() + length) > transfer->cap) return 0;
  transfer->body.append(data, length);
  return length;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::string_view line(data, size * count);
  // Each response of a redirect chain (and a proxy's CONNECT answer) starts a new block;
  // only the final response's headers are kept.
  if (line.starts_with("HTTP/")) {
    transfer->headers.clear();
    transfer->statusLine = line;
  }
  transfer->headers.append(line);
  return line.size();
}

// Lists and handles exist only once libcurl is loaded, so their deleters can rely on it.
struct SlistDeleter {
  void operator()(curl_slist* list) const { CurlShared::Get().Api()->slistFreeAll(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;
struct EasyDeleter {
  void operator()(CURL* easy) const { CurlShared::Get().Api()->easyCleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

bool Append(const CurlApi& api, Slist& list, const std::string& line) {
  curl_slist* grown = api.slistAppend(list.get(), line.c_str());
  if (grown == nullptr) return false;
  list.release();
  list.reset(grown);
  return true;
}

// libcurl drops a line "Name:" with nothing after the colon; "Name;" sends it empty.
std::string WireLine(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon != std::string_view::npos && TrimSpaces(line.substr(colon + 1)).empty())
    return std::string(line.substr(0, colon)) + ";";
  return std::string(line);
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) lines.emplace_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

int ClampMethod(int method) {
  return method < 0 || method > 7 ? 0 : method;
}

std::string CurlUrl(const std::string& address) {
  const bool https = ToLowerText(address.substr(0, 8)) == "https://";
  const int port = UrlPort(address);
  // The default port stays implicit so that a proxy sees the usual absolute address.
  const bool defaultPort = port == (https ? 443 : 80);
  // libcurl refuses an address holding a space or a control byte, where a browser-like
  // client sends it escaped; escape just those so such an address still reaches the peer.
  std::string path;
  for (const char c : UrlPath(address)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte != 0x7F) {
      path += c;
    } else {
      constexpr char kHex[] = "0123456789ABCDEF";
      path += {'%', kHex[byte >> 4], kHex[byte & 0x0F]};
    }
  }
  return std::string(https ? "https://" : "http://") + UrlHost(address) +
         (defaultPort ? "" : ":" + std::to_string(port)) + path;
}

struct Plan {
  int method = 0;
  std::vector<std::string> headerLines;
  const char* userAgent = nullptr;  // set when no header line carries one
  bool useProcessStore = false;
  bool ownCookieEngine = false;
  long connectSeconds = kConnectSeconds;
  long stallSeconds = 0;
  bool checked = false;
};

HttpResponse Perform(const HttpRequest& request, const Plan& plan) {
  HttpResponse response;
  response.cookieText = request.cookieText;
  CurlShared& shared = CurlShared::Get();
  const CurlApi* api = shared.Api();
  if (api == nullptr) return response;
  // Named like the library function so that curl.h's checking macro still vets every
  // option's argument type below, then calls the loaded function.
  const auto curl_easy_setopt = api->easySetopt;
  Easy easy(api->easyInit());
  if (!easy) return response;
  CURL* h = easy.get();

  const std::string url = CurlUrl(request.address);
  Transfer transfer;
  transfer.cap = maxBodyBytes.load();

  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, request.noRedirect ? 0L : 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 30L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
  // An empty proxy text also keeps libcurl from taking one from the environment.
  curl_easy_setopt(h, CURLOPT_PROXY, request.proxy.c_str());
  if (plan.connectSeconds > 0) curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, plan.connectSeconds);
  if (plan.stallSeconds > 0) {
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, plan.stallSeconds);
  }
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);

  if (plan.useProcessStore && shared.Share() != nullptr)
    curl_easy_setopt(h, CURLOPT_SHARE, shared.Share());
  if (plan.useProcessStore || plan.ownCookieEngine) curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
  if (plan.userAgent != nullptr) curl_easy_setopt(h, CURLOPT_USERAGENT, plan.userAgent);

  const std::string& body = request.bodyBytes.empty() ? request.bodyText : request.bodyBytes;
  switch (plan.method) {
    case 0:
      curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
      break;
    case 1:
      curl_easy_setopt(h, CURLOPT_POST, 1L);
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
      curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
      break;
    case 2:
      curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
      break;
    default:
      curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, kVerbs[plan.method]);
      if (!body.empty()) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
      }
      break;
  }

  if (plan.checked && !request.proxy.empty() && !request.proxyUser.empty()) {
    // libcurl writes "Proxy-Authorization: Basic" + Base64 of exactly these bytes, and also
    // sends it on a CONNECT tunnel, which a plain header line would not reach.
    const std::string user = Utf8ToGbk(request.proxyUser);
    const std::string password = Utf8ToGbk(request.proxyPassword);
    curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, user.c_str());
    curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, password.c_str());
  }

  Slist headers;
  for (const std::string& line : plan.headerLines)
    if (!Append(*api, headers, WireLine(line))) return response;
  // Keep libcurl from adding lines of its own the peer has never seen from this program;
  // a suppressor is ignored when the caller's own line of that name comes first.
  for (const char* suppress : {"Accept:", "Expect:", "Content-Type:", "Proxy-Connection:"})
    if (!Append(*api, headers, suppress)) return response;
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

  if (api->easyPerform(h) != CURLE_OK) return response;

  response.body = std::move(transfer.body);
  std::string block = std::move(transfer.headers);
  if (plan.checked) {
    long status = 0;
    api->easyGetinfo(h, CURLINFO_RESPONSE_CODE, &status);
    response.status = static_cast<int>(status);
    std::string_view statusLine = transfer.statusLine;
    const std::size_t firstSpace = statusLine.find(' ');
    const std::size_t secondSpace =
        firstSpace == std::string_view::npos ? firstSpace : statusLine.find(' ', firstSpace + 1);
    if (secondSpace != std::string_view::npos) {
      std::string text(statusLine.substr(secondSpace + 1));
      while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
      response.statusText = TrimSpaces(text);
    }
    // Like an all-headers query: the header lines without the status line.
    const std::size_t lineEnd = block.find("\r\n");
    block.erase(0, lineEnd == std::string::npos ? block.size() : lineEnd + 2);
  } else if (block.size() + 1 > kHeaderBuffer) {
    block.clear();
  }
  response.headers = std::move(block);
  response.cookies = ExtractSetCookies(response.headers);
  if (request.mergeCookies && request.cookieText) {
    response.cookies = MergeCookies(*request.cookieText, response.cookies);
    response.cookieText = response.cookies;
  }
  return response;
}

}  // namespace

void InitHttpTransport() {
  std::thread([] { CurlShared::Get(); }).detach();
}

HttpResponse HttpSend(const HttpRequest& request) {
  Plan plan;
  plan.method = ClampMethod(request.method);
  std::string headers = request.normaliseHeaderNames ? NormaliseHeaderNames(request.extraHeaders)
                                                     : request.extraHeaders;
  // A caller's own agent line is sent as it stands; otherwise the browser-like default.
  if (!HeaderTextContains(headers, "User-Agent:")) plan.userAgent = kDefaultAgent;
  if (request.completeHeaders)
    headers = CompleteHeaderText(std::move(headers), request.address, plan.method, false);
  if (request.cookieText && !request.cookieText->empty()) {
    headers += request.cookieText->find("Cookie:") != std::string::npos ? "\r\n" : "\r\nCookie: ";
    headers += *request.cookieText;
  }
  plan.headerLines = Lines(headers);
  plan.useProcessStore = !request.cookieText.has_value();
  plan.stallSeconds = stallSeconds.load();
  return Perform(request, plan);
}

HttpResponse HttpSendWinHttp(const HttpRequest& request) {
  Plan plan;
  plan.checked = true;
  plan.method = ClampMethod(request.method);
  if (request.timeoutSeconds == -1) {
    plan.connectSeconds = 0;
    plan.stallSeconds = 0;
  } else {
    const long seconds = request.timeoutSeconds < 1 ? 15 : request.timeoutSeconds;
    plan.connectSeconds = seconds;
    plan.stallSeconds = seconds;
  }
  std::string headers =
      request.completeHeaders
          ? CompleteHeaderText(request.extraHeaders, request.address, plan.method, true)
          : request.extraHeaders;
  if (request.normaliseHeaderNames) headers = NormaliseHeaderNames(headers);
  if (request.cookieText) {
    std::string cookie = *request.cookieText;
    for (std::size_t at; (at = ToLowerText(cookie).find("cookie:")) != std::string::npos;)
      cookie.erase(at, 7);
    cookie = TrimSpaces(cookie);
    if (!cookie.empty()) headers += "\r\nCookie: " + cookie;
  }
  for (const std::string& line : Lines(headers)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = TrimSpaces(line.substr(0, colon));
    const std::string value = TrimSpaces(line.substr(colon + 1));
    if (ToLowerText(name) == "connection" && ToLowerText(value) == "keep-alive") continue;
    plan.headerLines.push_back(name + ": " + value);
  }
  // Its own short-lived jar, as a fresh request object has: redirects within the exchange
  // keep their cookies, the backend's store stays untouched.
  plan.ownCookieEngine = !request.cookieText.has_value();
  return Perform(request, plan);
}

namespace http_testing {
void SetTransferLimits(std::int64_t maxBody, long stall) {
  maxBodyBytes = maxBody;
  stallSeconds = stall;
}
void ResetTransferLimits() {
  SetTransferLimits(kMaxBodyBytes, kStallSeconds);
}
}  // namespace http_testing

}  // namespace ydt
