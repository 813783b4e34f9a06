#include "KvBoardClient.h"
#include "KvBoardNetCommand.h"
#include "KvBoardScript.h"
#include "KvBoardTransport.h"
#include "KvBoardWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>
#include <cstring>

namespace {

bool hasArgument(int argc, char **argv, const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

int playScript(const QString &session, const QString &outDir, const QCommandLineParser &parser,
               const KvBoardNetCommand &net)
{
    KvBoardScript script;
    QString error;
    if (!script.load(session, &error)) {
        std::fprintf(stderr, "kvboard: %s\n", qPrintable(error));
        return 1;
    }
    if (net.joins(parser)) {
        if (const int code = net.playJoined(parser, &script, outDir))
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
    // A scripted session and the relay need no display; the relay's rooms keep boards, whose
    // scenes need QApplication.
    if (hasArgument(argc, argv, "--script") || hasArgument(argc, argv, "--serve"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kvboard"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "kvboard, a whiteboard with the kvpen plug-in and a mirrored remote board."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("Board to open and save (.xml or .kvb)."),
                                 QStringLiteral("[file]"));
    const QCommandLineOption mirror(QStringLiteral("mirror"),
                                    QStringLiteral("Mirroring: live or stroke."),
                                    QStringLiteral("mode"), QStringLiteral("live"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Milliseconds each mirrored message travels."),
                                   QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption script(QStringLiteral("script"),
                                    QStringLiteral("Play a scripted session offscreen."),
                                    QStringLiteral("session.json"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Folder for the scripted session's outputs."),
                                 QStringLiteral("dir"), QStringLiteral("out"));
    parser.addOptions({mirror, delay, script, out});
    const KvBoardNetCommand net;
    net.addOptions(parser);
    parser.process(app);

    if (net.serves(parser))
        return net.serve(parser);
    if (parser.isSet(script))
        return playScript(parser.value(script), parser.value(out), parser, net);

    const QString mode = parser.value(mirror);
    bool delayOk = false;
    const int milliseconds = parser.value(delay).toInt(&delayOk);
    if ((mode != QLatin1String("live") && mode != QLatin1String("stroke")) || !delayOk
        || milliseconds < 0) {
        std::fprintf(stderr, "kvboard: --mirror is live or stroke, --delay a number of ms\n");
        return 2;
    }
    KvBoardWindow window;
    window.transport()->setMode(mode == QLatin1String("live") ? KvBoardTransport::Live
                                                              : KvBoardTransport::WholeStroke);
    window.transport()->setDelay(milliseconds);
    if (!parser.positionalArguments().isEmpty())
        window.setDocumentPath(parser.positionalArguments().constFirst());
    QString error;
    if (net.joins(parser) && !net.join(parser, &window, &error)) {
        std::fprintf(stderr, "kvboard: %s\n", qPrintable(error));
        return 2;
    }
    window.show();
    return app.exec();
}
