#include "KvBoardNetCommand.h"

#include "KvBoard.h"
#include "KvBoardClient.h"
#include "KvBoardNetworkBar.h"
#include "KvBoardRelay.h"
#include "KvBoardScript.h"
#include "KvBoardStopSignals.h"
#include "KvBoardWindow.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>

#include <cstdio>

namespace {

// How long a participant waits for the relay: at the start, and to resynchronise at the end.
constexpr int kConnectWaitMs = 20000;
constexpr int kResyncWaitMs = 20000;
// After lingering, frames still arriving (a relay working through a backlog) are waited for
// until the relay has been quiet this long, or for kResyncWaitMs at most.
constexpr int kQuietMs = 750;

void runEventsUntil(const QDeadlineTimer &deadline, const std::function<bool()> &done)
{
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

} // namespace

KvBoardNetCommand::KvBoardNetCommand()
    : m_serve(QStringLiteral("serve"),
              QStringLiteral("Run the relay on this port (0: any free one), without a window."),
              QStringLiteral("port"))
    , m_token(QStringLiteral("token"),
              QStringLiteral("Shared secret between the relay and its participants."),
              QStringLiteral("token"))
    , m_board(QStringLiteral("board"),
              QStringLiteral("Relay: keep the rooms in this file (room R in <name>.R.<suffix>)."),
              QStringLiteral("file"))
    , m_cert(QStringLiteral("cert"),
             QStringLiteral("Relay: PEM certificate for wss://. Participant: a certificate to "
                            "trust."),
             QStringLiteral("file"))
    , m_key(QStringLiteral("key"), QStringLiteral("Relay: PEM private key for wss://."),
            QStringLiteral("file"))
    , m_join(QStringLiteral("join"),
             QStringLiteral("Take part in the shared board at ws://HOST:PORT/ROOM."),
             QStringLiteral("url"))
    , m_name(QStringLiteral("name"), QStringLiteral("Participant's name in the room."),
             QStringLiteral("name"))
    , m_linger(QStringLiteral("linger"),
               QStringLiteral("Script with --join: milliseconds to keep receiving at the end."),
               QStringLiteral("ms"), QStringLiteral("1000"))
    , m_untilStrokes(QStringLiteral("until-strokes"),
                     QStringLiteral("Script with --join: linger until the board holds this many "
                                    "strokes and the relay is quiet, for --linger ms at most."),
                     QStringLiteral("count"))
{ }

void KvBoardNetCommand::addOptions(QCommandLineParser &parser) const
{
    parser.addOptions(
        {m_serve, m_token, m_board, m_cert, m_key, m_join, m_name, m_linger, m_untilStrokes});
}

void KvBoardNetCommand::read(const QCommandLineParser &parser)
{
    for (const QCommandLineOption *option : {&m_serve, &m_token, &m_board, &m_cert, &m_key, &m_join,
                                             &m_name, &m_linger, &m_untilStrokes}) {
        if (parser.isSet(*option))
            m_values.insert(option->names().constFirst(), parser.value(*option));
    }
}

QString KvBoardNetCommand::value(const QCommandLineOption &option) const
{
    return m_values.value(option.names().constFirst(), option.defaultValues().value(0));
}

bool KvBoardNetCommand::isSet(const QCommandLineOption &option) const
{
    return m_values.contains(option.names().constFirst());
}

bool KvBoardNetCommand::serves() const
{
    return isSet(m_serve);
}

bool KvBoardNetCommand::joins() const
{
    return isSet(m_join);
}

int KvBoardNetCommand::serve() const
{
    bool portOk = false;
    const uint port = value(m_serve).toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "kvboard: --serve takes a port number\n");
        return 2;
    }
    KvBoardRelay relay;
    relay.setToken(value(m_token).toUtf8());
    QString error;
    if ((isSet(m_cert) || isSet(m_key))
        && !relay.setCertificate(value(m_cert), value(m_key), &error)) {
        std::fprintf(stderr, "kvboard: %s\n", qPrintable(error));
        return 2;
    }
    if ((isSet(m_board) && !relay.setBoardFile(value(m_board), &error))
        || !relay.listen(quint16(port), &error)) {
        std::fprintf(stderr, "kvboard: %s\n", qPrintable(error));
        return 2;
    }
    KvBoardStopSignals stop;
    QObject::connect(&stop, &KvBoardStopSignals::stopRequested, qApp, &QCoreApplication::quit);
    std::printf("kvboard: serving on %s\n", qPrintable(relay.address()));
    std::fflush(stdout);
    QCoreApplication::exec();
    if (!relay.saveRooms(&error))
        std::fprintf(stderr, "kvboard: cannot save the rooms: %s\n", qPrintable(error));
    const KvBoardRelay::Refusals refused = relay.refusals();
    std::printf("kvboard: refused %d frames (%d oversized, %d malformed, %d of an unknown kind, "
                "%d over the rate)\n",
                refused.total(), refused.oversized, refused.malformed, refused.unknownKind,
                refused.overRate);
    return 0;
}

int KvBoardNetCommand::playJoined(KvBoardScript *script, const QString &outDir) const
{
    bool lingerOk = false;
    const int linger = value(m_linger).toInt(&lingerOk);
    if (!lingerOk || linger < 0) {
        std::fprintf(stderr, "kvboard: --linger takes milliseconds\n");
        return 2;
    }
    bool untilOk = true;
    const int untilStrokes = isSet(m_untilStrokes) ? value(m_untilStrokes).toInt(&untilOk) : -1;
    if (!untilOk || (isSet(m_untilStrokes) && untilStrokes < 0)) {
        std::fprintf(stderr, "kvboard: --until-strokes takes a number of strokes\n");
        return 2;
    }
    KvBoardClient *client = nullptr;
    bool connectionFailed = false;
    const auto synced = [&] {
        return client->state() == KvBoardClient::Synced;
    };
    const auto refused = [&] {
        return client->state() == KvBoardClient::Refused;
    };
    const auto before = [&](KvBoard *board, QString *error) {
        client = makeClient(board, error);
        if (!client)
            return false;
        client->open();
        // Unreachable is a failed first attempt; later losses are retried.
        runEventsUntil(QDeadlineTimer(kConnectWaitMs),
                       [&] { return synced() || refused() || !client->reason().isEmpty(); });
        connectionFailed = !synced();
        if (connectionFailed)
            *error = client->reason().isEmpty() ? QStringLiteral("no answer from the relay")
                                                : client->reason();
        return !connectionFailed;
    };
    const auto quiet = [&] {
        return refused() || (synced() && client->quietFor() >= kQuietMs);
    };
    const auto after = [&](KvBoard *board, QString *error) {
        if (untilStrokes < 0) {
            runEventsUntil(QDeadlineTimer(linger), [] { return false; });
            runEventsUntil(QDeadlineTimer(kResyncWaitMs), quiet);
        } else {
            runEventsUntil(QDeadlineTimer(linger), [&] {
                return quiet() && board->scene()->strokes().size() == untilStrokes;
            });
        }
        runEventsUntil(QDeadlineTimer(kConnectWaitMs), [&] { return !client->isSending(); });
        connectionFailed = !synced();
        if (connectionFailed)
            *error = QStringLiteral("lost the relay: %1").arg(client->reason());
        client->close();
        return !connectionFailed;
    };
    script->setHooks(before, after);
    QString error;
    if (!script->run(outDir, &error)) {
        std::fprintf(stderr, "kvboard: %s\n", qPrintable(error.simplified()));
        return connectionFailed ? 2 : 1;
    }
    return 0;
}

KvBoardClient *KvBoardNetCommand::join(KvBoardWindow *window, QString *error) const
{
    KvBoardClient *client = makeClient(window->board(), error);
    if (!client)
        return nullptr;
    window->addToolBar(Qt::BottomToolBarArea, new KvBoardNetworkBar(client, window));
    // Ink drawn on the in-window participant would never reach the room.
    window->setMirrorVisible(false);
    client->open();
    return client;
}

KvBoardClient *KvBoardNetCommand::makeClient(KvBoard *board, QString *error) const
{
    const QUrl url(value(m_join));
    if (!url.isValid()
        || (url.scheme() != QLatin1String("ws") && url.scheme() != QLatin1String("wss"))) {
        *error = QStringLiteral("--join takes ws://HOST:PORT/ROOM or wss://HOST:PORT/ROOM");
        return nullptr;
    }
    // A child of the board: it goes before the board does.
    auto *client = new KvBoardClient(board, url, board);
    client->setToken(value(m_token).toUtf8());
    client->setName(isSet(m_name) ? value(m_name) : qEnvironmentVariable("USER"));
    if (isSet(m_cert) && !client->setTrustedCertificate(value(m_cert), error)) {
        delete client;
        return nullptr;
    }
    return client;
}
