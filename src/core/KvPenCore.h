#pragma once

// foucesMouseRelease and setSurportTypeList (in KvObjectCore) are spelt as hosts know them.

#include "KvObjectCore.h"
#include "kvpen_export.h"

#include <QColor>

#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QPolygonF>
#include <QStringList>
#include <QUuid>

#include <memory>

class KvGraphicsPolygonItem;
class KvPenObject;
class KvSenderEngines;
class KvPenSelectFrame;

// The pen plug-in as the host sees it: tool settings, pointer and touch input in scene
// coordinates, mirroring to and from remote participants, selection of ink, save and load.
// Ink is drawn by a local engine; every remote sender gets an engine of its own.
class KVPEN_EXPORT KvPenCore : public QObject, public KvObjectCore
{
    Q_OBJECT
public:
    explicit KvPenCore(QObject *parent = nullptr);
    ~KvPenCore() override;

    QColor penColor() const;
    void setPenColor(const QColor &color);
    int penWidth() const;
    void setPenWidth(int width);
    QColor markerColor() const;
    void setMarkerColor(const QColor &color);
    int markerWidth() const;
    void setMarkerWidth(int width);
    // View pixels; stored truncated to an int.
    double eraserWidth() const;
    void setEraserWidth(double width);
    // Always true; the flag is only handed to the engine.
    bool getIsCanRedo() const { return true; }
    void setIsCanRedo(bool canRedo);
    // Whether live pointer messages leave the core and remote ones are replayed.
    bool getIsCanRemote() const { return isCanRemote; }
    void setIsCanRemote(bool canRemote) { isCanRemote = canRemote; }
    // Off by default. On, every release of this core's engines, local and remote, and every
    // whole-stroke replay first adds one last piece from the end of the finished ink to the
    // pointer's last position, sent and saved like any piece: strokes reach where the pen lifted.
    bool completeStrokeEnds() const { return isCompleteStrokeEnds; }
    void setCompleteStrokeEnds(bool complete);
    ctkPluginContext *getContext() const { return context; }
    void setContext(ctkPluginContext *context) { this->context = context; }

    void currentSceneChanged(KvCoreGraphicsScene *scene) override;
    bool inputDevicePress(int id, const QPointF &pos, const double &pressure) override;
    bool inputDevicePress(const QPointF &pos, const double &pressure) override;
    bool inputDeviceMove(int id, const QPointF &pos, const double &pressure) override;
    bool inputDeviceMove(const QPointF &pos, const double &pressure) override;
    bool inputDeviceRelease(int id) override;
    bool inputDeviceRelease() override;
    void remoteData(const QString &key, int type, const QJsonObject &data) override;
    void showFrame(QGraphicsItem *item) override;
    void showFrameItems(const QList<QGraphicsItem *> &items) override;
    void hideFrameItems() override;
    bool isMainShowFrames() override { return false; }
    KvGraphicsItemDelegate *getItemDelegate(QGraphicsItem *item) override;
    void setStylus(int stylus) override;
    void exportScene(QList<KvSaveDataItem> &records, const QString &name) override;
    void importScene(const QList<KvSaveDataItem> &records, const QString &name) override;
    void setEraseArea(const QRectF &rect) override;
    void setEndErase() override;
    QString exportName() override { return QStringLiteral("penCore"); }
    void exportSceneXml(QDomDocument *document, QDomElement *parent, const QString &name) override;
    void importSceneXml(QDomDocument *document, QDomElement *parent, const QString &name) override;

    // Cancels every stroke in progress; touch releases then report their strokes as erased.
    void eraseScrollItem();
    // Ends erase-scroll mode, releasing every open touch stroke as erased.
    void sendEraseScrollItem();
    // Releases every open stroke, as if each pointer had been lifted.
    void foucesMouseRelease();
    void hideEraseWidget();
    // A new ink-styled polygon item, not on the board; the caller owns it.
    KvGraphicsPolygonItem *polygonToPolygonItem(QPolygonF polygon);
    void exportOriginalPointInfoXml(QDomDocument *document, QDomElement *parent,
                                    const QString &name);
    // Rebuilds a finished stroke from a whole-stroke message on the local board.
    void paintPen(const QJsonObject &data);
    void sendRemoteData(const QUuid &uuid, int type, const QJsonObject &data);

signals:
    void sig_sendRemoteData(const QUuid &uuid, int type, const QJsonObject &data,
                            const QString &messageid);
    void sig_penChanged(QJsonObject &data);
    void sig_removeItem(const QStringList &uuidList);
    void sig_eraseItem(const QString &uuid);

private:
    void sendMouse(int id, const QPointF &pos, int mousetype, const QUuid &uuid,
                   const QString &messageid);
    void penChanged(QJsonObject &data);
    bool releaseMouse();
    bool releaseTouch(int id, const QUuid &uuid);
    KvPenObject *createEngine();

    // The fields keep the names of the core's documented interface, without the m_ prefix.
    KvPenObject *penObject = nullptr;
    QMap<QString, KvPenObject *> remoteEngines;
    std::unique_ptr<KvSenderEngines> senders;
    bool isCanRemote = true;
    bool isCompleteStrokeEnds = false;
    ctkPluginContext *context = nullptr;
    QUuid mouseUuid;
    QMap<int, QUuid> touchUuids;
    bool isPressed = false;
    // The scene owns the frame once it is on the board, and may delete it.
    QPointer<KvPenSelectFrame> selectFrame;
    bool isEraseScroll = false;
};
