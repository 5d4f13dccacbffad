#include "redaction.h"

#include "text_codec.h"

namespace ydt::front {
namespace {

// Shorter values are too likely to be ordinary words of a message to be cut out of it.
constexpr std::size_t kShortestScrubbed = 4;

}  // namespace

bool IsSecretField(std::string_view name) {
  const std::string lower = ToLowerAscii(name);
  return lower == "secretkey" || lower == "password";
}

std::string RedactForm(std::string_view form) {
  std::string out;
  out.reserve(form.size());
  std::size_t pos = 0;
  while (pos <= form.size()) {
    std::size_t amp = form.find('&', pos);
    if (amp == std::string_view::npos) amp = form.size();
    const std::string_view pair = form.substr(pos, amp - pos);
    const std::size_t eq = pair.find('=');
    if (eq != std::string_view::npos && IsSecretField(PercentDecode(pair.substr(0, eq)))) {
      out.append(pair.substr(0, eq + 1));
      out += kRedacted;
    } else {
      out.append(pair);
    }
    if (amp < form.size()) out += '&';
    pos = amp + 1;
  }
  return out;
}

std::string RedactTarget(std::string_view target) {
  const std::size_t q = target.find('?');
  if (q == std::string_view::npos) return std::string(target);
  return std::string(target.substr(0, q + 1)) + RedactForm(target.substr(q + 1));
}

std::vector<std::string> SecretValues(const FormFields& form) {
  std::vector<std::string> secrets;
  for (const auto& [name, raw] : form.All()) {
    if (!IsSecretField(name)) continue;
    secrets.push_back(raw);
    const std::string text = GbkToUtf8(raw);
    if (text != raw) secrets.push_back(text);
  }
  return secrets;
}

std::string Scrub(std::string text, const std::vector<std::string>& secrets) {
  for (const auto& secret : secrets) {
    if (secret.size() < kShortestScrubbed) continue;
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + 3)) {
      text.replace(at, secret.size(), kRedacted);
    }
  }
  return text;
}

}  // namespace ydt::front
