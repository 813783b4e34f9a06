#include "KvGraphicsPolygonItem.h"

#include "KvCoreGraphicsScene.h"
#include "KvGraphicsStroke.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenLogging.h"
#include "KvPenTypes.h"

#include <QBrush>
#include <QPainter>
#include <QPen>
#include <QScopedValueRollback>

namespace {

// Pieces of one colour share the brush's and the outline pen's data rather than each holding
// a copy of its own: the last ones made are kept for the next piece.
const QBrush &solidBrush(const QColor &color)
{
    static QBrush last;
    if (last.style() != Qt::SolidPattern || last.color() != color)
        last = QBrush(color, Qt::SolidPattern);
    return last;
}

const QPen &outlinePen(const QColor &color)
{
    static QPen last(Qt::NoPen);
    if (last.style() == Qt::NoPen || last.color() != color)
        last = QPen(color);
    return last;
}

// A translucent piece's outline: fainter than its fill, the more so the more translucent it is.
QColor outlineColor(QColor color)
{
    double alpha = color.alphaF();
    if (alpha >= 0.2 && alpha < 0.6)
        alpha = alpha / 30.0;
    else if (alpha < 0.8)
        alpha = alpha / 5.0;
    else if (alpha < 1.0)
        alpha = alpha * 0.5;
    color.setAlphaF(alpha);
    return color;
}

// Below these Qt's outline may lose points: a pen's width, and an edge's length (the sum of its
// two extents) relative to its end's largest coordinate, or absolute near the origin.
constexpr double kThinnestPlainPen = 1e-6;
constexpr double kShortestPlainEdge = 1e-9;

// Whether Qt's outline of the polygon for the pen has no corners but the polygon's points and
// those points moved half the pen's width along each edge's normal: a closed polygon, bevel
// joins, and no edge so short that Qt would drop points from the outline.
bool hasPlainOutline(const QPolygonF &polygon, const QPen &pen)
{
    if (pen.style() == Qt::NoPen || pen.joinStyle() != Qt::BevelJoin
        || !(pen.widthF() >= kThinnestPlainPen) || polygon.size() < 3)
        return false;
    const QPointF &first = polygon.first();
    const QPointF &last = polygon.last();
    if (first.x() != last.x() || first.y() != last.y())
        return false;
    for (int i = 1; i < polygon.size(); ++i) {
        const QPointF &point = polygon.at(i);
        const QPointF edge = point - polygon.at(i - 1);
        const double magnitude = qMax(1.0, qMax(qAbs(point.x()), qAbs(point.y())));
        if (!(qAbs(edge.x()) + qAbs(edge.y()) > magnitude * kShortestPlainEdge))
            return false;
    }
    return true;
}

// The two extreme corners of a plain outline, worked out as Qt's stroker places them, so that
// their control-point rect is the outline's to the last bit.
QPainterPath plainOutlineCorners(const QPolygonF &polygon, double width)
{
    QPointF low = polygon.first();
    QPointF high = low;
    const auto take = [&](const QPointF &point) {
        low = QPointF(qMin(low.x(), point.x()), qMin(low.y(), point.y()));
        high = QPointF(qMax(high.x(), point.x()), qMax(high.y(), point.y()));
    };
    // Each edge is offset once in each direction of travel, from the point it starts at.
    const auto takeOffset = [&](const QPointF &from, const QPointF &to) {
        QLineF edge(from, to);
        QLineF normal = edge.normalVector();
        normal.setLength(width / 2);
        edge.translate(normal.dx(), normal.dy());
        take(edge.p1());
        take(edge.p2());
    };
    for (int i = 1; i < polygon.size(); ++i) {
        take(polygon.at(i));
        takeOffset(polygon.at(i - 1), polygon.at(i));
        takeOffset(polygon.at(i), polygon.at(i - 1));
    }
    QPainterPath corners;
    corners.moveTo(low);
    corners.lineTo(high);
    return corners;
}

} // namespace

KvGraphicsPolygonItem::KvGraphicsPolygonItem(const QLineF &line, double startWidth, double endWidth,
                                             QGraphicsItem *parent)
    : QGraphicsPolygonItem(lineCapsulePolygon(line, startWidth, endWidth), parent)
{
    initialize();
}

KvGraphicsPolygonItem::KvGraphicsPolygonItem(const QPolygonF &polygon, QGraphicsItem *parent)
    : QGraphicsPolygonItem(polygon, parent)
{
    initialize();
}

KvGraphicsPolygonItem::~KvGraphicsPolygonItem()
{
    clearStroke();
}

void KvGraphicsPolygonItem::initialize()
{
    setAcceptTouchEvents(true);
    setFillRule(Qt::WindingFill);
    setData(KvPen::KindKey, KvPen::kPieceKind);
    setUuid(QUuid::createUuid());
    setColor(QColor(255, 255, 255, 255));
    setPen(QPen(Qt::NoPen));
}

void KvGraphicsPolygonItem::setUuid(const QUuid &uuid)
{
    KvItem::setUuid(uuid);
    setData(KvPen::UuidKey, QVariant(uuid));
}

KvItem *KvGraphicsPolygonItem::deepCopy() const
{
    auto *copy = new KvGraphicsPolygonItem(polygon());
    copyItemParameters(copy);
    return copy;
}

void KvGraphicsPolygonItem::copyItemParameters(KvItem *target) const
{
    auto *copy = dynamic_cast<KvGraphicsPolygonItem *>(target);
    if (!copy)
        return;
    copy->setColor(color());
    copy->m_strokesGroup = m_strokesGroup;
    // The copy joins no stroke; leaving one it had keeps that stroke's list honest.
    copy->clearStroke();
    copy->setZValue(zValue());
    copy->setTransform(sceneTransform());
    copy->setFullPolygon(m_fullPolygon);
    copy->setData(KvPen::StyleKey, data(KvPen::StyleKey));
}

KvCoreGraphicsScene *KvGraphicsPolygonItem::scene() const
{
    return qobject_cast<KvCoreGraphicsScene *>(QGraphicsPolygonItem::scene());
}

void KvGraphicsPolygonItem::setColor(const QColor &color)
{
    KvItem::setColor(color);
    setBrush(solidBrush(color));
    // The pen is set once: every change of it makes Qt outline the piece again for its bounding
    // rect, the dearest part of loading translucent ink.
    setPen(color.alphaF() >= 1.0 ? QPen(Qt::NoPen) : outlinePen(outlineColor(color)));
    notifyGroup();
}

QRectF KvGraphicsPolygonItem::boundingRect() const
{
    // Qt derives the rect from shape() whenever it has none cached.
    const QScopedValueRollback<bool> bounding(m_givingBounds, true);
    return QGraphicsPolygonItem::boundingRect();
}

QPainterPath KvGraphicsPolygonItem::shape() const
{
    // For the bounding rect, the corners of a translucent piece's outline do: Qt would build the
    // whole outline on every change of polygon or pen.
    if (m_givingBounds && hasPlainOutline(polygon(), pen()))
        return plainOutlineCorners(polygon(), pen().widthF());
    return QGraphicsPolygonItem::shape();
}

void KvGraphicsPolygonItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                                  QWidget *widget)
{
    if (isPaintedByGroup())
        return;
    painter->save();
    if (m_erasing) {
        painter->setPen(pen());
        painter->setBrush(brush());
        for (const QPolygonF &polygon : qAsConst(m_erasePolygons))
            painter->drawPolygon(polygon, Qt::OddEvenFill);
    } else {
        QGraphicsPolygonItem::paint(painter, option, widget);
    }
    painter->restore();
}

bool KvGraphicsPolygonItem::isPaintedByGroup() const
{
    return !brush().isOpaque() && brush().style() == Qt::SolidPattern && parentItem()
        && parentItem()->type() == KvPen::kStrokesGroupType;
}

QList<QPair<QPolygonF, Qt::FillRule>> KvGraphicsPolygonItem::paintedPolygons() const
{
    if (!m_erasing)
        return {{polygon(), fillRule()}};
    QList<QPair<QPolygonF, Qt::FillRule>> polygons;
    for (const QPolygonF &polygon : m_erasePolygons)
        polygons.append({polygon, Qt::OddEvenFill});
    return polygons;
}

void KvGraphicsPolygonItem::notifyGroup()
{
    if (parentItem() && parentItem()->type() == KvPen::kStrokesGroupType)
        static_cast<KvGraphicsStrokesGroup *>(parentItem())->pieceChanged();
}

KvGraphicsStrokesGroup *KvGraphicsPolygonItem::strokesGroup() const
{
    return m_strokesGroup;
}

void KvGraphicsPolygonItem::setStrokesGroup(KvGraphicsStrokesGroup *group)
{
    m_strokesGroup = group;
}

KvGraphicsStroke *KvGraphicsPolygonItem::stroke() const
{
    return m_stroke;
}

void KvGraphicsPolygonItem::setStroke(KvGraphicsStroke *stroke)
{
    if (!stroke)
        return;
    if (stroke != m_stroke) {
        clearStroke();
        m_stroke = stroke;
    }
    m_stroke->addItem(this);
}

void KvGraphicsPolygonItem::clearStroke()
{
    if (!m_stroke)
        return;
    KvGraphicsStroke *stroke = m_stroke;
    m_stroke = nullptr;
    stroke->removeItem(this);
    if (stroke->isUnused())
        delete stroke;
}

QPolygonF KvGraphicsPolygonItem::fullPolygon() const
{
    return m_fullPolygon;
}

void KvGraphicsPolygonItem::setFullPolygon(const QPolygonF &polygon)
{
    m_fullPolygon = polygon;
    m_fullPolygonList.clear();
    m_listIsFullPolygon = true;
}

QList<QPolygonF> KvGraphicsPolygonItem::fullPolygonList() const
{
    if (m_listIsFullPolygon)
        return {m_fullPolygon};
    return m_fullPolygonList;
}

void KvGraphicsPolygonItem::setFullPolygonList(const QList<QPolygonF> &polygons)
{
    m_fullPolygonList = polygons;
    m_listIsFullPolygon = false;
}

QPointF KvGraphicsPolygonItem::getCorrespondingPoint() const
{
    return m_correspondingPoint;
}

void KvGraphicsPolygonItem::setCorrespondingPoint(const QPointF &point)
{
    m_correspondingPoint = point;
}

bool KvGraphicsPolygonItem::isEraseCreate() const
{
    return m_eraseCreate;
}

void KvGraphicsPolygonItem::setEraseCreate(bool eraseCreate)
{
    m_eraseCreate = eraseCreate;
}

void KvGraphicsPolygonItem::startErase()
{
    m_erasing = true;
    update();
    notifyGroup();
}

void KvGraphicsPolygonItem::erase(const QList<QPolygonF> &polygons)
{
    m_erasePolygons = polygons;
    update();
    notifyGroup();
}

QList<QPolygonF> KvGraphicsPolygonItem::erasePolygons() const
{
    return m_erasePolygons;
}

void KvGraphicsPolygonItem::endErase()
{
    m_erasing = false;
    m_erasePolygons.clear();
    update();
    notifyGroup();
}

QPainterPath KvGraphicsPolygonItem::erasepath() const
{
    if (!m_erasing)
        return shape();
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const QPolygonF &polygon : m_erasePolygons)
        path.addPolygon(polygon);
    return path;
}

void KvGraphicsPolygonItem::subtract(KvGraphicsPolygonItem *other)
{
    if (!other) {
        qCDebug(lcKvPenEngine) << "KvGraphicsPolygonItem::subtract"
                               << "null item";
        return;
    }
    if (boundingRect().intersects(other->boundingRect())) {
        setPolygon(polygon().subtracted(other->polygon()));
        notifyGroup();
    }
}
