#include "shell/login/program_digest.h"

#include <openssl/evp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <thread>

namespace ydt {

std::string FileDigest(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return {};
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1) return {};
  // Streamed: an executable with debug information runs to tens of megabytes.
  char buffer[64 * 1024];
  for (;;) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
    if (got > 0 && EVP_DigestUpdate(ctx.get(), buffer, got) != 1) return {};
    if (got < sizeof buffer) {
      if (std::ferror(file.get())) return {};
      break;
    }
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) return {};
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    text.push_back(kHex[digest[i] >> 4]);
    text.push_back(kHex[digest[i] & 0x0F]);
  }
  return text;
}

namespace {

// The digest is taken while the first windows are built and painted, and on two cores the
// hashing of tens of megabytes would otherwise take CPU from them and from the display
// server. At the lowest priority it uses only time nobody else wants. It gets a thread of
// its own because an unprivileged thread cannot raise its priority again afterwards, and
// the caller is usually a worker that goes on to other tasks.
std::string DigestAtLowestPriority(const std::string& path) {
  std::string digest;
  std::thread hashing([&digest, &path] {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
    digest = FileDigest(path);
  });
  hashing.join();
  return digest;
}

}  // namespace

const std::string& ProgramDigest() {
  static const std::string digest = DigestAtLowestPriority("/proc/self/exe");
  return digest;
}

}  // namespace ydt
