// SettingsStore reads and writes the console's only persistent state, the GBK INI file
// Lanxg/yunduotai.db in the user's documents folder, the way the Windows private-profile
// functions do: every write reaches the disk at once and leaves every other line alone.
#pragma once

#include <string>
#include <string_view>

namespace ydt {

class SettingsStore {
 public:
  // An empty documentsFolder means $HOME/Documents.
  explicit SettingsStore(std::string documentsFolder = {});
  virtual ~SettingsStore() = default;

  // documents folder + "/Lanxg/yunduotai.db".
  std::string settingsPath() const;
  // documents folder + "/Lanxg".
  std::string FolderPath() const;
  // Creates the Lanxg folder (owner-only) when it is missing. True when it exists afterwards.
  bool EnsureFolder() const;

  // The stored value of section/key, or defaultText when the file, section or key is
  // missing. Names match case-insensitively, the first match wins; the value is cut at
  // 10,239 GBK bytes.
  std::string readSetting(std::string_view section, std::string_view key,
                          std::string_view defaultText) const;

  // Writes section/key, creating the file and section as needed. The file is replaced
  // atomically, so a crash leaves the old file whole. False when the write failed; callers
  // carry on regardless.
  bool writeSetting(std::string_view section, std::string_view key, std::string_view text);

  static constexpr std::size_t kValueBufferBytes = 10240;

 protected:
  // Writes all bytes to fd; a seam so tests can fail a write half-way.
  virtual bool WriteAll(int fd, std::string_view bytes);

 private:
  std::string documentsFolder_;
};

}  // namespace ydt
