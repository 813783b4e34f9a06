// Heap bytes that ink keeps on a board: per committed piece and per finished stroke of 100
// samples, items, strokes, groups and the scene's index included.
#include "KvBenchBoard.h"
#include "KvBenchSettings.h"
#include "KvPenObject.h"

#include <QGraphicsItem>
#include <QJsonObject>

#include <malloc.h>

namespace {

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

void inkMemory(benchmark::State &state)
{
    const int strokes = 200;
    for (auto _ : state) {
        state.PauseTiming();
        KvBenchScene scene;
        KvPenObject engine;
        engine.setScene(&scene);
        KvBenchBoard::processEvents();
        const size_t before = heapInUse();
        int pieces = 0;
        for (int i = 0; i < strokes; ++i) {
            const QPointF origin((i % 20) * 100.0, (i / 20) * 100.0);
            const QList<QPointF> samples = KvBenchBoard::handwriting(origin, 100, 2.5, i);
            const QUuid uuid = QUuid::createUuid();
            engine.inputDevicePress(samples.first(), uuid, -1);
            for (int s = 1; s < samples.size(); ++s)
                engine.inputDeviceMove(samples.at(s), uuid, -1);
            QJsonObject snapshot;
            engine.inputDeviceRelease(uuid, snapshot, -1);
            pieces += scene.lastAdded()->childItems().size();
        }
        KvBenchBoard::processEvents();
        const double bytes = double(heapInUse() - before);
        state.counters["bytes_per_piece"] = bytes / pieces;
        state.counters["bytes_per_stroke100"] = bytes / strokes;
        state.counters["pieces_per_stroke100"] = double(pieces) / strokes;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(inkMemory)->Name("Memory/Ink")->Iterations(1)->Repetitions(1);
