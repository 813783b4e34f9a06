#include "KvRemoteReplay.h"

#include "KvCoreGraphicsScene.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenLogging.h"
#include "KvPenMessageCodec.h"
#include "KvPenObject.h"
#include "KvPenTypes.h"

#include <QGraphicsView>

#include <cmath>

using namespace KvPen;

namespace {

void logClampedWidth(int sent, int width, const char *function)
{
    if (sent != width)
        qCDebug(lcKvPenRemote) << function << "width clamped:" << sent << "->" << width;
}

// Replays a press or a move; false for a release, which the caller replays.
bool replayPressOrMove(KvPenObject *engine, const KvPenMessageCodec::LiveMessage &message,
                       int pointerId)
{
    if (message.mousetype != MousePress && message.mousetype != MouseMove)
        return false;
    if (!KvPenMessageCodec::isReplayablePosition(message.pos)) {
        qCDebug(lcKvPenRemote) << "KvPenCore::remoteData"
                               << "refused: position out of range" << message.pos.x()
                               << message.pos.y();
        return true;
    }
    if (message.mousetype == MousePress)
        engine->inputDevicePress(message.pos, message.uuid, pointerId);
    else
        engine->inputDeviceMove(message.pos, message.uuid, pointerId);
    return true;
}

KvRemoteReplay::Report replayInk(KvPenObject *engine, const KvPenMessageCodec::LiveMessage &message)
{
    KvToolSettings &settings = engine->toolSettings();
    settings.stylus = message.pen ? PenStylus : MarkerStylus;
    (message.pen ? settings.penWidth : settings.markerWidth) = message.width;
    (message.pen ? settings.penColor : settings.markerColor) = message.color;
    const int pointerId = message.pen ? message.id : kSinglePointerId;
    if (replayPressOrMove(engine, message, pointerId))
        return {};
    KvRemoteReplay::Report report;
    report.kind = KvRemoteReplay::Report::PenChanged;
    engine->inputDeviceRelease(message.uuid, report.snapshot, pointerId);
    report.snapshot.insert(Key::MessageId, message.messageid);
    return report;
}

KvRemoteReplay::Report replayEraser(KvPenObject *engine,
                                    const KvPenMessageCodec::LiveMessage &message)
{
    engine->toolSettings().stylus = EraserStylus;
    engine->toolSettings().eraserWidth = message.width;
    if (replayPressOrMove(engine, message, kSinglePointerId))
        return {};
    QJsonObject dropped {{Key::MessageId, message.messageid}};
    engine->inputDeviceRelease(message.uuid, dropped, kSinglePointerId);
    KvRemoteReplay::Report report;
    report.kind = KvRemoteReplay::Report::RemoveItem;
    report.removedUuids = engine->removedItemUuids();
    return report;
}

// The factor from the sender's board to this one; false, with the reason logged, when the
// message's board width is unusable.
bool replayScale(const KvCoreGraphicsScene *scene, double boardWidth, double *scale)
{
    if (!KvPenMessageCodec::isUsableBoardWidth(boardWidth)) {
        qCDebug(lcKvPenRemote) << "KvPenCore::paintPen"
                               << "refused: board width out of range" << boardWidth;
        return false;
    }
    const QList<QGraphicsView *> views = scene->views();
    // Without a view there is no zoom or view width to match: the stroke is replayed unscaled.
    if (views.isEmpty()) {
        *scale = 1.0;
        return true;
    }
    const QGraphicsView *view = views.first();
    const KvPenMessageCodec::ReplayScale replay
        = KvPenMessageCodec::replayScale(boardWidth, view->transform().m11(), view->width());
    if (!std::isfinite(replay.scale)) {
        qCDebug(lcKvPenRemote) << "KvPenCore::paintPen"
                               << "refused: view scale not finite";
        return false;
    }
    qCDebug(lcKvPenTrace) << "scale ==============" << replay.scale << view->width()
                          << replay.boardWidth << replay.viewScale << boardWidth;
    *scale = replay.scale;
    return true;
}

} // namespace

namespace KvRemoteReplay {

Report replayLive(KvPenObject *engine, int type, const QJsonObject &data)
{
    if (type != LiveInkMessage && type != LiveEraserMessage) {
        qCDebug(lcKvPenRemote) << "KvPenCore::remoteData"
                               << "refused: unknown type" << type;
        return {};
    }
    const KvPenMessageCodec::LiveMessage message = KvPenMessageCodec::decodeLive(data);
    logClampedWidth(message.sentWidth, message.width, "KvPenCore::remoteData");
    return type == LiveInkMessage ? replayInk(engine, message) : replayEraser(engine, message);
}

void replayStroke(KvPenObject *engine, const QJsonObject &data)
{
    const KvPenMessageCodec::StrokeMessage message = KvPenMessageCodec::decodeStroke(data);
    double scale = 1.0;
    if (!replayScale(engine->scene(), message.boardWidth, &scale))
        return;
    QString refusal;
    int dropped = 0;
    const QList<QPointF> points
        = KvPenMessageCodec::replayPoints(message, scale, &refusal, &dropped);
    if (!refusal.isEmpty()) {
        qCDebug(lcKvPenRemote).noquote() << "KvPenCore::paintPen" << refusal;
        return;
    }
    if (dropped > 0)
        qCDebug(lcKvPenRemote) << "KvPenCore::paintPen"
                               << "replayed what a group holds; dropped" << dropped
                               << "later points";
    logClampedWidth(message.sentWidth, message.width, "KvPenCore::paintPen");

    const KvToolSettings saved = engine->toolSettings();
    KvToolSettings &settings = engine->toolSettings();
    const int width = KvPenMessageCodec::replayWidth(message.width, scale);
    if (message.type == PenStylus) {
        settings.penWidth = width;
        settings.penColor = message.color;
    } else if (message.type == MarkerStylus) {
        settings.markerWidth = width;
        settings.markerColor = message.color;
    }
    settings.stylus = message.type;
    if (!points.isEmpty()) {
        if (KvGraphicsStrokesGroup *group = engine->createGroupFromPoints(points)) {
            group->setUuid(message.dataid);
            group->setColor(message.color);
            group->setZValue(message.zValue);
        }
    }
    engine->setToolSettings(saved);
}

} // namespace KvRemoteReplay
