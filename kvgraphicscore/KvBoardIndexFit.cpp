#include "KvBoardIndexFit.h"

#include <QGraphicsItem>

#include <algorithm>
#include <cmath>

void KvBoardIndexFit::add(const QGraphicsItem *item, const QRectF &sceneRect)
{
    count(item, sceneRect, 1);
}

void KvBoardIndexFit::remove(const QGraphicsItem *item, const QRectF &sceneRect)
{
    count(item, sceneRect, -1);
    if (m_items <= 0)
        *this = KvBoardIndexFit();
}

int KvBoardIndexFit::itemCount() const
{
    return m_items;
}

void KvBoardIndexFit::count(const QGraphicsItem *item, const QRectF &sceneRect, int sign)
{
    const QRectF extent = item->sceneBoundingRect();
    const bool clip = !sceneRect.isEmpty();
    const double width = clip ? std::min(extent.width(), sceneRect.width()) : extent.width();
    const double height = clip ? std::min(extent.height(), sceneRect.height()) : extent.height();
    m_items += sign;
    m_widths += sign * width;
    m_heights += sign * height;
    m_areas += sign * width * height;
    const QList<QGraphicsItem *> children = item->childItems();
    for (const QGraphicsItem *child : children)
        count(child, sceneRect, sign);
}

int KvBoardIndexFit::depthFor(int currentDepth, const QRectF &sceneRect) const
{
    int depth = depthForCount(currentDepth);
    if (sceneRect.isEmpty())
        return depth;
    const double budget = double(kEntriesPerItem) * std::max(m_items, 1);
    while (depth > 1 && entriesAt(depth, sceneRect) > budget)
        --depth;
    return depth;
}

int KvBoardIndexFit::depthForCount(int currentDepth) const
{
    // Grows past kItemsPerLeaf * 2^depth items, shrinks below a quarter of that.
    const auto capacity = [](int depth) {
        return double(kItemsPerLeaf) * std::ldexp(1.0, depth);
    };
    int depth = std::clamp(currentDepth, kMinDepth, kMaxDepth);
    while (depth < kMaxDepth && m_items > capacity(depth))
        ++depth;
    while (depth > kMinDepth && m_items <= capacity(depth - 2))
        --depth;
    return depth;
}

double KvBoardIndexFit::entriesAt(int depth, const QRectF &sceneRect) const
{
    // The tree cuts the rect across first, then along, and so on: an item meets about
    // (w / leafWidth + 1) * (h / leafHeight + 1) leaves.
    const double columns = std::ldexp(1.0, depth / 2);
    const double rows = std::ldexp(1.0, depth - depth / 2);
    const double leafWidth = sceneRect.width() / columns;
    const double leafHeight = sceneRect.height() / rows;
    return std::max(0.0, m_areas / (leafWidth * leafHeight)) + std::max(0.0, m_widths / leafWidth)
        + std::max(0.0, m_heights / leafHeight) + m_items;
}
