#include "KvItem.h"

#include "KvCoreGraphicsScene.h"

#include <QGraphicsItem>

KvItem::KvItem() = default;
KvItem::~KvItem() = default;

QUuid KvItem::uuid() const
{
    return m_uuid;
}

void KvItem::setUuid(const QUuid &uuid)
{
    m_uuid = uuid;
}

KvItem *KvItem::deepCopy() const
{
    return nullptr;
}

void KvItem::copyItemParameters(KvItem *) const { }

void KvItem::importItem(const QMap<QString, QVariant> &) { }

QMap<QString, QVariant> KvItem::exportItem()
{
    return {};
}

void KvItem::exportItemXml(QDomDocument *, QDomElement *, const QString &) { }

void KvItem::importItemXml(QDomDocument *, QDomElement *, const QString &) { }

QString KvItem::exportName()
{
    return {};
}

KvCoreGraphicsScene *KvItem::scene() const
{
    const auto *item = dynamic_cast<const QGraphicsItem *>(this);
    return item ? qobject_cast<KvCoreGraphicsScene *>(item->scene()) : nullptr;
}

QString KvItem::sourceUrl() const
{
    return m_sourceUrl;
}

void KvItem::setSourceUrl(const QString &url)
{
    m_sourceUrl = url;
}

QColor KvItem::color() const
{
    return m_color;
}

void KvItem::setColor(const QColor &color)
{
    m_color = color;
}
