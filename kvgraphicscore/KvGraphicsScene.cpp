#include "KvGraphicsScene.h"

#include <QGraphicsItem>

#include <algorithm>
#include <limits>

KvGraphicsScene::KvGraphicsScene(QObject *parent)
    : KvCoreGraphicsScene(parent)
{ }

KvGraphicsScene::~KvGraphicsScene()
{
    qDeleteAll(m_removedItems.keys());
}

void KvGraphicsScene::addBoardItem(QGraphicsItem *item)
{
    if (!item || item->scene() == this)
        return;
    // An item that comes back (an undo) takes its old place in the board order and the stacking
    // order; anything else goes on top.
    const auto removed = m_removedItems.find(item);
    const bool returns = removed != m_removedItems.end();
    const quint64 order = returns ? removed.value() : ++m_nextBoardOrder;
    if (returns)
        m_removedItems.erase(removed);
    // The order is kept on the item itself, so an item the host deletes directly simply
    // drops out of getFastAccessItems.
    item->setData(kBoardOrderDataKey, order);
    KvCoreGraphicsScene::addBoardItem(item);
    if (order < m_topOrder)
        restack(item, order);
    m_topOrder = qMax(m_topOrder, order);
}

void KvGraphicsScene::restack(QGraphicsItem *item, quint64 order)
{
    // Among equal z values Qt stacks top-level items in the order they joined the scene: the
    // item goes just below the earliest board item that came after it. The walk also finds the
    // true top of the board order, which removals leave behind.
    QGraphicsItem *next = nullptr;
    quint64 nextOrder = std::numeric_limits<quint64>::max();
    m_topOrder = order;
    for (QGraphicsItem *other : unsortedItems()) {
        if (other->parentItem() || other == item)
            continue;
        const QVariant otherOrder = other->data(kBoardOrderDataKey);
        if (!otherOrder.isValid())
            continue;
        const quint64 value = otherOrder.toULongLong();
        m_topOrder = qMax(m_topOrder, value);
        if (value > order && value < nextOrder) {
            next = other;
            nextOrder = value;
        }
    }
    if (next)
        item->stackBefore(next);
}

void KvGraphicsScene::removeBoardItem(QGraphicsItem *item, bool temporary)
{
    if (!item || item->scene() != this)
        return;
    const quint64 order = item->data(kBoardOrderDataKey).toULongLong();
    KvCoreGraphicsScene::removeBoardItem(item, temporary);
    item->setData(kBoardOrderDataKey, QVariant());
    if (!temporary)
        m_removedItems.insert(item, order);
}

QList<QGraphicsItem *> KvGraphicsScene::getFastAccessItems() const
{
    QList<QPair<quint64, QGraphicsItem *>> ordered;
    for (QGraphicsItem *item : unsortedItems()) {
        // A piece that joined a group since is part of that item, not a board item of its own.
        if (item->parentItem())
            continue;
        const QVariant order = item->data(kBoardOrderDataKey);
        if (order.isValid())
            ordered.append({order.toULongLong(), item});
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<QGraphicsItem *> result;
    result.reserve(ordered.size());
    for (const auto &entry : ordered)
        result.append(entry.second);
    return result;
}

QList<QGraphicsItem *> KvGraphicsScene::unsortedItems() const
{
    // Qt skips sorting by stacking order for this order, which costs more than the walk itself.
    return items(Qt::SortOrder(-1));
}

QList<QGraphicsItem *> KvGraphicsScene::removedItems() const
{
    return m_removedItems.keys();
}

bool KvGraphicsScene::takeRemovedItem(QGraphicsItem *item)
{
    return m_removedItems.remove(item);
}
