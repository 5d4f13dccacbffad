// A few reloads of the long-run soak, short enough for every test run: the loads keep
// their rows, every log line from the loads and from concurrent workers arrives, and
// no thread or descriptor outlives the work that opened it.
#include <QtTest>

#include "soak_run.h"
#include "support/sim/sim_process.h"

namespace ydt::test {

class SoakSmokeTest : public QObject {
  Q_OBJECT

 private slots:
  void reloadsLeaveNothingBehind() {
    SimProcess sim;
    QVERIFY2(sim.Started(), sim.StartError().c_str());
    SoakOptions options;
    options.regionIndex = 1;  // 250 machines: three pages per load
    options.warmupReloads = 2;
    options.reloads = 6;
    options.logLines = 600;
    options.sampleEvery = 3;
    options.prependSamples = 3;
    const SoakFigures figures = RunConsoleSoak(sim, options);
    QVERIFY2(figures.failure.empty(), figures.failure.c_str());

    QCOMPARE(figures.loads, 8);
    QCOMPARE(figures.minRows, 250);
    QCOMPARE(figures.maxRows, 250);
    QCOMPARE(figures.boxesShown, 0);
    QCOMPARE(figures.pauses, 8LL);
    // Lines written by workers while the loads write theirs: none may be lost. The pane's
    // first text, a count and three pages for each load, and the workers' lines.
    QCOMPARE(figures.logBlocks, 1 + 8 * (1 + 3) + 600L);
    QVERIFY2(figures.end.threads <= figures.afterWarmup.threads,
             qPrintable(QStringLiteral("threads %1 after warm-up, %2 at the end")
                            .arg(figures.afterWarmup.threads)
                            .arg(figures.end.threads)));
    QVERIFY2(figures.end.fds <= figures.afterWarmup.fds,
             qPrintable(QStringLiteral("descriptors %1 after warm-up, %2 at the end")
                            .arg(figures.afterWarmup.fds)
                            .arg(figures.end.fds)));
  }
};

}  // namespace ydt::test

QTEST_MAIN(ydt::test::SoakSmokeTest)
#include "soak_smoke_test.moc"
