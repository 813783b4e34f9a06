// Erasing with the eraser tool (press and move) and with the host's area eraser.
#include "KvBenchBoard.h"
#include "KvBenchSettings.h"
#include "KvPenObject.h"

#include <QJsonObject>

namespace {

enum { EraserStylus = 1 };
// Erased groups come back every so many steps (a few of the board's thousands are missing
// meanwhile, behind the eraser), and the event loop runs every so many steps. Putting a group
// back costs a re-sort of the scene's top-level items, so it is not done after every step.
const int kStepsPerRestore = 16;
const int kStepsPerEventPass = 256;

// A zigzag over the view, 4 units a step (the eraser at 240 Hz and 960 units a second).
QPointF sweepPoint(int step)
{
    const int stepsPerRow = 400;
    const int row = (step / stepsPerRow) % 14;
    const int column = step % stepsPerRow;
    const double x = row % 2 == 0 ? 100 + 4.0 * column : 1700 - 4.0 * column;
    return QPointF(x, 120 + 60.0 * row);
}

// With the timer paused: the board gets back what the last steps erased.
void restoreBoard(KvBenchBoard &board, int step, int *erased)
{
    *erased += board.scene()->removedCount();
    board.scene()->restoreRemoved();
    if (step % kStepsPerEventPass == 0)
        KvBenchBoard::processEvents();
}

void restoreNow(benchmark::State &state, KvBenchBoard &board, int step, int *erased)
{
    if (step % kStepsPerRestore != 0)
        return;
    state.PauseTiming();
    restoreBoard(board, step, erased);
    state.ResumeTiming();
}

void report(benchmark::State &state, KvBenchBoard &board, int steps, int erased)
{
    restoreBoard(board, 0, &erased);
    state.counters["strokes"] = board.strokeCount();
    state.counters["pieces"] = board.pieceCount();
    state.counters["erased_per_step"] = steps > 0 ? double(erased) / steps : 0.0;
}

void eraserMove(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    engine.setStylus(EraserStylus);
    int step = 0;
    int erased = 0;
    engine.inputDevicePress(sweepPoint(step), QUuid(), -1);
    board.scene()->restoreRemoved();
    for (auto _ : state) {
        engine.inputDeviceMove(sweepPoint(++step), QUuid(), -1);
        restoreNow(state, board, step, &erased);
    }
    QJsonObject none;
    engine.inputDeviceRelease(QUuid(), none, -1);
    report(state, board, step, erased);
}

void eraserPress(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    engine.setStylus(EraserStylus);
    int step = 0;
    int erased = 0;
    QJsonObject none;
    for (auto _ : state) {
        engine.inputDevicePress(sweepPoint(step * 37), QUuid(), -1);
        state.PauseTiming();
        engine.inputDeviceRelease(QUuid(), none, -1);
        if (++step % kStepsPerRestore == 0)
            restoreBoard(board, step, &erased);
        state.ResumeTiming();
    }
    report(state, board, step, erased);
}

// One step of the host's area eraser: a 40 x 40 view rect moving along the zigzag.
void areaStep(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    int step = 0;
    int erased = 0;
    const QPointF corner(20, 20);
    engine.setEraseArea(QRectF(sweepPoint(step) - corner, QSizeF(40, 40)));
    board.scene()->restoreRemoved();
    for (auto _ : state) {
        engine.setEraseArea(QRectF(sweepPoint(++step) - corner, QSizeF(40, 40)));
        restoreNow(state, board, step, &erased);
    }
    engine.setEndErase();
    report(state, board, step, erased);
}

void boards(benchmark::internal::Benchmark *benchmark)
{
    kvBenchDefaults(benchmark);
    benchmark->ArgName("strokes")->Arg(1000)->Arg(10000)->Arg(50000);
}

} // namespace

BENCHMARK(eraserMove)->Name("Eraser/Move")->Apply(boards);
BENCHMARK(eraserPress)->Name("Eraser/Press")->Apply(boards);
BENCHMARK(areaStep)->Name("Eraser/AreaStep")->Apply(boards);
