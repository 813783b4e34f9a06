#include "KvCoreGraphicsScene.h"

#include "KvGraphicsItem.h"

#include <QGraphicsItem>
#include <QMetaMethod>

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
    , m_exit(new ExitItem)
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
    if (!item || item->scene() != this)
        return;
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
    emit boardItemRemoved(item);
}
