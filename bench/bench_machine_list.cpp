// Loads a region of 10,000 machines from the stand-in into a machine panel and compares the
// time from the count request to the rows on screen with the time the same requests take
// as bare HTTP exchanges in the same run. A 1 ms timer on the UI thread measures the
// longest stretch the UI thread was busy while the load ran. The pause before the first
// page is left out of the load (it is a fixed wait, not work).
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_session.h"
#include "consoles/machines/machine_list_request.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/machines_panel.h"
#include "service/backend/backend_client.h"
#include "service/http/http_client.h"
#include "service/text/text.h"
#include "support/sim/sim_process.h"
#include "ui/log_pane.h"

namespace {

using ydt::ProviderKind;
using ydt::bench::AnswerOk;
using ydt::bench::DemoKeys;
using ydt::bench::Median;
using ydt::bench::NoPause;
using ydt::bench::Region;

constexpr int kRegionRows = 10000;
constexpr int kRounds = 3;

// Hands the lines on to the pane, counting those of requests that failed: a failed load
// finishes fast and would flatter the figures.
class FailureCountingSink : public ydt::LogSink {
 public:
  explicit FailureCountingSink(ydt::LogSink& next) : next_(next) {}
  void PrependLine(const std::string& line) override {
    if (line.find("] 成功！") == std::string::npos) ++failed;
    next_.PrependLine(line);
  }
  std::atomic<int> failed{0};

 private:
  ydt::LogSink& next_;
};

// The load's requests as plain exchanges: no envelope check, no JSON, no rows.
double RawMs(const std::string& baseUrl, ProviderKind kind, int total) {
  std::vector<ydt::BackendRequest> requests = {
      ydt::MachineCountRequest(kind, DemoKeys(kind), Region(kind))};
  for (int page = 1; page <= ydt::MachineListPageCount(total); ++page) {
    requests.push_back(ydt::MachinePageRequest(kind, DemoKeys(kind), Region(kind), page, total));
  }
  QElapsedTimer clock;
  clock.start();
  for (const ydt::BackendRequest& request : requests) {
    ydt::HttpRequest http;
    http.address = baseUrl + request.path;
    http.method = ydt::kPost;
    http.bodyText = ydt::Utf8ToGbk(request.form);
    http.extraHeaders = "interface:yunduotai";
    const ydt::HttpResponse response = ydt::HttpSend(http);
    (void)response;
  }
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

struct LoadFigures {
  double ms = 0;
  double maxStallMs = 0;
  int rows = 0;
};

LoadFigures PanelLoadMs(ydt::MachinesPanel& panel) {
  LoadFigures figures;
  QElapsedTimer sinceTick;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(1);
  QObject::connect(&ticker, &QTimer::timeout, &panel, [&] {
    figures.maxStallMs =
        std::max(figures.maxStallMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
    sinceTick.restart();
  });

  QElapsedTimer clock;
  QEventLoop wait;
  bool done = false;
  auto finished = QObject::connect(&panel, &ydt::MachinesPanel::LoadFinished, &panel, [&] {
    // The rows count as shown once the grid has painted them.
    panel.Grid()->viewport()->repaint();
    figures.ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    done = true;
    wait.quit();
  });
  ticker.start();
  sinceTick.start();
  clock.start();
  QTimer::singleShot(120000, &wait, &QEventLoop::quit);  // a load that never ends is a failure
  panel.LoadMachineList();
  // A real event loop sleeps between events as the console's own does. processEvents with
  // a time limit drops WaitForMoreEvents and spins, which took a whole core away from the
  // loader and the stand-in on a two-core machine.
  if (!done) wait.exec();
  ticker.stop();
  // The stretch that ended with the last paint counts too.
  figures.maxStallMs =
      std::max(figures.maxStallMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
  QObject::disconnect(finished);
  figures.rows = done ? panel.Model().rowCount() : -1;
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("LXSIM_BIN")) qputenv("LXSIM_BIN", YDT_LXSIM_BIN);
  QApplication app(argc, argv);
  ydt::InitHttpTransport();

  ydt::test::SimProcess sim;
  if (!sim.Started()) {
    std::fprintf(stderr, "stand-in did not start: %s\n", sim.StartError().c_str());
    return 1;
  }
  AnswerOk prompter;
  ydt::LogPane logPane;
  FailureCountingSink sink(logPane);
  ydt::BackendClient client(sink, prompter, sim.BaseUrl());
  if (!ydt::bench::LogIn(client)) {
    std::fprintf(stderr, "login to the stand-in failed\n");
    return 1;
  }

  double worstRatio = 0;
  double worstStall = 0;
  bool allLoaded = true;
  for (ProviderKind kind : ydt::kAllProviders) {
    NoPause uiPause;
    ydt::ProviderState state;
    state.regionCode = Region(kind);
    ydt::MachinesEnvironment env;
    env.client = &client;
    env.prompter = &prompter;
    env.uiPauser = &uiPause;
    env.state = &state;
    env.readKeys = [kind] { return DemoKeys(kind); };
    env.makeLoadPauser = [](std::stop_token) { return std::make_unique<NoPause>(); };
    ydt::MachinesPanel panel(kind, env);
    panel.resize(900, 600);
    panel.show();

    std::vector<double> raw, load;
    double stall = 0;
    int rows = 0;
    for (int round = 0; round < kRounds; ++round) {
      raw.push_back(RawMs(sim.BaseUrl(), kind, kRegionRows));
      const int failedBefore = sink.failed;
      const LoadFigures figures = PanelLoadMs(panel);
      if (figures.rows != kRegionRows || sink.failed != failedBefore) {
        const std::string rows =
            figures.rows < 0 ? "never finished" : std::to_string(figures.rows) + " rows";
        std::fprintf(stderr, "%s round %d: %s, %d failed requests\n",
                     std::string(ydt::Info(kind).segment).c_str(), round + 1, rows.c_str(),
                     sink.failed - failedBefore);
        allLoaded = false;
      }
      load.push_back(figures.ms);
      stall = std::max(stall, figures.maxStallMs);
      rows = figures.rows;
    }
    const double ratio = Median(load) / Median(raw);
    std::printf("%s: %d rows  load %.1f ms  raw %.1f ms  load/raw %.2f  ui max stall %.1f ms\n",
                std::string(ydt::Info(kind).segment).c_str(), rows, Median(load), Median(raw),
                ratio, stall);
    worstRatio = std::max(worstRatio, ratio);
    worstStall = std::max(worstStall, stall);
  }
  std::printf("load/raw ratio: %.2f  ui max stall ms: %.1f\n", worstRatio, worstStall);
  if (!allLoaded) std::fprintf(stderr, "FAILED: not every round loaded the whole region\n");
  return allLoaded ? 0 : 1;
}
