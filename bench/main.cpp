#include "KvBenchBoard.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {
// The engine's diagnostics go nowhere, as in a host without a log window.
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) { }
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    qInstallMessageHandler(dropMessage);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    KvBenchBoard::releaseAll();
    return 0;
}
