#include "KvBoardPage.h"

#include <QPainterPath>

KvBoardPage::KvBoardPage(quint64 firstOrder, const QRectF &anchor)
    : m_firstOrder(firstOrder)
    , m_anchor(anchor)
    , m_extent(anchor)
{
    setFlag(ItemHasNoContents);
    setAcceptedMouseButtons(Qt::NoButton);
}

int KvBoardPage::type() const
{
    return Type;
}

QRectF KvBoardPage::boundingRect() const
{
    return m_anchor;
}

QPainterPath KvBoardPage::shape() const
{
    return QPainterPath();
}

void KvBoardPage::paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) { }

void KvBoardPage::reopen(quint64 firstOrder, const QRectF &anchor)
{
    prepareGeometryChange();
    m_firstOrder = firstOrder;
    m_anchor = anchor;
    m_extent = anchor;
}

quint64 KvBoardPage::firstOrder() const
{
    return m_firstOrder;
}

bool KvBoardPage::hasRoomFor(const QRectF &area) const
{
    if (childItems().size() >= kItemsPerPage)
        return false;
    const QRectF covered = m_extent | area;
    return covered.width() <= kPageExtent && covered.height() <= kPageExtent;
}

void KvBoardPage::extendBy(const QRectF &area)
{
    m_extent |= area;
}

bool KvBoardPage::isPage(const QGraphicsItem *item)
{
    return item && item->type() == Type;
}

QGraphicsItem *KvBoardPage::boardLevelItem(QGraphicsItem *item)
{
    while (item && item->parentItem() && !isPage(item->parentItem()))
        item = item->parentItem();
    return item;
}

bool KvBoardPage::isBoardLevel(const QGraphicsItem *item)
{
    const QGraphicsItem *parent = item->parentItem();
    return !parent || isPage(parent);
}
