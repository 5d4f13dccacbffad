#include "users_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "front/text_codec.h"

namespace ydt::gateway {
namespace {

constexpr const char* kHeader =
    "# lxinterface-gateway users, one per line: NAME:scrypt$N$r$p$SALT$HASH\n"
    "# Change it with lxinterface-gateway add-user / remove-user.\n";

std::string Errno(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// Creates `dir` and any missing parent, each new one readable by the user alone.
bool MakeFolders(const std::filesystem::path& dir, std::string& error) {
  if (dir.empty()) return true;
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    error = dir.string() + " is not a folder";
    return false;
  }
  if (!MakeFolders(dir.parent_path(), error)) return false;
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    error = Errno("cannot create " + dir.string());
    return false;
  }
  return true;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool UsersFile::Load(std::vector<UserEntry>& users, std::string& error) const {
  users.clear();
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) {
    if (errno == ENOENT) return true;
    error = Errno("cannot read " + path_);
    return false;
  }
  std::ifstream in(path_, std::ios::binary);
  if (!in) {
    error = "cannot read " + path_;
    return false;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t colon = line.find(':');
    UserEntry entry;
    std::string why;
    if (colon == std::string::npos) {
      error = path_ + ":" + std::to_string(number) + ": expected NAME:HASH";
      return false;
    }
    entry.name = line.substr(0, colon);
    if (!UserNameAcceptable(entry.name, why) ||
        !ParseHash(std::string_view(line).substr(colon + 1), entry.hash)) {
      error = path_ + ":" + std::to_string(number) + ": not a user entry" +
              (why.empty() ? "" : " (" + why + ")");
      return false;
    }
    users.push_back(std::move(entry));
  }
  return true;
}

bool UsersFile::Save(const std::vector<UserEntry>& users, std::string& error) const {
  const std::filesystem::path target(path_);
  const std::filesystem::path dir = target.parent_path();
  if (!MakeFolders(dir, error)) return false;
  std::string text = kHeader;
  for (const auto& user : users) text += user.name + ":" + FormatHash(user.hash) + "\n";

  std::string temp = (dir / (target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());  // mode 0600 whatever the umask
  if (fd < 0) {
    error = Errno("cannot create a temporary file in " + dir.string());
    return false;
  }
  const bool written = ::fchmod(fd, 0600) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
  const std::string why = written ? "" : Errno("cannot write " + temp);
  if (::close(fd) != 0 || !written) {
    ::unlink(temp.c_str());
    error = why.empty() ? Errno("cannot write " + temp) : why;
    return false;
  }
  if (::rename(temp.c_str(), path_.c_str()) != 0) {
    error = Errno("cannot replace " + path_);
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself lasts only once the folder is on disk too.
  const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

std::string DefaultUsersPath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* pw = ::getpwuid(::getuid());
      home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || !*home) return {};
    base = std::string(home) + "/.config";
  }
  return base + "/lxinterface-gateway/users";
}

bool UserNameAcceptable(std::string_view name, std::string& why) {
  if (name.empty()) {
    why = "the name is empty";
  } else if (name.size() > 64) {
    why = "the name is longer than 64 bytes";
  } else if (!front::IsValidUtf8(name)) {
    why = "the name is not UTF-8";
  } else if (name.front() == ' ' || name.back() == ' ') {
    why = "the name begins or ends with a blank, which the console drops";
  } else if (name.find(':') != std::string_view::npos) {
    why = "the name holds a \":\"";
  } else if (front::GbkToUtf8(front::Utf8ToGbk(name)) != name) {
    why = "the name holds characters the console cannot send (not in GBK)";
  } else {
    for (unsigned char c : name) {
      if (c < 0x20 || c == 0x7F) {
        why = "the name holds a control character";
        return false;
      }
    }
    return true;
  }
  return false;
}

}  // namespace ydt::gateway
