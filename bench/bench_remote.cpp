// Remote participants: live pointer messages through remoteData, whole strokes through paintPen.
#include "KvBenchBoard.h"
#include "KvBenchSettings.h"
#include "KvPenCore.h"
#include "KvQtConvert.h"

#include <QGraphicsItem>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QVector>

#include <cmath>

namespace {

enum { LiveInkMessage = 2, Press = 0, Move = 1, Release = 2 };
const QString kSender = QStringLiteral("participant-1");
const int kStrokesPerEventPass = 64;

QJsonObject liveMessage(const QPointF &point, int mousetype, const QString &uuid)
{
    return {{"x", point.x()}, {"y", point.y()}, {"mousetype", mousetype},
            {"id", -1},       {"width", 10},    {"color", "#e53935"},
            {"pen", true},    {"uuid", uuid}};
}

// One remote stroke as its sender's messages: a press, 60 moves 3 units apart, a release.
QVector<QJsonObject> remoteStroke()
{
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QList<QPointF> samples
        = KvBenchBoard::handwriting(KvBenchBoard::drawingSpot(3), 61, 3.0, 7);
    QVector<QJsonObject> messages;
    for (int i = 0; i < samples.size(); ++i)
        messages.append(liveMessage(samples.at(i), i == 0 ? Press : Move, uuid));
    messages.append(liveMessage(QPointF(), Release, uuid));
    return messages;
}

// Replays the stream message by message, timing presses and moves; each release (not timed)
// finishes the stroke, whose group then leaves the board.
template<typename Replay>
void replayStream(benchmark::State &state, int messageCount, Replay replay)
{
    KvBenchBoard &board = KvBenchBoard::withPieces(int(state.range(0)));
    KvPenCore core;
    core.currentSceneChanged(board.scene());
    int next = 0;
    int strokes = 0;
    for (auto _ : state) {
        replay(core, next);
        if (++next == messageCount - 1) {
            state.PauseTiming();
            replay(core, next);
            board.scene()->discard(board.scene()->lastAdded());
            if (++strokes % kStrokesPerEventPass == 0)
                KvBenchBoard::processEvents();
            next = 0;
            state.ResumeTiming();
        }
    }
    KvBenchBoard::processEvents();
    state.counters["pieces"] = board.pieceCount();
}

void liveMessageParsed(benchmark::State &state)
{
    const QVector<QJsonObject> messages = remoteStroke();
    replayStream(state, messages.size(), [&](KvPenCore &core, int i) {
        core.remoteData(kSender, LiveInkMessage, messages.at(i));
    });
}

// As a host receives it: the message's compact JSON text.
void liveMessageFromBytes(benchmark::State &state)
{
    QVector<QByteArray> messages;
    for (const QJsonObject &message : remoteStroke())
        messages.append(QJsonDocument(message).toJson(QJsonDocument::Compact));
    replayStream(state, messages.size(), [&](KvPenCore &core, int i) {
        core.remoteData(kSender, LiveInkMessage, QJsonDocument::fromJson(messages.at(i)).object());
    });
}

// A whole-stroke message of 500 points about 12 units apart, in rows across the view.
QJsonObject wholeStroke()
{
    QStringList points;
    for (int i = 0; i < 500; ++i) {
        const double along = 12.0 * i;
        const int row = int(along / 1500);
        const QPointF point(200 + std::fmod(along, 1500.0),
                            200 + 120 * row + 25 * std::sin(along / 40));
        points.append(KvQtConvert::pointFToString(point));
    }
    return {{"dataid", QUuid::createUuid().toString(QUuid::WithoutBraces)},
            {"pos", points.join(QLatin1Char(';'))},
            {"zValue", "0"},
            {"color", "#FF1E88E5"},
            {"type", 0},
            {"width", 6},
            {"dx", 0},
            {"dy", 0},
            {"firstY", 200}};
}

void paintPen500(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withPieces(int(state.range(0)));
    KvPenCore core;
    core.currentSceneChanged(board.scene());
    const QJsonObject message = wholeStroke();
    int strokePieces = 0;
    for (auto _ : state) {
        core.paintPen(message);
        state.PauseTiming();
        QGraphicsItem *group = board.scene()->lastAdded();
        strokePieces = group->childItems().size();
        board.scene()->discard(group);
        KvBenchBoard::processEvents();
        state.ResumeTiming();
    }
    state.counters["pieces"] = board.pieceCount();
    state.counters["stroke_pieces"] = strokePieces;
}

void boards(benchmark::internal::Benchmark *benchmark)
{
    kvBenchDefaults(benchmark);
    benchmark->ArgName("pieces")->Arg(0)->Arg(10000)->Arg(100000);
}

} // namespace

BENCHMARK(liveMessageParsed)->Name("Remote/LiveMessage")->Apply(boards);
BENCHMARK(liveMessageFromBytes)->Name("Remote/LiveMessageFromBytes")->Apply(boards);
BENCHMARK(paintPen500)->Name("Remote/PaintPen500")->Apply(boards)->Unit(benchmark::kMillisecond);
