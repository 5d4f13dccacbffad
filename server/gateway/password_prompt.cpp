#include "password_prompt.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "front/text_codec.h"

namespace ydt::gateway {
namespace {

// The terminal's settings while echo is off, so an interrupt can put them back.
termios gSaved{};
volatile std::sig_atomic_t gEchoOff = 0;

void RestoreAndReraise(int signal) {
  if (gEchoOff) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSaved);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

bool ReadLine(std::string& line) {
  line.clear();
  char c = 0;
  while (true) {
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !line.empty();
    if (c == '\n') return true;
    line.push_back(c);
  }
}

bool AskSilently(const std::string& prompt, std::string& answer) {
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  termios quiet{};
  if (::tcgetattr(STDIN_FILENO, &gSaved) != 0) return false;
  quiet = gSaved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;
  auto oldInt = std::signal(SIGINT, RestoreAndReraise);
  auto oldTerm = std::signal(SIGTERM, RestoreAndReraise);
  gEchoOff = 1;
  const bool quietOn = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  const bool ok = quietOn && ReadLine(answer);
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSaved);
  gEchoOff = 0;
  std::signal(SIGINT, oldInt);
  std::signal(SIGTERM, oldTerm);
  return ok;
}

}  // namespace

bool ReadNewPassword(const std::string& user, std::string& password, std::string& error) {
  if (::isatty(STDIN_FILENO)) {
    std::string again;
    if (!AskSilently("Password for " + user + ": ", password) ||
        !AskSilently("The same again: ", again)) {
      error = "no password was read";
      return false;
    }
    if (password != again) {
      error = "the two passwords differ";
      return false;
    }
  } else if (!ReadLine(password)) {
    error = "no password on standard input";
    return false;
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (password.empty()) {
    error = "the password is empty";
    return false;
  }
  return true;
}

bool ConsoleDigest(std::string_view typed, std::string& digest, std::string& error) {
  const std::size_t first = typed.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    error = "the password is empty";
    return false;
  }
  const std::string_view trimmed = typed.substr(first, typed.find_last_not_of(' ') - first + 1);
  if (!front::IsValidUtf8(trimmed)) {
    error = "the password is not UTF-8 text";
    return false;
  }
  const std::string gbk = front::Utf8ToGbk(trimmed);
  if (front::GbkToUtf8(gbk) != trimmed) {
    error = "the password holds characters the console cannot send (not in GBK)";
    return false;
  }
  digest = front::Md5Hex(gbk);
  return true;
}

}  // namespace ydt::gateway
