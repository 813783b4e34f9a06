#include "KvGraphicsItem.h"

#include "KvGraphicsCoreLogging.h"
#include "KvGraphicsItemDelegate.h"
#include "KvItem.h"
#include "KvQtConvert.h"

#include <QDomElement>
#include <QGraphicsItem>

#include <cmath>

namespace {
const QString kUuidKey = QStringLiteral("uuid");
const QString kPosKey = QStringLiteral("pos");
const QString kTransformKey = QStringLiteral("transform");
const QString kZValueKey = QStringLiteral("zValue");
const QString kLockedKey = QStringLiteral("locked");

template<typename T>
std::optional<T> mapValue(const QMap<QString, QVariant> &map, const QString &key)
{
    const QVariant value = map.value(key);
    if (!value.canConvert<T>())
        return std::nullopt;
    return value.value<T>();
}

// Common data from a file is untrusted: a board item lies within this many units of the origin,
// the range that the pen plug-in keeps its ink to.
constexpr double kMaxBoardCoordinate = 16777216.0;

bool isSaneNumber(double v)
{
    return std::isfinite(v) && std::abs(v) <= kMaxBoardCoordinate;
}

bool isSane(const QTransform &t)
{
    for (double v :
         {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()}) {
        if (!isSaneNumber(v))
            return false;
    }
    return t.isInvertible();
}

std::optional<QString> domText(const QDomElement *element, const QString &key)
{
    if (element->firstChildElement(key).isNull())
        return std::nullopt;
    return KvQtConvert::readDomString(element, key);
}
} // namespace

KvGraphicsItem::KvGraphicsItem() = default;
KvGraphicsItem::~KvGraphicsItem() = default;

int KvGraphicsItem::type() const
{
    const QGraphicsItem *item = graphicsItem();
    return item ? item->type() : 0;
}

void KvGraphicsItem::setKvTransform(const QTransform &transform, bool combine)
{
    if (QGraphicsItem *item = graphicsItem())
        item->setTransform(transform, combine);
}

void KvGraphicsItem::startMousePressed() { }
void KvGraphicsItem::stopMousePressed() { }
void KvGraphicsItem::clearSource() { }

void KvGraphicsItem::sceneVisibleChanged(bool visible)
{
    if (QGraphicsItem *item = graphicsItem())
        item->setVisible(visible);
}

KvGraphicsItemDelegate *KvGraphicsItem::delegate() const
{
    return m_delegate;
}

void KvGraphicsItem::setDelegate(KvGraphicsItemDelegate *delegate)
{
    m_delegate = delegate;
}

bool KvGraphicsItem::isLocked(QGraphicsItem *item)
{
    return item && item->data(kLockedDataKey).toBool();
}

void KvGraphicsItem::setLocked(QGraphicsItem *item, bool locked)
{
    if (item)
        item->setData(kLockedDataKey, locked);
}

QMap<QString, QVariant> KvGraphicsItem::getBaseExportData() const
{
    QMap<QString, QVariant> map;
    if (const auto *kvItem = dynamic_cast<const KvItem *>(this))
        map.insert(kUuidKey, kvItem->uuid().toString(QUuid::WithoutBraces));
    if (const QGraphicsItem *item = graphicsItem()) {
        map.insert(kPosKey, item->pos());
        map.insert(kTransformKey, item->transform());
        map.insert(kZValueKey, item->zValue());
        map.insert(kLockedKey, isLocked(const_cast<QGraphicsItem *>(item)));
    }
    return map;
}

void KvGraphicsItem::importBaseData(const QMap<QString, QVariant> &map)
{
    importBase(map.value(kUuidKey).toString(), mapValue<QPointF>(map, kPosKey),
               mapValue<QTransform>(map, kTransformKey), mapValue<double>(map, kZValueKey),
               mapValue<bool>(map, kLockedKey));
}

void KvGraphicsItem::exportBaseXml(QDomDocument *document, QDomElement *element) const
{
    const QMap<QString, QVariant> data = getBaseExportData();
    for (const QString &key : {kUuidKey, kPosKey, kTransformKey, kZValueKey, kLockedKey}) {
        if (data.contains(key))
            KvQtConvert::insertDomVariant(document, element, key, data.value(key));
    }
}

void KvGraphicsItem::importBaseXml(QDomDocument *, QDomElement *element)
{
    if (!element)
        return;
    std::optional<QPointF> pos;
    if (const auto text = domText(element, kPosKey); text && !text->trimmed().isEmpty())
        pos = KvQtConvert::stringToPointF(*text);
    std::optional<QTransform> transform;
    if (const auto text = domText(element, kTransformKey))
        transform = KvQtConvert::stringToTransform(*text);
    std::optional<double> z;
    if (const auto text = domText(element, kZValueKey)) {
        bool ok = false;
        const double value = text->toDouble(&ok);
        if (ok)
            z = value;
    }
    std::optional<bool> locked;
    if (const auto text = domText(element, kLockedKey))
        locked = (*text == QLatin1String("true"));
    importBase(KvQtConvert::readDomString(element, kUuidKey), pos, transform, z, locked);
    applyPendingGeometry();
}

void KvGraphicsItem::applyPendingGeometry()
{
    QGraphicsItem *item = graphicsItem();
    if (!item)
        return;
    if (m_pendingTransform)
        item->setTransform(*m_pendingTransform);
    if (m_pendingPos)
        item->setPos(*m_pendingPos);
    m_pendingTransform.reset();
    m_pendingPos.reset();
}

QGraphicsItem *KvGraphicsItem::graphicsItem()
{
    return dynamic_cast<QGraphicsItem *>(this);
}

const QGraphicsItem *KvGraphicsItem::graphicsItem() const
{
    return dynamic_cast<const QGraphicsItem *>(this);
}

void KvGraphicsItem::importBase(const QString &uuid, std::optional<QPointF> pos,
                                std::optional<QTransform> transform, std::optional<double> z,
                                std::optional<bool> locked)
{
    const QUuid parsed = QUuid::fromString(uuid);
    if (auto *kvItem = dynamic_cast<KvItem *>(this); kvItem && !parsed.isNull())
        kvItem->setUuid(parsed);
    const bool sanePos = !pos || (isSaneNumber(pos->x()) && isSaneNumber(pos->y()));
    const bool saneTransform = !transform || isSane(*transform);
    const bool saneZ = !z || std::isfinite(*z);
    if (!sanePos || !saneTransform || !saneZ)
        qCDebug(lcKvGraphicsCore) << "KvGraphicsItem::importBase"
                                  << "refused:" << (sanePos ? "" : "position")
                                  << (saneTransform ? "" : "transform") << (saneZ ? "" : "z value");
    if (pos && sanePos)
        m_pendingPos = pos;
    if (transform && saneTransform)
        m_pendingTransform = transform;
    QGraphicsItem *item = graphicsItem();
    if (!item)
        return;
    if (z && saneZ)
        item->setZValue(*z);
    if (locked)
        setLocked(item, *locked);
}
