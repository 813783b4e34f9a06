#pragma once

#include "kvgraphicscore_export.h"

#include <QFlags>
#include <QGraphicsItem>
#include <QObject>
#include <QPointer>
#include <QVariant>

class KvGraphicsItemControls;
class QGraphicsSceneMouseEvent;

// Which selection controls the host offers for an item.
enum KvGraphicsFlag {
    KvNoControls = 0x0,
    KvMoveControl = 0x1,
    KvRotateControl = 0x2,
    KvScaleControl = 0x4,
    KvDeleteButton = 0x8,
    KvCopyButton = 0x10,
    KvLockButton = 0x20,
    KvColorButton = 0x40,
    KvInkControls = 0x1000, // ink: move, delete, copy, lock and recolour, no scaling handles
};
Q_DECLARE_FLAGS(KvGraphicsFlags, KvGraphicsFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(KvGraphicsFlags)

// The selection controls of one board item (handles and tool bar) and its undo steps.
class KVGRAPHICSCORE_EXPORT KvGraphicsItemDelegate : public QObject
{
    Q_OBJECT
public:
    KvGraphicsItemDelegate(QGraphicsItem *item, QObject *parent, QFlags<KvGraphicsFlag> flags);
    ~KvGraphicsItemDelegate() override;

    QGraphicsItem *item() const;
    QFlags<KvGraphicsFlag> flags() const;
    bool hasControls() const;
    bool controlsVisible() const;

    virtual void createControls();
    virtual void showControls();
    virtual void hideControls();
    virtual void freeControls();

    // Sees every change of the item first; the result goes on to QGraphicsItem::itemChange.
    virtual QVariant itemChange(QGraphicsItem::GraphicsItemChange change, const QVariant &value);
    virtual void mouseReleaseEvent(QGraphicsSceneMouseEvent *event);

    void startUndoStep();
    void commitUndoStep(int first, int second);

signals:
    void undoStepStarted();
    void undoStepCommitted(int first, int second);

private:
    void updateControlsGeometry();

    QGraphicsItem *m_item;
    QFlags<KvGraphicsFlag> m_flags;
    QPointer<KvGraphicsItemControls> m_controls;
};
