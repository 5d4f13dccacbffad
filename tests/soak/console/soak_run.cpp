#include "soak_run.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "consoles/account/ui/key_pair_panel.h"
#include "consoles/machines/machine_list_request.h"
#include "consoles/machines/ui/machines_panel.h"
#include "service/backend/backend_client.h"
#include "service/text/text.h"
#include "shell/mainwindow/main_window.h"
#include "shell/mainwindow/provider_page.h"
#include "shell/mainwindow/tab_composition.h"
#include "shell/settings/running_values.h"
#include "shell/settings/settings_store.h"
#include "support/sim/sim_process.h"
#include "ui/app_context.h"
#include "ui/event_loop_pauser.h"
#include "ui/log_pane.h"

namespace ydt::test {
namespace {

// The wait before the first page is a fixed delay, not work: counted, not waited.
class CountedPause : public Pauser {
 public:
  CountedPause(std::atomic<long long>& count, std::atomic<long long>& ms)
      : count_(count), ms_(ms) {}
  void Pause(std::int64_t milliseconds) override {
    ++count_;
    ms_ += milliseconds;
  }

 private:
  std::atomic<long long>& count_;
  std::atomic<long long>& ms_;
};

// A healthy run asks nothing of the operator; any box it would show is counted instead.
class CountingPrompter : public Prompter {
 public:
  MessageAnswer Show(WindowRef, const std::string&, MessageIcon, MessageButtons) override {
    ++shown;
    return MessageAnswer::Ok;
  }
  std::atomic<int> shown{0};
};

class CountingSink : public LogSink {
 public:
  void PrependLine(const std::string&) override { ++lines; }
  std::atomic<long> lines{0};
};

class NoOtherCopies : public ProcessTable {
 public:
  std::vector<ProcessEntry> List() override { return {}; }
  bool Terminate(int) override { return false; }
  int OwnPid() override { return 1; }
  unsigned OwnUid() override { return 0; }
};

constexpr int kLoadLimitMs = 30000;

void Spin(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::string LogLine(int number) {
  return "[" + std::to_string(number) + "] [浸泡测试 - 工作线程日志] 第" + std::to_string(number) +
         "行\r\n";
}

// One line put on top and painted, as the operator would see it arrive.
double TimedPrependUs(LogPane& pane, int number) {
  QElapsedTimer clock;
  clock.start();
  pane.PrependLine(LogLine(number));
  pane.viewport()->repaint();
  return static_cast<double>(clock.nsecsElapsed()) / 1e3;
}

void FillPane(LogPane& pane, int lines) {
  for (int i = 1; i <= lines; ++i) {
    pane.PrependLine(LogLine(i));
    if (i % 1000 == 0) QCoreApplication::processEvents();
  }
}

void MeasurePrepend(const SoakOptions& options, SoakFigures& figures) {
  std::vector<double> shortLog;
  for (int sample = 0; sample < options.prependSamples; ++sample) {
    LogPane pane;
    pane.resize(700, 240);
    pane.show();
    FillPane(pane, 8);  // with the first text and the timed line: 10 lines
    Spin(5);
    shortLog.push_back(TimedPrependUs(pane, 9));
  }
  figures.prependUsAt10 = Median(shortLog);

  LogPane pane;
  pane.resize(700, 240);
  pane.show();
  FillPane(pane, 9998);
  Spin(20);
  std::vector<double> longLog;
  for (int sample = 0; sample < options.prependSamples; ++sample) {
    longLog.push_back(TimedPrependUs(pane, 9999 + sample));
  }
  figures.prependUsAt10000 = Median(longLog);
}

}  // namespace

SoakFigures RunConsoleSoak(const SimProcess& sim, const SoakOptions& options) {
  SoakFigures figures;
  figures.start = ProcessVitals::Now();
  QElapsedTimer runClock;
  runClock.start();
  auto say = [&options](const std::string& text) {
    if (options.progress) options.progress(text);
  };

  QTemporaryDir documents;
  SettingsStore settings(documents.path().toStdString());
  RunningValues running;
  ThreadTaskRunner tasks;
  EventLoopPauser uiPauser;
  CountingPrompter prompter;
  NoOtherCopies processes;
  auto* logPane = new LogPane;  // the main window takes it over
  CountingSink discarded;
  LogSink& sink = options.logToPane ? static_cast<LogSink&>(*logPane) : discarded;
  BackendClient backend(sink, prompter, sim.BaseUrl());
  AppContext context{backend, prompter, uiPauser, tasks, settings, running, processes, "soak"};

  const std::string login = std::string("username=%64%65%6D%6F&password=") +
                            Md5Hex(SimProcess::kPassword) + "&verifycode=" + SimProcess::kCaptcha +
                            "&type=yunduotai";
  if (backend.CallBackend("/login/", kPost, login, nullptr, {}, false, "") != 0) {
    figures.failure = "login to the stand-in failed";
    return figures;
  }

  std::atomic<long long> pauses{0};
  std::atomic<long long> pauseMs{0};
  auto window = std::make_unique<MainWindow>(context, logPane);
  ProviderPage& page = *window->Page(options.kind);
  MachinesEnvironment env = MachinesEnvironmentFor(context, page);
  env.makeLoadPauser = [&pauses, &pauseMs](std::stop_token) {
    return std::make_unique<CountedPause>(pauses, pauseMs);
  };
  auto* panel = new MachinesPanel(options.kind, env);
  page.SetMachinesPanel(panel);
  QObject::connect(&page, &ProviderPage::regionChosen, panel,
                   [panel](ProviderKind) { panel->LoadMachineList(); });
  window->RunCreationSequence();
  window->Tabs()->setCurrentIndex(ProviderIndex(options.kind));
  window->resize(1200, 800);
  window->show();
  Spin(300);

  int finished = 0;
  QObject::connect(panel, &MachinesPanel::LoadFinished, panel, [&finished] { ++finished; });
  // A load that never finishes ends the run with a reason instead of holding it forever.
  auto awaitLoad = [&finished, &figures, panel](int target) {
    QElapsedTimer waited;
    waited.start();
    // Sleeps between events (a time limit on processEvents would spin instead); the timer
    // wakes it to look at the clock.
    QTimer wake;
    wake.start(100);
    while (finished < target) {
      if (waited.elapsed() > kLoadLimitMs) {
        figures.failure = "load " + std::to_string(target) + " did not finish within " +
                          std::to_string(kLoadLimitMs / 1000) + " s";
        return -1;
      }
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const int rows = panel->Model().rowCount();
    figures.minRows = figures.loads == 0 ? rows : std::min(figures.minRows, rows);
    figures.maxRows = std::max(figures.maxRows, rows);
    ++figures.loads;
    return rows;
  };
  long expectedLines = 0;
  auto countLines = [&expectedLines](int rows) { expectedLines += 1 + MachineListPageCount(rows); };

  // The operator's way in: the key pair typed, then the region picked.
  const std::string segment(Info(options.kind).segment);
  page.KeyPair()->SecretIdBox()->setText(QString::fromStdString("demo-" + segment + "-id"));
  page.KeyPair()->SecretKeyBox()->setText(QString::fromStdString("demo-" + segment + "-key"));
  page.RegionBox()->setCurrentIndex(options.regionIndex);
  emit page.RegionBox()->activated(options.regionIndex);
  auto loaded = [&](int target) {
    const int rows = awaitLoad(target);
    if (rows >= 0) countLines(rows);
    return rows >= 0;
  };
  if (!loaded(1)) return figures;

  QAction* refresh = panel->PopupMenu()->actions().front();
  for (int i = 1; i < options.warmupReloads; ++i) {
    refresh->trigger();
    if (!loaded(finished + 1)) return figures;
  }
  Spin(100);
  figures.afterWarmup = SettledVitals(figures.start.threads, std::chrono::seconds(2), [] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  });
  logPane->Flush();
  figures.logBlocksAfterWarmup =
      options.logToPane ? logPane->document()->blockCount() : 1 + discarded.lines.load();
  say("warm-up done: " + std::to_string(figures.loads) + " loads, " +
      std::to_string(figures.afterWarmup.rssKb / 1024) + " MB");

  int linesSent = 0;
  for (int i = 0; i < options.reloads; ++i) {
    refresh->trigger();
    const int lines = options.logToPane
                          ? static_cast<int>(static_cast<long long>(options.logLines) * (i + 1) /
                                             options.reloads) -
                                linesSent
                          : 0;
    const int first = linesSent + 1;
    linesSent += lines;
    std::thread writer([logPane, first, lines] {
      for (int k = 0; k < lines; ++k) logPane->PrependLine(LogLine(first + k));
    });
    const bool done = loaded(finished + 1);
    writer.join();
    if (!done) return figures;
    if ((i + 1) % options.sampleEvery == 0 || i + 1 == options.reloads) {
      figures.rssSamplesKb.push_back(ProcessVitals::Now().rssKb);
      say("reload " + std::to_string(i + 1) + "/" + std::to_string(options.reloads) + ": " +
          std::to_string(figures.rssSamplesKb.back() / 1024) + " MB");
    }
  }
  Spin(100);
  logPane->Flush();
  figures.end = SettledVitals(figures.afterWarmup.threads, std::chrono::seconds(5),
                              [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
  figures.seconds = static_cast<double>(runClock.elapsed()) / 1000.0;
  figures.boxesShown = prompter.shown.load();
  figures.pauses = pauses.load();
  figures.pauseMs = pauseMs.load();
  // Without the pane, the counted lines stand for what it would hold.
  figures.logBlocks =
      options.logToPane ? logPane->document()->blockCount() : 1 + discarded.lines.load();
  figures.expectedLogBlocks = 1 + expectedLines + linesSent;

  std::vector<double> atEnd;
  for (int sample = 0; sample < options.prependSamples; ++sample) {
    atEnd.push_back(TimedPrependUs(*logPane, linesSent + 1 + sample));
  }
  figures.prependUsAtEnd = Median(atEnd);
  window.reset();

  MeasurePrepend(options, figures);
  return figures;
}

}  // namespace ydt::test
