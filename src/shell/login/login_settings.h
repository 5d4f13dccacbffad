// What the login window remembers between runs: the last user, the password and whether
// the operator wants the password filled in.
#pragma once

#include <string>

#include "shell/login/login_form.h"

namespace ydt {

class SettingsStore;

// How the login boxes start.
struct LoginStartValues {
  std::string userNameText;  // the stored user, or the prompt when none is stored
  std::string passwordText;  // the stored password only when it is to be remembered
  bool rememberTicked = true;
  bool focusCaptcha = false;  // a user and a password are both stored
};

LoginStartValues ReadLoginStartValues(const SettingsStore& store);

// After a successful login: the trimmed user and password (the password in plain text,
// whatever the box says, as the settings file has always held it), then the choice.
void SaveLoginSettings(SettingsStore& store, const LoginFields& fields, bool rememberTicked);

}  // namespace ydt
