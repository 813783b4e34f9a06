#pragma once

#include "KvCoreGraphicsScene.h"
#include "kvgraphicscore_export.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>

#include <memory>
#include <vector>

class KvBoardPage;
class QGraphicsObject;

// The host's board. It knows the items put on it with addBoardItem, in the order they came,
// and owns the items that left for good (removeBoardItem with temporary false) until it is
// destroyed, so that an undo can bring them back, at their old place, and nothing leaks.
//
// Board items with a delegate and z value 0 (finished ink) are held on pages of consecutive
// board order (KvBoardPage) rather than at the top level of the scene, which keeps Qt's work for
// each change far from growing with the board. They stack in board order as top-level items
// would. Any other item stays at the top level, and so
// does an item whose z value changes to anything but 0 (its delegate reports it,
// boardItemZValueChanged). An item group on the board that contains its children in its shape
// says so to Qt (markContainedChildren), so that a query, a repaint or a round of changes
// passes by the pieces of every group it does not touch.
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
    // Puts a board item whose z value changed where that value stacks it.
    void boardItemZValueChanged(QGraphicsItem *item);

protected:
    // Straight onto its page, if it has one: moving a whole group there afterwards would have
    // Qt take each of its items out of the index again.
    void putInScene(QGraphicsItem *item) override;

private:
    static constexpr int kBoardOrderDataKey = 1000;

    // An item's place in the board order, 0 when it is not on the board. A KvItem holds it
    // itself (a data entry costs a piece more than the rest of its bookkeeping).
    static quint64 boardOrder(const QGraphicsItem *item);
    static void setBoardOrder(QGraphicsItem *item, quint64 order);

    // Whether the item belongs on a page rather than at the top level.
    static bool isPaged(const QGraphicsItem *item);
    // Marks an item group whose children draw and hit only inside its bounds and its shape
    // (ItemContainsChildrenInShape): Qt then looks at its children only where it looks at the
    // group, and keeps them out of the scene's index. A group qualifies while each child sits
    // untransformed in it, so that a shape made of the children's own shapes covers them.
    static void markContainedChildren(QGraphicsItem *item);
    // Moves the item onto its page or to the top level, at its place in the board order. An item
    // that covers nothing yet (a group its pieces join next) stays at the top level until the
    // event loop runs, unless `settled`.
    void place(QGraphicsItem *item, quint64 order, bool settled = false);
    void waitForArea(QGraphicsItem *item);
    void settle();
    // The page for an item of `order` covering `area`: the one whose run holds the order, or
    // for an item new on the board, the last one while it has room. A run begins at its page's
    // first order and ends where the next begins.
    KvBoardPage *pageFor(quint64 order, const QRectF &area);
    KvBoardPage *makePage(quint64 firstOrder, const QRectF &anchor);
    // A page off the board, for the caller to reopen; made in batches.
    KvBoardPage *takeSparePage();
    // Takes a page that holds nothing any more off the board and keeps it for another run.
    void dropIfEmpty(QGraphicsItem *page);
    void restack(QGraphicsItem *item, quint64 order);
    // Every item on the board, in no particular order.
    QList<QGraphicsItem *> unsortedItems() const;

    quint64 m_nextBoardOrder = 0;
    // The largest board order an item on the board has had.
    quint64 m_topOrder = 0;
    // Each with the board order it had.
    QHash<QGraphicsItem *, quint64> m_removedItems;
    // Pages by the board order their runs begin at (entries of pages deleted by clear() go
    // when met).
    QMap<quint64, QPointer<QGraphicsObject>> m_pages;
    // The largest board order placed on a page.
    quint64 m_lastPaged = 0;
    // The delegates of items waiting for settle(); an item deleted meanwhile takes its delegate.
    QList<QPointer<QObject>> m_unsettled;
    // Pages off the board, the next one to use last.
    std::vector<std::unique_ptr<KvBoardPage>> m_sparePages;
};
