#include "user_commands.h"

#include <algorithm>

#include "password_prompt.h"

namespace ydt::gateway {
namespace {

constexpr int kFailed = 1;

}  // namespace

int AddUser(const UsersFile& file, const std::string& name, const std::string& typed,
            const ScryptParams& params, std::ostream& out, std::ostream& err) {
  std::string error;
  std::string digest;
  std::vector<UserEntry> users;
  if (!UserNameAcceptable(name, error) || !ConsoleDigest(typed, digest, error) ||
      !file.Load(users, error)) {
    err << "add-user: " << error << "\n";
    return kFailed;
  }
  UserEntry entry{name, {}};
  if (!HashSecret(digest, params, entry.hash)) {
    err << "add-user: the password could not be hashed\n";
    return kFailed;
  }
  auto it = std::find_if(users.begin(), users.end(),
                         [&](const UserEntry& user) { return user.name == name; });
  const bool replaced = it != users.end();
  if (replaced)
    *it = std::move(entry);
  else
    users.push_back(std::move(entry));
  if (!file.Save(users, error)) {
    err << "add-user: " << error << "\n";
    return kFailed;
  }
  out << (replaced ? "new password for " : "added ") << name << " in " << file.Path() << "\n";
  return 0;
}

int RemoveUser(const UsersFile& file, const std::string& name, std::ostream& out,
               std::ostream& err) {
  std::string error;
  std::vector<UserEntry> users;
  if (!file.Load(users, error)) {
    err << "remove-user: " << error << "\n";
    return kFailed;
  }
  const auto removed =
      std::erase_if(users, [&](const UserEntry& user) { return user.name == name; });
  if (removed == 0) {
    err << "remove-user: no user " << name << " in " << file.Path() << "\n";
    return kFailed;
  }
  if (!file.Save(users, error)) {
    err << "remove-user: " << error << "\n";
    return kFailed;
  }
  out << "removed " << name << "\n";
  if (users.empty()) out << "no user is left: the gateway will not start until one is added\n";
  return 0;
}

int ListUsers(const UsersFile& file, std::ostream& out, std::ostream& err) {
  std::string error;
  std::vector<UserEntry> users;
  if (!file.Load(users, error)) {
    err << "list-users: " << error << "\n";
    return kFailed;
  }
  for (const auto& user : users) out << user.name << "\n";
  return 0;
}

}  // namespace ydt::gateway
