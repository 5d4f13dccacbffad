// The grid's tools on a region of 10,000 machines from the stand-in, on a shown window:
// how long the UI thread is busy for one keystroke in the filter box and for one sort by a
// column header (each until the grid has painted its result), the longest stall of the UI
// thread while a quiet refresh replaces the rows (against an idle window's longest stall in
// the same run), and the export of the rows to a CSV file (against a plain write of the
// same bytes).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include "bench_session.h"
#include "consoles/machines/machine_csv.h"
#include "consoles/machines/ui/machine_table_model.h"
#include "consoles/machines/ui/machines_panel.h"
#include "service/http/http_client.h"
#include "ui/log_pane.h"

namespace {

using ydt::ProviderKind;
using ydt::bench::Median;

constexpr ProviderKind kKind = ProviderKind::Tencent;
constexpr int kRounds = 3;

// The longest gap between two ticks of a 1 ms timer on the UI thread: the longest time the
// thread was busy with something else.
class StallProbe {
 public:
  StallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Tick(); });
  }
  void Start() {
    longest_ = 0;
    sinceTick_.start();
    timer_.start();
  }
  double Stop() {
    Tick();
    timer_.stop();
    return longest_;
  }

 private:
  void Tick() {
    longest_ = std::max(longest_, static_cast<double>(sinceTick_.nsecsElapsed()) / 1e6);
    sinceTick_.restart();
  }
  QTimer timer_;
  QElapsedTimer sinceTick_;
  double longest_ = 0;
};

// Runs the event loop until `done` is emitted (or `ms` have passed).
template <typename Signal>
void WaitFor(ydt::MachinesPanel& panel, Signal done, int ms = 120000) {
  QEventLoop loop;
  auto connection = QObject::connect(&panel, done, &loop, &QEventLoop::quit);
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
  QObject::disconnect(connection);
}

void Spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// What `step` and the paint of its result cost the UI thread: the time it took, and the
// processor time the thread itself spent on it (on a shared machine the first also counts
// the time other processes had the core).
struct Busy {
  double wallMs = 0;
  double cpuMs = 0;
};

Busy BusyFor(QTableView* grid, const std::function<void()>& step) {
  QElapsedTimer clock;
  const double cpu = ThreadCpuMs();
  clock.start();
  step();
  if (grid != nullptr) grid->viewport()->repaint();
  return {static_cast<double>(clock.nsecsElapsed()) / 1e6, ThreadCpuMs() - cpu};
}

struct Figures {
  std::vector<double> wall, cpu;
  void Add(Busy busy) {
    wall.push_back(busy.wallMs);
    cpu.push_back(busy.cpuMs);
  }
  static double Max(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }
};

std::string Ids(const ydt::MachineTableModel& model, int first, int count) {
  std::string ids;
  for (int row = first; row < first + count; ++row) {
    ids += model.Rows()[static_cast<std::size_t>(row)].Cell(ydt::MachineColumn::Id) + ",";
  }
  return ids;
}

void Act(ydt::BackendClient& client, const char* operation, const std::string& ids) {
  const ydt::AccessKeys keys = ydt::bench::DemoKeys(kKind);
  const std::string form = "secretid=" + keys.secretId + "&secretkey=" + keys.secretKey +
                           "&region=" + ydt::bench::Region(kKind) + "&instanceids=" + ids;
  client.CallBackend(ydt::BackendPath(kKind, operation), ydt::kPost, form, nullptr, {}, false, "");
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("LXSIM_BIN")) qputenv("LXSIM_BIN", YDT_LXSIM_BIN);
  QApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  ydt::InitHttpTransport();

  // Released machines leave the list after a second, so a refresh can find other machines.
  ydt::test::SimProcess sim({"--transition-ms", "1000"});
  if (!sim.Started()) {
    std::fprintf(stderr, "stand-in did not start: %s\n", sim.StartError().c_str());
    return 1;
  }
  ydt::bench::AnswerOk prompter;
  ydt::LogPane logPane;
  ydt::BackendClient client(logPane, prompter, sim.BaseUrl());
  if (!ydt::bench::LogIn(client)) {
    std::fprintf(stderr, "login to the stand-in failed\n");
    return 1;
  }

  QTemporaryDir folder;
  ydt::bench::NoPause uiPause;
  ydt::ProviderState state;
  state.regionCode = ydt::bench::Region(kKind);
  ydt::MachinesEnvironment env;
  env.client = &client;
  env.prompter = &prompter;
  env.uiPauser = &uiPause;
  env.state = &state;
  env.readKeys = [] { return ydt::bench::DemoKeys(kKind); };
  env.makeLoadPauser = [](std::stop_token) { return std::make_unique<ydt::bench::NoPause>(); };
  env.chooseExportFile = [&folder](const QString&) {
    return folder.filePath(QStringLiteral("grid.csv"));
  };
  // One quiet refresh per watch: due at once, judged past its limit when it ends.
  env.quietRefreshInterval = std::chrono::milliseconds(1);
  env.quietRefreshLimit = std::chrono::milliseconds(50);
  ydt::MachinesPanel panel(kKind, env);
  panel.resize(1200, 700);
  panel.show();
  QTableView* grid = panel.Grid();
  auto* filter = panel.findChild<QLineEdit*>(QStringLiteral("编辑框_腾讯云_筛选"));

  panel.LoadMachineList();
  WaitFor(panel, &ydt::MachinesPanel::LoadFinished);
  const int rows = panel.Model().rowCount();
  std::printf("rows: %d\n", rows);
  if (rows < 10000) return 1;

  StallProbe probe;
  probe.Start();
  Spin(2000);
  const double idleStall = probe.Stop();
  Figures repaint;
  for (int i = 0; i < 5; ++i) repaint.Add(BusyFor(grid, [] {}));

  // Typing one machine's address and taking it back again, without and with a sort.
  std::size_t target = 6789;
  while (panel.Model().Rows()[target].Cell(ydt::MachineColumn::PublicAddress).empty()) ++target;
  const QString address =
      QString::fromStdString(panel.Model().Rows()[target].Cell(ydt::MachineColumn::PublicAddress));
  Figures keystrokes;
  for (int sorted = 0; sorted < 2; ++sorted) {
    if (sorted == 1) grid->horizontalHeader()->setSortIndicator(5, Qt::DescendingOrder);
    for (QChar c : address) {
      keystrokes.Add(BusyFor(grid, [&] { filter->insert(QString(c)); }));
    }
    const int shown = grid->model()->rowCount();
    while (!filter->text().isEmpty()) {
      keystrokes.Add(BusyFor(grid, [&] { filter->backspace(); }));
    }
    std::printf("filter %s: \"%s\" shows %d row(s)\n", sorted ? "sorted by address" : "unsorted",
                qPrintable(address), shown);
  }

  Figures sorts;
  const std::vector<std::pair<int, Qt::SortOrder>> orders = {
      {0, Qt::DescendingOrder}, {0, Qt::AscendingOrder}, {5, Qt::AscendingOrder},
      {7, Qt::DescendingOrder}, {2, Qt::AscendingOrder}, {3, Qt::AscendingOrder},
      {1, Qt::DescendingOrder}, {6, Qt::AscendingOrder}};
  for (const auto& [column, order] : orders) {
    sorts.Add(BusyFor(grid, [&] { grid->horizontalHeader()->setSortIndicator(column, order); }));
  }

  // Quiet refreshes while a sort by state and a selection of a hundred machines stand: one
  // that finds twelve machines changed, one that finds a machine gone.
  grid->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
  grid->selectionModel()->select(
      QItemSelection(grid->model()->index(4000, 0), grid->model()->index(4099, 7)),
      QItemSelectionModel::ClearAndSelect);
  std::vector<double> inPlace, replaced;
  for (int round = 0; round < kRounds; ++round) {
    Act(client, "stopinstances", Ids(panel.Model(), 100 + 20 * round, 12));
    probe.Start();
    panel.WatchForSettling();
    WaitFor(panel, &ydt::MachinesPanel::QuietRefreshFinished);
    inPlace.push_back(probe.Stop());

    Act(client, "terminateinstances", Ids(panel.Model(), 9000 + round, 1));
    Spin(1500);
    const int before = panel.Model().rowCount();
    probe.Start();
    panel.WatchForSettling();
    WaitFor(panel, &ydt::MachinesPanel::QuietRefreshFinished);
    replaced.push_back(probe.Stop());
    if (panel.Model().rowCount() >= before) std::printf("warning: no machine left the list\n");
  }

  Figures exports, writes;
  for (int round = 0; round < kRounds; ++round) {
    exports.Add(BusyFor(nullptr, [&] { panel.ExportShownRows(); }));
    const std::string bytes = ydt::MachineRowsCsv(panel.ShownRows());
    writes.Add(BusyFor(nullptr, [&] {
      QFile plain(folder.filePath(QStringLiteral("plain.csv")));
      plain.open(QIODevice::WriteOnly);
      plain.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }));
  }

  const double keyMax = Figures::Max(keystrokes.wall);
  const double sortMax = Figures::Max(sorts.wall);
  const double quietStall = std::max(*std::max_element(inPlace.begin(), inPlace.end()),
                                     *std::max_element(replaced.begin(), replaced.end()));
  std::printf("idle window longest stall: %.1f ms; grid repaint alone: %.1f ms (%.1f ms cpu)\n",
              idleStall, Median(repaint.wall), Median(repaint.cpu));
  std::printf(
      "filter: %zu keystrokes, median %.1f ms, max %.1f ms (%.1f x a repaint); cpu median %.1f, "
      "max %.1f ms\n",
      keystrokes.wall.size(), Median(keystrokes.wall), keyMax, keyMax / Median(repaint.wall),
      Median(keystrokes.cpu), Figures::Max(keystrokes.cpu));
  std::printf(
      "sort: %zu sorts, median %.1f ms, max %.1f ms (%.1f x a repaint); cpu median %.1f, max "
      "%.1f ms\n",
      sorts.wall.size(), Median(sorts.wall), sortMax, sortMax / Median(repaint.wall),
      Median(sorts.cpu), Figures::Max(sorts.cpu));
  std::printf("quiet refresh longest stall: rows changed in place %.1f ms, rows replaced %.1f ms\n",
              *std::max_element(inPlace.begin(), inPlace.end()),
              *std::max_element(replaced.begin(), replaced.end()));
  std::printf(
      "export of %d rows: median %.1f ms, cpu %.1f ms (plain write of the same bytes %.1f ms, "
      "%.1f x)\n",
      static_cast<int>(panel.ShownRows().size()), Median(exports.wall), Median(exports.cpu),
      Median(writes.wall), Median(exports.wall) / Median(writes.wall));
  std::printf(
      "filter max ms: %.1f (cpu %.1f)  sort max ms: %.1f (cpu %.1f)  quiet stall over idle ms: "
      "%.1f  export ms: %.1f\n",
      keyMax, Figures::Max(keystrokes.cpu), sortMax, Figures::Max(sorts.cpu),
      quietStall - idleStall, Median(exports.wall));
  return 0;
}
