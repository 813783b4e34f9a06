// The outline of smoothed samples: ours against Qt's own stroker with round caps and joins,
// over the same samples, as the polygon an ink item needs.
#include "KvBenchSettings.h"
#include "KvGraphicsStroke.h"

#include <QPainterPath>
#include <QPainterPathStroker>

#include <cmath>

namespace {

// The smoothed samples of a pen stroke of width 10: one committed piece (11 samples) or ten
// pieces in a row (101 samples).
QList<KvStrokeSample> smoothedSamples(int count)
{
    KvGraphicsStroke stroke;
    QList<KvStrokeSample> samples;
    for (int i = 0; samples.size() < count; ++i) {
        const QPointF point(11.0 * i, 20 * std::sin(i * 0.5));
        const QList<KvStrokeSample> piece = stroke.addPoint(point, 10.0, i > 0);
        if (piece.size() < 11)
            continue;
        // Consecutive pieces share their joining sample.
        samples.append(samples.isEmpty() ? piece : piece.mid(1));
    }
    return samples.mid(0, count);
}

void samplesOutline(benchmark::State &state)
{
    const QList<KvStrokeSample> samples = smoothedSamples(int(state.range(0)));
    int points = 0;
    for (auto _ : state) {
        const QPolygonF outline = samplesOutlinePolygon(samples, false, true);
        points = outline.size();
    }
    state.counters["outline_points"] = points;
}

void qtStroker(benchmark::State &state)
{
    const QList<KvStrokeSample> samples = smoothedSamples(int(state.range(0)));
    int points = 0;
    for (auto _ : state) {
        QPainterPath centre(samples.first().position);
        for (int i = 1; i < samples.size(); ++i)
            centre.lineTo(samples.at(i).position);
        QPainterPathStroker stroker;
        stroker.setWidth(samples.first().width);
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        const QPolygonF outline = stroker.createStroke(centre).toFillPolygon();
        points = outline.size();
    }
    state.counters["outline_points"] = points;
}

void sampleCounts(benchmark::internal::Benchmark *benchmark)
{
    kvBenchDefaults(benchmark);
    benchmark->ArgName("samples")->Arg(11)->Arg(101);
}

} // namespace

BENCHMARK(samplesOutline)->Name("Outline/SamplesOutlinePolygon")->Apply(sampleCounts);
BENCHMARK(qtStroker)->Name("Outline/QPainterPathStroker")->Apply(sampleCounts);
