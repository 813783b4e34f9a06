#include "KvLiveItems.h"

#include "KvBoardPage.h"
#include "KvItemPainter.h"

#include <QGraphicsItem>

#include <algorithm>

namespace {

bool isShown(const QGraphicsItem *item)
{
    return item->isVisible() && item->effectiveOpacity() >= KvItemPainter::kInvisibleOpacity;
}

} // namespace

void KvLiveItems::discover(QGraphicsItem *item)
{
    if (!m_found.contains(item) && isShown(item))
        m_found.insert(item, m_next++);
}

void KvLiveItems::forget(QGraphicsItem *item)
{
    // Items found while they were board items may have joined it since (a stroke's pieces,
    // gathered into their group): they go with it.
    for (auto it = m_found.begin(); it != m_found.end();) {
        if (it.key() == item || item->isAncestorOf(it.key()))
            it = m_found.erase(it);
        else
            ++it;
    }
}

void KvLiveItems::clear()
{
    m_found.clear();
}

void KvLiveItems::prune(const QGraphicsScene *scene)
{
    for (auto it = m_found.begin(); it != m_found.end();) {
        QGraphicsItem *item = it.key();
        if (item->scene() != scene || !KvBoardPage::isBoardLevel(item) || !isShown(item))
            it = m_found.erase(it);
        else
            ++it;
    }
}

QList<QGraphicsItem *> KvLiveItems::inStackingOrder() const
{
    QList<QGraphicsItem *> items = m_found.keys();
    std::sort(items.begin(), items.end(), [this](QGraphicsItem *a, QGraphicsItem *b) {
        if (a->zValue() != b->zValue())
            return a->zValue() < b->zValue();
        return m_found.value(a) < m_found.value(b);
    });
    return items;
}
