#include "accounts.h"

#include <sys/stat.h>

#include "front/text_codec.h"

namespace ydt::gateway {
namespace {

// Bounds the memory a flood of made-up user names can take.
constexpr std::size_t kTrackedNames = 10000;

}  // namespace

Accounts::Accounts(UsersFile file, front::Now now) : file_(std::move(file)), now_(std::move(now)) {}

bool Accounts::Load(std::string& error) {
  std::lock_guard lock(mutex_);
  std::vector<UserEntry> users;
  if (!file_.Load(users, error)) return false;
  users_ = std::move(users);
  stamp_ = {};
  struct stat st {};
  if (::stat(file_.Path().c_str(), &st) == 0) {
    stamp_ = {st.st_dev, st.st_ino, st.st_size,
              std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
  }
  return true;
}

std::size_t Accounts::Count() {
  std::lock_guard lock(mutex_);
  RefreshLocked();
  return users_.size();
}

void Accounts::RefreshLocked() {
  FileStamp now;
  struct stat st {};
  if (::stat(file_.Path().c_str(), &st) == 0) {
    now = {st.st_dev, st.st_ino, st.st_size,
           std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
  }
  if (now == stamp_) return;
  std::vector<UserEntry> users;
  std::string error;
  if (!file_.Load(users, error)) users.clear();
  users_ = std::move(users);
  stamp_ = now;
}

std::optional<PasswordHash> Accounts::HashOf(const std::string& user, PasswordHash& decoy) {
  std::lock_guard lock(mutex_);
  RefreshLocked();
  for (const auto& entry : users_) {
    if (entry.name == user) return entry.hash;
  }
  // Deriving under it costs what a real entry costs; its empty hash never matches.
  decoy = PasswordHash{
      users_.empty() ? ScryptParams{} : users_.front().hash.params, std::string(16, 'd'), {}};
  return std::nullopt;
}

bool Accounts::Exists(const std::string& user) {
  PasswordHash ignored;
  return HashOf(user, ignored).has_value();
}

LoginOutcome Accounts::Check(const std::string& user, const std::string& passwordMd5) {
  {
    std::lock_guard lock(mutex_);
    auto it = failures_.find(user);
    if (it != failures_.end() && it->second.lockedUntil) {
      if (now_() < *it->second.lockedUntil) return LoginOutcome::kLockedOut;
      failures_.erase(it);
    }
  }
  PasswordHash decoy;
  const auto stored = HashOf(user, decoy);
  // An unknown name costs as much time as a known one: the decoy's hash is derived too.
  const bool matches = SecretMatches(stored ? *stored : decoy, front::ToLowerAscii(passwordMd5));
  const bool right = stored.has_value() && matches;
  std::lock_guard lock(mutex_);
  const auto now = now_();
  if (right) {
    failures_.erase(user);
    return LoginOutcome::kAccepted;
  }
  if (failures_.size() >= kTrackedNames && failures_.count(user) == 0) {
    std::erase_if(failures_, [&](const auto& item) {
      const Failures& f = item.second;
      return f.lockedUntil ? now >= *f.lockedUntil
                           : f.recent.empty() || now - f.recent.back() > kFailureWindow;
    });
  }
  Failures& f = failures_[user];
  while (!f.recent.empty() && now - f.recent.front() > kFailureWindow) f.recent.pop_front();
  f.recent.push_back(now);
  if (static_cast<int>(f.recent.size()) >= kFailuresAllowed) {
    f.lockedUntil = now + kLockOut;
    f.recent.clear();
  }
  return LoginOutcome::kRefused;
}

}  // namespace ydt::gateway
