// add-user, remove-user and list-users on the users file. Each returns the program's exit
// status and writes what the operator reads to `out` and `err`.
#pragma once

#include <ostream>
#include <string>

#include "password_hash.h"
#include "users_file.h"

namespace ydt::gateway {

// Adds `name`, or gives an existing name the new password. `typed` is the password as typed
// (UTF-8).
int AddUser(const UsersFile& file, const std::string& name, const std::string& typed,
            const ScryptParams& params, std::ostream& out, std::ostream& err);
int RemoveUser(const UsersFile& file, const std::string& name, std::ostream& out,
               std::ostream& err);
int ListUsers(const UsersFile& file, std::ostream& out, std::ostream& err);

}  // namespace ydt::gateway
