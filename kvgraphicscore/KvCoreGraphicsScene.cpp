#include "KvCoreGraphicsScene.h"

#include "KvGraphicsItem.h"

#include <QGraphicsItem>

KvCoreGraphicsScene::KvCoreGraphicsScene(QObject *parent)
    : QGraphicsScene(parent)
{ }

KvCoreGraphicsScene::~KvCoreGraphicsScene() = default;

void KvCoreGraphicsScene::addBoardItem(QGraphicsItem *item)
{
    if (!item || item->scene() == this)
        return;
    addItem(item);
    if (auto *boardItem = dynamic_cast<KvGraphicsItem *>(item))
        boardItem->applyPendingGeometry();
}

void KvCoreGraphicsScene::removeBoardItem(QGraphicsItem *item, bool)
{
    if (item && item->scene() == this)
        removeItem(item);
}
