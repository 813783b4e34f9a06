#pragma once

#include "KvCoreGraphicsScene.h"
#include "kvgraphicscore_export.h"

#include <QHash>
#include <QList>

// The host's board. It knows the items put on it with addBoardItem, in the order they came,
// and owns the items that left for good (removeBoardItem with temporary false) until it is
// destroyed, so that an undo can bring them back, at their old place, and nothing leaks.
class KVGRAPHICSCORE_EXPORT KvGraphicsScene : public KvCoreGraphicsScene
{
    Q_OBJECT
public:
    explicit KvGraphicsScene(QObject *parent = nullptr);
    ~KvGraphicsScene() override;

    void addBoardItem(QGraphicsItem *item) override;
    void removeBoardItem(QGraphicsItem *item, bool temporary) override;

    // The items added with addBoardItem and still on the board, in the order they were added.
    QList<QGraphicsItem *> getFastAccessItems() const;
    // The items this scene keeps after they left the board for good.
    QList<QGraphicsItem *> removedItems() const;
    // Hands a removed item back to the caller, who then owns it; false if the scene does not
    // keep it.
    bool takeRemovedItem(QGraphicsItem *item);

private:
    static constexpr int kBoardOrderDataKey = 1000;

    void restack(QGraphicsItem *item, quint64 order);
    // Every item on the board, in no particular order.
    QList<QGraphicsItem *> unsortedItems() const;

    quint64 m_nextBoardOrder = 0;
    // At least the largest board order on the board; exact after a restack.
    quint64 m_topOrder = 0;
    // Each with the board order it had.
    QHash<QGraphicsItem *, quint64> m_removedItems;
};
