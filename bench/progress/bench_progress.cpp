// The progress dialog's cost to a job that updates its caption and position once per row.
// Run offscreen (QT_QPA_PLATFORM=offscreen) or under Xvfb; the job's own work is the same
// caption formatting in every case, so the difference to the bare loop is the dialog's share.
#include "components/DlgInfFm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

namespace {

constexpr int Updates = 100000;

// The job alone, without a dialog.
void BareLoop(benchmark::State &state)
{
    for (auto _ : state) {
        qint64 sum = 0;
        for (int row = 1; row <= Updates; ++row) {
            const QString caption = QStringLiteral("Building row %1 of %2").arg(row).arg(Updates);
            sum += caption.size() + row;
        }
        benchmark::DoNotOptimize(sum);
    }
}

// The same loop as the dialog's job: timed from the job's start to its end, so the wait for
// the closing tick is not counted.
void DialogJob(benchmark::State &state)
{
    TDlgInfo dialog(nullptr, QStringLiteral("DlgBench"));
    dialog.setAnimate(state.range(0) != 0);
    dialog.setTime(true);
    dialog.setCaption(QStringLiteral("Building Query .."));
    dialog.OnExecute = [&](QObject *) {
        dialog.setMax(Updates);
        QElapsedTimer clock;
        clock.start();
        for (int row = 1; row <= Updates; ++row) {
            dialog.setCaption(QStringLiteral("Building row %1 of %2").arg(row).arg(Updates));
            dialog.setPosition(row);
        }
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
    };
    for (auto _ : state) {
        dialog.setPosition(0);
        dialog.Execute();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A whole Execute: showing, the job, and the wait for the timer's closing tick.
void WholeExecute(benchmark::State &state)
{
    TDlgInfo dialog(nullptr, QStringLiteral("DlgBench"));
    dialog.OnExecute = [&](QObject *) {
        dialog.setMax(Updates);
        for (int row = 1; row <= Updates; ++row) {
            dialog.setCaption(QStringLiteral("Building row %1 of %2").arg(row).arg(Updates));
            dialog.setPosition(row);
        }
    };
    for (auto _ : state) {
        dialog.setPosition(0);
        dialog.Execute();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace

BENCHMARK(BareLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(DialogJob)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WholeExecute)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
