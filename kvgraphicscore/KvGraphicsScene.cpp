#include "KvGraphicsScene.h"

#include <QGraphicsItem>

#include <algorithm>

KvGraphicsScene::KvGraphicsScene(QObject *parent)
    : KvCoreGraphicsScene(parent)
{ }

KvGraphicsScene::~KvGraphicsScene()
{
    qDeleteAll(m_removedItems);
}

void KvGraphicsScene::addBoardItem(QGraphicsItem *item)
{
    if (!item || item->scene() == this)
        return;
    m_removedItems.remove(item);
    // The order is kept on the item itself, so an item the host deletes directly simply
    // drops out of getFastAccessItems.
    item->setData(kBoardOrderDataKey, ++m_nextBoardOrder);
    KvCoreGraphicsScene::addBoardItem(item);
}

void KvGraphicsScene::removeBoardItem(QGraphicsItem *item, bool temporary)
{
    if (!item || item->scene() != this)
        return;
    KvCoreGraphicsScene::removeBoardItem(item, temporary);
    item->setData(kBoardOrderDataKey, QVariant());
    if (!temporary)
        m_removedItems.insert(item);
}

QList<QGraphicsItem *> KvGraphicsScene::getFastAccessItems() const
{
    QList<QPair<quint64, QGraphicsItem *>> ordered;
    for (QGraphicsItem *item : items()) {
        const QVariant order = item->data(kBoardOrderDataKey);
        // A piece that joined a group since is part of that item, not a board item of its own.
        if (order.isValid() && !item->parentItem())
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

QList<QGraphicsItem *> KvGraphicsScene::removedItems() const
{
    return m_removedItems.values();
}

bool KvGraphicsScene::takeRemovedItem(QGraphicsItem *item)
{
    return m_removedItems.remove(item);
}
