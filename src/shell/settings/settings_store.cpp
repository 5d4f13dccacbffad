#include "shell/settings/settings_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "platform/documents_folder.h"
#include "service/text/text.h"
#include "shell/settings/ini_text.h"

namespace ydt {
namespace {

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Cuts GBK bytes to at most `limit` bytes without leaving half a double-byte character,
// which would otherwise decode to a stray "?".
std::string_view CutGbk(std::string_view gbk, std::size_t limit) {
  if (gbk.size() <= limit) return gbk;
  std::size_t i = 0;
  while (i < limit) {
    const auto byte = static_cast<unsigned char>(gbk[i]);
    const std::size_t width = (byte >= 0x81 && byte <= 0xFE) ? 2 : 1;
    if (i + width > limit) break;
    i += width;
  }
  return gbk.substr(0, i);
}

// Line breaks in a value would split it into further lines, which the next read takes for
// keys or sections of their own.
std::string OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

// Holds an exclusive lock on the settings folder for the length of one read-modify-write, so
// that two copies of the console writing at once cannot each rewrite the file from the same
// old contents and drop the other's key.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    int result = 0;
    while ((result = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    held_ = result == 0;
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool Held() const { return held_; }

 private:
  int fd_;
  bool held_ = false;
};

// mkstemp's pattern for the temporary copy beside the file; it fills in letters and digits.
constexpr std::string_view kTempSuffix = ".XXXXXX";

bool IsTempCopyName(std::string_view name, std::string_view fileName) {
  if (name.size() != fileName.size() + kTempSuffix.size()) return false;
  if (name.substr(0, fileName.size()) != fileName || name[fileName.size()] != '.') return false;
  for (char c : name.substr(fileName.size() + 1)) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  return true;
}

// A write killed between making its temporary copy and the rename leaves the copy behind
// for ever, as large as the file and holding its keys. Every writer makes its copy while it
// holds the folder's lock, so to the lock's holder any such copy is a dead write's leftover.
void RemoveLeftoverCopies(const std::filesystem::path& file) {
  const std::string fileName = file.filename().string();
  std::error_code error;
  for (std::filesystem::directory_iterator it(file.parent_path(), error), end; !error && it != end;
       it.increment(error)) {
    const std::filesystem::path& entry = it->path();
    if (!IsTempCopyName(entry.filename().string(), fileName)) continue;
    std::error_code ignored;
    if (std::filesystem::symlink_status(entry, ignored).type() ==
        std::filesystem::file_type::regular) {
      std::filesystem::remove(entry, ignored);
    }
  }
}

}  // namespace

SettingsStore::SettingsStore(std::string documentsFolder)
    : documentsFolder_(documentsFolder.empty() ? DefaultDocumentsFolder()
                                               : std::move(documentsFolder)) {}

std::string SettingsStore::FolderPath() const {
  return documentsFolder_ + "/Lanxg";
}

std::string SettingsStore::settingsPath() const {
  return FolderPath() + "/yunduotai.db";
}

bool SettingsStore::EnsureFolder() const {
  std::error_code error;
  const std::filesystem::path folder = FolderPath();
  if (std::filesystem::is_directory(folder, error)) return true;
  // The documents folder may be missing on a fresh Linux account; Windows always has one.
  std::filesystem::create_directories(folder.parent_path(), error);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return std::filesystem::is_directory(folder, error);
}

std::string SettingsStore::readSetting(std::string_view section, std::string_view key,
                                       std::string_view defaultText) const {
  const std::optional<std::string> file = ReadWholeFile(settingsPath());
  if (!file) return std::string(defaultText);
  const std::optional<std::string> value = IniText::Find(*file, Utf8ToGbk(section), Utf8ToGbk(key));
  if (!value) return std::string(defaultText);
  return GbkToUtf8(CutGbk(*value, kValueBufferBytes - 1));
}

bool SettingsStore::WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool SettingsStore::writeSetting(std::string_view section, std::string_view key,
                                 std::string_view text) {
  if (!EnsureFolder()) return false;
  const std::string path = settingsPath();
  const FolderLock lock(FolderPath());
  if (lock.Held()) RemoveLeftoverCopies(path);
  const std::optional<std::string> old = ReadWholeFile(path);
  if (!old) {
    // A file that is there but cannot be read must not be replaced by one that holds only
    // this key: every other setting would be lost.
    std::error_code error;
    if (std::filesystem::exists(path, error) || error) return false;
  }
  const std::string updated = IniText::Set(old.value_or(std::string()), Utf8ToGbk(section),
                                           Utf8ToGbk(key), Utf8ToGbk(OneLine(text)));

  // The file holds access keys and a password: the temporary file is created owner-only,
  // and replacing the old file by rename means a crash never leaves it half written.
  std::string temp = path + std::string(kTempSuffix);
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, updated) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  ::chmod(FolderPath().c_str(), 0700);
  // Make the rename itself durable.
  const int dir = ::open(FolderPath().c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace ydt
