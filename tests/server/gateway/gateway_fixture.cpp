#include "gateway_fixture.h"

#include <stdlib.h>

#include "front/text_codec.h"

namespace ydt::test {

ScratchFolder::ScratchFolder() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "gateway-test-XXXXXX").string();
  path_ = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string ConsoleDigestOf(const std::string& passwordUtf8) {
  return front::Md5Hex(front::Utf8ToGbk(passwordUtf8));
}

std::string LoginForm(const std::string& user, const std::string& passwordUtf8,
                      const std::string& captcha) {
  static const char* kHex = "0123456789ABCDEF";
  std::string name;
  for (unsigned char c : user) {
    name += '%';
    name += kHex[c >> 4];
    name += kHex[c & 0xF];
  }
  return "username=" + name + "&password=" + ConsoleDigestOf(passwordUtf8) +
         "&verifycode=" + captcha + "&type=yunduotai";
}

}  // namespace ydt::test
