#pragma once

#include <QHash>
#include <QList>

class QGraphicsItem;
class QGraphicsScene;

// The items a KvGraphicsView paints above its tiles: board-level items of types it does not
// cache, as it came across them while rendering tiles. Their pointers must go before the items
// do: the view forgets an item that leaves through the board scene at once, with the found
// items it holds by then; it prunes items that leave the top of the scene, hide or turn
// transparent when Qt reports those changes, and forgets them all when Qt reports a change of
// the whole scene (which any other removal is).
class KvLiveItems
{
public:
    void discover(QGraphicsItem *item);
    void forget(QGraphicsItem *item);
    void clear();
    // Drops the items that are no longer visible board-level items of the scene.
    void prune(const QGraphicsScene *scene);
    // Bottom first: by z value, then in the order they were found (which for items found
    // together is their stacking order).
    QList<QGraphicsItem *> inStackingOrder() const;

private:
    QHash<QGraphicsItem *, quint64> m_found;
    quint64 m_next = 0;
};
