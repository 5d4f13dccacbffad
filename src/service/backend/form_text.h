// Builds the form body of a backend request: "name=value" fields joined by "&".
#pragma once

#include <string>
#include <string_view>

namespace ydt {

// Values are written as they are, except the four bytes that would change how a form
// parser splits or decodes the body: "%", "&", "+" and "=" become %25, %26, %2B, %3D.
class FormText {
 public:
  FormText& Add(std::string_view name, std::string_view value);
  // For a value the caller has already percent-encoded (the login's user name).
  FormText& AddRaw(std::string_view name, std::string_view value);
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// One further field, "&name=value", with the value escaped as FormText::Add does.
std::string FormField(std::string_view name, std::string_view value);

// The value with "%", "&", "+" and "=" percent-encoded and every other byte unchanged.
std::string EscapeFormValue(std::string_view value);

}  // namespace ydt
