#include "shell/login/login_settings.h"

#include "shell/settings/settings_store.h"

namespace ydt {

LoginStartValues ReadLoginStartValues(const SettingsStore& store) {
  const std::string userName = store.readSetting("config", "username", "");
  const std::string password = store.readSetting("config", "password", "");
  const std::string remember = store.readSetting("config", "remember_pwd", "1");
  LoginStartValues values;
  values.userNameText = userName.empty() ? std::string(kUserNamePrompt) : userName;
  values.rememberTicked = remember == "1";
  if (values.rememberTicked) values.passwordText = password;
  values.focusCaptcha = !userName.empty() && !password.empty();
  return values;
}

void SaveLoginSettings(SettingsStore& store, const LoginFields& fields, bool rememberTicked) {
  store.writeSetting("config", "username", fields.userName);
  store.writeSetting("config", "password", fields.password);
  store.writeSetting("config", "remember_pwd", rememberTicked ? "1" : "0");
}

}  // namespace ydt
