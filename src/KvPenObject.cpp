#include "KvPenObject.h"

#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsScene.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvQtConvert.h"

#include <QDebug>
#include <QDomDocument>
#include <QDomElement>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QLineF>
#include <QWidget>

#include <algorithm>
#include <limits>

KvPenObject::KvPenObject(QObject *parent)
    : QObject(parent)
{ }

KvPenObject::~KvPenObject() = default;

KvCoreGraphicsScene *KvPenObject::scene() const
{
    return m_scene;
}

void KvPenObject::setScene(KvCoreGraphicsScene *scene)
{
    m_scene = scene;
}

// ---------------------------------------------------------------------------------------------
// Drawing and erasing
// ---------------------------------------------------------------------------------------------

namespace {
// Committed ink advances once the distances from its end, summed over the moves, exceed this.
const int kMinSegmentDistance = 10;
const int kSinglePointerId = -1;
const int kAreaEraserId = -101;

enum Stylus { PenStylus = 0, EraserStylus = 1, MarkerStylus = 2 };
enum InputKind { MouseInput = 0, TouchInput = 1, NoInput = 2 };

const char kEraserCursorProperty[] = "EraserCursorWidget";

bool isFinite(const QPointF &point)
{
    return qIsFinite(point.x()) && qIsFinite(point.y());
}

// Truncated toward zero; a negative or absurd eraser width is held to what a widget can take.
int cursorPixels(double value)
{
    return int(qBound(0.0, value, double(QWIDGETSIZE_MAX)));
}

// The cursor shared by every engine drawing into this viewport; made on first use.
QWidget *sharedEraserCursor(QWidget *viewport)
{
    if (auto *shared = viewport->property(kEraserCursorProperty).value<QWidget *>())
        return shared;
    auto *cursor = new QWidget(viewport, Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
    cursor->setObjectName(QStringLiteral("m_wdEraserCursor"));
    cursor->setAttribute(Qt::WA_TranslucentBackground);
    // A child widget ignores WindowTransparentForInput; this lets the pointer through as well.
    cursor->setAttribute(Qt::WA_TransparentForMouseEvents);
    // No size yet, so the first use always sizes and styles it.
    cursor->setFixedSize(0, 0);
    auto *layout = new QHBoxLayout(cursor);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *disc = new QWidget(cursor);
    disc->setObjectName(QStringLiteral("wd"));
    layout->addWidget(disc);
    viewport->setProperty(kEraserCursorProperty, QVariant::fromValue(cursor));
    return cursor;
}
} // namespace

QColor KvPenObject::penColor() const
{
    return m_penColor;
}

void KvPenObject::setPenColor(const QColor &color)
{
    m_penColor = color;
}

int KvPenObject::penWidth() const
{
    return m_penWidth;
}

void KvPenObject::setPenWidth(int width)
{
    m_penWidth = width;
}

QColor KvPenObject::markerColor() const
{
    return m_markerColor;
}

void KvPenObject::setMarkerColor(const QColor &color)
{
    m_markerColor = color;
}

int KvPenObject::markerWidth() const
{
    return m_markerWidth;
}

void KvPenObject::setMarkerWidth(int width)
{
    m_markerWidth = width;
}

int KvPenObject::eraserWidth() const
{
    return m_eraserWidth;
}

void KvPenObject::setEraserWidth(int width)
{
    m_eraserWidth = width;
}

int KvPenObject::stylus() const
{
    return m_stylus;
}

void KvPenObject::setStylus(int stylus)
{
    m_stylus = stylus;
}

bool KvPenObject::isCanRedo() const
{
    return m_isCanRedo;
}

void KvPenObject::setIsCanRedo(bool canRedo)
{
    m_isCanRedo = canRedo;
}

bool KvPenObject::inputDevicePress(const QPointF &pos, const QUuid &uuid, int id)
{
    if (m_isAreaErasing)
        return false;
    if (!m_scene || !isFinite(pos)) {
        qDebug() << "KvPenObject::inputDevicePress"
                 << "refused: no scene or a non-finite point";
        return false;
    }
    m_removedItemUuids.clear();
    updateInputKind(id);

    switch (m_stylus) {
    case EraserStylus:
        eraseSegment(id, pos, pos, m_eraserWidth, m_eraserWidth);
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
        qDebug() << "KvPenObject::inputDeviceMove"
                 << "refused: no scene or a non-finite point";
        return false;
    }
    const auto last = m_lastPoints.constFind(id);
    if (last == m_lastPoints.cend())
        return false;

    switch (m_stylus) {
    case EraserStylus:
        eraseSegment(id, *last, pos, m_eraserWidth, m_eraserWidth);
        break;
    case PenStylus:
    case MarkerStylus:
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
    switch (m_stylus) {
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
    if (!m_strokes.contains(id)) {
        QList<int> keys = m_strokes.keys();
        std::sort(keys.begin(), keys.end());
        qDebug() << "KvPenObject::inputDeviceRelease"
                 << "warning: no stroke, no temp polygon item."
                 << "keys:" << keys << "key:" << id;
        return true;
    }
    if (!m_scene) {
        qDebug() << "KvPenObject::inputDeviceRelease"
                 << "refused: no scene";
        return false;
    }
    finishStroke(uuid, snapshot, id);
    if (m_strokes.isEmpty())
        m_lastInputKind = NoInput;
    return true;
}

void KvPenObject::updateInputKind(int id)
{
    const int kind = id == kSinglePointerId ? MouseInput : TouchInput;
    if (m_lastInputKind == MouseInput) {
        // The completed mouse stroke keeps the uuid of its own press, not that of this one.
        QJsonObject dropped;
        inputDeviceRelease(m_strokeUuids.value(kSinglePointerId), dropped, kSinglePointerId);
    }
    m_lastInputKind = kind;
}

void KvPenObject::beginStroke(const QPointF &pos, const QUuid &uuid, int id)
{
    if (m_strokes.contains(id)) {
        // A press on a pointer whose stroke is still open finishes that stroke first.
        QJsonObject dropped;
        finishStroke(m_strokeUuids.value(id), dropped, id);
    }
    const double width = currentWidth();
    auto *stroke = new KvGraphicsStroke;
    m_strokes.insert(id, stroke);
    m_strokeUuids.insert(id, uuid);
    addStrokePiece(id, stroke, pos, width, true);

    auto *temporary = new KvGraphicsPolygonItem(QLineF(pos, pos), width, width, nullptr);
    applyPenStyle(temporary);
    temporary->setData(-2, QStringLiteral("temp_item"));
    m_tempItems.insert(id, temporary);
    m_scene->addBoardItem(temporary);
}

bool KvPenObject::extendStroke(const QPointF &pos, int id)
{
    KvGraphicsStroke *stroke = m_strokes.value(id);
    if (!stroke)
        return false;
    const double width = currentWidth();
    double distance
        = m_moveDistances.value(id) + QLineF(stroke->lastSmoothedSample().position, pos).length();
    if (distance > kMinSegmentDistance) {
        addStrokePiece(id, stroke, pos, width, false);
        distance = 0.0;
    }
    m_moveDistances.insert(id, distance);

    if (KvGraphicsPolygonItem *temporary = m_tempItems.value(id)) {
        const QLineF bridge(stroke->lastSmoothedSample().position, pos);
        temporary->setPolygon(lineCapsulePolygon(bridge, width, width));
    }
    return true;
}

void KvPenObject::finishStroke(const QUuid &uuid, QJsonObject &snapshot, int id)
{
    KvGraphicsStroke *stroke = m_strokes.value(id);
    if (KvGraphicsPolygonItem *temporary = m_tempItems.take(id)) {
        m_scene->removeBoardItem(temporary, true);
        // Deleted on any kind of board: nothing is left behind off the board.
        delete temporary;
    }

    const QColor color = m_stylus == PenStylus ? m_penColor : m_markerColor;
    auto *group = new KvGraphicsStrokesGroup(color, m_stylus, nullptr);
    group->setUuid(uuid);
    group->setItems(stroke->items());
    group->setPenWidth(m_stylus == PenStylus ? m_penWidth : m_markerWidth);
    group->setSnaphotData(snapshot);

    m_strokes.remove(id);
    m_strokeUuids.remove(id);
    m_moveDistances.remove(id);
    putGroupOnBoard(group);
}

void KvPenObject::putGroupOnBoard(KvGraphicsStrokesGroup *group)
{
    m_scene->addBoardItem(group);
    for (KvGraphicsPolygonItem *piece : qAsConst(group->items())) {
        piece->setStrokesGroup(group);
        group->addToGroup(piece);
    }
}

double KvPenObject::currentWidth() const
{
    return m_stylus == PenStylus ? m_penWidth : m_markerWidth;
}

void KvPenObject::addStrokePiece(int id, KvGraphicsStroke *stroke, const QPointF &pos, double width,
                                 bool first)
{
    // The first piece is a dot, round at both ends; later ones join it flat and end round.
    const QList<KvStrokeSample> samples = stroke->addPoint(pos, width, !first);
    KvGraphicsPolygonItem *piece = createSegmentItem(samples, first, true);
    addSegmentItem(id, piece, stroke);
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

void KvPenObject::addSegmentItem(int, KvGraphicsPolygonItem *item, KvGraphicsStroke *stroke)
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
    QColor color = m_penColor;
    if (m_stylus != PenStylus) {
        color = m_markerColor;
        color.setAlphaF(0.5);
    }
    item->setColor(color);
    item->setData(0, 0);
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
    if (!m_scene || !std::all_of(points.cbegin(), points.cend(), isFinite)) {
        qDebug() << "KvPenObject::createGroupFromPoints"
                 << "refused: no scene or a non-finite point";
        return nullptr;
    }
    const double width = currentWidth();
    const QPointF last = points.last();
    auto *stroke = new KvGraphicsStroke;
    int distance = 0;
    for (int i = 0; i < points.size(); ++i) {
        const QPointF &point = points.at(i);
        if (i == 0) {
            addStrokePiece(kSinglePointerId, stroke, point, width, true);
        } else {
            const double sum
                = distance + QLineF(stroke->lastSmoothedSample().position, point).length();
            // A truncated int, as replays always counted it; a far jump cannot overflow it.
            distance = int(std::min(sum, double(std::numeric_limits<int>::max())));
            if (distance > kMinSegmentDistance) {
                addStrokePiece(kSinglePointerId, stroke, point, width, false);
                distance = 0;
            }
        }
        // The group is made once, at the first point equal to the last: it holds every piece.
        if (point == last)
            break;
    }
    auto *group = new KvGraphicsStrokesGroup(QColor(255, 255, 255, 255), m_stylus, nullptr);
    group->setItems(stroke->items());
    putGroupOnBoard(group);
    return group;
}

void KvPenObject::setEraseArea(const QRectF &rect)
{
    if (!m_scene) {
        qDebug() << "KvPenObject::setEraseArea"
                 << "refused: no scene";
        return;
    }
    QPointF centre = rect.center();
    if (QGraphicsView *view = firstView())
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
    qDebug() << "KvPenObject::endErase";
    if (!m_eraserIds.contains(id))
        return;
    m_eraserIds.clear();
    showEraserCursor(false, QPointF(0, 0), m_eraserWidth);
}

void KvPenObject::eraseScrollItem()
{
    cancelStrokes();
    if (m_wdEraserCursor)
        m_wdEraserCursor->setVisible(false);
}

void KvPenObject::hideEraseWidget()
{
    if (m_wdEraserCursor && m_wdEraserCursor->isVisible())
        m_wdEraserCursor->hide();
}

QStringList KvPenObject::removedItemUuids() const
{
    return m_removedItemUuids;
}

void KvPenObject::cancelStrokes()
{
    for (KvGraphicsStroke *stroke : qAsConst(m_strokes)) {
        // The stroke goes with the last of its pieces.
        const QList<KvGraphicsPolygonItem *> pieces = stroke->items();
        for (KvGraphicsPolygonItem *piece : pieces)
            discardItem(piece);
    }
    m_strokes.clear();
    m_strokeUuids.clear();
    for (KvGraphicsPolygonItem *temporary : qAsConst(m_tempItems))
        discardItem(temporary);
    m_tempItems.clear();
    m_eraserIds.clear();
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
    if (m_eraserIds.isEmpty())
        m_eraserIds.insert(id);
    if (!m_eraserIds.contains(id))
        return;
    if (QGraphicsView *view = firstView()) {
        // View pixels to scene units, whatever the zoom.
        const double viewToScene = view->transform().inverted().m11();
        width1 *= viewToScene;
        width2 *= viewToScene;
    }
    showEraserCursor(true, to, cursorPixels(width1));

    const QPolygonF capsule = lineCapsulePolygon(QLineF(from, to), width1, width2);
    const QList<QGraphicsItem *> hits = m_scene->items(capsule, Qt::IntersectsItemBoundingRect,
                                                       Qt::DescendingOrder, QTransform());
    // Groups are tracked weakly: a receiver of sig_eraseItem may delete one mid-step.
    QList<QPointer<KvGraphicsStrokesGroup>> groups;
    for (QGraphicsItem *hit : hits) {
        auto *piece = dynamic_cast<KvGraphicsPolygonItem *>(hit);
        if (piece && piece->strokesGroup())
            groups.append(piece->strokesGroup());
    }
    for (const QPointer<KvGraphicsStrokesGroup> &group : qAsConst(groups)) {
        if (!group)
            continue;
        const QString uuid = group->uuid().toString(QUuid::WithoutBraces);
        m_removedItemUuids.append(uuid);
        m_scene->removeBoardItem(group, false);
        emit sig_eraseItem(uuid);
    }
}

QGraphicsView *KvPenObject::firstView() const
{
    const QList<QGraphicsView *> views = m_scene ? m_scene->views() : QList<QGraphicsView *>();
    return views.isEmpty() ? nullptr : views.first();
}

void KvPenObject::showEraserCursor(bool visible, const QPointF &scenePos, int width)
{
    QGraphicsView *view = firstView();
    if (!view)
        return;
    // Follows the board's first view, also after the board or its views changed.
    if (!m_wdEraserCursor || m_wdEraserCursor->parentWidget() != view->viewport())
        m_wdEraserCursor = sharedEraserCursor(view->viewport());

    const int size = cursorPixels(width * view->transform().m11());
    const int radius = int(float(size) * 0.5);
    if (m_wdEraserCursor->width() != size) {
        m_wdEraserCursor->setFixedSize(size, size);
        m_wdEraserCursor->setStyleSheet(
            QStringLiteral("QWidget#wd{background:#00B2B0;border-radius:%1px;border:none;}")
                .arg(radius));
    }
    if (visible)
        m_wdEraserCursor->move(view->mapFromScene(scenePos) - QPoint(radius, radius));
    m_wdEraserCursor->setVisible(visible);
}

// ---------------------------------------------------------------------------------------------
// Saving and loading the board's strokes groups
// ---------------------------------------------------------------------------------------------

namespace {
const QString kStrokesRecordName = QStringLiteral("Strokes");
const QString kStrokesElementName = QStringLiteral("strokesGroup");
} // namespace

void KvPenObject::exportScene(QList<KvSaveDataItem> &records, const QString &)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board)
        return;
    for (QGraphicsItem *item : board->getFastAccessItems()) {
        auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item);
        if (!group)
            continue;
        KvSaveDataItem record;
        record.uuid = group->uuid().toString(QUuid::WithoutBraces);
        record.type = KvGraphicsStrokesGroup::Type;
        record.name = kStrokesRecordName;
        record.data = group->exportItem();
        records.append(record);
    }
}

void KvPenObject::importScene(const QList<KvSaveDataItem> &records, const QString &)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board)
        return;
    for (const KvSaveDataItem &record : records) {
        if (record.type != KvGraphicsStrokesGroup::Type)
            continue;
        auto *group = new KvGraphicsStrokesGroup(QColor(Qt::white), 0, nullptr);
        // A record without a readable uuid keeps the fresh one rather than a null uuid.
        if (const QUuid uuid = QUuid::fromString(record.uuid); !uuid.isNull())
            group->setUuid(uuid);
        group->importItem(record.data);
        board->addBoardItem(group);
    }
}

void KvPenObject::exportSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board || !document || !parent)
        return;
    for (QGraphicsItem *item : board->getFastAccessItems()) {
        auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item);
        if (!group)
            continue;
        QDomElement element;
        KvQtConvert::createDomElement(document, parent, element, group->exportName());
        group->exportItemXml(document, &element, name);
    }
}

void KvPenObject::importSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board || !document || !parent)
        return;
    for (QDomElement element = parent->firstChildElement(kStrokesElementName); !element.isNull();
         element = element.nextSiblingElement(kStrokesElementName)) {
        auto *group = new KvGraphicsStrokesGroup(QColor(Qt::white), 0, nullptr);
        group->importItemXml(document, &element, name);
        board->addBoardItem(group);
    }
}

void KvPenObject::exportOriginalPointInfoXml(QDomDocument *document, QDomElement *parent,
                                             const QString &name)
{
    auto *board = qobject_cast<KvGraphicsScene *>(m_scene);
    if (!board || !document || !parent)
        return;
    for (QGraphicsItem *item : board->items(Qt::DescendingOrder)) {
        auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item);
        if (!group)
            continue;
        QDomElement element;
        KvQtConvert::createDomElement(document, parent, element, group->exportName());
        group->exportItemOriginInfo(document, &element, name);
    }
}
