#pragma once

#include "kvgraphicscore_export.h"

#include <QColor>
#include <QMap>
#include <QString>
#include <QUuid>
#include <QVariant>

class KvCoreGraphicsScene;
class QDomDocument;
class QDomElement;

// The board item interface the host speaks to every item it saves, copies and recolours.
// Not a graphics item itself: the concrete item also derives from a QGraphicsItem class.
class KVGRAPHICSCORE_EXPORT KvItem
{
public:
    KvItem();
    virtual ~KvItem();

    virtual QUuid uuid() const;
    virtual void setUuid(const QUuid &uuid);
    // A new item of the same kind and look, not on any board; the caller owns it.
    virtual KvItem *deepCopy() const;
    virtual void copyItemParameters(KvItem *target) const;
    virtual void importItem(const QMap<QString, QVariant> &map);
    virtual QMap<QString, QVariant> exportItem();
    virtual void exportItemXml(QDomDocument *document, QDomElement *element, const QString &name);
    virtual void importItemXml(QDomDocument *document, QDomElement *element, const QString &name);
    virtual QString exportName();
    // The board the item is on; null when it is on none or on a scene of another kind.
    virtual KvCoreGraphicsScene *scene() const;
    virtual QString sourceUrl() const;
    virtual void setSourceUrl(const QString &url);
    virtual QColor color() const;
    virtual void setColor(const QColor &color);

private:
    friend class KvGraphicsScene;

    QUuid m_uuid;
    QString m_sourceUrl;
    QColor m_color;
    // Set by the board the item is on (0: on none); items of other kinds keep it in their data.
    quint64 m_boardOrder = 0;
};
