#include "KvPenObject.h"

#include "KvBoardInk.h"
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
    addStrokePiece(open.stroke, pos, width, true);
    showTemporaryItem(open.stroke, QLineF(pos, pos), width);
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
        addStrokePiece(open.stroke, pos, width, false);
        distance = 0.0;
        if (++open.pieces == kMaxPiecesPerGroup)
            closed = continueInNewGroup(&open);
    }
    open.moveDistance = distance;
    showTemporaryItem(open.stroke, QLineF(open.stroke->lastSmoothedSample().position, pos), width);
    // Last: whoever hears of the group may call back into the engine.
    if (!closed.isEmpty())
        emit sig_groupClosed(closed);
    return true;
}

void KvPenObject::finishStroke(const QUuid &uuid, QJsonObject &snapshot, int id)
{
    const OpenStroke open = m_openStrokes.take(id);
    completeStrokeEnd(open.stroke, m_lastPoints.value(id));
    dropTemporaryItem(open.stroke);
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
    const QList<KvGraphicsPolygonItem *> pieces = piecesOnBoard(stroke);
    // Nothing left to gather when the host took every piece.
    if (pieces.isEmpty())
        return;
    auto *group = new KvGraphicsStrokesGroup(m_settings.inkColor(), m_settings.stylus, nullptr);
    group->setUuid(uuid);
    group->setItems(pieces);
    group->setPenWidth(m_settings.inkWidth());
    group->setSnaphotData(snapshot);
    putGroupOnBoard(group);
}

QList<KvGraphicsPolygonItem *> KvPenObject::piecesOnBoard(const KvGraphicsStroke *stroke) const
{
    // A piece the host took off the board is the host's now.
    QList<KvGraphicsPolygonItem *> pieces = stroke->items();
    pieces.erase(std::remove_if(pieces.begin(), pieces.end(),
                                [this](const KvGraphicsPolygonItem *piece) {
                                    return piece->QGraphicsItem::scene() != m_scene;
                                }),
                 pieces.end());
    return pieces;
}

void KvPenObject::showTemporaryItem(KvGraphicsStroke *stroke, const QLineF &bridge, double width)
{
    KvGraphicsPolygonItem *temporary = stroke->temporaryItem();
    if (temporary && temporary->QGraphicsItem::scene() == m_scene) {
        temporary->setPolygon(lineCapsulePolygon(bridge, width, width));
        return;
    }
    // The host took the capsule away: it keeps that one, and the stroke gets a new one.
    temporary = new KvGraphicsPolygonItem(bridge, width, width, nullptr);
    applyPenStyle(temporary);
    temporary->setData(TemporaryKey, kTemporaryItem);
    stroke->setTemporaryItem(temporary);
    m_scene->addBoardItem(temporary);
}

void KvPenObject::dropTemporaryItem(KvGraphicsStroke *stroke)
{
    KvGraphicsPolygonItem *temporary = stroke->temporaryItem();
    if (!temporary)
        return;
    if (temporary->QGraphicsItem::scene() != m_scene) {
        stroke->setTemporaryItem(nullptr);
        return;
    }
    // Deleted on any kind of board: nothing is left behind off the board.
    discardItem(temporary);
}

void KvPenObject::putGroupOnBoard(KvGraphicsStrokesGroup *group)
{
    m_scene->addBoardItem(group);
    for (KvGraphicsPolygonItem *piece : qAsConst(group->items())) {
        piece->setStrokesGroup(group);
        group->addToGroup(piece);
    }
}

void KvPenObject::addStrokePiece(KvGraphicsStroke *stroke, const QPointF &pos, double width,
                                 bool first)
{
    // The first piece is a dot, round at both ends; later ones join it flat and end round.
    const QList<KvStrokeSample> samples = stroke->addPoint(pos, width, !first);
    KvGraphicsPolygonItem *piece = createSegmentItem(samples, first, true);
    addSegmentItem(piece, stroke);
    piece->setCorrespondingPoint(pos);
}

void KvPenObject::completeStrokeEnd(KvGraphicsStroke *stroke, const QPointF &pos)
{
    if (!m_completeStrokeEnds)
        return;
    const QList<KvStrokeSample> samples = stroke->finishAt(pos, m_settings.inkWidth());
    if (samples.isEmpty())
        return;
    KvGraphicsPolygonItem *piece = createSegmentItem(samples, false, true);
    addSegmentItem(piece, stroke);
    piece->setCorrespondingPoint(pos);
}

KvGraphicsPolygonItem *KvPenObject::createSegmentItem(const QList<KvStrokeSample> &samples,
                                                      bool startCap, bool endCap)
{
    const QPolygonF outline = samplesOutlinePolygon(samples, startCap, endCap);
    auto *piece = new KvGraphicsPolygonItem(outline, nullptr);
    piece->setFullPolygon(outline);
    applyPenStyle(piece);
    return piece;
}

void KvPenObject::addSegmentItem(KvGraphicsPolygonItem *item, KvGraphicsStroke *stroke)
{
    // Translucent ink must not be painted twice where round-capped pieces overlap. The earlier
    // pieces' full outlines cover exactly the area of their displayed polygons together, and
    // unlike those they are never the bridged multi-part results of earlier cuts, which Qt's
    // clipper sometimes empties.
    if (!item->brush().isOpaque()) {
        QPolygonF shown = item->polygon();
        for (KvGraphicsPolygonItem *earlier : stroke->items()) {
            const QPolygonF &full = earlier->fullPolygon();
            if (full.boundingRect().intersects(shown.boundingRect()))
                shown = shown.subtracted(full);
        }
        item->setPolygon(shown);
    }
    m_scene->addBoardItem(item);
    item->setStroke(stroke);
}

void KvPenObject::applyPenStyle(KvGraphicsPolygonItem *item)
{
    QColor color = m_settings.inkColor();
    if (m_settings.stylus != PenStylus)
        color.setAlphaF(0.5);
    item->setColor(color);
    item->setData(StyleKey, kStyledPiece);
}

KvGraphicsPolygonItem *KvPenObject::polygonToPolygonItem(QPolygonF polygon)
{
    auto *item = new KvGraphicsPolygonItem(polygon, nullptr);
    applyPenStyle(item);
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
            addStrokePiece(stroke, point, width, true);
        } else {
            const double sum
                = distance + QLineF(stroke->lastSmoothedSample().position, point).length();
            // A truncated int, as replays always counted it; a far jump cannot overflow it.
            distance = int(std::min(sum, double(std::numeric_limits<int>::max())));
            if (distance > kMinSegmentDistance) {
                addStrokePiece(stroke, point, width, false);
                distance = 0;
            }
        }
        // The group is made once, at the first point equal to the last: it holds every piece.
        if (point == last)
            break;
    }
    completeStrokeEnd(stroke, last);
    auto *group
        = new KvGraphicsStrokesGroup(QColor(255, 255, 255, 255), m_settings.stylus, nullptr);
    group->setItems(stroke->items());
    putGroupOnBoard(group);
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
        for (KvGraphicsPolygonItem *piece : piecesOnBoard(open.stroke))
            discardItem(piece);
        dropTemporaryItem(open.stroke);
        open.stroke->letGo();
    }
    m_openStrokes.clear();
    m_eraser.release();
}

void KvPenObject::discardItem(QGraphicsItem *item)
{
    if (m_scene)
        m_scene->removeBoardItem(item, true);
    delete item;
}

void KvPenObject::eraseSegment(int id, const QPointF &from, const QPointF &to, double width1,
                               double width2)
{
    m_eraser.eraseSegment(m_scene, id, from, to, width1, width2,
                          [this](const QString &uuid) { emit sig_eraseItem(uuid); });
}

void KvPenObject::exportScene(QList<KvSaveDataItem> &records, const QString &)
{
    KvBoardInk::exportRecords(m_scene, records);
}

void KvPenObject::importScene(const QList<KvSaveDataItem> &records, const QString &)
{
    KvBoardInk::importRecords(m_scene, records);
}

void KvPenObject::exportSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
{
    KvBoardInk::exportXml(m_scene, document, parent, name);
}

void KvPenObject::importSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
{
    KvBoardInk::importXml(m_scene, document, parent, name);
}

void KvPenObject::exportOriginalPointInfoXml(QDomDocument *document, QDomElement *parent,
                                             const QString &name)
{
    KvBoardInk::exportPointInfoXml(m_scene, document, parent, name);
}
