#pragma once

// setSurportTypeList is spelt as hosts know it.

#include "KvSaveDataItem.h"
#include "kvgraphicscore_export.h"

#include <QJsonObject>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>

class KvCoreGraphicsScene;
class KvGraphicsItemDelegate;
class QDomDocument;
class QDomElement;
class QGraphicsItem;
class ctkPluginContext;

// The interface every tool plug-in offers the host: input, remote replay, selection, save and
// load. Not a QObject; a plug-in core derives from QObject first and from this second.
// Every operation does nothing (or refuses, for input) unless a plug-in overrides it.
class KVGRAPHICSCORE_EXPORT KvObjectCore
{
public:
    KvObjectCore();
    virtual ~KvObjectCore();

    virtual void currentSceneChanged(KvCoreGraphicsScene *scene);
    virtual bool inputDevicePress(int id, const QPointF &pos, const double &pressure);
    virtual bool inputDevicePress(const QPointF &pos, const double &pressure);
    virtual bool inputDeviceMove(int id, const QPointF &pos, const double &pressure);
    virtual bool inputDeviceMove(const QPointF &pos, const double &pressure);
    virtual bool inputDeviceRelease(int id);
    virtual bool inputDeviceRelease();
    virtual void remoteData(const QString &key, int type, const QJsonObject &data);
    virtual void itemChanged(QGraphicsItem *item);
    virtual void remoteRemoveItem(QGraphicsItem *item);
    virtual void clearItems();
    virtual void showFrame(QGraphicsItem *item);
    virtual void showFrameItems(const QList<QGraphicsItem *> &items);
    virtual void hideFrameItems();
    virtual bool isMainShowFrames();
    virtual KvGraphicsItemDelegate *getItemDelegate(QGraphicsItem *item);
    virtual void setStylus(int stylus);
    virtual void exportScene(QList<KvSaveDataItem> &records, const QString &name);
    virtual void importScene(const QList<KvSaveDataItem> &records, const QString &name);
    virtual void setEraseArea(const QRectF &rect);
    virtual void setEndErase();
    virtual QString exportName();
    virtual void exportSceneXml(QDomDocument *document, QDomElement *parent, const QString &name);
    virtual void importSceneXml(QDomDocument *document, QDomElement *parent, const QString &name);
    virtual void pasteItem(QGraphicsItem *item);

    // The board the host handed over last; null before the first one (or once it is gone).
    KvCoreGraphicsScene *scene() const;
    int stylus() const;
    // The stylus values (tools) the plug-in serves.
    void setSurportTypeList(const QList<int> &types);
    QList<int> surportTypeList() const;
    // The item types the plug-in owns.
    void setItemTypeList(const QList<int> &types);
    QList<int> itemTypeList() const;

private:
    QPointer<KvCoreGraphicsScene> m_scene;
    int m_stylus = 0;
    QList<int> m_surportTypes;
    QList<int> m_itemTypes;
};
