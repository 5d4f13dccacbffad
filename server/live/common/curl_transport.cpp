#include "curl_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <random>
#include <thread>

namespace ydt::live {
namespace {

using std::chrono::milliseconds;

struct Exchange {
  ProviderResponse* out = nullptr;
  std::size_t cap = 0;
  bool overflow = false;
  CURL* curl = nullptr;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* exchange = static_cast<Exchange*>(user);
  const size_t length = size * count;
  if (exchange->out->body.size() + length > exchange->cap) {
    exchange->overflow = true;
    return 0;  // makes curl stop with a write error
  }
  // A page of machines arrives in many pieces; room for all of it at once spares copying
  // what came so far each time the text outgrows its buffer.
  if (exchange->out->body.empty()) {
    curl_off_t expected = -1;
    if (curl_easy_getinfo(exchange->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected) ==
            CURLE_OK &&
        expected > 0 && static_cast<std::size_t>(expected) <= exchange->cap) {
      exchange->out->body.reserve(static_cast<std::size_t>(expected));
    }
  }
  exchange->out->body.append(data, length);
  return length;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* exchange = static_cast<Exchange*>(user);
  const size_t length = size * count;
  const std::string_view line(data, length);
  if (line.rfind("HTTP/", 0) == 0) {
    // A new status line (after a 100 Continue, say) starts the headers afresh.
    exchange->out->headers.clear();
    return length;
  }
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return length;
  std::string name = TrimmedHeaderValue(line.substr(0, colon));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  exchange->out->headers.emplace_back(std::move(name), TrimmedHeaderValue(line.substr(colon + 1)));
  return length;
}

std::string UrlOf(const ProviderRequest& request) {
  std::string url = request.scheme + "://" + request.host + request.path;
  const std::string query = request.EncodedQuery();
  if (!query.empty()) url += "?" + query;
  return url;
}

std::once_flag curlInitialised;

}  // namespace

milliseconds BackoffDelay(const TransportOptions& options, int retry, double unit) {
  long long ceiling = options.backoffBase.count();
  for (int i = 1; i < retry && ceiling < options.backoffCap.count(); ++i) ceiling *= 2;
  ceiling = std::min<long long>(ceiling, options.backoffCap.count());
  unit = std::clamp(unit, 0.0, 1.0);
  return milliseconds(static_cast<long long>(unit * static_cast<double>(ceiling)));
}

bool IsTransient(const ProviderResponse& response, const CallPolicy& policy) {
  if (response.status == 0) return true;
  if (response.status == 429 || response.status >= 500) return true;
  return policy.throttled && policy.throttled(response);
}

CurlTransport::CurlTransport(TransportOptions options) : options_(std::move(options)) {
  std::call_once(curlInitialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  options_.maxAttempts = std::max(1, options_.maxAttempts);
  options_.maxInFlightPerKey = std::max(1, options_.maxInFlightPerKey);
}

CurlTransport::Slot::Slot(CurlTransport& owner, const std::string& key) : owner_(owner), key_(key) {
  std::unique_lock lock(owner_.slotsMutex_);
  owner_.slotsFreed_.wait(lock, [&] {
    auto it = owner_.inFlight_.find(key_);
    return it == owner_.inFlight_.end() || it->second < owner_.options_.maxInFlightPerKey;
  });
  ++owner_.inFlight_[key_];
}

CurlTransport::Slot::~Slot() {
  {
    std::lock_guard lock(owner_.slotsMutex_);
    auto it = owner_.inFlight_.find(key_);
    if (--it->second == 0) owner_.inFlight_.erase(it);
  }
  owner_.slotsFreed_.notify_all();
}

ProviderResponse CurlTransport::Send(const std::string& credentialKey,
                                     const std::function<ProviderRequest()>& build,
                                     const CallPolicy& policy) {
  // The place is kept through the back-off too: a throttled key pair slows down as a whole
  // instead of letting its other requests fill the gap. The deadline counts from here.
  Slot slot(*this, credentialKey);
  const auto start = std::chrono::steady_clock::now();
  auto remaining = [&] {
    return options_.deadline -
           std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
  };
  ProviderResponse last;
  for (int attempt = 1;; ++attempt) {
    last = Attempt(build(), std::min(options_.attemptTimeout, remaining()));
    if (!policy.retryable || attempt >= options_.maxAttempts || !IsTransient(last, policy)) {
      return last;
    }
    const milliseconds delay = BackoffDelay(options_, attempt, Draw());
    // Waiting past the deadline would only lead to an attempt with no time left.
    if (delay + milliseconds(1) >= remaining()) return last;
    Wait(delay);
  }
}

CurlTransport::~CurlTransport() {
  for (void* handle : idleHandles_) curl_easy_cleanup(handle);
}

void* CurlTransport::TakeHandle() {
  {
    std::lock_guard lock(handlesMutex_);
    if (!idleHandles_.empty()) {
      void* handle = idleHandles_.back();
      idleHandles_.pop_back();
      curl_easy_reset(handle);
      return handle;
    }
  }
  return curl_easy_init();
}

void CurlTransport::GiveBack(void* handle) {
  std::lock_guard lock(handlesMutex_);
  idleHandles_.push_back(handle);
}

ProviderResponse CurlTransport::Attempt(const ProviderRequest& request, milliseconds timeout) {
  ProviderResponse out;
  for (const auto& [name, value] : request.headers) {
    // A line break would let a value add header lines of its own.
    if ((name + value).find_first_of("\r\n") != std::string::npos) {
      out.transportError = "header " + name + " holds a line break; nothing was sent";
      return out;
    }
  }
  CURL* curl = TakeHandle();
  if (curl == nullptr) {
    out.transportError = "libcurl could not start a transfer";
    return out;
  }
  // A zero time-out means "none" to libcurl; the deadline never grants less than 1 ms.
  timeout = std::max(timeout, milliseconds(1));

  Exchange exchange{&out, options_.maxReplyBytes, false, curl};
  char errorText[CURL_ERROR_SIZE] = {0};
  const std::string url = UrlOf(request);
  curl_slist* headers = nullptr;
  for (const auto& [name, value] : request.headers) {
    headers = curl_slist_append(headers, (name + ": " + value).c_str());
  }
  // No "Expect: 100-continue" round trip for large bodies.
  headers = curl_slist_append(headers, "Expect:");

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(std::min(options_.connectTimeout, timeout).count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "lxinterface-gateway");
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &exchange);
  if (request.method == "GET") {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else {
    if (request.method != "POST")
      curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(request.body.size()));
  }

  const CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  GiveBack(curl);
  if (result == CURLE_OK) {
    out.status = static_cast<int>(status);
    return out;
  }
  out.status = 0;
  out.body.clear();
  out.headers.clear();
  out.timedOut = result == CURLE_OPERATION_TIMEDOUT;
  if (exchange.overflow) {
    out.transportError = "answer larger than " + std::to_string(options_.maxReplyBytes) + " bytes";
  } else {
    out.transportError = errorText[0] != '\0' ? errorText : curl_easy_strerror(result);
  }
  return out;
}

void CurlTransport::Wait(milliseconds delay) const {
  if (options_.sleep) {
    options_.sleep(delay);
  } else {
    std::this_thread::sleep_for(delay);
  }
}

double CurlTransport::Draw() const {
  if (options_.random) return options_.random();
  thread_local std::mt19937_64 engine{std::random_device{}()};
  return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

std::string RedactSecrets(std::string text, std::initializer_list<std::string_view> secrets) {
  for (std::string_view secret : secrets) {
    if (secret.empty()) continue;
    for (auto at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3)) {
      text.replace(at, secret.size(), "***");
    }
  }
  return text;
}

}  // namespace ydt::live
