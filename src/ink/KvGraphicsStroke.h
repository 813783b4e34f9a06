#pragma once

#include "kvpen_export.h"

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QPolygonF>

class KvGraphicsPolygonItem;

// One input sample of ink: where it was and how wide (the full width, a diameter) it is there.
struct KvStrokeSample
{
    QPointF position;
    double width = 0.0;
};
Q_DECLARE_TYPEINFO(KvStrokeSample, Q_MOVABLE_TYPE);

inline bool operator==(const KvStrokeSample &a, const KvStrokeSample &b)
{
    return a.position == b.position && a.width == b.width;
}
inline bool operator!=(const KvStrokeSample &a, const KvStrokeSample &b)
{
    return !(a == b);
}

// The smoothing state and piece list of one continuous input stroke. Its pieces own it
// jointly: the last piece that leaves it (KvGraphicsPolygonItem::setStroke, destructor)
// deletes it. While the engine draws it, the engine holds it too, so that it outlives pieces
// the host deletes under an open stroke.
class KVPEN_EXPORT KvGraphicsStroke
{
public:
    KvGraphicsStroke();
    virtual ~KvGraphicsStroke();

    // Membership, kept by KvGraphicsPolygonItem; addItem moves an item already listed to the end.
    void addItem(KvGraphicsPolygonItem *item);
    void removeItem(KvGraphicsPolygonItem *item);
    QList<KvGraphicsPolygonItem *> items() const;

    // The engine's hold while it draws; letGo deletes the stroke when nothing else keeps it.
    void hold();
    void letGo();
    // Whether no piece, no temporary item and no hold keeps the stroke any longer.
    bool isUnused() const;

    // The capsule that follows the pointer; it leaves the stroke when deleted, like a piece,
    // but is not one of its items.
    KvGraphicsPolygonItem *temporaryItem() const;
    void setTemporaryItem(KvGraphicsPolygonItem *item);

    // A new stroke with no items that smooths on from where this one ends.
    KvGraphicsStroke *continuation() const;

    // Records one input sample and returns the samples to outline next. The press sample is
    // given with `smooth` false; later ones with `smooth` true come back as a mid-point
    // quadratic curve of 11 samples that starts where the previous result ended.
    QList<KvStrokeSample> addPoint(const QPointF &pos, double width, bool smooth);
    // Records where the stroke ends and returns the samples of a last piece from the end of the
    // outlined ink to `pos`: a curve that leaves the ink in its direction (a straight line after
    // the press sample alone). Empty before the first addPoint or when the ink already ends there.
    QList<KvStrokeSample> finishAt(const QPointF &pos, double width);

    // The end of the ink outlined so far (the anchor of the next piece); a default sample
    // (origin, width 0) before the first addPoint.
    KvStrokeSample lastSmoothedSample() const;

private:
    Q_DISABLE_COPY(KvGraphicsStroke)

    // The curve from the middle of the last two raw samples through the last one to the middle
    // of it and `pos`.
    QList<KvStrokeSample> smoothedCurve(const QPointF &pos, double width) const;

    QList<KvGraphicsPolygonItem *> m_items;
    KvGraphicsPolygonItem *m_temporaryItem = nullptr;
    bool m_held = false;
    // Only the end of the input is read again: the last two raw samples and the last smoothed
    // one.
    int m_rawCount = 0;
    KvStrokeSample m_previousRaw;
    KvStrokeSample m_lastRaw;
    KvStrokeSample m_lastSmoothed;
};

// The outline of one straight segment with round ends, startWidth across at the line's first
// point and endWidth at its second. A zero-length line with equal widths gives a disc.
KVPEN_EXPORT QPolygonF lineCapsulePolygon(const QLineF &line, double startWidth, double endWidth);
// The same capsule from the two end points; null width pointers give an empty polygon.
KVPEN_EXPORT QPolygonF lineCapsulePolygon(const QPointF &start, const QPointF &end,
                                          const double *startWidth, const double *endWidth);

// The filled outline of a run of samples, each with its own width, round at the ends whose
// cap is asked for (flat otherwise, so that consecutive pieces meet without a seam).
KVPEN_EXPORT QPolygonF samplesOutlinePolygon(const QList<KvStrokeSample> &samples, bool startCap,
                                             bool endCap);

// The segments + 1 points of the quadratic curve at QPainterPath::pointAtPercent(i / segments),
// from start to end; empty for segments <= 1.
KVPEN_EXPORT QList<QPointF> quadCurvePoints(const QPointF &start, const QPointF &control,
                                            const QPointF &end, unsigned segments);
