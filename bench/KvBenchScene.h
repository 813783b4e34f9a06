#pragma once

#include "KvGraphicsScene.h"

#include <QList>

// A board that remembers what the plug-in put on it last and what it took off for good, so
// that a benchmark can undo its own ink and erasing and keep the board the same for every
// iteration.
class KvBenchScene : public KvGraphicsScene
{
    Q_OBJECT
public:
    using KvGraphicsScene::KvGraphicsScene;

    void addBoardItem(QGraphicsItem *item) override;
    void removeBoardItem(QGraphicsItem *item, bool temporary) override;

    QGraphicsItem *lastAdded() const;
    // How many items were removed for good since the last restoreRemoved.
    int removedCount() const;
    // Puts back every item removed for good since the last call.
    void restoreRemoved();
    // Takes an item off the board and deletes it.
    void discard(QGraphicsItem *item);

private:
    QGraphicsItem *m_lastAdded = nullptr;
    QList<QGraphicsItem *> m_removed;
};
