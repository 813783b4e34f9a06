// Local drawing: press, moves with and without a committed piece, release.
#include "KvBenchBoard.h"
#include "KvBenchSettings.h"
#include "KvPenObject.h"

#include <QGraphicsItem>
#include <QJsonObject>

#include <cmath>

namespace {

enum Stylus { Pen = 0, Marker = 2 };

// Strokes in a run start at different places; events are processed every so many strokes.
const int kStrokesPerEventPass = 64;

void pressAt(KvPenObject &engine, const QPointF &at)
{
    engine.inputDevicePress(at, QUuid::createUuid(), -1);
}

// Between strokes (timing paused): the last one leaves the board, the next one starts.
void restartStroke(benchmark::State &state, KvBenchBoard &board, KvPenObject &engine, int stroke,
                   const QPointF &at)
{
    state.PauseTiming();
    board.releaseAndDiscard(&engine);
    if (stroke % kStrokesPerEventPass == 0)
        KvBenchBoard::processEvents();
    pressAt(engine, at);
    state.ResumeTiming();
}

void finish(benchmark::State &state, KvBenchBoard &board, KvPenObject &engine)
{
    board.releaseAndDiscard(&engine);
    KvBenchBoard::processEvents();
    state.counters["pieces"] = board.pieceCount();
}

// Moves whose distances from the stroke's end sum to no more than 10: only the capsule is
// reshaped (a slow pen, 60 units a second at 240 Hz).
void moveWithoutCommit(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withPieces(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    int stroke = 0;
    QPointF anchor = KvBenchBoard::drawingSpot(stroke);
    pressAt(engine, anchor);
    int moves = 0;
    for (auto _ : state) {
        const double angle = moves * 0.7;
        engine.inputDeviceMove(anchor + QPointF(0.25 * std::cos(angle), 0.25 * std::sin(angle)),
                               QUuid(), -1);
        // 36 moves a quarter unit from the anchor sum to 9: the next one would commit. Long
        // runs keep the restart (a press, which on a full board walks every top-level item)
        // from leaving its cold caches on many of the timed moves.
        if (++moves == 36) {
            anchor = KvBenchBoard::drawingSpot(++stroke);
            restartStroke(state, board, engine, stroke, anchor);
            moves = 0;
        }
    }
    finish(state, board, engine);
}

// Moves 11 units apart along a gently turning path: every move commits one piece.
void moveWithCommit(benchmark::State &state, int stylus)
{
    KvBenchBoard &board = KvBenchBoard::withPieces(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    engine.setStylus(stylus);
    const int piecesPerStroke = 40;
    int stroke = 0;
    QPointF position = KvBenchBoard::drawingSpot(stroke);
    double heading = 0.0;
    pressAt(engine, position);
    int moves = 0;
    for (auto _ : state) {
        heading += 0.15 * std::sin(moves * 0.4);
        position += QPointF(11.0 * std::cos(heading), 11.0 * std::sin(heading));
        engine.inputDeviceMove(position, QUuid(), -1);
        if (++moves == piecesPerStroke) {
            position = KvBenchBoard::drawingSpot(++stroke);
            heading = 0.0;
            restartStroke(state, board, engine, stroke, position);
            moves = 0;
        }
    }
    finish(state, board, engine);
}

// A highlighter scribbled over a word: sweeps of 88 units back and forth, half a unit lower each
// move; every move commits a piece that overlaps pieces of the sweeps before.
void moveMarkerScribble(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withPieces(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    engine.setStylus(Marker);
    const int piecesPerStroke = 40;
    const int movesPerSweep = 8;
    int stroke = 0;
    QPointF start = KvBenchBoard::drawingSpot(stroke);
    pressAt(engine, start);
    int moves = 0;
    for (auto _ : state) {
        ++moves;
        const int sweep = (moves - 1) / movesPerSweep;
        const int along = (moves - 1) % movesPerSweep + 1;
        const int x = sweep % 2 ? movesPerSweep - along : along;
        engine.inputDeviceMove(start + QPointF(11.0 * x, 0.5 * moves), QUuid(), -1);
        if (moves == piecesPerStroke) {
            start = KvBenchBoard::drawingSpot(++stroke);
            restartStroke(state, board, engine, stroke, start);
            moves = 0;
        }
    }
    finish(state, board, engine);
}

void pressStroke(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withPieces(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    int stroke = 0;
    for (auto _ : state) {
        pressAt(engine, KvBenchBoard::drawingSpot(stroke));
        state.PauseTiming();
        board.releaseAndDiscard(&engine);
        if (++stroke % kStrokesPerEventPass == 0)
            KvBenchBoard::processEvents();
        state.ResumeTiming();
    }
    KvBenchBoard::processEvents();
    state.counters["pieces"] = board.pieceCount();
}

// The release of a stroke of 200 samples 3 units apart (a 240 Hz pen at 720 units a second).
void release200(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withPieces(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    const QList<QPointF> samples
        = KvBenchBoard::handwriting(KvBenchBoard::drawingSpot(0), 200, 3.0, 42);
    int strokePieces = 0;
    int stroke = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QUuid uuid = QUuid::createUuid();
        engine.inputDevicePress(samples.first(), uuid, -1);
        for (int i = 1; i < samples.size(); ++i)
            engine.inputDeviceMove(samples.at(i), uuid, -1);
        QJsonObject snapshot;
        state.ResumeTiming();
        engine.inputDeviceRelease(uuid, snapshot, -1);
        state.PauseTiming();
        QGraphicsItem *group = board.scene()->lastAdded();
        strokePieces = group->childItems().size();
        board.scene()->discard(group);
        if (++stroke % kStrokesPerEventPass == 0)
            KvBenchBoard::processEvents();
        state.ResumeTiming();
    }
    KvBenchBoard::processEvents();
    state.counters["pieces"] = board.pieceCount();
    state.counters["stroke_pieces"] = strokePieces;
}

void boards(benchmark::internal::Benchmark *benchmark)
{
    kvBenchDefaults(benchmark);
    benchmark->ArgName("pieces")->Arg(0)->Arg(10000)->Arg(100000);
}

} // namespace

BENCHMARK(moveWithoutCommit)->Name("Ink/MoveNoCommit")->Apply(boards);
BENCHMARK_CAPTURE(moveWithCommit, pen, Pen)->Name("Ink/MovePenCommit")->Apply(boards);
BENCHMARK_CAPTURE(moveWithCommit, marker, Marker)->Name("Ink/MoveMarkerCommit")->Apply(boards);
BENCHMARK(moveMarkerScribble)->Name("Ink/MoveMarkerScribble")->Apply(boards);
BENCHMARK(pressStroke)->Name("Ink/Press")->Apply(boards);
BENCHMARK(release200)->Name("Ink/Release200")->Apply(boards);
