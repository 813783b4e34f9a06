#include "KvPenItemDelegate.h"

KvPenItemDelegate::KvPenItemDelegate(QGraphicsItem *item, QObject *parent,
                                     QFlags<KvGraphicsFlag> flags)
    : KvGraphicsItemDelegate(item, parent, flags)
{ }

KvPenItemDelegate::~KvPenItemDelegate() = default;

void KvPenItemDelegate::freeControls()
{
    KvGraphicsItemDelegate::freeControls();
}
