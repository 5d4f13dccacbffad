#include "form_fields.h"

#include "text_codec.h"

namespace ydt::front {

FormFields FormFields::Parse(std::string_view body) {
  FormFields form;
  size_t pos = 0;
  while (pos <= body.size()) {
    size_t amp = body.find('&', pos);
    if (amp == std::string_view::npos) amp = body.size();
    std::string_view pair = body.substr(pos, amp - pos);
    if (!pair.empty()) {
      size_t eq = pair.find('=');
      std::string name = PercentDecode(pair.substr(0, eq));
      std::string value =
          eq == std::string_view::npos ? std::string() : PercentDecode(pair.substr(eq + 1));
      form.fields_.emplace(std::move(name), std::move(value));
    }
    pos = amp + 1;
  }
  return form;
}

std::optional<std::string> FormFields::Raw(const std::string& name) const {
  auto it = fields_.find(name);
  if (it == fields_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> FormFields::Text(const std::string& name) const {
  auto raw = Raw(name);
  if (!raw) return std::nullopt;
  return GbkToUtf8(*raw);
}

}  // namespace ydt::front
