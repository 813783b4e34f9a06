#include "KvOutlineContact.h"

#include <QRectF>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Relative size below which a cross product counts as zero: points that close to a line are on it.
constexpr double kCollinearTolerance = 1e-9;

double cross(const QPointF &origin, const QPointF &a, const QPointF &b)
{
    return (a.x() - origin.x()) * (b.y() - origin.y())
        - (a.y() - origin.y()) * (b.x() - origin.x());
}

// -1, 0 or 1: on which side of the line from `a` to `b` `point` lies, 0 when too close to tell.
int side(const QPointF &a, const QPointF &b, const QPointF &point)
{
    const double value = cross(a, b, point);
    const double scale = std::abs((b.x() - a.x()) * (point.y() - a.y()))
        + std::abs((b.y() - a.y()) * (point.x() - a.x()));
    if (std::abs(value) <= kCollinearTolerance * scale || value == 0)
        return 0;
    return value > 0 ? 1 : -1;
}

QRectF boundsOf(const QPointF &a, const QPointF &b)
{
    return QRectF(QPointF(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                  QPointF(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

bool boundsMeet(const QRectF &a, const QRectF &b)
{
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom()
        && b.top() <= a.bottom();
}

// Whether two segments whose bounds meet share a point; collinear or touching segments do.
bool crossingSegmentsMeet(const QPointF &a1, const QPointF &a2, const QPointF &b1,
                          const QPointF &b2)
{
    const int b1Side = side(a1, a2, b1);
    const int b2Side = side(a1, a2, b2);
    const int a1Side = side(b1, b2, a1);
    const int a2Side = side(b1, b2, a2);
    return b1Side * b2Side <= 0 && a1Side * a2Side <= 0;
}

// The outline's points without the repeated first point that closes it.
int loopSize(const QPolygonF &outline)
{
    const int size = outline.size();
    return size > 1 && outline.first() == outline.last() ? size - 1 : size;
}

} // namespace

bool KvOutlineContact::mayMeet(const QPolygonF &a, const QPolygonF &b)
{
    const int aSize = loopSize(a);
    const int bSize = loopSize(b);
    if (aSize < 3 || bSize < 3)
        return true;
    const QRectF bBounds = b.boundingRect();
    for (int i = 0; i < aSize; ++i) {
        const QPointF &a1 = a.at(i);
        const QPointF &a2 = a.at((i + 1) % aSize);
        const QRectF aBounds = boundsOf(a1, a2);
        if (!boundsMeet(aBounds, bBounds))
            continue;
        for (int j = 0; j < bSize; ++j) {
            const QPointF &b1 = b.at(j);
            const QPointF &b2 = b.at((j + 1) % bSize);
            if (boundsMeet(aBounds, boundsOf(b1, b2)) && crossingSegmentsMeet(a1, a2, b1, b2))
                return true;
        }
    }
    // Neither boundary crosses the other: each loop lies wholly inside or outside the other's area.
    return a.containsPoint(b.first(), Qt::OddEvenFill)
        || b.containsPoint(a.first(), Qt::OddEvenFill);
}

bool KvOutlineContact::isSimple(const QPolygonF &outline)
{
    const int size = loopSize(outline);
    if (size < 3)
        return false;
    const QPointF *points = outline.constData();
    // Every pair of edges is compared: their bounds are worked out once.
    std::vector<QRectF> edgeBounds(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i)
        edgeBounds[size_t(i)] = boundsOf(points[i], points[(i + 1) % size]);
    for (int i = 0; i < size; ++i) {
        const QPointF &a1 = points[i];
        const QPointF &a2 = points[(i + 1) % size];
        if (a1 == a2)
            return false;
        // Neighbouring edges share a point; they may not fold back onto each other.
        const QPointF &a3 = points[(i + 2) % size];
        if (side(a1, a2, a3) == 0 && QPointF::dotProduct(a2 - a1, a3 - a2) <= 0)
            return false;
        const QRectF &aBounds = edgeBounds[size_t(i)];
        for (int j = i + 2; j < size; ++j) {
            if (i == 0 && j == size - 1)
                continue;
            if (boundsMeet(aBounds, edgeBounds[size_t(j)])
                && crossingSegmentsMeet(a1, a2, points[j], points[(j + 1) % size]))
                return false;
        }
    }
    return true;
}
