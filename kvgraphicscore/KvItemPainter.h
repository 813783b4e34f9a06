#pragma once

#include <QRect>
#include <QTransform>

class QGraphicsItem;
class QPainter;
class QWidget;

// Paints graphics items as QGraphicsView paints them: each with its transform, its effective
// opacity, its own and its ancestors' clips and the style option Qt fills in. `view` maps the
// scene to the painter's device and `exposed` is the device area being painted.
namespace KvItemPainter {

// Device pixels an antialiased edge may reach beyond the rect that bounds it; what
// QGraphicsView adds to every area it repaints for a change.
constexpr int kAntialiasMargin = 2;
// Below this opacity Qt takes an item for fully transparent and skips it.
constexpr double kInvisibleOpacity = 0.001;

// One item without its children.
void paintItem(QPainter *painter, QGraphicsItem *item, const QTransform &view, const QRect &exposed,
               QWidget *widget);
// An item and its descendants, in stacking order.
void paintTree(QPainter *painter, QGraphicsItem *item, const QTransform &view, const QRect &exposed,
               QWidget *widget);
// The device area an item and its descendants cover.
QRect treeArea(const QGraphicsItem *item, const QTransform &view);

} // namespace KvItemPainter
