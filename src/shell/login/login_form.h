// What the login sends: the three texts the operator typed, checked and turned into the
// backend's login form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ydt {

inline constexpr std::string_view kUserNamePrompt = "请输入帐号";
inline constexpr std::string_view kLoginIncompleteText = "请把登录信息填写完整！";
inline constexpr std::string_view kLoginPath = "/login/";

struct LoginFields {
  std::string userName;
  std::string password;
  std::string captcha;
};

// The three texts with spaces removed at both ends; nothing when any of them is then
// empty (a box of spaces only counts as empty).
std::optional<LoginFields> TrimLoginFields(std::string_view userName, std::string_view password,
                                           std::string_view captcha);

// "username=" + every UTF-8 byte of the user name percent-encoded + "&password=" + MD5 of
// the password's GBK bytes + "&verifycode=" + captcha + "&type=yunduotai". The plain
// password never leaves the computer.
std::string LoginFormText(const LoginFields& fields);

}  // namespace ydt
