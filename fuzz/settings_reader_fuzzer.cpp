// Settings files of any content read by the store, and keys written into them read back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>

#include "fuzz_input.h"
#include "service/text/text.h"
#include "shell/settings/ini_text.h"
#include "shell/settings/settings_store.h"

namespace {

struct Key {
  const char* section;
  const char* key;
};

constexpr Key kKeys[] = {
    {"config", "username"},        {"config", "password"},         {"config", "remember_pwd"},
    {"config", "batch_delay"},     {"config", "rebuild_password"}, {"qcloud", "secretid"},
    {"qcloud", "selected_region"}, {"aliyun", "vswitchid"},        {"huawei", "subnetid"},
};

// One documents folder for the whole run, removed when the fuzzer exits.
struct ScratchFolder {
  ScratchFolder() {
    path = (std::filesystem::temp_directory_path() / "ydt-fuzz-XXXXXX").string();
    if (::mkdtemp(path.data()) == nullptr) std::abort();
    std::filesystem::create_directories(path + "/Lanxg");
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

const std::string& DocumentsFolder() {
  static const ScratchFolder folder;
  return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);

  const ydt::SettingsStore store(DocumentsFolder());
  {
    std::ofstream out(store.settingsPath(), std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
  }
  // Through the store for two keys (the file work is slow); straight from the text for all.
  for (const Key& key : {kKeys[0], kKeys[4]}) {
    const std::string value = store.readSetting(key.section, key.key, "default");
    YDT_FUZZ_CHECK(ydt::fuzz::IsWellFormedUtf8(value));
    YDT_FUZZ_CHECK(ydt::GbkLength(value) < ydt::SettingsStore::kValueBufferBytes);
  }

  for (const Key& key : kKeys) (void)ydt::IniText::Find(file, key.section, key.key);

  // A write must read back whatever the file held before: the written key its new value,
  // every other key what it read before. Another value there would be a setting lost.
  std::optional<std::string> before[std::size(kKeys)];
  for (std::size_t k = 0; k < std::size(kKeys); ++k) {
    before[k] = ydt::IniText::Find(file, kKeys[k].section, kKeys[k].key);
  }
  for (const Key& key : kKeys) {
    const std::string updated = ydt::IniText::Set(file, key.section, key.key, "v.1-x");
    for (std::size_t k = 0; k < std::size(kKeys); ++k) {
      const Key& other = kKeys[k];
      YDT_FUZZ_CHECK(ydt::IniText::Find(updated, other.section, other.key) ==
                     (&other == &key ? std::optional<std::string>("v.1-x") : before[k]));
    }
  }
  return 0;
}
