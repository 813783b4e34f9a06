// The relay under a class's load: N participants each drawing E input events a second through
// one relay on loopback, then a newcomer joining the board they drew. Reports the relay's CPU
// and memory, messages per second, delivery latency from sender to every receiver (median and
// 99th percentile), lost messages, and how long the newcomer waited for the whole board and until
// its view showed it.
// Not a test: numbers for a person to read (scripts/loadrun).
#include "KvBoard.h"
#include "KvBoardClient.h"
#include "KvBoardEnvelope.h"
#include "KvBoardHugePages.h"
#include "KvBoardPromptSockets.h"
#include "KvBoardView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>
#include <QUuid>
#include <QWebSocket>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kEventsPerStroke = 60;

struct Participant
{
    std::unique_ptr<QWebSocket> socket;
    bool ready = false;
    qint64 sent = 0;
    qint64 received = 0;
    QString stroke;
    QPointF at;
    int strokeEvent = 0;
};

// CPU seconds the process has used, from /proc.
double cpuSeconds(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = file.readAll().split(')').last().split(' ');
    // After the command: state is field 3, utime 14 and stime 15 (1-based, as in proc(5)).
    return (fields.value(12).toDouble() + fields.value(13).toDouble()) / sysconf(_SC_CLK_TCK);
}

QByteArray memoryLine(qint64 pid, const QByteArray &key)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size() + 1).simplified();
    }
    return {};
}

void runUntil(const std::function<bool()> &done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

} // namespace

int main(int argc, char **argv)
{
    // The newcomer is a participant: its heap is kvboard's.
    kvboardUseHugePages(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption kvboardOption("kvboard", "The kvboard program.", "path");
    const QCommandLineOption participantsOption("participants", "Participants.", "n", "16");
    const QCommandLineOption rateOption("rate", "Input events a second each.", "n", "120");
    const QCommandLineOption secondsOption("seconds", "Seconds of drawing.", "n", "60");
    const QCommandLineOption boardOption(
        "board", "Keep the relay's rooms in this file, saved every 30 s as it runs.", "file");
    parser.addOptions({kvboardOption, participantsOption, rateOption, secondsOption, boardOption});
    parser.process(app);
    const int count = parser.value(participantsOption).toInt();
    const int rate = parser.value(rateOption).toInt();
    const int seconds = parser.value(secondsOption).toInt();

    QProcess relay;
    relay.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList relayArguments {"--serve", "0"};
    if (parser.isSet(boardOption))
        relayArguments << "--board" << parser.value(boardOption);
    relay.start(parser.value(kvboardOption), relayArguments);
    QByteArray banner;
    runUntil([&] { return (banner += relay.readAllStandardOutput()).contains('\n'); }, 20000);
    const QString address = QString::fromUtf8(banner).trimmed().section(':', -1);
    if (address.isEmpty()) {
        std::fprintf(stderr, "loadrun: the relay did not start\n");
        return 1;
    }
    const QUrl url(QStringLiteral("ws://127.0.0.1:%1/load").arg(address));

    QElapsedTimer clock;
    clock.start();
    std::vector<float> latencies;
    latencies.reserve(size_t(count - 1) * rate * seconds);
    std::vector<Participant> participants(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Participant &p = participants[size_t(i)];
        p.socket = std::make_unique<QWebSocket>();
        QObject::connect(
            p.socket.get(), &QWebSocket::textMessageReceived, [&, i](const QString &text) {
                // Delivered now: reading the frame is the receiver's own work, not the relay's.
                const double arrivedAt = clock.nsecsElapsed() / 1e6;
                Participant &me = participants[size_t(i)];
                KvBoardEnvelope envelope;
                if (KvBoardEnvelope::decode(text.toUtf8(), &envelope) != KvBoardEnvelope::NoFault)
                    return;
                if (envelope.kind != KvBoardEnvelope::Live)
                    return;
                const double sentAt
                    = envelope.payload.value("data").toObject().value("t").toDouble();
                latencies.push_back(float(arrivedAt - sentAt));
                ++me.received;
            });
        QObject::connect(
            p.socket.get(), &QWebSocket::binaryMessageReceived, [&, i](const QByteArray &frame) {
                KvBoardEnvelope envelope;
                if (KvBoardEnvelope::decodeBinary(frame, &envelope) == KvBoardEnvelope::NoFault
                    && envelope.kind == KvBoardEnvelope::Snapshot)
                    participants[size_t(i)].ready = envelope.payload.value("last").toBool();
            });
        // As kvboard's own participants do.
        kvboardSendPromptly(p.socket.get());
        QNetworkRequest request(url);
        request.setRawHeader("X-Kvboard-Name", "load" + QByteArray::number(i));
        p.socket->open(request);
    }
    runUntil(
        [&] {
            return std::all_of(participants.begin(), participants.end(),
                               [](const Participant &p) { return p.ready; });
        },
        30000);

    // Each participant draws strokes of kEventsPerStroke events, wandering over the board.
    auto *random = QRandomGenerator::global();
    const auto sendOne = [&](Participant &p) {
        int mousetype = 1;
        if (p.strokeEvent == 0) {
            p.stroke = QUuid::createUuid().toString(QUuid::WithoutBraces);
            p.at = QPointF(100 + random->bounded(1080), 100 + random->bounded(520));
            mousetype = 0;
        } else if (p.strokeEvent == kEventsPerStroke - 1) {
            mousetype = 2;
        }
        p.at += QPointF(random->bounded(9) - 4, random->bounded(9) - 4);
        QJsonObject data {{"x", p.at.x()}, {"y", p.at.y()},    {"mousetype", mousetype},
                          {"id", -1},      {"width", 6},       {"color", "#ffffff"},
                          {"pen", true},   {"uuid", p.stroke}, {"t", clock.nsecsElapsed() / 1e6}};
        if (mousetype == 2)
            data.insert("messageid", QUuid::createUuid().toString(QUuid::WithoutBraces));
        const KvBoardEnvelope envelope {
            KvBoardEnvelope::Live, QString(), {{"type", 2}, {"data", data}}};
        p.socket->sendTextMessage(QString::fromUtf8(envelope.encode()));
        p.strokeEvent = (p.strokeEvent + 1) % kEventsPerStroke;
        ++p.sent;
    };
    const double cpuBefore = cpuSeconds(relay.processId());
    const qint64 start = clock.elapsed();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 elapsed = clock.elapsed() - start;
        const qint64 due = qMin<qint64>(elapsed, seconds * 1000LL) * rate / 1000;
        for (Participant &p : participants) {
            while (p.sent < due)
                sendOne(p);
        }
    });
    tick.start(2);
    runUntil([&] { return clock.elapsed() - start >= seconds * 1000LL; }, seconds * 1000 + 5000);
    tick.stop();
    const double cpuUsed = cpuSeconds(relay.processId()) - cpuBefore;
    const double window = (clock.elapsed() - start) / 1000.0;
    qint64 sent = 0;
    for (const Participant &p : participants)
        sent += p.sent;
    const qint64 expected = sent * (count - 1);
    runUntil([&] { return qint64(latencies.size()) >= expected; }, 10000);
    const QByteArray peak = memoryLine(relay.processId(), "VmHWM:");
    const QByteArray resident = memoryLine(relay.processId(), "VmRSS:");

    // A newcomer on the board they drew, in a window's view: the board is shown once it is all
    // there and painted.
    KvBoard board(QStringLiteral("newcomer"));
    KvBoardView view(&board);
    view.resize(KvBoardScene::kWidth, KvBoardScene::kHeight);
    view.show();
    KvBoardClient newcomer(&board, url);
    QElapsedTimer joinClock;
    joinClock.start();
    newcomer.open();
    runUntil([&] { return newcomer.state() == KvBoardClient::Synced; }, 60000);
    const qint64 joinMs = joinClock.elapsed();
    view.viewport()->grab();
    const qint64 shownMs = joinClock.elapsed();
    const int strokes = board.scene()->strokes().size();
    newcomer.close();

    std::sort(latencies.begin(), latencies.end());
    const auto percentile = [&](double q) {
        return latencies.empty() ? 0.0 : double(latencies[size_t(q * (latencies.size() - 1))]);
    };
    std::printf("participants %d x %d events/s for %.1f s\n", count, rate, window);
    std::printf("relay in      %.0f messages/s (%lld sent)\n", sent / window, sent);
    std::printf("relay out     %.0f messages/s (%zu delivered of %lld)\n",
                latencies.size() / window, latencies.size(), expected);
    std::printf("lost          %lld\n", expected - qint64(latencies.size()));
    std::printf("latency       median %.2f ms, p99 %.2f ms, max %.2f ms\n", percentile(0.5),
                percentile(0.99), latencies.empty() ? 0.0 : double(latencies.back()));
    std::printf("relay CPU     %.0f%% of one core\n", 100.0 * cpuUsed / window);
    std::printf("relay memory  %s resident, %s peak\n", resident.constData(), peak.constData());
    std::printf("newcomer      %d strokes in %lld ms, shown at %lld ms\n", strokes, joinMs,
                shownMs);
    relay.terminate();
    relay.waitForFinished(10000);
    return 0;
}
