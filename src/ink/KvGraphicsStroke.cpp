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

// The point at `t` of the cubic curve p1 … p4, evaluated as Qt's QBezier::pointAt does.
QPointF cubicPoint(const QPointF &p1, const QPointF &p2, const QPointF &p3, const QPointF &p4,
                   double t)
{
    const double m = 1.0 - t;
    const auto along = [m, t](double v1, double v2, double v3, double v4) {
        double a = v1 * m + v2 * t;
        double b = v2 * m + v3 * t;
        const double c = v3 * m + v4 * t;
        a = a * m + b * t;
        b = b * m + c * t;
        return a * m + b * t;
    };
    return QPointF(along(p1.x(), p2.x(), p3.x(), p4.x()), along(p1.y(), p2.y(), p3.y(), p4.y()));
}

// Calls visit(point) for the curve's points at percent i / segments, i = 0 … segments.
template<typename Visit>
void visitQuadCurvePoints(const QPointF &start, const QPointF &control, const QPointF &end,
                          unsigned segments, Visit visit)
{
    QPainterPath path(start);
    path.quadTo(control, end);
    // Qt leaves a curve of one point out of the path.
    if (path.elementCount() == 1) {
        for (unsigned i = 0; i <= segments; ++i)
            visit(start);
        return;
    }
    // QPainterPath::pointAtPercent, worked out as Qt does, bit for bit: on a path of one curve it
    // scales the percent by the curve's length and back, and evaluates the cubic Qt made of the
    // quadratic curve there. Qt measures that length three times for every point; here it is
    // measured once.
    const double length = path.length();
    const QPointF control1((start.x() + 2 * control.x()) / 3, (start.y() + 2 * control.y()) / 3);
    const QPointF control2((end.x() + 2 * control.x()) / 3, (end.y() + 2 * control.y()) / 3);
    for (unsigned i = 0; i <= segments; ++i) {
        const double t = length * (double(i) / segments) / length;
        visit(cubicPoint(start, control1, control2, end, qBound(0.0, t, 1.0)));
    }
}

// An outline stays with its item for the item's lifetime: no spare capacity.
QPolygonF fillPolygon(const QPainterPath &path)
{
    QPolygonF polygon = path.toFillPolygon(QTransform());
    polygon.squeeze();
    return polygon;
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
    if (m_temporaryItem)
        m_temporaryItem->m_stroke = nullptr;
}

void KvGraphicsStroke::addItem(KvGraphicsPolygonItem *item)
{
    m_items.removeOne(item);
    m_items.append(item);
}

void KvGraphicsStroke::removeItem(KvGraphicsPolygonItem *item)
{
    if (item == m_temporaryItem)
        m_temporaryItem = nullptr;
    else
        m_items.removeOne(item);
}

void KvGraphicsStroke::hold()
{
    m_held = true;
}

void KvGraphicsStroke::letGo()
{
    m_held = false;
    if (isUnused())
        delete this;
}

bool KvGraphicsStroke::isUnused() const
{
    return m_items.isEmpty() && !m_temporaryItem && !m_held;
}

KvGraphicsPolygonItem *KvGraphicsStroke::temporaryItem() const
{
    return m_temporaryItem;
}

void KvGraphicsStroke::setTemporaryItem(KvGraphicsPolygonItem *item)
{
    if (item == m_temporaryItem)
        return;
    if (m_temporaryItem)
        m_temporaryItem->m_stroke = nullptr;
    m_temporaryItem = item;
    if (!item)
        return;
    item->clearStroke();
    item->m_stroke = this;
}

KvGraphicsStroke *KvGraphicsStroke::continuation() const
{
    // Smoothing reads no further back than the last two raw samples and the last smoothed one.
    auto *next = new KvGraphicsStroke;
    next->m_rawCount = qMin(m_rawCount, 2);
    next->m_previousRaw = m_previousRaw;
    next->m_lastRaw = m_lastRaw;
    next->m_lastSmoothed = m_lastSmoothed;
    return next;
}

QList<KvGraphicsPolygonItem *> KvGraphicsStroke::items() const
{
    return m_items;
}

QList<KvStrokeSample> KvGraphicsStroke::addPoint(const QPointF &pos, double width, bool smooth)
{
    const KvStrokeSample sample {pos, width};
    QList<KvStrokeSample> result;
    if (m_rawCount == 0) {
        m_lastSmoothed = sample;
        result = {sample};
    } else if (!smooth) {
        m_lastSmoothed = sample;
        result = {m_lastRaw, sample};
    } else if (m_rawCount == 1) {
        m_lastSmoothed = {midPoint(m_lastRaw.position, pos), (m_lastRaw.width + width) * 0.5};
        result = {m_lastRaw, m_lastSmoothed};
    } else {
        result = smoothedCurve(pos, width);
        m_lastSmoothed = result.last();
    }
    m_previousRaw = m_lastRaw;
    m_lastRaw = sample;
    ++m_rawCount;
    return result;
}

QList<KvStrokeSample> KvGraphicsStroke::smoothedCurve(const QPointF &pos, double width) const
{
    const QPointF a = m_previousRaw.position;
    const QPointF b = m_lastRaw.position;
    return curveSamples(midPoint(a, b), b, midPoint(b, pos), m_lastSmoothed.width, width);
}

QList<KvStrokeSample> KvGraphicsStroke::finishAt(const QPointF &pos, double width)
{
    if (m_rawCount == 0 || m_lastSmoothed.position == pos)
        return {};
    const KvStrokeSample start = m_lastSmoothed;
    QList<KvStrokeSample> curve;
    if (m_rawCount == 1) {
        curve = {start, {pos, width}};
    } else {
        // The outlined ink ends half way to the last raw sample, which bends it towards `pos`.
        curve = curveSamples(start.position, m_lastRaw.position, pos, start.width, width);
    }
    m_previousRaw = m_lastRaw;
    m_lastRaw = {pos, width};
    ++m_rawCount;
    m_lastSmoothed = curve.last();
    return curve;
}

KvStrokeSample KvGraphicsStroke::lastSmoothedSample() const
{
    return m_lastSmoothed;
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

    // Capsules follow the pointer on every move: one path per thread keeps its storage.
    thread_local QPainterPath path;
    path.clear();
    path.moveTo(p1 - u1);
    path.lineTo(p2 - u2);
    path.arcTo(squareAround(p2, endWidth), angle + 90.0, -180.0);
    path.lineTo(p1 + u1);
    path.arcTo(squareAround(p1, startWidth), angle - 90.0, -180.0);
    path.closeSubpath();
    return fillPolygon(path);
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
    return fillPolygon(path);
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
