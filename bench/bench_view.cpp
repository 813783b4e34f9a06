// The tile-cached KvGraphicsView at 1920 x 1080 over a view packed with ink and over a page of
// 8,000 strokes: repaints warm and cold, a 100-pixel scroll, a zoom step until sharp, one stroke
// drawn across the view, and the memory the tiles take.
#include "KvBenchBoard.h"
#include "KvBenchSettings.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvGraphicsView.h"
#include "KvPenObject.h"
#include "KvPenTypes.h"

#include <QApplication>
#include <QJsonObject>
#include <QPaintEvent>
#include <QScrollBar>

#include <memory>

namespace {

// The board's ink in a cached view of the benchmark's size, its tiles rendered.
class CachedView : public KvGraphicsView
{
public:
    explicit CachedView(KvBenchBoard &board)
        : KvGraphicsView(board.scene())
        , m_board(board)
    {
        // The board's plain view would repaint the same changes.
        board.view()->hide();
        setCachedItemTypes({KvPen::kStrokesGroupType});
        setRenderHint(QPainter::Antialiasing);
        setFrameShape(QFrame::NoFrame);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        resize(KvBenchBoard::kViewWidth, KvBenchBoard::kViewHeight);
        show();
        // Where the board's own view looks: the page's top left corner.
        horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
        verticalScrollBar()->setValue(verticalScrollBar()->minimum());
        settle();
    }

    ~CachedView() override { m_board.view()->show(); }

    // Runs the event loop until every tile in view and in the margin is rendered.
    void settle()
    {
        do
            KvBenchBoard::processEvents();
        while (!isTileCacheSharp());
    }

    // Delivers the pending repaints at once, as the window system's next frame would.
    void flush()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

    qint64 paintedPixels = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        for (const QRect &rect : event->region())
            paintedPixels += qint64(rect.width()) * rect.height();
        KvGraphicsView::paintEvent(event);
    }

private:
    KvBenchBoard &m_board;
};

KvBenchBoard &boardFor(const benchmark::State &state)
{
    return state.range(0) == 0 ? KvBenchBoard::filledView(500) : KvBenchBoard::withStrokes(8000);
}

void report(benchmark::State &state, KvBenchBoard &board, const CachedView &view)
{
    state.counters["strokes"] = board.strokeCount();
    state.counters["tileMiB"] = double(view.tileCacheSize()) / (1 << 20);
}

void warmRepaint(benchmark::State &state)
{
    KvBenchBoard &board = boardFor(state);
    CachedView view(board);
    for (auto _ : state)
        view.viewport()->repaint();
    report(state, board, view);
}

void coldRepaint(benchmark::State &state)
{
    KvBenchBoard &board = boardFor(state);
    CachedView view(board);
    for (auto _ : state) {
        state.PauseTiming();
        view.resetTileCache();
        state.ResumeTiming();
        view.viewport()->repaint();
    }
    report(state, board, view);
}

// Down and back up again by 100 pixels, the margin's tiles ready as in idle time.
void scroll(benchmark::State &state)
{
    KvBenchBoard &board = boardFor(state);
    CachedView view(board);
    QScrollBar *bar = view.verticalScrollBar();
    bar->setValue(200);
    view.settle();
    int step = 100;
    for (auto _ : state) {
        bar->setValue(bar->value() + step);
        view.flush();
        step = -step;
        state.PauseTiming();
        view.settle();
        state.ResumeTiming();
    }
    report(state, board, view);
}

// A step of the zoom ladder (100 % to 125 % and back), until the tiles in view are sharp.
void zoomUntilSharp(benchmark::State &state)
{
    KvBenchBoard &board = boardFor(state);
    CachedView view(board);
    qreal scale = 1.25;
    for (auto _ : state) {
        view.setTransform(QTransform::fromScale(scale, scale));
        view.flush();
        while (!view.isTileCacheSharp())
            QApplication::processEvents();
        scale = scale == 1.0 ? 1.25 : 1.0;
    }
    report(state, board, view);
}

// One stroke of 60 samples drawn over the ink in view and released, each input event followed
// by the event loop, as a host's runs between input events (the view's idle-time tile work
// included); the stroke is taken off again outside the timing.
void strokeOverInk(benchmark::State &state)
{
    KvBenchBoard &board = boardFor(state);
    CachedView view(board);
    KvPenObject engine;
    engine.setScene(board.scene());
    // Views open on the middle of a page.
    const QList<QPointF> stroke
        = KvBenchBoard::handwriting(view.mapToScene(QPoint(600, 500)), 60, 6.0, 42);
    qint64 painted = 0;
    for (auto _ : state) {
        view.paintedPixels = 0;
        engine.inputDevicePress(stroke.first(), QUuid(), -1);
        KvBenchBoard::processEvents();
        for (int i = 1; i < stroke.size(); ++i) {
            engine.inputDeviceMove(stroke.at(i), QUuid(), -1);
            KvBenchBoard::processEvents();
        }
        QJsonObject snapshot;
        engine.inputDeviceRelease(QUuid(), snapshot, -1);
        KvBenchBoard::processEvents();
        state.PauseTiming();
        painted = view.paintedPixels;
        if (auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(board.scene()->lastAdded()))
            board.scene()->discard(group);
        view.settle();
        state.ResumeTiming();
    }
    report(state, board, view);
    state.counters["paintedMpx"] = double(painted) / 1e6;
}

void boards(benchmark::internal::Benchmark *benchmark)
{
    kvBenchDefaults(benchmark);
    benchmark->Unit(benchmark::kMillisecond)->ArgName("page")->Arg(0)->Arg(1);
}

} // namespace

BENCHMARK(warmRepaint)->Name("View/RepaintWarm")->Apply(boards);
BENCHMARK(coldRepaint)->Name("View/RepaintCold")->Apply(boards);
BENCHMARK(scroll)->Name("View/Scroll100px")->Apply(boards);
BENCHMARK(zoomUntilSharp)->Name("View/ZoomStepUntilSharp")->Apply(boards);
BENCHMARK(strokeOverInk)->Name("View/StrokeOverInk")->Apply(boards);
