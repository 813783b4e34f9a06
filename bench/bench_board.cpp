// What a user feels on boards of growing size: an eraser step, a whole stroke, a press, a
// repaint of the view, a switch to another window and back and a scroll, each with the
// event-loop work it causes.
#include "KvBenchBoard.h"
#include "KvBenchSettings.h"
#include "KvPenObject.h"

#include <QCoreApplication>
#include <QGraphicsItem>
#include <QJsonObject>
#include <QScrollBar>

#include <utility>

namespace {

enum { EraserStylus = 1 };
// Erased groups come back every so many steps (timer paused), so the board keeps its size.
const int kStepsPerRestore = 16;

// A zigzag across the view, 4 units a step (the eraser at 240 Hz and 960 units a second).
QPointF sweepPoint(int step)
{
    const int stepsPerRow = 400;
    const int row = (step / stepsPerRow) % 14;
    const int column = step % stepsPerRow;
    const double x = row % 2 == 0 ? 100 + 4.0 * column : 1700 - 4.0 * column;
    return QPointF(x, 120 + 60.0 * row);
}

void restoreErased(KvBenchBoard &board, int *erased)
{
    *erased += board.scene()->removedCount();
    board.scene()->restoreRemoved();
    KvBenchBoard::processEvents();
}

void countBoard(benchmark::State &state, KvBenchBoard &board)
{
    state.counters["strokes"] = board.strokeCount();
    state.counters["pieces"] = board.pieceCount();
}

void eraserStep(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    engine.setStylus(EraserStylus);
    int step = 0;
    int erased = 0;
    engine.inputDevicePress(sweepPoint(step), QUuid(), -1);
    KvBenchBoard::processEvents();
    for (auto _ : state) {
        engine.inputDeviceMove(sweepPoint(++step), QUuid(), -1);
        KvBenchBoard::processEvents();
        if (step % kStepsPerRestore == 0) {
            state.PauseTiming();
            restoreErased(board, &erased);
            state.ResumeTiming();
        }
    }
    QJsonObject none;
    engine.inputDeviceRelease(QUuid(), none, -1);
    restoreErased(board, &erased);
    countBoard(state, board);
    state.counters["erased_per_step"] = double(erased) / step;
}

// Press, 40 moves and release of a board stroke, the event loop run after each; the stroke
// leaves the board afterwards (timer paused).
void wholeStroke(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    int stroke = 0;
    for (auto _ : state) {
        const QList<QPointF> samples = KvBenchBoard::handwriting(
            KvBenchBoard::drawingSpot(stroke), KvBenchBoard::kStrokeSamples, 2.5, stroke);
        const QUuid uuid = QUuid::createUuid();
        engine.inputDevicePress(samples.first(), uuid, -1);
        KvBenchBoard::processEvents();
        for (int i = 1; i < samples.size(); ++i) {
            engine.inputDeviceMove(samples.at(i), uuid, -1);
            KvBenchBoard::processEvents();
        }
        QJsonObject snapshot;
        engine.inputDeviceRelease(uuid, snapshot, -1);
        KvBenchBoard::processEvents();
        state.PauseTiming();
        board.scene()->discard(board.scene()->lastAdded());
        KvBenchBoard::processEvents();
        ++stroke;
        state.ResumeTiming();
    }
    countBoard(state, board);
}

void press(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    int stroke = 0;
    for (auto _ : state) {
        engine.inputDevicePress(KvBenchBoard::drawingSpot(stroke++), QUuid::createUuid(), -1);
        KvBenchBoard::processEvents();
        state.PauseTiming();
        board.releaseAndDiscard(&engine);
        KvBenchBoard::processEvents();
        state.ResumeTiming();
    }
    countBoard(state, board);
}

void repaint(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    for (auto _ : state)
        board.view()->viewport()->repaint();
    if (const QByteArray dir = qgetenv("KVPEN_BENCH_PNG_DIR"); !dir.isEmpty())
        board.view()->grab().save(QString::fromLocal8Bit(dir)
                                  + QStringLiteral("/repaint-%1.png").arg(state.range(0)));
    countBoard(state, board);
    state.counters["strokes_in_view"] = board.strokesInView();
}

// The user switches to another window and back, as the view's viewport is told of it: the
// window loses its activation and gets it again, or, while another window is active, gets it
// and loses it again.
void windowSwitch(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    QWidget *viewport = board.view()->viewport();
    QEvent::Type first = QEvent::WindowActivate;
    QEvent::Type second = QEvent::WindowDeactivate;
    if (viewport->isActiveWindow())
        std::swap(first, second);
    for (auto _ : state) {
        QEvent firstEvent(first);
        QCoreApplication::sendEvent(viewport, &firstEvent);
        QEvent secondEvent(second);
        QCoreApplication::sendEvent(viewport, &secondEvent);
        KvBenchBoard::processEvents();
    }
    countBoard(state, board);
}

// 100 pixels down, then back up: the view repaints what scrolls in.
void scroll(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    QScrollBar *bar = board.view()->verticalScrollBar();
    const int top = bar->value();
    int step = 0;
    for (auto _ : state) {
        bar->setValue(++step % 2 == 1 ? top + 100 : top);
        KvBenchBoard::processEvents();
    }
    bar->setValue(top);
    KvBenchBoard::processEvents();
    countBoard(state, board);
}

// What a change of the index's depth costs: the board's index rebuilt one level deeper or
// shallower, which the first query after the change does.
void indexRebuild(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvBenchScene *scene = board.scene();
    const int fitted = scene->bspTreeDepth();
    const QRectF spot(KvBenchBoard::drawingSpot(0), QSizeF(1, 1));
    int step = 0;
    for (auto _ : state) {
        scene->setBspTreeDepth(++step % 2 == 1 ? fitted + 1 : fitted);
        benchmark::DoNotOptimize(scene->items(spot));
    }
    scene->setBspTreeDepth(fitted);
    KvBenchBoard::processEvents();
    countBoard(state, board);
    state.counters["depth"] = fitted;
}

void boards(benchmark::internal::Benchmark *benchmark)
{
    kvBenchDefaults(benchmark);
    benchmark->ArgName("strokes")->Arg(500)->Arg(2000)->Arg(8000)->Arg(30000);
}

} // namespace

BENCHMARK(eraserStep)->Name("Board/EraserStep")->Apply(boards);
BENCHMARK(wholeStroke)->Name("Board/Stroke")->Apply(boards);
BENCHMARK(press)->Name("Board/Press")->Apply(boards)->Arg(0);
BENCHMARK(repaint)->Name("Board/Repaint")->Apply(boards);
BENCHMARK(windowSwitch)->Name("Board/WindowSwitch")->Apply(boards)->Unit(benchmark::kMicrosecond);
BENCHMARK(scroll)->Name("Board/Scroll")->Apply(boards);
BENCHMARK(indexRebuild)->Name("Board/IndexRebuild")->Apply(boards)->Unit(benchmark::kMillisecond);
