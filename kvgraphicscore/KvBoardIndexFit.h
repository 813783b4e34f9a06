#pragma once

#include <QRectF>

class QGraphicsItem;

// The depth of a board's BSP index, kept fit for what the board holds.
//
// Qt fixes the depth at the first index update of a scene with a fixed scene rect, from the
// items it holds then (usually one), so a full board's leaves end up holding thousands of items
// that every query, every moving item and every repaint walks. The rule here: about
// kItemsPerLeaf items per leaf, changed by one level when the count doubles or falls to a
// quarter (a rebuild reinserts every item, so it happens at doubling thresholds and its cost is
// shared by the items that brought it about). Qt puts an item into every leaf its bounding rect
// meets, so boards of wide items (hostile files, a board scribbled over edge to edge) cap the
// depth: the estimated leaf entries stay within kEntriesPerItem per item. The pieces of a group
// that contains them (ItemContainsChildrenInShape) count too, although Qt leaves them out of
// its index: the deeper index that gives finds what a small area touches faster (an eraser
// step on 8,000 strokes 42 us against 47-67 us counting only what Qt indexes), for a rebuild of
// 223 ms instead of 104 ms on 30,000 strokes.
//
// A rebuild reinserts every item: a quarter of a second on a board of 30,000 strokes. So a new
// depth waits until the board has had no additions or removals for kSettleMs (a pause between
// strokes), except growth by two levels or more (a file loaded, a page pasted), which is applied
// at once: such an index costs more than the rebuild. A shrinking board keeps its deeper index
// until then, which costs only memory.
class KvBoardIndexFit
{
public:
    static constexpr int kMinDepth = 5;
    static constexpr int kMaxDepth = 20;
    static constexpr int kItemsPerLeaf = 4;
    static constexpr int kEntriesPerItem = 8;
    static constexpr int kSettleMs = 1000;

    // The item and its descendants join or leave the count, with their current extents clipped
    // to the size of `sceneRect` (when it is not empty).
    void add(const QGraphicsItem *item, const QRectF &sceneRect);
    void remove(const QGraphicsItem *item, const QRectF &sceneRect);

    int itemCount() const;
    // The depth for what is counted, given the depth the index has now.
    int depthFor(int currentDepth, const QRectF &sceneRect) const;
    // The leaf entries an index of `depth` over `sceneRect` would hold, estimated.
    double entriesAt(int depth, const QRectF &sceneRect) const;

private:
    void count(const QGraphicsItem *item, const QRectF &sceneRect, int sign);
    int depthForCount(int currentDepth) const;

    int m_items = 0;
    // Sums of the counted items' widths, heights and areas.
    double m_widths = 0.0;
    double m_heights = 0.0;
    double m_areas = 0.0;
};
