#include "KvBoardHugePages.h"
#include "KvBoardNetCommand.h"
#include "KvBoardScript.h"
#include "KvBoardTransport.h"
#include "KvBoardWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>
#include <memory>

namespace {

struct Options
{
    QString script;
    QString out;
    QString file;
    KvBoardTransport::Mode mode = KvBoardTransport::Live;
    int delay = 0;
    KvBoardNetCommand net;
};

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("kvboard"));
    QCoreApplication::setOrganizationName(QStringLiteral("kvpen"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVBOARD_VERSION));
}

// Reads the command line with no display at hand: --help, --version and mistakes end here.
// Returns -1 to go on, or the exit code.
int parseArguments(int argc, char **argv, Options *options)
{
    QCoreApplication app(argc, argv);
    nameApplication();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "kvboard, a whiteboard with the kvpen plug-in and a mirrored remote board."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("Board to open and save (.xml or .kvb)."),
                                 QStringLiteral("[file]"));
    const QCommandLineOption mirror(QStringLiteral("mirror"),
                                    QStringLiteral("Mirroring: live or stroke."),
                                    QStringLiteral("mode"), QStringLiteral("live"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Milliseconds each mirrored message travels."),
                                   QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption script(
        QStringLiteral("script"),
        QStringLiteral("Play a scripted session offscreen (needs no display)."),
        QStringLiteral("session.json"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Folder for the scripted session's outputs."),
                                 QStringLiteral("dir"), QStringLiteral("out"));
    parser.addOptions({mirror, delay, script, out});
    options->net.addOptions(parser);
    parser.process(app);
    options->net.read(parser);

    const QString mode = parser.value(mirror);
    bool delayOk = false;
    options->delay = parser.value(delay).toInt(&delayOk);
    if ((mode != QLatin1String("live") && mode != QLatin1String("stroke")) || !delayOk
        || options->delay < 0) {
        std::fprintf(stderr, "kvboard: --mirror is live or stroke, --delay a number of ms\n");
        return 2;
    }
    options->mode
        = mode == QLatin1String("live") ? KvBoardTransport::Live : KvBoardTransport::WholeStroke;
    options->script = parser.value(script);
    options->out = parser.value(out);
    if (!parser.positionalArguments().isEmpty())
        options->file = parser.positionalArguments().constFirst();
    return -1;
}

int playScript(const QString &session, const QString &outDir, const KvBoardNetCommand &net)
{
    KvBoardScript script;
    QString error;
    if (!script.load(session, &error)) {
        std::fprintf(stderr, "kvboard: %s\n", qPrintable(error));
        return 1;
    }
    if (net.joins()) {
        if (const int code = net.playJoined(&script, outDir))
            return code;
    } else if (!script.run(outDir, &error)) {
        std::fprintf(stderr, "kvboard: %s\n", qPrintable(error));
        return 1;
    }
    const QDir out(outDir);
    for (const char *file : {"board.png", "mirror.png", "board.xml", "messages.jsonl"})
        std::printf(
            "kvboard: wrote %s\n",
            qPrintable(QDir::toNativeSeparators(out.absoluteFilePath(QString::fromLatin1(file)))));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    kvboardUseHugePages(argv);
    Options options;
    if (const int exitCode = parseArguments(argc, argv, &options); exitCode >= 0)
        return exitCode;

    // A scripted session and the relay need no display; the relay's rooms keep boards, whose
    // scenes need QApplication.
    if (!options.script.isEmpty() || options.net.serves())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    nameApplication();
    if (options.net.serves())
        return options.net.serve();
    if (!options.script.isEmpty())
        return playScript(options.script, options.out, options.net);

    KvBoardWindow window;
    window.transport()->setMode(options.mode);
    window.transport()->setDelay(options.delay);
    if (!options.file.isEmpty())
        window.setDocumentPath(options.file);
    QString error;
    if (options.net.joins() && !options.net.join(&window, &error)) {
        std::fprintf(stderr, "kvboard: %s\n", qPrintable(error));
        return 2;
    }
    window.show();
    return app.exec();
}
