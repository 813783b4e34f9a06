// Soak: a whole class drawing on one board for a set time. Usage:
//   kvpen_soak [--seconds N] [--seed S] [--check-ms N] [--clear-seconds N] [--no-paint]
// or random boards saved, loaded and mirrored, seeds S to S+N-1:
//   kvpen_soak --roundtrips N [--seed S] [--strokes N]
#include "KvRoundTripCheck.h"
#include "KvSoakSession.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace {

int qtWarnings = 0;

// The engines' refusals are debug lines, not what a soak reports; a warning is a failure.
void soakMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    ++qtWarnings;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

int runRoundTrips(quint32 firstSeed, int boards, int strokes)
{
    int failed = 0;
    for (quint32 seed = firstSeed; seed < firstSeed + quint32(boards); ++seed) {
        KvRoundTripCheck check(seed);
        check.drawRandomBoard(strokes);
        const QStringList failures = check.failures();
        std::printf("seed %u: %d groups, %s\n", seed, check.groupCount(),
                    failures.isEmpty() ? "whole" : "differs");
        for (const QString &failure : failures)
            std::printf("  %s\n", qPrintable(failure));
        failed += failures.isEmpty() ? 0 : 1;
    }
    return failed;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler(soakMessageHandler);
    QCommandLineParser parser;
    const QCommandLineOption seconds("seconds", "How long to draw.", "seconds", "60");
    const QCommandLineOption seed("seed", "Seed of the random drawing.", "seed", "1");
    const QCommandLineOption checkMs("check-ms", "Time between checks.", "ms", "1000");
    const QCommandLineOption clearSeconds("clear-seconds", "Time between clears.", "s", "30");
    const QCommandLineOption noPaint("no-paint", "Never paint the view.");
    const QCommandLineOption roundTrips("roundtrips", "Round-trip this many random boards.", "n");
    const QCommandLineOption strokes("strokes", "Strokes per round-trip board.", "n", "60");
    parser.addOptions({seconds, seed, checkMs, clearSeconds, noPaint, roundTrips, strokes});
    parser.addHelpOption();
    parser.process(app);

    if (parser.isSet(roundTrips)) {
        const int failed
            = runRoundTrips(parser.value(seed).toUInt(), parser.value(roundTrips).toInt(),
                            parser.value(strokes).toInt());
        return failed == 0 && qtWarnings == 0 ? 0 : 1;
    }

    KvSoakSession session(parser.value(seed).toUInt(), !parser.isSet(noPaint));
    const bool passed = session.run(parser.value(seconds).toDouble(), parser.value(checkMs).toInt(),
                                    parser.value(clearSeconds).toDouble());
    std::printf("%s\n", qPrintable(session.report()));
    for (const QString &failure : session.failures())
        std::printf("invariant broken: %s\n", qPrintable(failure));
    if (qtWarnings > 0)
        std::printf("%d Qt warnings\n", qtWarnings);
    return passed && qtWarnings == 0 ? 0 : 1;
}
