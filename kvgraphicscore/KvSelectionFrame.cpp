#include "KvSelectionFrame.h"

#include "KvItem.h"

#include <QPen>

KvSelectionFrame::KvSelectionFrame(QGraphicsItem *parent)
    : QGraphicsRectItem(parent)
{
    QPen pen(QColor(0, 178, 176), 1, Qt::DashLine);
    pen.setCosmetic(true);
    setPen(pen);
    setBrush(Qt::NoBrush);
    setZValue(1e6);
}

KvSelectionFrame::~KvSelectionFrame() = default;

void KvSelectionFrame::setEnclosedItems(const QList<QGraphicsItem *> &items)
{
    m_enclosedItems = items;
    QRectF bounds;
    for (const QGraphicsItem *item : items)
        bounds |= item->sceneBoundingRect();
    setPos(0, 0);
    setRect(bounds);
}

QList<QGraphicsItem *> KvSelectionFrame::enclosedItems() const
{
    return m_enclosedItems;
}

bool KvSelectionFrame::checkContainsCopyItems(const QList<QGraphicsItem *> &items) const
{
    for (QGraphicsItem *item : items) {
        if (!dynamic_cast<KvItem *>(item))
            return false;
    }
    return !items.isEmpty();
}

void KvSelectionFrame::hideFrameItems()
{
    setVisible(false);
}

QStringList KvSelectionFrame::buttonsForFlags(QFlags<KvGraphicsFlag> flags) const
{
    static const QList<QPair<KvGraphicsFlag, QString>> buttons = {
        {KvDeleteButton, QStringLiteral("delete")},  {KvCopyButton, QStringLiteral("copy")},
        {KvLockButton, QStringLiteral("lock")},      {KvColorButton, QStringLiteral("color")},
        {KvRotateControl, QStringLiteral("rotate")}, {KvScaleControl, QStringLiteral("scale")},
    };
    // Ink offers everything but the scaling handles.
    const QFlags<KvGraphicsFlag> effective = flags.testFlag(KvInkControls)
        ? (flags | KvMoveControl | KvDeleteButton | KvCopyButton | KvLockButton | KvColorButton)
        : flags;
    QStringList names;
    for (const auto &button : buttons) {
        if (effective.testFlag(button.first))
            names.append(button.second);
    }
    return names;
}
