#pragma once

#include "kvgraphicscore_export.h"

#include <QGraphicsScene>

#include <memory>

class KvBoardIndexFit;
class QTimer;

// The board as the plug-ins see it: items go on and off the board only through these two
// operations, so that the host can track, save and undo them.
//
// The scene is active (isActive(), and its items' isActive()) from its creation on, whether or
// not a view's window is: window switches leave a big board's items alone.
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
    // QGraphicsScene::clear(), after which the item index fits an empty board again. Qt's
    // clear() is not virtual: called through a QGraphicsScene pointer, the index keeps the
    // depth of the board as it was.
    void clear();

signals:
    // The item has just left the board through removeBoardItem; it is still alive.
    void boardItemRemoved(QGraphicsItem *item);

protected:
    void connectNotify(const QMetaMethod &signal) override;
    // Puts an item that is in no scene, its geometry final, into this one: addItem() here.
    virtual void putInScene(QGraphicsItem *item);
    // Takes the item out of the scene, reported to the views as the area it covered.
    void takeOff(QGraphicsItem *item);

private:
    // Keeps the item index's depth fit for the items on the board (KvBoardIndexFit); `settled`
    // once the board has not changed for a while.
    void fitIndex(bool settled = false);
    // Without a view Qt keeps every changed rect until someone listens to changed(): a board
    // that is shown nowhere (a relay's, a page off screen) listens itself.
    void followViews();

    std::unique_ptr<KvBoardIndexFit> m_indexFit;
    QTimer *m_settleTimer;
    // The rect the index covers, as last announced (asking a scene without a fixed rect for it
    // walks every item).
    QRectF m_indexRect;
    // Where items pass on their way off the board, see removeBoardItem.
    std::unique_ptr<QGraphicsItem> m_exit;
    QMetaObject::Connection m_viewlessListener;
};
