#pragma once

#include "kvgraphicscore_export.h"

#include <QGraphicsObject>

// An item that holds a run of consecutive board items, so that a board keeps few items at the
// top level of its scene: Qt walks every top-level item for each round of changes it processes,
// and sorts them all again after one leaves from the middle. A page keeps to a small area and a
// few items, because Qt's views and queries, having found a page through one of its items, look
// at every item on it. A page paints nothing, hits nothing and stays at the scene's origin
// untransformed, so its items keep their scene geometry. Its bounding rect is its first item's
// area, for good: Qt's index lists every item where its rect is (an empty one included), and a
// page listed where it has no items would be looked through by every query there.
//
// A host meets pages as the parent of finished ink on a KvGraphicsScene; boardLevelItem() gives
// the board item any item belongs to.
class KVGRAPHICSCORE_EXPORT KvBoardPage : public QGraphicsObject
{
public:
    enum { Type = UserType + 0x7f00 };
    // Measured on boards of handwriting, groups containing their pieces: with 64 items to a
    // page, 2,048 units across, a press on 30,000 strokes costs 180 us against 317 us with 16
    // items and 1,024 units, a stroke on 8,000 strokes 3.3 ms against 3.9 ms, an eraser step
    // the same; with 128 items and 4,096 units a press costs the same and an eraser step more.
    static constexpr int kItemsPerPage = 64;
    // Scene units across and down that the items of a page may cover together.
    static constexpr double kPageExtent = 2048.0;
    // Pages a board makes at once, so that they lie together in memory.
    static constexpr int kPagesPerBatch = 64;

    // `firstOrder` is the board order where the page's run begins, `anchor` the area (scene
    // coordinates) of the item it is made for.
    KvBoardPage(quint64 firstOrder, const QRectF &anchor);

    int type() const override;
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // Starts the page afresh, off the board and empty, as if just made with these.
    void reopen(quint64 firstOrder, const QRectF &anchor);
    quint64 firstOrder() const;
    // Whether one more item, covering `area` in scene coordinates, may join.
    bool hasRoomFor(const QRectF &area) const;
    void extendBy(const QRectF &area);

    static bool isPage(const QGraphicsItem *item);
    // The item, or its ancestor, that is on the board in its own right: a top-level item or an
    // item of a page.
    static QGraphicsItem *boardLevelItem(QGraphicsItem *item);
    // Whether the item is its own board-level item, told from its parent alone.
    static bool isBoardLevel(const QGraphicsItem *item);

private:
    quint64 m_firstOrder;
    QRectF m_anchor;
    // What the items placed on the page covered when they came; never shrinks.
    QRectF m_extent;
};
