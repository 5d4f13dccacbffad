// Start-up of the console against an empty Qt window started the same way, in the same
// run: each is a fresh process, timed from just before it is spawned to its first painted
// window. The console's probe then logs in against the stand-in, and its main window
// loads 10,000 machines; its resident size with those rows on screen is the memory figure.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "startup_stamp.h"
#include "support/sim/sim_process.h"

extern char** environ;

namespace {

constexpr int kRounds = 11;
constexpr int kRegionIndex = 2;  // the stand-in's 10,000-machine region
constexpr int kChildTimeoutMs = 150000;

struct Moment {
  double msFromSpawn = 0;
  double rssMb = 0;
};

// One child's reported moments by name, or empty when it failed.
using Moments = std::map<std::string, Moment>;

// The child's error output goes to `errorFile`, shown when the child fails.
Moments RunChild(const std::vector<std::string>& args, const std::string& errorFile) {
  Moments moments;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return moments;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  pid_t pid = -1;
  const std::int64_t spawnedNs = ydt::bench::MonotonicNs();
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    return moments;
  }

  std::string text;
  char buffer[4096];
  for (;;) {
    pollfd wait{out[0], POLLIN, 0};
    if (::poll(&wait, 1, kChildTimeoutMs) <= 0) {
      ::kill(pid, SIGKILL);
      std::fprintf(stderr, "%s did not finish\n", argv[0]);
      break;
    }
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);

  std::istringstream lines(text);
  std::string what;
  long long ns = 0;
  long rssKb = 0;
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    if (!(fields >> what >> ns >> rssKb)) {
      std::fprintf(stderr, "%s: %s\n", argv[0], line.c_str());
      continue;
    }
    moments[what] = {static_cast<double>(ns - spawnedNs) / 1e6,
                     static_cast<double>(rssKb) / 1024.0};
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    moments.clear();
    std::fprintf(stderr, "%s ended with status %d; its error output:\n", argv[0], status);
    std::FILE* errors = std::fopen(errorFile.c_str(), "r");
    while (errors != nullptr && std::fgets(buffer, sizeof buffer, errors) != nullptr) {
      if (std::strstr(buffer, "propagateSizeHints") == nullptr) std::fputs(buffer, stderr);
    }
    if (errors != nullptr) std::fclose(errors);
  }
  return moments;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string Beside(const char* self, const char* name) {
  return (std::filesystem::path(self).parent_path() / name).string();
}

// The stages each child must report, the ones the figures below are read from.
bool Reported(const Moments& moments, const char* child, std::vector<const char*> stages) {
  bool all = !moments.empty();  // an empty set: the child failed and said why
  for (const char* stage : stages) {
    if (!moments.empty() && moments.count(stage) == 0) {
      std::fprintf(stderr, "%s reported no %s\n", child, stage);
      all = false;
    }
  }
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  // The operator has a display, so that is what counts; offscreen only when asked for.
  const bool offscreen = argc > 1 && std::string(argv[1]) == "--offscreen";
  if (offscreen) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  } else if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    if (std::getenv("DISPLAY") == nullptr) {
      std::fprintf(stderr, "no X display: run under one (xvfb-run -a) or pass --offscreen\n");
      return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  std::printf("platform: %s\n", std::getenv("QT_QPA_PLATFORM"));
  if (std::getenv("LXSIM_BIN") == nullptr) ::setenv("LXSIM_BIN", YDT_LXSIM_BIN, 1);
  const std::string selfPath = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string emptyWindow = Beside(selfPath.c_str(), "bench_empty_window");
  const std::string probe = Beside(selfPath.c_str(), "bench_startup_probe");

  ydt::test::SimProcess sim;
  if (!sim.Started()) {
    std::fprintf(stderr, "stand-in did not start: %s\n", sim.StartError().c_str());
    return 1;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "ydt-startup-XXXXXX").string();
  const std::string documents = ::mkdtemp(pattern.data());
  const std::vector<std::string> probeArgs = {probe, sim.BaseUrl(), sim.WebHost(), documents,
                                              std::to_string(kRegionIndex)};

  std::vector<double> empty, emptyRss, text, login, loginRss, toMain, mainFromStart, mainRss,
      rows10k;
  int failures = 0;
  // Round 0 warms the file cache and the stand-in's generated region; it is not counted.
  for (int round = 0; round <= kRounds; ++round) {
    const std::string errors = documents + "/child-errors.txt";
    const Moments baseline = RunChild({emptyWindow}, errors);
    const Moments textWindow = RunChild({emptyWindow, "--text"}, errors);
    const Moments console = RunChild(probeArgs, errors);
    // Every child is asked, so that each missing stage is named.
    bool ok = Reported(baseline, "empty window", {"window_painted"});
    ok = Reported(textWindow, "text window", {"window_painted"}) && ok;
    ok = Reported(console, "console",
                  {"login_painted", "login_clicked", "main_painted", "rows_10000"}) &&
         ok;
    if (!ok) {
      ++failures;
      std::fprintf(stderr, "round %d: a start failed\n", round);
      continue;
    }
    if (round == 0) continue;
    empty.push_back(baseline.at("window_painted").msFromSpawn);
    emptyRss.push_back(baseline.at("window_painted").rssMb);
    text.push_back(textWindow.at("window_painted").msFromSpawn);
    login.push_back(console.at("login_painted").msFromSpawn);
    loginRss.push_back(console.at("login_painted").rssMb);
    toMain.push_back(console.at("main_painted").msFromSpawn -
                     console.at("login_clicked").msFromSpawn);
    mainFromStart.push_back(console.at("main_painted").msFromSpawn);
    mainRss.push_back(console.at("main_painted").rssMb);
    rows10k.push_back(console.at("rows_10000").rssMb);
    std::fprintf(stderr,
                 "round %d: empty %.0f ms, login %.0f ms, main %.0f ms after the click, "
                 "rss with rows %.1f MB\n",
                 round, empty.back(), login.back(), toMain.back(), rows10k.back());
  }
  std::error_code ignored;
  std::filesystem::remove_all(documents, ignored);
  if (empty.empty()) {
    std::fprintf(stderr, "no round succeeded\n");
    return 1;
  }

  const double ratio = Median(login) / Median(empty);
  std::printf("medians of %zu rounds (%d failed):\n", empty.size(), failures);
  std::printf("empty Qt window painted     %7.1f ms from spawn   rss %6.1f MB\n", Median(empty),
              Median(emptyRss));
  std::printf("Qt window with one text line  %5.1f ms from spawn\n", Median(text));
  std::printf("login window painted        %7.1f ms from spawn   rss %6.1f MB\n", Median(login),
              Median(loginRss));
  std::printf(
      "main window painted         %7.1f ms after 登录   rss %6.1f MB  (%.1f ms from spawn)\n",
      Median(toMain), Median(mainRss), Median(mainFromStart));
  std::printf(
      "main window, 10,000 rows                          rss %6.1f MB  (%.1f× the empty window)\n",
      Median(rows10k), Median(rows10k) / Median(emptyRss));
  std::printf("startup/baseline ratio: %.2f  rss_10k_mb: %.1f\n", ratio, Median(rows10k));
  return failures > 0 ? 1 : 0;
}
