// What the gateway's tests share: a scratch folder, a clock they move by hand, cheap hash
// parameters, and the console's login form.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

#include "front/clock.h"
#include "password_hash.h"

namespace ydt::test {

// Fast enough for tests that log in many times; the file format records it like any other.
inline constexpr gateway::ScryptParams kCheapParams{1024, 1, 1};

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::filesystem::path& Path() const { return path_; }
  std::string UsersPath() const { return (path_ / "lxinterface-gateway" / "users").string(); }

 private:
  std::filesystem::path path_;
};

class ManualClock {
 public:
  void Advance(std::chrono::steady_clock::duration by) { offset_ += by.count(); }
  front::Now Source() {
    return [this] { return start_ + std::chrono::steady_clock::duration(offset_.load()); };
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::atomic<std::chrono::steady_clock::duration::rep> offset_{0};
};

// What the console sends for a typed password: MD5 hex of its GBK bytes.
std::string ConsoleDigestOf(const std::string& passwordUtf8);
// The login form as the console builds it (user name percent-encoded UTF-8).
std::string LoginForm(const std::string& user, const std::string& passwordUtf8,
                      const std::string& captcha);

}  // namespace ydt::test
