#include "KvBenchScene.h"

#include <QGraphicsItem>

void KvBenchScene::addBoardItem(QGraphicsItem *item)
{
    KvGraphicsScene::addBoardItem(item);
    m_lastAdded = item;
}

void KvBenchScene::removeBoardItem(QGraphicsItem *item, bool temporary)
{
    // A group hit by several pieces in one step is removed once per piece; only the first counts.
    if (!temporary && item && item->scene() == this)
        m_removed.append(item);
    KvGraphicsScene::removeBoardItem(item, temporary);
}

QGraphicsItem *KvBenchScene::lastAdded() const
{
    return m_lastAdded;
}

int KvBenchScene::removedCount() const
{
    return m_removed.size();
}

void KvBenchScene::restoreRemoved()
{
    for (QGraphicsItem *item : qAsConst(m_removed))
        KvGraphicsScene::addBoardItem(item);
    m_removed.clear();
}

void KvBenchScene::discard(QGraphicsItem *item)
{
    if (m_lastAdded == item)
        m_lastAdded = nullptr;
    KvGraphicsScene::removeBoardItem(item, true);
    delete item;
}
