#include "KvObjectCore.h"

#include "KvCoreGraphicsScene.h"

KvObjectCore::KvObjectCore() = default;
KvObjectCore::~KvObjectCore() = default;

void KvObjectCore::currentSceneChanged(KvCoreGraphicsScene *scene)
{
    m_scene = scene;
}

bool KvObjectCore::inputDevicePress(int, const QPointF &, const double &)
{
    return false;
}

bool KvObjectCore::inputDevicePress(const QPointF &, const double &)
{
    return false;
}

bool KvObjectCore::inputDeviceMove(int, const QPointF &, const double &)
{
    return false;
}

bool KvObjectCore::inputDeviceMove(const QPointF &, const double &)
{
    return false;
}

bool KvObjectCore::inputDeviceRelease(int)
{
    return false;
}

bool KvObjectCore::inputDeviceRelease()
{
    return false;
}

void KvObjectCore::remoteData(const QString &, int, const QJsonObject &) { }
void KvObjectCore::itemChanged(QGraphicsItem *) { }
void KvObjectCore::remoteRemoveItem(QGraphicsItem *) { }
void KvObjectCore::clearItems() { }
void KvObjectCore::showFrame(QGraphicsItem *) { }
void KvObjectCore::showFrameItems(const QList<QGraphicsItem *> &) { }
void KvObjectCore::hideFrameItems() { }

bool KvObjectCore::isMainShowFrames()
{
    return false;
}

KvGraphicsItemDelegate *KvObjectCore::getItemDelegate(QGraphicsItem *)
{
    return nullptr;
}

void KvObjectCore::setStylus(int stylus)
{
    m_stylus = stylus;
}

void KvObjectCore::exportScene(QList<KvSaveDataItem> &, const QString &) { }
void KvObjectCore::importScene(const QList<KvSaveDataItem> &, const QString &) { }
void KvObjectCore::setEraseArea(const QRectF &) { }
void KvObjectCore::setEndErase() { }

QString KvObjectCore::exportName()
{
    return {};
}

void KvObjectCore::exportSceneXml(QDomDocument *, QDomElement *, const QString &) { }
void KvObjectCore::importSceneXml(QDomDocument *, QDomElement *, const QString &) { }
void KvObjectCore::pasteItem(QGraphicsItem *) { }

KvCoreGraphicsScene *KvObjectCore::scene() const
{
    return m_scene;
}

int KvObjectCore::stylus() const
{
    return m_stylus;
}

void KvObjectCore::setSurportTypeList(const QList<int> &types)
{
    m_surportTypes = types;
}

QList<int> KvObjectCore::surportTypeList() const
{
    return m_surportTypes;
}

void KvObjectCore::setItemTypeList(const QList<int> &types)
{
    m_itemTypes = types;
}

QList<int> KvObjectCore::itemTypeList() const
{
    return m_itemTypes;
}
