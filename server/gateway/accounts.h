// Who may log in to the gateway: the users file, re-read when it changes on disk, and a
// lock-out that stops a user name from being guessed at speed.
#pragma once

#include <sys/types.h>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "front/clock.h"
#include "users_file.h"

namespace ydt::gateway {

enum class LoginOutcome { kAccepted, kRefused, kLockedOut };

class Accounts {
 public:
  static constexpr int kFailuresAllowed = 5;
  static constexpr std::chrono::minutes kFailureWindow{1};
  static constexpr std::chrono::minutes kLockOut{1};

  explicit Accounts(UsersFile file, front::Now now = front::SteadyNow());

  // Reads the file now. False with a reason when it cannot be read.
  bool Load(std::string& error);
  std::size_t Count();

  // `passwordMd5` as the console sends it. The fifth wrong password within a minute locks the
  // name out for a minute, right password or not; unknown names are treated alike, so the
  // answers do not tell which names exist.
  LoginOutcome Check(const std::string& user, const std::string& passwordMd5);
  // Whether `user` is still in the file (a removed user's sessions end).
  bool Exists(const std::string& user);

 private:
  struct Failures {
    std::deque<std::chrono::steady_clock::time_point> recent;
    std::optional<std::chrono::steady_clock::time_point> lockedUntil;
  };
  // Re-reads the file when its identity or time stamp changed; a file that no longer reads
  // holds no users until it is mended.
  void RefreshLocked();
  // The user's hash; for an unknown name, a decoy made with the parameters of the users
  // there are, so that checking it costs the same.
  std::optional<PasswordHash> HashOf(const std::string& user, PasswordHash& decoy);

  UsersFile file_;
  front::Now now_;
  std::mutex mutex_;
  std::vector<UserEntry> users_;
  struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    std::int64_t mtimeNs = -1;
    bool operator==(const FileStamp&) const = default;
  } stamp_;
  std::map<std::string, Failures> failures_;
};

}  // namespace ydt::gateway
