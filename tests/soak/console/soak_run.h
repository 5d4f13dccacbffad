// A working day compressed: the real main window with a machine panel reloading a large
// region again and again against the stand-in, while workers pour lines into the log pane.
// The figures say whether memory, threads and descriptors stay flat and whether putting a
// line on top of a long log costs what it costs on a short one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "consoles/catalogue/catalogue.h"
#include "process_vitals.h"

namespace ydt::test {

class SimProcess;

struct SoakOptions {
  ProviderKind kind = ProviderKind::Tencent;
  int regionIndex = 2;  // the stand-in's 10,000-machine region
  int warmupReloads = 10;
  int reloads = 200;     // after the warm-up
  int logLines = 10000;  // from worker threads, spread over the reloads
  int sampleEvery = 20;  // reloads between two resident-size samples
  int prependSamples = 31;
  // False sends the loads' log lines to a counter instead of the pane and adds none of
  // its own, so that the growth of the log (which is kept whole by design) can be told
  // apart from the growth of everything else.
  bool logToPane = true;
  // Told about progress now and then (may be empty).
  std::function<void(const std::string&)> progress;
};

struct SoakFigures {
  ProcessVitals start;        // on entry, before any window exists
  ProcessVitals afterWarmup;  // once the warm-up loads have ended
  ProcessVitals end;          // after the last load, its workers gone
  std::vector<long> rssSamplesKb;

  int loads = 0;
  int minRows = 0;
  int maxRows = 0;
  int boxesShown = 0;             // message boxes the run provoked; a healthy run shows none
  long long pauses = 0;           // waits before the first page the loads asked for
  long long pauseMs = 0;          // their total length, not waited
  long logBlocks = 0;             // lines in the main window's log pane, its first text included
  long logBlocksAfterWarmup = 0;  // the same once the warm-up loads have ended
  long expectedLogBlocks = 0;
  double seconds = 0;
  std::string failure;  // why the run ended early; empty when it ran through

  double prependUsAt10 = 0;     // median cost of one line on top of a 10-line log, painted
  double prependUsAt10000 = 0;  // the same on a 10,000-line log
  double prependUsAtEnd = 0;    // the same on the main window's log after the run
};

// Runs inside a QApplication, with the stand-in up and logged into by nobody yet.
SoakFigures RunConsoleSoak(const SimProcess& sim, const SoakOptions& options);

}  // namespace ydt::test
