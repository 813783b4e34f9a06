#include "KvCoreGraphicsScene.h"

#include "KvBoardIndexFit.h"
#include "KvGraphicsItem.h"

#include <QGraphicsItem>
#include <QTimer>

#include <cstdlib>

KvCoreGraphicsScene::KvCoreGraphicsScene(QObject *parent)
    : QGraphicsScene(parent)
    , m_indexFit(new KvBoardIndexFit)
    , m_settleTimer(new QTimer(this))
{
    // Set from the start: left to Qt, the depth would be fixed by the first index update.
    setBspTreeDepth(KvBoardIndexFit::kMinDepth);
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(KvBoardIndexFit::kSettleMs);
    connect(m_settleTimer, &QTimer::timeout, this, [this] { fitIndex(true); });
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

void KvCoreGraphicsScene::fitIndex(bool settled)
{
    if (itemIndexMethod() != BspTreeIndex)
        return;
    const int depth = m_indexFit->depthFor(bspTreeDepth(), m_indexRect);
    if (depth == bspTreeDepth()) {
        m_settleTimer->stop();
        return;
    }
    if (!settled && depth < bspTreeDepth() + 2) {
        m_settleTimer->start();
        return;
    }
    setBspTreeDepth(depth);
    // Rebuilt now rather than at the next query: until then every removal scans all items.
    items(m_indexRect.center());
}
