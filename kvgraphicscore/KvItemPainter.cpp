#include "KvItemPainter.h"

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

namespace {

void clipToShape(QPainter *painter, const QGraphicsItem *item, const QTransform &view)
{
    painter->setWorldTransform(item->deviceTransform(view));
    painter->setClipPath(item->shape(), Qt::IntersectClip);
}

QStyleOptionGraphicsItem styleOption(QGraphicsItem *item, const QTransform &device,
                                     const QRect &exposed)
{
    QStyleOptionGraphicsItem option;
    const QRectF bounds = item->boundingRect();
    option.state = QStyle::State_None;
    option.rect = bounds.toRect();
    option.exposedRect = bounds;
    option.styleObject = item->toGraphicsObject();
    if (!option.styleObject)
        option.styleObject = item->scene();
    if (item->isSelected())
        option.state |= QStyle::State_Selected;
    if (item->isEnabled())
        option.state |= QStyle::State_Enabled;
    if (item->hasFocus())
        option.state |= QStyle::State_HasFocus;
    if (item->acceptHoverEvents() && item->isUnderMouse())
        option.state |= QStyle::State_MouseOver;
    if (item->scene() && item->scene()->mouseGrabberItem() == item)
        option.state |= QStyle::State_Sunken;
    if (item->flags() & QGraphicsItem::ItemUsesExtendedStyleOption)
        option.exposedRect = device.inverted().mapRect(QRectF(exposed)) & bounds;
    return option;
}

QRect withMargin(const QRect &rect)
{
    using KvItemPainter::kAntialiasMargin;
    return rect.adjusted(-kAntialiasMargin, -kAntialiasMargin, kAntialiasMargin, kAntialiasMargin);
}

// What Qt paints of a graphics widget before the widget paints itself.
void paintWidgetBackground(QPainter *painter, QGraphicsWidget *widgetItem,
                           const QStyleOptionGraphicsItem &option, QWidget *widget)
{
    if (widgetItem->isWindow() && widgetItem->windowType() != Qt::Popup
        && widgetItem->windowType() != Qt::ToolTip
        && !(widgetItem->windowFlags() & Qt::FramelessWindowHint)) {
        painter->save();
        widgetItem->paintWindowFrame(painter, &option, widget);
        painter->restore();
    } else if (widgetItem->autoFillBackground()) {
        painter->fillRect(option.exposedRect, widgetItem->palette().window());
    }
}

} // namespace

namespace KvItemPainter {

void paintItem(QPainter *painter, QGraphicsItem *item, const QTransform &view, const QRect &exposed,
               QWidget *widget)
{
    if (!item->isVisible() || (item->flags() & QGraphicsItem::ItemHasNoContents))
        return;
    const qreal opacity = item->effectiveOpacity();
    if (opacity < KvItemPainter::kInvisibleOpacity)
        return;
    const QTransform device = item->deviceTransform(view);
    if (!withMargin(device.mapRect(item->boundingRect()).toAlignedRect()).intersects(exposed))
        return;
    painter->save();
    for (const QGraphicsItem *ancestor = item->parentItem(); ancestor;
         ancestor = ancestor->parentItem()) {
        if (ancestor->flags() & QGraphicsItem::ItemClipsChildrenToShape)
            clipToShape(painter, ancestor, view);
    }
    if (item->flags() & QGraphicsItem::ItemClipsToShape)
        clipToShape(painter, item, view);
    painter->setWorldTransform(device);
    painter->setOpacity(opacity);
    const QStyleOptionGraphicsItem option = styleOption(item, device, exposed);
    if (item->isWidget())
        paintWidgetBackground(painter, static_cast<QGraphicsWidget *>(item), option, widget);
    item->paint(painter, &option, widget);
    painter->restore();
}

void paintTree(QPainter *painter, QGraphicsItem *item, const QTransform &view, const QRect &exposed,
               QWidget *widget)
{
    if (!item->isVisible())
        return;
    // Children come sorted, those stacked behind their parent first.
    const QList<QGraphicsItem *> children = item->childItems();
    int next = 0;
    for (; next < children.size()
         && (children.at(next)->flags() & QGraphicsItem::ItemStacksBehindParent);
         ++next)
        paintTree(painter, children.at(next), view, exposed, widget);
    paintItem(painter, item, view, exposed, widget);
    for (; next < children.size(); ++next)
        paintTree(painter, children.at(next), view, exposed, widget);
}

QRect treeArea(const QGraphicsItem *item, const QTransform &view)
{
    const QRectF local = item->boundingRect() | item->childrenBoundingRect();
    return withMargin(item->deviceTransform(view).mapRect(local).toAlignedRect());
}

} // namespace KvItemPainter
