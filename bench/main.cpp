#include "KvBenchBoard.h"

#include <QApplication>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <sched.h>

namespace {
// The engine's diagnostics go nowhere, as in a host without a log window.
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) { }

// The cores the run may use, for the report: "0,1", or one when the run is pinned.
std::string allowedCpus()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof(set), &set) != 0)
        return {};
    QStringList cpus;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &set))
            cpus.append(QString::number(cpu));
    }
    return cpus.join(QLatin1Char(',')).toStdString();
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    qInstallMessageHandler(dropMessage);
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("allowed_cpus", allowedCpus());
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    KvBenchBoard::releaseAll();
    return 0;
}
