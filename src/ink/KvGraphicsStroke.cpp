#include "KvGraphicsStroke.h"

#include "KvGraphicsPolygonItem.h"
#include "KvPenLogging.h"

#include <QPainterPath>
#include <QRectF>
#include <QTransform>
#include <QVarLengthArray>

#include <cmath>

namespace {

const double kPi = 4.0 * std::atan(1.0);
// Every committed stretch of input is one curve of this many segments.
const unsigned kCurveSegments = 10;
// Far beyond any drawn curve; more would only exhaust memory.
const unsigned kMaxCurveSegments = 1u << 16;

QPointF midPoint(const QPointF &a, const QPointF &b)
{
    return QPointF((a.x() + b.x()) * 0.5, (a.y() + b.y()) * 0.5);
}

QRectF squareAround(const QPointF &centre, double side)
{
    const double half = side * 0.5;
    return QRectF(centre.x() - half, centre.y() - half, side, side);
}

// Calls visit(point) for the curve's points at percent i / segments, i = 0 … segments.
template<typename Visit>
void visitQuadCurvePoints(const QPointF &start, const QPointF &control, const QPointF &end,
                          unsigned segments, Visit visit)
{
    QPainterPath path(start);
    path.quadTo(control, end);
    for (unsigned i = 0; i <= segments; ++i)
        visit(path.pointAtPercent(double(i) / segments));
}

// The committed curve's samples, the width going evenly from startWidth to endWidth.
QList<KvStrokeSample> curveSamples(const QPointF &start, const QPointF &control, const QPointF &end,
                                   double startWidth, double endWidth)
{
    const double pointCount = kCurveSegments + 1;
    QList<KvStrokeSample> curve;
    curve.reserve(int(pointCount));
    visitQuadCurvePoints(start, control, end, kCurveSegments, [&](const QPointF &point) {
        const double fraction = curve.size() / (pointCount - 1);
        curve.append({point, startWidth + fraction * (endWidth - startWidth)});
    });
    return curve;
}

QLineF tangentAt(const QList<KvStrokeSample> &samples, int i)
{
    const int last = samples.size() - 1;
    if (i == 0)
        return QLineF(samples.at(0).position, samples.at(1).position);
    if (i == last)
        return QLineF(samples.at(last - 1).position, samples.at(last).position);
    return QLineF(samples.at(i - 1).position, samples.at(i + 1).position);
}

} // namespace

KvGraphicsStroke::KvGraphicsStroke() = default;

KvGraphicsStroke::~KvGraphicsStroke()
{
    // Normally empty here; should a stroke go while listed, its items must not point at it.
    for (KvGraphicsPolygonItem *item : qAsConst(m_items))
        item->m_stroke = nullptr;
}

void KvGraphicsStroke::addItem(KvGraphicsPolygonItem *item)
{
    m_items.removeOne(item);
    m_items.append(item);
}

void KvGraphicsStroke::removeItem(KvGraphicsPolygonItem *item)
{
    m_items.removeOne(item);
}

QList<KvGraphicsPolygonItem *> KvGraphicsStroke::items() const
{
    return m_items;
}

QList<KvStrokeSample> KvGraphicsStroke::addPoint(const QPointF &pos, double width, bool smooth)
{
    const KvStrokeSample sample {pos, width};
    if (m_rawSamples.isEmpty()) {
        m_rawSamples.append(sample);
        m_smoothedSamples.append(sample);
        return {sample};
    }
    if (!smooth) {
        const KvStrokeSample last = m_rawSamples.last();
        m_rawSamples.append(sample);
        m_smoothedSamples.append(sample);
        return {last, sample};
    }
    if (m_rawSamples.size() == 1) {
        const KvStrokeSample first = m_rawSamples.first();
        const KvStrokeSample middle {midPoint(first.position, pos), (first.width + width) * 0.5};
        m_rawSamples.append(sample);
        m_smoothedSamples.append(middle);
        return {first, middle};
    }

    const QPointF a = m_rawSamples.at(m_rawSamples.size() - 2).position;
    const QPointF b = m_rawSamples.last().position;
    const QList<KvStrokeSample> curve
        = curveSamples(midPoint(a, b), b, midPoint(b, pos), m_smoothedSamples.last().width, width);

    if (curve.first().position == m_smoothedSamples.last().position)
        m_smoothedSamples.removeLast();
    m_smoothedSamples.append(curve);
    m_rawSamples.append(sample);
    return curve;
}

QList<KvStrokeSample> KvGraphicsStroke::finishAt(const QPointF &pos, double width)
{
    if (m_rawSamples.isEmpty() || m_smoothedSamples.last().position == pos)
        return {};
    const KvStrokeSample start = m_smoothedSamples.last();
    QList<KvStrokeSample> curve;
    if (m_rawSamples.size() == 1) {
        curve = {start, {pos, width}};
    } else {
        // The outlined ink ends half way to the last raw sample, which bends it towards `pos`.
        curve = curveSamples(start.position, m_rawSamples.last().position, pos, start.width, width);
    }
    m_rawSamples.append({pos, width});
    m_smoothedSamples.append(curve.mid(1));
    return curve;
}

KvStrokeSample KvGraphicsStroke::lastSmoothedSample() const
{
    return m_smoothedSamples.isEmpty() ? KvStrokeSample() : m_smoothedSamples.last();
}

QPolygonF lineCapsulePolygon(const QLineF &line, double startWidth, double endWidth)
{
    const QPointF p1 = line.p1();
    const QPointF p2 = line.p2();
    const double r1 = startWidth * 0.5;
    const double r2 = endWidth * 0.5;
    const double angle = line.angle();
    const double t = (90.0 - angle) * kPi / 180.0;
    const double cosT = std::cos(t);
    const double sinT = std::sin(t);
    const QPointF u1(r1 * cosT, r1 * sinT);
    const QPointF u2(r2 * cosT, r2 * sinT);

    QPainterPath path;
    path.reserve(16);
    path.moveTo(p1 - u1);
    path.lineTo(p2 - u2);
    path.arcTo(squareAround(p2, endWidth), angle + 90.0, -180.0);
    path.lineTo(p1 + u1);
    path.arcTo(squareAround(p1, startWidth), angle - 90.0, -180.0);
    path.closeSubpath();
    return path.toFillPolygon(QTransform());
}

QPolygonF lineCapsulePolygon(const QPointF &start, const QPointF &end, const double *startWidth,
                             const double *endWidth)
{
    if (!startWidth || !endWidth) {
        qCDebug(lcKvPenEngine) << "lineCapsulePolygon"
                               << "null width";
        return {};
    }
    return lineCapsulePolygon(QLineF(start, end), *startWidth, *endWidth);
}

QPolygonF samplesOutlinePolygon(const QList<KvStrokeSample> &samples, bool startCap, bool endCap)
{
    const int n = samples.size();
    if (n == 0)
        return {};
    if (n == 1) {
        const KvStrokeSample &only = samples.first();
        return lineCapsulePolygon(QLineF(only.position, only.position), only.width, only.width);
    }

    // Half-width offsets perpendicular to each sample's tangent: left = S + d, right = S - d.
    QVarLengthArray<QPointF, 32> rungs(n);
    for (int i = 0; i < n; ++i) {
        QLineF normal = tangentAt(samples, i).normalVector();
        normal.setLength(samples.at(i).width * 0.5);
        rungs[i] = normal.p2() - normal.p1();
    }
    const auto left = [&](int i) {
        return samples.at(i).position + rungs[i];
    };
    const auto right = [&](int i) {
        return samples.at(i).position - rungs[i];
    };

    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.reserve(2 * n + 16);
    path.moveTo(left(0));
    for (int i = 1; i < n; ++i)
        path.lineTo(left(i));
    const KvStrokeSample &last = samples.at(n - 1);
    if (endCap)
        path.arcTo(squareAround(last.position, last.width),
                   tangentAt(samples, n - 1).angle() + 90.0, -180.0);
    else
        path.lineTo(right(n - 1));
    for (int i = n - 1; i >= 0; --i)
        path.lineTo(right(i));
    const KvStrokeSample &first = samples.first();
    if (startCap)
        path.arcTo(squareAround(first.position, first.width), tangentAt(samples, 0).angle() - 90.0,
                   -180.0);
    else
        path.lineTo(left(0));
    return path.toFillPolygon(QTransform());
}

QList<QPointF> quadCurvePoints(const QPointF &start, const QPointF &control, const QPointF &end,
                               unsigned segments)
{
    QList<QPointF> points;
    if (segments <= 1)
        return points;
    if (segments > kMaxCurveSegments) {
        qCDebug(lcKvPenEngine) << "quadCurvePoints"
                               << "refused" << segments << "segments";
        return points;
    }
    points.reserve(int(segments) + 1);
    visitQuadCurvePoints(start, control, end, segments,
                         [&points](const QPointF &point) { points.append(point); });
    return points;
}
