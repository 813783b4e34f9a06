#include "KvPenObject.h"

#include "KvCoreGraphicsScene.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenLogging.h"
#include "KvPenTypes.h"

#include <QGraphicsView>
#include <QLineF>

#include <algorithm>
#include <limits>

KvPenObject::KvPenObject(QObject *parent)
    : QObject(parent)
{ }

KvPenObject::~KvPenObject()
{
    // Open ink stays where it is, owned by its pieces.
    for (const OpenStroke &open : qAsConst(m_openStrokes))
        open.stroke->letGo();
}

using namespace KvPen;

namespace {
// Committed ink advances once the distances from its end, summed over the moves, exceed this.
const int kMinSegmentDistance = 10;

enum InputKind { MouseInput = 0, TouchInput = 1, NoInput = 2 };

bool isFinite(const QPointF &point)
{
    return qIsFinite(point.x()) && qIsFinite(point.y());
}

} // namespace

void KvPenObject::setScene(KvCoreGraphicsScene *scene)
{
    if (scene == m_scene)
        return;
    // Ink in progress belongs to the board it was drawn on.
    finishOpenStrokes();
    m_eraser.release();
    m_scene = scene;
}

bool KvPenObject::isIdle() const
{
    return m_openStrokes.isEmpty() && !m_eraser.isEngaged() && !m_isAreaErasing;
}

bool KvPenObject::isInkPoint(const QPointF &pos) const
{
    return isWithinInkRange(pos, m_settings.inkWidth());
}

bool KvPenObject::inputDevicePress(const QPointF &pos, const QUuid &uuid, int id)
{
    if (m_isAreaErasing)
        return false;
    if (!m_scene || !isFinite(pos)) {
        qCDebug(lcKvPenEngine) << "KvPenObject::inputDevicePress"
                               << "refused: no scene or a non-finite point";
        return false;
    }
    if (isInkStylus(m_settings.stylus) && !isInkPoint(pos)) {
        qCDebug(lcKvPenEngine) << "KvPenObject::inputDevicePress"
                               << "refused: ink beyond the board's range at" << pos;
        return false;
    }
    m_eraser.beginGesture();
    updateInputKind(id);

    switch (m_settings.stylus) {
    case EraserStylus:
        eraseSegment(id, pos, pos, m_settings.eraserWidth, m_settings.eraserWidth);
        hideEraseWidget();
        break;
    case PenStylus:
    case MarkerStylus:
        beginStroke(pos, uuid, id);
        break;
    default:
        break;
    }
    m_lastPoints.insert(id, pos);
    return true;
}

bool KvPenObject::inputDeviceMove(const QPointF &pos, const QUuid &, int id)
{
    if (m_isAreaErasing)
        return false;
    if (!m_scene || !isFinite(pos)) {
        qCDebug(lcKvPenEngine) << "KvPenObject::inputDeviceMove"
                               << "refused: no scene or a non-finite point";
        return false;
    }
    const auto last = m_lastPoints.constFind(id);
    if (last == m_lastPoints.cend())
        return false;

    switch (m_settings.stylus) {
    case EraserStylus:
        eraseSegment(id, *last, pos, m_settings.eraserWidth, m_settings.eraserWidth);
        break;
    case PenStylus:
    case MarkerStylus:
        if (!isInkPoint(pos)) {
            qCDebug(lcKvPenEngine) << "KvPenObject::inputDeviceMove"
                                   << "refused: ink beyond the board's range at" << pos;
            return false;
        }
        if (!extendStroke(pos, id))
            return false;
        break;
    default:
        break;
    }
    m_lastPoints.insert(id, pos);
    return true;
}

bool KvPenObject::inputDeviceRelease(const QUuid &uuid, QJsonObject &snapshot, int id)
{
    if (m_isAreaErasing)
        return false;
    switch (m_settings.stylus) {
    case EraserStylus:
        endErase(id);
        m_lastInputKind = NoInput;
        return true;
    case PenStylus:
    case MarkerStylus:
        break;
    default:
        return true;
    }
    if (!m_openStrokes.contains(id)) {
        QList<int> keys = m_openStrokes.keys();
        std::sort(keys.begin(), keys.end());
        qCDebug(lcKvPenEngine) << "KvPenObject::inputDeviceRelease"
                               << "warning: no stroke, no temp polygon item."
                               << "keys:" << keys << "key:" << id;
        return true;
    }
    if (!m_scene) {
        // The board went with everything on it; what the stroke still holds goes too.
        m_openStrokes.take(id).stroke->letGo();
        qCDebug(lcKvPenEngine) << "KvPenObject::inputDeviceRelease"
                               << "refused: no scene";
        return false;
    }
    finishStroke(uuid, snapshot, id);
    if (m_openStrokes.isEmpty())
        m_lastInputKind = NoInput;
    return true;
}

void KvPenObject::updateInputKind(int id)
{
    const int kind = id == kSinglePointerId ? MouseInput : TouchInput;
    if (m_lastInputKind == MouseInput) {
        // The completed mouse stroke keeps the uuid of its own press, not that of this one.
        QJsonObject dropped;
        inputDeviceRelease(m_openStrokes.value(kSinglePointerId).pressUuid, dropped,
                           kSinglePointerId);
    }
    m_lastInputKind = kind;
}

void KvPenObject::beginStroke(const QPointF &pos, const QUuid &uuid, int id)
{
    if (m_openStrokes.contains(id)) {
        // A press on a pointer whose stroke is still open finishes that stroke first.
        QJsonObject dropped;
        finishStroke(m_openStrokes.value(id).pressUuid, dropped, id);
    }
    const double width = m_settings.inkWidth();
    OpenStroke open;
    open.stroke = new KvGraphicsStroke;
    open.stroke->hold();
    open.pressUuid = uuid;
    open.pieces = 1;
    ink().addPiece(open.stroke, pos, width, true);
    ink().showTemporaryItem(open.stroke, QLineF(pos, pos), width);
    m_openStrokes.insert(id, open);
}

bool KvPenObject::extendStroke(const QPointF &pos, int id)
{
    const auto found = m_openStrokes.find(id);
    if (found == m_openStrokes.end())
        return false;
    OpenStroke &open = *found;
    const double width = m_settings.inkWidth();
    double distance
        = open.moveDistance + QLineF(open.stroke->lastSmoothedSample().position, pos).length();
    QJsonObject closed;
    if (distance > kMinSegmentDistance) {
        ink().addPiece(open.stroke, pos, width, false);
        distance = 0.0;
        if (++open.pieces == kMaxPiecesPerGroup)
            closed = continueInNewGroup(&open);
    }
    open.moveDistance = distance;
    ink().showTemporaryItem(open.stroke, QLineF(open.stroke->lastSmoothedSample().position, pos),
                            width);
    // Last: whoever hears of the group may call back into the engine.
    if (!closed.isEmpty())
        emit sig_groupClosed(closed);
    return true;
}

void KvPenObject::finishStroke(const QUuid &uuid, QJsonObject &snapshot, int id)
{
    const OpenStroke open = m_openStrokes.take(id);
    if (m_completeStrokeEnds)
        ink().finishAt(open.stroke, m_lastPoints.value(id));
    ink().dropTemporaryItem(open.stroke);
    closeGroup(open.stroke, open.groupUuid(uuid), snapshot);
    open.stroke->letGo();
}

void KvPenObject::finishOpenStrokes()
{
    for (const int id : m_openStrokes.keys()) {
        QJsonObject dropped;
        if (m_scene)
            finishStroke(m_openStrokes.value(id).pressUuid, dropped, id);
        else
            m_openStrokes.take(id).stroke->letGo();
    }
    m_lastInputKind = NoInput;
}

QJsonObject KvPenObject::continueInNewGroup(OpenStroke *open)
{
    KvGraphicsStroke *next = open->stroke->continuation();
    next->hold();
    next->setTemporaryItem(open->stroke->temporaryItem());
    QJsonObject snapshot;
    closeGroup(open->stroke, open->groupUuid(open->pressUuid), snapshot);
    open->stroke->letGo();
    open->stroke = next;
    ++open->part;
    open->pieces = 0;
    return snapshot;
}

void KvPenObject::closeGroup(KvGraphicsStroke *stroke, const QUuid &uuid, QJsonObject &snapshot)
{
    const QList<KvGraphicsPolygonItem *> pieces = ink().piecesOnBoard(stroke);
    // Nothing left to gather when the host took every piece.
    if (pieces.isEmpty())
        return;
    auto *group = new KvGraphicsStrokesGroup(m_settings.inkColor(), m_settings.stylus, nullptr);
    group->setUuid(uuid);
    group->setItems(pieces);
    group->setPenWidth(m_settings.inkWidth());
    group->setSnaphotData(snapshot);
    ink().putGroupOnBoard(group);
}

KvGraphicsPolygonItem *KvPenObject::polygonToPolygonItem(QPolygonF polygon)
{
    auto *item = new KvGraphicsPolygonItem(polygon, nullptr);
    ink().applyPenStyle(item);
    return item;
}

KvGraphicsStrokesGroup *KvPenObject::createGroupFromPoints(QList<QPointF> points)
{
    if (points.isEmpty())
        return nullptr;
    if (!m_scene || !std::all_of(points.cbegin(), points.cend(), [this](const QPointF &point) {
            return isInkPoint(point);
        })) {
        qCDebug(lcKvPenEngine) << "KvPenObject::createGroupFromPoints"
                               << "refused: no scene or a point beyond the board's range";
        return nullptr;
    }
    const double width = m_settings.inkWidth();
    const QPointF last = points.last();
    auto *stroke = new KvGraphicsStroke;
    int distance = 0;
    for (int i = 0; i < points.size(); ++i) {
        const QPointF &point = points.at(i);
        if (i == 0) {
            ink().addPiece(stroke, point, width, true);
        } else {
            const double sum
                = distance + QLineF(stroke->lastSmoothedSample().position, point).length();
            // A truncated int, as replays always counted it; a far jump cannot overflow it.
            distance = int(std::min(sum, double(std::numeric_limits<int>::max())));
            if (distance > kMinSegmentDistance) {
                ink().addPiece(stroke, point, width, false);
                distance = 0;
            }
        }
        // The group is made once, at the first point equal to the last: it holds every piece.
        if (point == last)
            break;
    }
    if (m_completeStrokeEnds)
        ink().finishAt(stroke, last);
    auto *group
        = new KvGraphicsStrokesGroup(QColor(255, 255, 255, 255), m_settings.stylus, nullptr);
    group->setItems(stroke->items());
    ink().putGroupOnBoard(group);
    return group;
}

void KvPenObject::setEraseArea(const QRectF &rect)
{
    if (!m_scene) {
        qCDebug(lcKvPenEngine) << "KvPenObject::setEraseArea"
                               << "refused: no scene";
        return;
    }
    QPointF centre = rect.center();
    if (QGraphicsView *view = KvStrokeEraser::firstView(m_scene))
        centre = view->mapToScene(centre.toPoint());
    if (!m_isAreaErasing) {
        m_isAreaErasing = true;
        m_areaLastPoint = centre;
        cancelStrokes();
    }
    eraseSegment(kAreaEraserId, m_areaLastPoint, centre, rect.width(), rect.width());
    m_areaLastPoint = centre;
}

void KvPenObject::setEndErase()
{
    m_isAreaErasing = false;
    endErase(kAreaEraserId);
}

void KvPenObject::endErase(int id)
{
    qCDebug(lcKvPenTrace) << "KvPenObject::endErase";
    m_eraser.end(m_scene, id, m_settings.eraserWidth);
}

void KvPenObject::eraseScrollItem()
{
    cancelStrokes();
    m_eraser.hideCursor();
}

void KvPenObject::hideEraseWidget()
{
    m_eraser.hideCursor();
}

void KvPenObject::cancelStrokes()
{
    for (const OpenStroke &open : qAsConst(m_openStrokes)) {
        for (KvGraphicsPolygonItem *piece : ink().piecesOnBoard(open.stroke))
            ink().discardItem(piece);
        ink().dropTemporaryItem(open.stroke);
        open.stroke->letGo();
    }
    m_openStrokes.clear();
    m_eraser.release();
}

void KvPenObject::eraseSegment(int id, const QPointF &from, const QPointF &to, double width1,
                               double width2)
{
    m_eraser.eraseSegment(m_scene, id, from, to, width1, width2,
                          [this](const QString &uuid) { emit sig_eraseItem(uuid); });
}
