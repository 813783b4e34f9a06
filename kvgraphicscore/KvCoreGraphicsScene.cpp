#include "KvCoreGraphicsScene.h"

#include "KvBoardIndexFit.h"
#include "KvGraphicsItem.h"

#include <QGraphicsItem>

KvCoreGraphicsScene::KvCoreGraphicsScene(QObject *parent)
    : QGraphicsScene(parent)
    , m_indexFit(new KvBoardIndexFit)
{
    // Set from the start: left to Qt, the depth would be fixed by the first index update.
    setBspTreeDepth(KvBoardIndexFit::kMinDepth);
    connect(this, &QGraphicsScene::sceneRectChanged, this, [this](const QRectF &rect) {
        m_indexRect = rect;
        fitIndex();
    });
}

KvCoreGraphicsScene::~KvCoreGraphicsScene() = default;

void KvCoreGraphicsScene::addBoardItem(QGraphicsItem *item)
{
    if (!item || item->scene() == this)
        return;
    addItem(item);
    if (auto *boardItem = dynamic_cast<KvGraphicsItem *>(item))
        boardItem->applyPendingGeometry();
    m_indexFit->add(item, m_indexRect);
    fitIndex();
}

void KvCoreGraphicsScene::removeBoardItem(QGraphicsItem *item, bool)
{
    if (!item || item->scene() != this)
        return;
    m_indexFit->remove(item, m_indexRect);
    removeItem(item);
    fitIndex();
}

void KvCoreGraphicsScene::fitIndex()
{
    if (itemIndexMethod() != BspTreeIndex)
        return;
    // A new depth only marks the index for a rebuild, which Qt does on its next update.
    const int depth = m_indexFit->depthFor(bspTreeDepth(), m_indexRect);
    if (depth != bspTreeDepth())
        setBspTreeDepth(depth);
}
