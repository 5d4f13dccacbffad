#include "shell/login/login_form.h"

#include "service/backend/form_text.h"
#include "service/text/text.h"

namespace ydt {

std::optional<LoginFields> TrimLoginFields(std::string_view userName, std::string_view password,
                                           std::string_view captcha) {
  LoginFields fields{TrimSpaces(userName), TrimSpaces(password), TrimSpaces(captcha)};
  if (fields.userName.empty() || fields.password.empty() || fields.captcha.empty()) {
    return std::nullopt;
  }
  return fields;
}

std::string LoginFormText(const LoginFields& fields) {
  FormText form;
  // Already encoded down to letters and digits, so it goes in unchanged.
  form.AddRaw("username", UrlEncode(ToUtf8(fields.userName)));
  form.Add("password", Md5Hex(Utf8ToGbk(fields.password)));
  form.Add("verifycode", fields.captcha);
  form.Add("type", "yunduotai");
  return form.Text();
}

}  // namespace ydt
