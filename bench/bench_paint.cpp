// A full repaint of a 1920 x 1080 view of a board filled with ink, antialiased, offscreen.
#include "KvBenchBoard.h"
#include "KvBenchSettings.h"

#include <QImage>
#include <QPainter>

namespace {

void fullRepaint(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::filledView(int(state.range(0)));
    QImage image(KvBenchBoard::kViewWidth, KvBenchBoard::kViewHeight,
                 QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        board.view()->render(&painter);
    }
    if (const QByteArray dir = qgetenv("KVPEN_BENCH_PNG_DIR"); !dir.isEmpty())
        image.save(QString::fromLocal8Bit(dir)
                   + QStringLiteral("/repaint-%1.png").arg(state.range(0)));
    state.counters["strokes"] = board.strokeCount();
    state.counters["pieces"] = board.pieceCount();
}

} // namespace

BENCHMARK(fullRepaint)
    ->Name("Paint/FullView")
    ->Apply(kvBenchDefaults)
    ->Unit(benchmark::kMillisecond)
    ->ArgName("strokes")
    ->Arg(500)
    ->Arg(2000);
