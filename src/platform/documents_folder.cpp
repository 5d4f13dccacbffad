#include "platform/documents_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace ydt {

std::string DefaultDocumentsFolder() {
  std::string home;
  if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0') {
    home = env;
  } else if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr) {
    home = entry->pw_dir;
  }
  return home + "/Documents";
}

}  // namespace ydt
