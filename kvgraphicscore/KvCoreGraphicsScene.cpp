#include "KvCoreGraphicsScene.h"

#include "KvBoardIndexFit.h"
#include "KvGraphicsItem.h"
#include "KvItemCast.h"

#include <QEvent>
#include <QGraphicsItem>
#include <QMetaMethod>
#include <QTimer>

#include <cstdlib>
#include <utility>

namespace {

// An off-board item that shows nothing, not even its children.
class ExitItem : public QGraphicsItem
{
public:
    ExitItem()
    {
        setFlag(ItemHasNoContents);
        setOpacity(0.0);
    }
    QRectF boundingRect() const override { return QRectF(); }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override { }
};

} // namespace

KvCoreGraphicsScene::KvCoreGraphicsScene(QObject *parent)
    : QGraphicsScene(parent)
    , m_indexFit(new KvBoardIndexFit)
    , m_settleTimer(new QTimer(this))
    , m_exit(new ExitItem)
{
    // Set from the start: left to Qt, the depth would be fixed by the first index update.
    setBspTreeDepth(KvBoardIndexFit::kMinDepth);
    // Active from the start and for good. Qt counts the activations its views report and, when
    // the count leaves or reaches zero (every switch to another window and back), sorts every
    // item by stacking order to find the top-level ones: 3 s on a board of 30,000 strokes.
    // Views still report their windows; the count just never falls to zero.
    QEvent activate(QEvent::WindowActivate);
    QGraphicsScene::event(&activate);
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(KvBoardIndexFit::kSettleMs);
    connect(m_settleTimer, &QTimer::timeout, this, [this] { fitIndex(true); });
    connect(this, &QGraphicsScene::sceneRectChanged, this, [this](const QRectF &rect) {
        m_indexRect = rect;
        fitIndex();
    });
    followViews();
}

KvCoreGraphicsScene::~KvCoreGraphicsScene() = default;

void KvCoreGraphicsScene::addBoardItem(QGraphicsItem *item)
{
    if (!item || item->scene() == this)
        return;
    if (auto *boardItem = kvCrossCast<KvGraphicsItem>(item))
        boardItem->applyPendingGeometry();
    putInScene(item);
    m_indexFit->add(item, m_indexRect);
    fitIndex();
    followViews();
}

void KvCoreGraphicsScene::clear()
{
    QGraphicsScene::clear();
    *m_indexFit = KvBoardIndexFit();
    m_settleTimer->stop();
    setBspTreeDepth(KvBoardIndexFit::kMinDepth);
}

void KvCoreGraphicsScene::putInScene(QGraphicsItem *item)
{
    addItem(item);
}

void KvCoreGraphicsScene::removeBoardItem(QGraphicsItem *item, bool)
{
    if (!item || item->scene() != this)
        return;
    m_indexFit->remove(item, m_indexRect);
    takeOff(item);
    emit boardItemRemoved(item);
    fitIndex();
}

void KvCoreGraphicsScene::takeOff(QGraphicsItem *item)
{
    // While anyone listens to changed() (KvGraphicsView does), Qt reports a removed item as a
    // change of the whole scene and folds every other change of that moment into it. An item
    // that leaves through a transparent parent off the board is reported as the area it
    // covered instead: the removal itself then reports nothing, and the reparenting reports
    // the item's old bounding rect.
    static const QMetaMethod changedSignal = QMetaMethod::fromSignal(&QGraphicsScene::changed);
    if (isSignalConnected(changedSignal)) {
        const QRectF covered
            = item->mapRectToScene(item->boundingRect() | item->childrenBoundingRect());
        item->setParentItem(m_exit.get());
        item->setParentItem(nullptr);
        update(covered);
    }
    // The item's own itemChange may have refused the detour.
    if (item->scene() == this)
        removeItem(item);
}

void KvCoreGraphicsScene::connectNotify(const QMetaMethod &signal)
{
    QGraphicsScene::connectNotify(signal);
    // A view on its way in: Qt hands it the changes directly unless changed() has listeners,
    // and a listener at its first report would have it take them through changed() for good.
    if (signal == QMetaMethod::fromSignal(&QGraphicsScene::sceneRectChanged))
        QObject::disconnect(std::exchange(m_viewlessListener, {}));
}

void KvCoreGraphicsScene::followViews()
{
    const bool shown = !views().isEmpty();
    if (!shown && !m_viewlessListener)
        m_viewlessListener = connect(this, &QGraphicsScene::changed, this, [] {});
    else if (shown && m_viewlessListener)
        QObject::disconnect(std::exchange(m_viewlessListener, {}));
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
