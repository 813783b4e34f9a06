#pragma once

#include "kvgraphicscore_export.h"

#include <QMap>
#include <QPointF>
#include <QTransform>
#include <QVariant>

#include <optional>

class KvGraphicsItemDelegate;
class QDomDocument;
class QDomElement;
class QGraphicsItem;

// The selectable board item base: its delegate, its lock state and the common data (uuid,
// position, transform, z value, lock) that every saved item carries. The concrete item also
// derives from a QGraphicsItem class and from KvItem.
class KVGRAPHICSCORE_EXPORT KvGraphicsItem
{
public:
    KvGraphicsItem();
    virtual ~KvGraphicsItem();

    virtual int type() const;
    virtual void setKvTransform(const QTransform &transform, bool combine);
    virtual void startMousePressed();
    virtual void stopMousePressed();
    virtual void clearSource();
    virtual void sceneVisibleChanged(bool visible);

    KvGraphicsItemDelegate *delegate() const;
    void setDelegate(KvGraphicsItemDelegate *delegate);

    // The lock state the host keeps on any item (item data key kLockedDataKey).
    static bool isLocked(QGraphicsItem *item);
    static void setLocked(QGraphicsItem *item, bool locked);
    static constexpr int kLockedDataKey = 1001;

    QMap<QString, QVariant> getBaseExportData() const;
    // Restores uuid, z value and lock at once. Position and transform wait until the item is
    // put on the board (applyPendingGeometry), so that pieces joining a group afterwards stay
    // where they belong relative to it.
    void importBaseData(const QMap<QString, QVariant> &map);
    void exportBaseXml(QDomDocument *document, QDomElement *element) const;
    void importBaseXml(QDomDocument *document, QDomElement *element);
    void applyPendingGeometry();

protected:
    QGraphicsItem *graphicsItem();
    const QGraphicsItem *graphicsItem() const;

private:
    void importBase(const QString &uuid, std::optional<QPointF> pos,
                    std::optional<QTransform> transform, std::optional<double> z,
                    std::optional<bool> locked);

    KvGraphicsItemDelegate *m_delegate = nullptr;
    std::optional<QPointF> m_pendingPos;
    std::optional<QTransform> m_pendingTransform;
};
