#include "KvGraphicsScene.h"

#include "KvBoardPage.h"
#include "KvGraphicsItem.h"
#include "KvGraphicsItemDelegate.h"
#include "KvItem.h"
#include "KvItemCast.h"

#include <QGraphicsItem>

#include <algorithm>
#include <limits>
#include <vector>

KvGraphicsScene::KvGraphicsScene(QObject *parent)
    : KvCoreGraphicsScene(parent)
{ }

KvGraphicsScene::~KvGraphicsScene()
{
    qDeleteAll(m_removedItems.keys());
}

void KvGraphicsScene::addBoardItem(QGraphicsItem *item)
{
    if (!item || item->scene() == this)
        return;
    // An item that comes back (an undo) takes its old place in the board order and the stacking
    // order; anything else goes on top.
    const auto removed = m_removedItems.find(item);
    const bool returns = removed != m_removedItems.end();
    const quint64 order = returns ? removed.value() : ++m_nextBoardOrder;
    if (returns)
        m_removedItems.erase(removed);
    // The order is kept on the item itself, so an item the host deletes directly simply
    // drops out of getFastAccessItems.
    setBoardOrder(item, order);
    KvCoreGraphicsScene::addBoardItem(item);
    m_topOrder = qMax(m_topOrder, order);
}

void KvGraphicsScene::putInScene(QGraphicsItem *item)
{
    place(item, boardOrder(item));
}

void KvGraphicsScene::boardItemZValueChanged(QGraphicsItem *item)
{
    if (!item || item->scene() != this)
        return;
    if (const quint64 order = boardOrder(item))
        place(item, order);
}

bool KvGraphicsScene::isPaged(const QGraphicsItem *item)
{
    const auto *boardItem = kvCrossCast<KvGraphicsItem>(item);
    return boardItem && boardItem->delegate() && item->zValue() == 0.0;
}

void KvGraphicsScene::place(QGraphicsItem *item, quint64 order, bool settled)
{
    QGraphicsItem *const from = item->parentItem();
    if (from && !KvBoardPage::isPage(from)) {
        // Qt takes an item away from a parent of another scene; one of this scene stays.
        if (item->scene() != this)
            addItem(item);
        return;
    }
    // Before the item joins: a change of the mark takes the item and its children out of Qt's
    // index and puts them in again.
    markContainedChildren(item);
    KvBoardPage *to = nullptr;
    if (isPaged(item)) {
        const QRectF area
            = item->sceneBoundingRect() | item->mapRectToScene(item->childrenBoundingRect());
        if (!area.isEmpty()) {
            to = pageFor(order, area);
            to->extendBy(area);
            m_lastPaged = qMax(m_lastPaged, order);
        } else if (!settled) {
            waitForArea(item);
        }
    }
    if (item->scene() != this) {
        // Through its page, an item joins the scene as a child from the start.
        if (to)
            item->setParentItem(to);
        else
            addItem(item);
    } else if (to != from) {
        item->setParentItem(to);
    }
    if (order < m_topOrder)
        restack(item, order);
    if (to != from)
        dropIfEmpty(from);
}

void KvGraphicsScene::markContainedChildren(QGraphicsItem *item)
{
    // A piece of ink, placed with every commit, has no children: no cast for it. An empty group
    // waits for its pieces.
    const QList<QGraphicsItem *> children = item->childItems();
    if (children.isEmpty() || !dynamic_cast<QGraphicsItemGroup *>(item))
        return;
    const bool contained
        = std::all_of(children.cbegin(), children.cend(), [item](const QGraphicsItem *child) {
              return child->itemTransform(item).isIdentity() && child->childItems().isEmpty();
          });
    if (item->flags().testFlag(QGraphicsItem::ItemContainsChildrenInShape) != contained)
        item->setFlag(QGraphicsItem::ItemContainsChildrenInShape, contained);
}

void KvGraphicsScene::waitForArea(QGraphicsItem *item)
{
    if (m_unsettled.isEmpty())
        QMetaObject::invokeMethod(
            this, [this] { settle(); }, Qt::QueuedConnection);
    m_unsettled.append(kvCrossCast<KvGraphicsItem>(item)->delegate());
}

void KvGraphicsScene::settle()
{
    for (const QPointer<QObject> &waiting : std::exchange(m_unsettled, {})) {
        const auto *delegate = static_cast<const KvGraphicsItemDelegate *>(waiting.data());
        QGraphicsItem *const item = delegate ? delegate->item() : nullptr;
        if (!item || item->scene() != this || item->parentItem())
            continue;
        if (const quint64 order = boardOrder(item))
            place(item, order, true);
    }
}

KvBoardPage *KvGraphicsScene::pageFor(quint64 order, const QRectF &area)
{
    auto run = m_pages.upperBound(order);
    while (run != m_pages.begin()) {
        --run;
        auto *found = static_cast<KvBoardPage *>(run.value().data());
        if (!found) {
            // Deleted with the scene's items: the run joins the one before it.
            run = m_pages.erase(run);
            continue;
        }
        const bool returning = order <= m_lastPaged || std::next(run) != m_pages.end();
        if (returning || found->hasRoomFor(area))
            return found;
        break;
    }
    return makePage(order, area);
}

KvBoardPage *KvGraphicsScene::makePage(quint64 firstOrder, const QRectF &anchor)
{
    KvBoardPage *const page = takeSparePage();
    page->reopen(firstOrder, anchor);
    m_pages.insert(firstOrder, page);
    addItem(page);
    // Pages stack in board order: one made for a returning item goes below the later ones.
    for (auto next = m_pages.upperBound(firstOrder); next != m_pages.end(); ++next) {
        if (next.value()) {
            page->stackBefore(next.value());
            break;
        }
    }
    return page;
}

KvBoardPage *KvGraphicsScene::takeSparePage()
{
    if (m_sparePages.empty()) {
        // Qt looks at every top-level item in each round of changes. Pages made one by one among
        // the pieces of a growing board cost it a cache miss each; made together, they lie
        // together (a press on 30,000 strokes took 164 us, 128 us with batches).
        for (int i = 0; i < KvBoardPage::kPagesPerBatch; ++i)
            m_sparePages.push_back(std::make_unique<KvBoardPage>(0, QRectF()));
        std::reverse(m_sparePages.begin(), m_sparePages.end());
    }
    KvBoardPage *const page = m_sparePages.back().release();
    m_sparePages.pop_back();
    return page;
}

void KvGraphicsScene::dropIfEmpty(QGraphicsItem *page)
{
    if (!KvBoardPage::isPage(page) || !page->childItems().isEmpty())
        return;
    // The run joins the one before it, which keeps every later item above it.
    m_pages.remove(static_cast<KvBoardPage *>(page)->firstOrder());
    takeOff(page);
    m_sparePages.emplace_back(static_cast<KvBoardPage *>(page));
}

void KvGraphicsScene::restack(QGraphicsItem *item, quint64 order)
{
    // Among equal z values Qt stacks siblings in the order they joined their parent: the item
    // goes just below the earliest board item among its siblings that came after it.
    QGraphicsItem *const parent = item->parentItem();
    QGraphicsItem *next = nullptr;
    quint64 nextOrder = std::numeric_limits<quint64>::max();
    for (QGraphicsItem *other : parent ? parent->childItems() : unsortedItems()) {
        if (other->parentItem() != parent || other == item)
            continue;
        const quint64 value = boardOrder(other);
        if (value > order && value < nextOrder) {
            next = other;
            nextOrder = value;
        }
    }
    if (next)
        item->stackBefore(next);
}

void KvGraphicsScene::removeBoardItem(QGraphicsItem *item, bool temporary)
{
    if (!item || item->scene() != this)
        return;
    const quint64 order = boardOrder(item);
    QGraphicsItem *const page = item->parentItem();
    KvCoreGraphicsScene::removeBoardItem(item, temporary);
    setBoardOrder(item, 0);
    if (!temporary)
        m_removedItems.insert(item, order);
    dropIfEmpty(page);
}

QList<QGraphicsItem *> KvGraphicsScene::getFastAccessItems() const
{
    // Pairs held by value: a QList would allocate each one on its own.
    std::vector<std::pair<quint64, QGraphicsItem *>> ordered;
    for (QGraphicsItem *item : unsortedItems()) {
        // A piece that joined a group since is part of that item, not a board item of its own.
        if (!KvBoardPage::isBoardLevel(item))
            continue;
        if (const quint64 order = boardOrder(item))
            ordered.emplace_back(order, item);
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<QGraphicsItem *> result;
    result.reserve(int(ordered.size()));
    for (const auto &entry : ordered)
        result.append(entry.second);
    return result;
}

quint64 KvGraphicsScene::boardOrder(const QGraphicsItem *item)
{
    if (const auto *inkItem = kvCrossCast<KvItem>(item))
        return inkItem->m_boardOrder;
    return item->data(kBoardOrderDataKey).toULongLong();
}

void KvGraphicsScene::setBoardOrder(QGraphicsItem *item, quint64 order)
{
    if (auto *inkItem = kvCrossCast<KvItem>(item))
        inkItem->m_boardOrder = order;
    else
        item->setData(kBoardOrderDataKey, order ? QVariant(order) : QVariant());
}

QList<QGraphicsItem *> KvGraphicsScene::unsortedItems() const
{
    // Qt skips sorting by stacking order for this order, which costs more than the walk itself.
    return items(Qt::SortOrder(-1));
}

QList<QGraphicsItem *> KvGraphicsScene::removedItems() const
{
    return m_removedItems.keys();
}

bool KvGraphicsScene::takeRemovedItem(QGraphicsItem *item)
{
    return m_removedItems.remove(item);
}
