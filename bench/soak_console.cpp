// The console through a long working day: 200 reloads of a 10,000-machine region in the
// real main window against the stand-in, with 10,000 more log lines from worker threads,
// then the figures that show whether anything piles up.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "soak_run.h"
#include "support/sim/sim_process.h"

namespace {

constexpr int kRegionRows = 10000;  // the stand-in's largest region, which the soak reloads

void PrintVitals(const char* when, const ydt::test::ProcessVitals& vitals) {
  std::printf("%-13s rss %7.1f MB  threads %3d  fds %3d\n", when, vitals.RssMb(), vitals.threads,
              vitals.fds);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("LXSIM_BIN")) qputenv("LXSIM_BIN", YDT_LXSIM_BIN);
  const ydt::test::ProcessVitals atProcessStart = ydt::test::ProcessVitals::Now();
  QApplication app(argc, argv);

  ydt::test::SimProcess sim;
  if (!sim.Started()) {
    std::fprintf(stderr, "stand-in did not start: %s\n", sim.StartError().c_str());
    return 1;
  }
  ydt::test::SoakOptions options;
  // soak_console [RELOADS] [--no-log]: --no-log keeps the loads' lines out of the pane.
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--no-log") {
      options.logToPane = false;
    } else {
      options.reloads = std::max(1, std::atoi(argv[i]));
    }
  }
  options.progress = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
  const ydt::test::SoakFigures f = ydt::test::RunConsoleSoak(sim, options);
  if (!f.failure.empty()) {
    std::fprintf(stderr, "soak: %s\n", f.failure.c_str());
    return 1;
  }

  std::printf("soak: %d loads (%d warm-up), rows %d..%d, %.0f s, boxes shown %d\n", f.loads,
              options.warmupReloads, f.minRows, f.maxRows, f.seconds, f.boxesShown);
  std::printf("pauses before the first page: %lld asked, %lld ms in all, none waited\n", f.pauses,
              f.pauseMs);
  PrintVitals("process start", atProcessStart);
  PrintVitals("soak start", f.start);
  PrintVitals("after warm-up", f.afterWarmup);
  PrintVitals("end", f.end);
  std::printf("rss every %d reloads (MB):", options.sampleEvery);
  for (long kb : f.rssSamplesKb) std::printf(" %.1f", static_cast<double>(kb) / 1024.0);
  std::printf("\n");
  const long addedLines = f.logBlocks - f.logBlocksAfterWarmup;
  const double growthMb = static_cast<double>(f.end.rssKb - f.afterWarmup.rssKb) / 1024.0;
  std::printf("log pane: %ld lines (expected %ld)\n", f.logBlocks, f.expectedLogBlocks);
  // The log is never cleared, so its lines are part of the growth; run with --no-log to see
  // the rest alone.
  std::printf(
      "growth after warm-up: %.1f MB over %d reloads and %ld new log lines (%.0f bytes "
      "per line if the log were all of it)\n",
      growthMb, options.reloads, addedLines,
      addedLines > 0 ? growthMb * 1024.0 * 1024.0 / static_cast<double>(addedLines) : 0.0);
  std::printf("prepend one line: %.0f us at 10 lines, %.0f us at 10,000, %.0f us at %ld\n",
              f.prependUsAt10, f.prependUsAt10000, f.prependUsAtEnd, f.logBlocks);
  std::printf(
      "rss_start_mb: %.1f  rss_warm_mb: %.1f  rss_end_mb: %.1f  prepend_10k/10: %.2f  "
      "threads: %d->%d  fds: %d->%d\n",
      f.start.RssMb(), f.afterWarmup.RssMb(), f.end.RssMb(),
      f.prependUsAt10 > 0 ? f.prependUsAt10000 / f.prependUsAt10 : 0.0, f.afterWarmup.threads,
      f.end.threads, f.afterWarmup.fds, f.end.fds);

  // Figures from a run that lost rows, lines, threads or descriptors describe a fault.
  std::vector<std::string> faults;
  if (f.loads != options.warmupReloads + options.reloads) faults.push_back("loads missing");
  if (f.minRows != kRegionRows || f.maxRows != kRegionRows) faults.push_back("rows off");
  if (f.logBlocks != f.expectedLogBlocks) faults.push_back("log lines off");
  if (f.boxesShown != 0) faults.push_back("message boxes shown");
  if (f.end.threads > f.afterWarmup.threads) faults.push_back("threads left behind");
  if (f.end.fds > f.afterWarmup.fds) faults.push_back("descriptors left open");
  for (const std::string& fault : faults) std::fprintf(stderr, "soak: FAILED: %s\n", fault.c_str());
  return faults.empty() ? 0 : 1;
}
