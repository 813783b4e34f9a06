#include "KvPenCore.h"

#include "KvCoreGraphicsScene.h"
#include "KvGraphicsItem.h"
#include "KvGraphicsItemDelegate.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenLogging.h"
#include "KvPenMessageCodec.h"
#include "KvPenObject.h"
#include "KvPenSelectFrame.h"
#include "KvPenTypes.h"
#include "KvRemoteReplay.h"
#include "KvSenderEngines.h"

#include <QGraphicsView>

#include <cmath>
#include <limits>

using namespace KvPen;

namespace {

QString newMessageId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace

KvPenCore::KvPenCore(QObject *parent)
    : QObject(parent)
{
    setSurportTypeList({PenStylus, MarkerStylus, EraserStylus});
    setItemTypeList({kStrokesGroupType});
    penObject = createEngine();
    senders.reset(new KvSenderEngines(remoteEngines, [this] { return createEngine(); }));
}

KvPenCore::~KvPenCore() = default;

QColor KvPenCore::penColor() const
{
    return penObject->toolSettings().penColor;
}

void KvPenCore::setPenColor(const QColor &color)
{
    penObject->toolSettings().penColor = color;
}

int KvPenCore::penWidth() const
{
    return penObject->toolSettings().penWidth;
}

void KvPenCore::setPenWidth(int width)
{
    penObject->toolSettings().penWidth = width;
}

QColor KvPenCore::markerColor() const
{
    return penObject->toolSettings().markerColor;
}

void KvPenCore::setMarkerColor(const QColor &color)
{
    penObject->toolSettings().markerColor = color;
}

int KvPenCore::markerWidth() const
{
    return penObject->toolSettings().markerWidth;
}

void KvPenCore::setMarkerWidth(int width)
{
    penObject->toolSettings().markerWidth = width;
}

double KvPenCore::eraserWidth() const
{
    return penObject->toolSettings().eraserWidth;
}

void KvPenCore::setEraserWidth(double width)
{
    // Out-of-range and non-finite widths end at the nearest int the engine can hold.
    const double bounded = std::isnan(width)
        ? 0.0
        : qBound(double(std::numeric_limits<int>::min()), width,
                 double(std::numeric_limits<int>::max()));
    penObject->toolSettings().eraserWidth = int(bounded);
}

void KvPenCore::setIsCanRedo(bool canRedo)
{
    penObject->setIsCanRedo(canRedo);
}

void KvPenCore::setCompleteStrokeEnds(bool complete)
{
    isCompleteStrokeEnds = complete;
    penObject->setCompleteStrokeEnds(complete);
    for (KvPenObject *engine : qAsConst(remoteEngines))
        engine->setCompleteStrokeEnds(complete);
}

void KvPenCore::currentSceneChanged(KvCoreGraphicsScene *scene)
{
    KvObjectCore::currentSceneChanged(scene);
    penObject->setScene(scene);
}

bool KvPenCore::inputDevicePress(int id, const QPointF &pos, const double &)
{
    isPressed = true;
    const QUuid uuid = QUuid::createUuid();
    touchUuids.insert(id, uuid);
    sendMouse(id, pos, MousePress, uuid, QString());
    return penObject->inputDevicePress(pos, uuid, id);
}

bool KvPenCore::inputDevicePress(const QPointF &pos, const double &)
{
    isPressed = true;
    mouseUuid = QUuid::createUuid();
    sendMouse(kSinglePointerId, pos, MousePress, mouseUuid, QString());
    return penObject->inputDevicePress(pos, mouseUuid, kSinglePointerId);
}

bool KvPenCore::inputDeviceMove(int id, const QPointF &pos, const double &)
{
    const QUuid uuid = touchUuids.value(id);
    sendMouse(id, pos, MouseMove, uuid, QString());
    return penObject->inputDeviceMove(pos, uuid, id);
}

bool KvPenCore::inputDeviceMove(const QPointF &pos, const double &)
{
    if (!isPressed)
        return true;
    sendMouse(kSinglePointerId, pos, MouseMove, mouseUuid, QString());
    penObject->inputDeviceMove(pos, mouseUuid, kSinglePointerId);
    return true;
}

bool KvPenCore::inputDeviceRelease(int id)
{
    if (!touchUuids.contains(id))
        return false;
    isPressed = false;
    const bool result = releaseTouch(id, touchUuids.value(id));
    touchUuids.remove(id);
    if (touchUuids.isEmpty())
        isEraseScroll = false;
    return result;
}

bool KvPenCore::inputDeviceRelease()
{
    if (!isPressed)
        return false;
    isPressed = false;
    return releaseMouse();
}

bool KvPenCore::releaseMouse()
{
    const QString messageid = newMessageId();
    sendMouse(kSinglePointerId, QPointF(), MouseRelease, mouseUuid, messageid);
    QJsonObject data;
    const bool result = penObject->inputDeviceRelease(mouseUuid, data, kSinglePointerId);
    data.insert(Key::MessageId, messageid);
    penChanged(data);
    mouseUuid = QUuid();
    return result;
}

bool KvPenCore::releaseTouch(int id, const QUuid &uuid)
{
    const QString messageid = newMessageId();
    sendMouse(id, QPointF(), MouseRelease, uuid, messageid);
    QJsonObject data;
    const bool result = penObject->inputDeviceRelease(uuid, data, id);
    data.insert(Key::MessageId, messageid);
    penChanged(data);
    if (isEraseScroll)
        emit sig_eraseItem(uuid.toString(QUuid::WithoutBraces));
    return result;
}

void KvPenCore::remoteData(const QString &key, int type, const QJsonObject &data)
{
    if (!isCanRemote)
        return;
    // Without a board there is nothing to draw on; the message is dropped rather than queued.
    if (!scene()) {
        qCDebug(lcKvPenRemote) << "KvPenCore::remoteData"
                               << "refused: no scene";
        return;
    }
    KvPenObject *engine = senders->engineFor(key);
    if (!engine)
        return;
    engine->setScene(scene());
    KvRemoteReplay::Report report = KvRemoteReplay::replayLive(engine, type, data);
    if (report.kind == KvRemoteReplay::Report::PenChanged)
        emit sig_penChanged(report.snapshot);
    else if (report.kind == KvRemoteReplay::Report::RemoveItem)
        emit sig_removeItem(report.removedUuids);
}

KvPenObject *KvPenCore::createEngine()
{
    auto *engine = new KvPenObject(this);
    engine->setCompleteStrokeEnds(isCompleteStrokeEnds);
    connect(engine, &KvPenObject::sig_eraseItem, this,
            [this](const QString &uuid) { emit sig_eraseItem(uuid); });
    connect(engine, &KvPenObject::sig_groupClosed, this, [this](const QJsonObject &snapshot) {
        QJsonObject data = snapshot;
        data.insert(Key::MessageId, newMessageId());
        emit sig_penChanged(data);
    });
    return engine;
}

void KvPenCore::sendMouse(int id, const QPointF &pos, int mousetype, const QUuid &uuid,
                          const QString &messageid)
{
    if (!isCanRemote)
        return;
    const KvPenMessageCodec::LiveStep step {mousetype, pos, id, uuid};
    const KvToolSettings &settings = penObject->toolSettings();
    if (isInkStylus(stylus()))
        emit sig_sendRemoteData(uuid, LiveInkMessage,
                                KvPenMessageCodec::encodeLiveInk(step, stylus(), settings),
                                messageid);
    else
        emit sig_sendRemoteData(uuid, LiveEraserMessage,
                                KvPenMessageCodec::encodeLiveEraser(step, settings), messageid);
}

void KvPenCore::penChanged(QJsonObject &data)
{
    if (isInkStylus(stylus()))
        emit sig_penChanged(data);
    else if (stylus() == EraserStylus)
        emit sig_removeItem(penObject->removedItemUuids());
}

void KvPenCore::eraseScrollItem()
{
    isEraseScroll = true;
    penObject->eraseScrollItem();
}

void KvPenCore::sendEraseScrollItem()
{
    if (touchUuids.isEmpty()) {
        isEraseScroll = false;
        return;
    }
    const QMap<int, QUuid> touches = touchUuids;
    for (auto touch = touches.cbegin(); touch != touches.cend() && isEraseScroll; ++touch) {
        sendMouse(touch.key(), QPointF(), MouseRelease, touch.value(), newMessageId());
        QJsonObject dropped;
        penObject->inputDeviceRelease(touch.value(), dropped, touch.key());
        emit sig_eraseItem(touch.value().toString(QUuid::WithoutBraces));
    }
    touchUuids.clear();
    isPressed = false;
    isEraseScroll = false;
}

void KvPenCore::foucesMouseRelease()
{
    if (!isPressed)
        return;
    if (!mouseUuid.isNull())
        releaseMouse();
    if (touchUuids.isEmpty()) {
        isPressed = false;
        return;
    }
    const QMap<int, QUuid> touches = touchUuids;
    for (auto touch = touches.cbegin(); touch != touches.cend(); ++touch) {
        releaseTouch(touch.key(), touch.value());
        touchUuids.remove(touch.key());
    }
    touchUuids.clear();
    isPressed = false;
}

void KvPenCore::hideEraseWidget()
{
    penObject->hideEraseWidget();
}

KvGraphicsPolygonItem *KvPenCore::polygonToPolygonItem(QPolygonF polygon)
{
    return penObject->polygonToPolygonItem(polygon);
}

void KvPenCore::setStylus(int stylus)
{
    KvObjectCore::setStylus(stylus);
    penObject->setStylus(stylus);
}

void KvPenCore::exportScene(QList<KvSaveDataItem> &records, const QString &name)
{
    penObject->exportScene(records, name);
}

void KvPenCore::importScene(const QList<KvSaveDataItem> &records, const QString &name)
{
    penObject->importScene(records, name);
}

void KvPenCore::setEraseArea(const QRectF &rect)
{
    penObject->setEraseArea(rect);
}

void KvPenCore::setEndErase()
{
    penObject->setEndErase();
}

void KvPenCore::exportSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
{
    penObject->exportSceneXml(document, parent, name);
}

void KvPenCore::importSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
{
    penObject->importSceneXml(document, parent, name);
}

void KvPenCore::exportOriginalPointInfoXml(QDomDocument *document, QDomElement *parent,
                                           const QString &name)
{
    penObject->exportOriginalPointInfoXml(document, parent, name);
}

void KvPenCore::sendRemoteData(const QUuid &, int, const QJsonObject &) { }

void KvPenCore::paintPen(const QJsonObject &data)
{
    if (!scene()) {
        qCDebug(lcKvPenRemote) << "KvPenCore::paintPen"
                               << "refused: no scene";
        return;
    }
    KvRemoteReplay::replayStroke(penObject, data);
}

void KvPenCore::showFrame(QGraphicsItem *item)
{
    KvGraphicsItemDelegate *delegate = getItemDelegate(item);
    if (!delegate)
        return;
    delegate->createControls();
    item->setVisible(true);
    delegate->showControls();
}

void KvPenCore::showFrameItems(const QList<QGraphicsItem *> &items)
{
    // The frame lives on a board; without one there is nothing to frame.
    if (!scene()) {
        qCDebug(lcKvPenEngine) << "KvPenCore::showFrameItems"
                               << "refused: no scene";
        return;
    }
    if (!selectFrame)
        selectFrame = new KvPenSelectFrame;
    selectFrame->setItems(items);
    scene()->addBoardItem(selectFrame);
    selectFrame->setVisible(true);
    selectFrame->setEnclosedItems(items);
    selectFrame->checkContainsCopyItems(items);
}

void KvPenCore::hideFrameItems()
{
    if (selectFrame)
        selectFrame->hideFrameItems();
}

KvGraphicsItemDelegate *KvPenCore::getItemDelegate(QGraphicsItem *item)
{
    if (!item || item->type() != kStrokesGroupType)
        return nullptr;
    const auto *group = dynamic_cast<KvGraphicsItem *>(item);
    return group ? group->delegate() : nullptr;
}
