#pragma once

#include "KvGraphicsItemDelegate.h"

// The selection controls of a strokes group: all behaviour is the host's.
class KvPenItemDelegate : public KvGraphicsItemDelegate
{
    Q_OBJECT
public:
    KvPenItemDelegate(QGraphicsItem *item, QObject *parent, QFlags<KvGraphicsFlag> flags);
    ~KvPenItemDelegate() override;

    void freeControls() override;
};
