// One provider's section of the settings file, as the panels of its tab read and write it.
// The shell owns the file and hands each tab its section; a panel sees no other.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ydt {

struct SectionSettings {
  std::function<std::string(std::string_view key, std::string_view defaultText)> read;
  std::function<void(std::string_view key, std::string_view text)> write;

  std::string Read(std::string_view key, std::string_view defaultText) const {
    return read ? read(key, defaultText) : std::string(defaultText);
  }
  void Write(std::string_view key, std::string_view text) const {
    if (write) write(key, text);
  }
};

}  // namespace ydt
