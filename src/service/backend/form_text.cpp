#include "service/backend/form_text.h"

namespace ydt {

std::string EscapeFormValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '&':
        out += "%26";
        break;
      case '+':
        out += "%2B";
        break;
      case '=':
        out += "%3D";
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

FormText& FormText::Add(std::string_view name, std::string_view value) {
  return AddRaw(name, EscapeFormValue(value));
}

FormText& FormText::AddRaw(std::string_view name, std::string_view value) {
  if (!text_.empty()) text_ += '&';
  text_ += name;
  text_ += '=';
  text_ += value;
  return *this;
}

std::string FormField(std::string_view name, std::string_view value) {
  return "&" + std::string(name) + "=" + EscapeFormValue(value);
}

}  // namespace ydt
