// The gateway's own users: one text file, readable by its owner alone, replaced as a whole on
// every change so that a crash never leaves half of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "password_hash.h"

namespace ydt::gateway {

struct UserEntry {
  std::string name;  // UTF-8, as the console sends it after decoding
  PasswordHash hash;
};

class UsersFile {
 public:
  explicit UsersFile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  // A missing file holds no users. False with a reason (naming the line) for a file that
  // cannot be read or is not in this format.
  bool Load(std::vector<UserEntry>& users, std::string& error) const;
  // Writes a temporary file in the same folder (mode 0600), syncs it and renames it over the
  // old one. Creates the folder (mode 0700) when it is missing.
  bool Save(const std::vector<UserEntry>& users, std::string& error) const;

 private:
  std::string path_;
};

// $XDG_CONFIG_HOME/lxinterface-gateway/users, else ~/.config/lxinterface-gateway/users;
// empty when neither the variable nor a home folder is known.
std::string DefaultUsersPath();

// A name the console can send and the file can hold: non-empty valid UTF-8 that GBK can
// represent, no ":" and no control characters, no blanks at either end (the console drops
// them), at most 64 bytes. False with a reason.
bool UserNameAcceptable(std::string_view name, std::string& why);

}  // namespace ydt::gateway
