#include "KvPenSelectFrame.h"

KvPenSelectFrame::KvPenSelectFrame(QGraphicsItem *parent)
    : KvSelectionFrame(parent)
{ }

KvPenSelectFrame::~KvPenSelectFrame() = default;

QList<QGraphicsItem *> KvPenSelectFrame::items() const
{
    return m_items;
}

void KvPenSelectFrame::setItems(const QList<QGraphicsItem *> &items)
{
    m_items = items;
}

QStringList KvPenSelectFrame::buttonsForFlags(QFlags<KvGraphicsFlag> flags) const
{
    return KvSelectionFrame::buttonsForFlags(flags);
}
