#pragma once

#include "KvGraphicsItemDelegate.h"
#include "kvgraphicscore_export.h"

#include <QGraphicsRectItem>
#include <QList>
#include <QObject>
#include <QStringList>

// The frame the host draws around a set of selected items, with the tool bar buttons that
// the items' flags allow.
class KVGRAPHICSCORE_EXPORT KvSelectionFrame : public QObject, public QGraphicsRectItem
{
    Q_OBJECT
public:
    explicit KvSelectionFrame(QGraphicsItem *parent = nullptr);
    ~KvSelectionFrame() override;

    // Sizes and places the frame around the items' scene bounding rectangles.
    void setEnclosedItems(const QList<QGraphicsItem *> &items);
    QList<QGraphicsItem *> enclosedItems() const;
    // True when every item can be copied (each one is a board item that knows its copy).
    bool checkContainsCopyItems(const QList<QGraphicsItem *> &items) const;

    virtual void hideFrameItems();
    // The names of the tool bar buttons offered for items with these flags.
    virtual QStringList buttonsForFlags(QFlags<KvGraphicsFlag> flags) const;

private:
    QList<QGraphicsItem *> m_enclosedItems;
};
