// The fields of one form body (or query string) as the console sends them: GBK bytes, values
// joined by plain concatenation, sometimes percent-encoded.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace ydt::front {

class FormFields {
 public:
  FormFields() = default;
  // Splits at "&" and the first "=" of each pair, then percent-decodes names and values.
  // The first occurrence of a repeated name wins; a pair without "=" has an empty value.
  static FormFields Parse(std::string_view body);

  bool Has(const std::string& name) const { return fields_.count(name) != 0; }
  // The decoded bytes as they came (GBK for everything the console types).
  std::optional<std::string> Raw(const std::string& name) const;
  // The decoded value converted from GBK to UTF-8; nullopt when the field is absent.
  std::optional<std::string> Text(const std::string& name) const;
  const std::map<std::string, std::string>& All() const { return fields_; }

 private:
  std::map<std::string, std::string> fields_;
};

}  // namespace ydt::front
