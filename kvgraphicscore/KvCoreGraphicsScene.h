#pragma once

#include "kvgraphicscore_export.h"

#include <QGraphicsScene>

#include <memory>

// The board as the plug-ins see it: items go on and off the board only through these two
// operations, so that the host can track, save and undo them.
class KVGRAPHICSCORE_EXPORT KvCoreGraphicsScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit KvCoreGraphicsScene(QObject *parent = nullptr);
    ~KvCoreGraphicsScene() override;

    // Puts the item on the board (a no-op for an item already on it) and lands the geometry
    // that a load left pending on it (KvGraphicsItem::importBaseData).
    virtual void addBoardItem(QGraphicsItem *item);
    // Takes the item off the board; never deletes it. `temporary` is true for an item the
    // caller deletes itself, false for one that leaves for good (the host may keep it for
    // undo). Removing an item that is not on the board does nothing.
    virtual void removeBoardItem(QGraphicsItem *item, bool temporary);

signals:
    // The item has just left the board through removeBoardItem; it is still alive.
    void boardItemRemoved(QGraphicsItem *item);

private:
    // Where items pass on their way off the board, see removeBoardItem.
    std::unique_ptr<QGraphicsItem> m_exit;
};
