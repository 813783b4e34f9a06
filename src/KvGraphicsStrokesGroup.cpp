#include "KvGraphicsStrokesGroup.h"

#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"
#include "KvPenItemDelegate.h"

#include <QDomElement>
#include <QGraphicsSceneMouseEvent>
#include <QPainterPath>
#include <QStyleOptionGraphicsItem>

KvGraphicsStrokesGroup::KvGraphicsStrokesGroup(const QColor &color, int stylus,
                                               QGraphicsItem *parent)
    : QObject(nullptr)
    , QGraphicsItemGroup(parent)
    , m_stylus(stylus)
{
    KvItem::setColor(color);
    setDelegate(new KvPenItemDelegate(this, this, QFlags<KvGraphicsFlag>(KvInkControls)));
    setData(0, -1000);
    setUuid(QUuid::createUuid());
    setData(4, 3);
    setFlag(ItemSendsGeometryChanges, true);
    setFlag(ItemIsSelectable, true);
    setFlag(ItemIsMovable, true);
    setData(10, true);
    setAcceptTouchEvents(true);
}

KvGraphicsStrokesGroup::~KvGraphicsStrokesGroup() = default;

void KvGraphicsStrokesGroup::setUuid(const QUuid &uuid)
{
    KvItem::setUuid(uuid);
    setData(5, QVariant(uuid));
}

KvItem *KvGraphicsStrokesGroup::deepCopy() const
{
    return nullptr;
}

void KvGraphicsStrokesGroup::copyItemParameters(KvItem *) const { }

void KvGraphicsStrokesGroup::importItem(const QMap<QString, QVariant> &) { }

QMap<QString, QVariant> KvGraphicsStrokesGroup::exportItem()
{
    return {};
}

void KvGraphicsStrokesGroup::exportItemXml(QDomDocument *, QDomElement *, const QString &) { }

void KvGraphicsStrokesGroup::importItemXml(QDomDocument *, QDomElement *, const QString &) { }

QString KvGraphicsStrokesGroup::exportName()
{
    return QStringLiteral("strokesGroup");
}

QColor KvGraphicsStrokesGroup::color() const
{
    return KvItem::color();
}

void KvGraphicsStrokesGroup::setColor(const QColor &color)
{
    KvItem::setColor(color);
}

int KvGraphicsStrokesGroup::type() const
{
    return Type;
}

QPainterPath KvGraphicsStrokesGroup::shape() const
{
    return QGraphicsItemGroup::shape();
}

void KvGraphicsStrokesGroup::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                                   QWidget *widget)
{
    QGraphicsItemGroup::paint(painter, option, widget);
}

QList<KvGraphicsPolygonItem *> &KvGraphicsStrokesGroup::items()
{
    return m_items;
}

const QList<KvGraphicsPolygonItem *> &KvGraphicsStrokesGroup::items() const
{
    return m_items;
}

void KvGraphicsStrokesGroup::setItems(const QList<KvGraphicsPolygonItem *> &items)
{
    m_items = items;
}

int KvGraphicsStrokesGroup::penWidth() const
{
    return m_penWidth;
}

void KvGraphicsStrokesGroup::setPenWidth(int width)
{
    m_penWidth = width;
}

int KvGraphicsStrokesGroup::stylus() const
{
    return m_stylus;
}

void KvGraphicsStrokesGroup::exportItemOriginInfo(QDomDocument *, QDomElement *, const QString &) {
}

void KvGraphicsStrokesGroup::setSnaphotData(QJsonObject &json)
{
    m_snapshot = json;
}

QJsonObject KvGraphicsStrokesGroup::getSnaphotData() const
{
    return m_snapshot;
}

QVariant KvGraphicsStrokesGroup::itemChange(GraphicsItemChange change, const QVariant &value)
{
    return QGraphicsItem::itemChange(change, value);
}

void KvGraphicsStrokesGroup::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mousePressEvent(event);
}

void KvGraphicsStrokesGroup::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mouseMoveEvent(event);
}

void KvGraphicsStrokesGroup::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsItem::mouseReleaseEvent(event);
}
