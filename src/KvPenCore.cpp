#include "KvPenCore.h"

#include "KvCoreGraphicsScene.h"
#include "KvGraphicsItem.h"
#include "KvGraphicsItemDelegate.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenObject.h"
#include "KvPenSelectFrame.h"
#include "KvQtConvert.h"

#include <QDebug>
#include <QGraphicsView>
#include <QJsonValue>
#include <QtMath>

#include <cmath>
#include <limits>

namespace {

constexpr int kStrokesGroupType = 65550;
constexpr int kPen = 0;
constexpr int kEraser = 1;
constexpr int kMarker = 2;
constexpr int kLiveInkMessage = 2;
constexpr int kLiveEraserMessage = 3;
constexpr int kPress = 0;
constexpr int kMove = 1;
constexpr int kRelease = 2;

// Limits on what a remote participant may ask of this board. They lie far beyond anything a
// real board sends, and keep hostile messages from flooding the board or overflowing geometry.
// Widest remote pen, highlighter or eraser; the tool widgets offer at most a few dozen.
constexpr int kMaxRemoteWidth = 500;
// Largest scene coordinate replayed: boards span a few thousand units, and well within this
// range every later conversion to int stays exact. Ink drawn there, a half width further out,
// still lies within what a saved board loads back.
constexpr double kMaxRemoteCoordinate = KvGraphicsStrokesGroup::kMaxCoordinate - kMaxRemoteWidth;
// Widest sender board view, in pixels (several 8K screens side by side).
constexpr int kMaxRemoteBoardWidth = 1 << 16;
// Most points in one whole-stroke message: a long stroke has a few hundred, one per segment.
// No more than a saved group loads back, as each point may make a piece.
constexpr int kMaxReplayPoints = KvGraphicsStrokesGroup::kMaxPiecesPerGroup;
// Most remote senders with an engine of their own; a meeting has far fewer participants.
constexpr int kMaxRemoteSenders = 256;
// Longest sender key kept; the host's keys are short participant ids.
constexpr int kMaxSenderKeyLength = 1024;

bool isPenOrMarker(int stylus)
{
    return stylus == kPen || stylus == kMarker;
}

// A JSON number that is a whole number in int range, else the fallback; never converts an
// out-of-range double to int.
int jsonInt(const QJsonValue &value, int fallback = 0)
{
    if (!value.isDouble())
        return fallback;
    const double number = value.toDouble();
    if (!(number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
        || std::trunc(number) != number)
        return fallback;
    return int(number);
}

bool isSaneCoordinate(double value)
{
    return std::isfinite(value) && std::abs(value) <= kMaxRemoteCoordinate;
}

// A width limited to what a board can show; reports once when it had to limit it.
int boundedWidth(int width, const char *function)
{
    const int bounded = qBound(0, width, kMaxRemoteWidth);
    if (bounded != width)
        qDebug() << function << "width clamped:" << width << "->" << bounded;
    return bounded;
}

QUuid messageUuid(const QJsonObject &data)
{
    return QUuid::fromString(data.value(QStringLiteral("uuid")).toString());
}

QString messageId(const QJsonObject &data)
{
    return data.value(QStringLiteral("messageid")).toString();
}

// Replays a press or a move; false for a release, which the caller replays.
bool replayPressOrMove(KvPenObject *engine, const QJsonObject &data, int pointerId)
{
    const int mousetype = jsonInt(data.value(QStringLiteral("mousetype")));
    if (mousetype != kPress && mousetype != kMove)
        return false;
    const QPointF point(data.value(QStringLiteral("x")).toDouble(),
                        data.value(QStringLiteral("y")).toDouble());
    if (!isSaneCoordinate(point.x()) || !isSaneCoordinate(point.y())) {
        qDebug() << "KvPenCore::remoteData"
                 << "refused: position out of range" << point.x() << point.y();
        return true;
    }
    if (mousetype == kPress)
        engine->inputDevicePress(point, messageUuid(data), pointerId);
    else
        engine->inputDeviceMove(point, messageUuid(data), pointerId);
    return true;
}

// The factor from the sender's board to this one: the view widths' ratio over this view's
// zoom. False, with the reason logged, when the message's board width is unusable.
bool replayScale(const KvCoreGraphicsScene *scene, const QJsonObject &data, double *scale)
{
    const QList<QGraphicsView *> views = scene->views();
    const double rawBoardWidth = data.value(QStringLiteral("boardWidth")).toDouble();
    if (!std::isfinite(rawBoardWidth) || rawBoardWidth < 0
        || rawBoardWidth > kMaxRemoteBoardWidth) {
        qDebug() << "KvPenCore::paintPen"
                 << "refused: board width out of range" << rawBoardWidth;
        return false;
    }
    // Without a view there is no zoom or view width to match: the stroke is replayed unscaled.
    if (views.isEmpty()) {
        *scale = 1.0;
        return true;
    }
    const QGraphicsView *view = views.first();
    double viewScale = QString::number(view->transform().m11(), 'f', 2).toDouble();
    // A view turned a quarter or zoomed out past 1:200 has no usable zoom; it counts as 1.
    if (viewScale == 0.0)
        viewScale = 1.0;
    const int viewWidth = view->width();
    int boardWidth = int(rawBoardWidth);
    if (boardWidth == 0)
        boardWidth = viewWidth;
    // A board of the receiver's own width is the ratio 1, also for a view not laid out yet.
    const double widthRatio = boardWidth == 0 ? 1.0 : double(viewWidth) / boardWidth;
    *scale = widthRatio / viewScale;
    if (!std::isfinite(*scale)) {
        qDebug() << "KvPenCore::paintPen"
                 << "refused: view scale not finite";
        return false;
    }
    qDebug() << "scale ==============" << *scale << viewWidth << boardWidth << viewScale
             << rawBoardWidth;
    return true;
}

// The message's points, offset, truncated and scaled; false, with the reason logged, when there
// are too many or one lies outside the board's range.
bool replayPoints(const QJsonObject &data, double scale, QList<QPointF> *points)
{
    const QString pos = data.value(QStringLiteral("pos")).toString();
    if (pos.count(QLatin1Char(';')) >= kMaxReplayPoints) {
        qDebug() << "KvPenCore::paintPen"
                 << "refused: more than" << kMaxReplayPoints << "points";
        return false;
    }
    const int dx = jsonInt(data.value(QStringLiteral("dx")));
    const int dy = jsonInt(data.value(QStringLiteral("dy")));
    const QStringList parts = pos.split(QLatin1Char(';'));
    for (const QString &part : parts) {
        const QStringList fields = part.split(QLatin1Char(','));
        if (fields.size() < 2)
            continue;
        const float x = fields.at(0).toFloat() + dx;
        const float y = fields.at(1).toFloat() + dy;
        if (!isSaneCoordinate(x) || !isSaneCoordinate(y) || !isSaneCoordinate(int(x) * scale)
            || !isSaneCoordinate(int(y) * scale)) {
            qDebug().noquote() << "KvPenCore::paintPen"
                               << "refused: point out of range" << part.left(64);
            return false;
        }
        points->append(QPointF(int(x) * scale, int(y) * scale));
    }
    return true;
}

// The z value's text as a number; text that is no finite number gives 0.
double replayZValue(const QJsonObject &data)
{
    const double z = data.value(QStringLiteral("zValue")).toVariant().toString().toDouble();
    return std::isfinite(z) ? z : 0.0;
}

} // namespace

KvPenCore::KvPenCore(QObject *parent)
    : QObject(parent)
{
    setSurportTypeList({kPen, kMarker, kEraser});
    setItemTypeList({kStrokesGroupType});
    penObject = createEngine();
}

KvPenCore::~KvPenCore() = default;

QColor KvPenCore::penColor() const
{
    return penObject->penColor();
}

void KvPenCore::setPenColor(const QColor &color)
{
    penObject->setPenColor(color);
}

int KvPenCore::penWidth() const
{
    return penObject->penWidth();
}

void KvPenCore::setPenWidth(int width)
{
    penObject->setPenWidth(width);
}

QColor KvPenCore::markerColor() const
{
    return penObject->markerColor();
}

void KvPenCore::setMarkerColor(const QColor &color)
{
    penObject->setMarkerColor(color);
}

int KvPenCore::markerWidth() const
{
    return penObject->markerWidth();
}

void KvPenCore::setMarkerWidth(int width)
{
    penObject->setMarkerWidth(width);
}

double KvPenCore::eraserWidth() const
{
    return penObject->eraserWidth();
}

void KvPenCore::setEraserWidth(double width)
{
    // Out-of-range and non-finite widths end at the nearest int the engine can hold.
    const double bounded = std::isnan(width)
        ? 0.0
        : qBound(double(std::numeric_limits<int>::min()), width,
                 double(std::numeric_limits<int>::max()));
    penObject->setEraserWidth(int(bounded));
}

bool KvPenCore::getIsCanRedo() const
{
    return true;
}

void KvPenCore::setIsCanRedo(bool canRedo)
{
    penObject->setIsCanRedo(canRedo);
}

bool KvPenCore::getIsCanRemote() const
{
    return isCanRemote;
}

void KvPenCore::setIsCanRemote(bool canRemote)
{
    isCanRemote = canRemote;
}

ctkPluginContext *KvPenCore::getContext() const
{
    return context;
}

void KvPenCore::setContext(ctkPluginContext *context)
{
    this->context = context;
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
    sendMouse(id, pos, kPress, uuid, QString());
    return penObject->inputDevicePress(pos, uuid, id);
}

bool KvPenCore::inputDevicePress(const QPointF &pos, const double &)
{
    isPressed = true;
    mouseUuid = QUuid::createUuid();
    sendMouse(-1, pos, kPress, mouseUuid, QString());
    return penObject->inputDevicePress(pos, mouseUuid, -1);
}

bool KvPenCore::inputDeviceMove(int id, const QPointF &pos, const double &)
{
    const QUuid uuid = touchUuids.value(id);
    sendMouse(id, pos, kMove, uuid, QString());
    return penObject->inputDeviceMove(pos, uuid, id);
}

bool KvPenCore::inputDeviceMove(const QPointF &pos, const double &)
{
    if (!isPressed)
        return true;
    sendMouse(-1, pos, kMove, mouseUuid, QString());
    penObject->inputDeviceMove(pos, mouseUuid, -1);
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
    const QString messageid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    sendMouse(-1, QPointF(), kRelease, mouseUuid, messageid);
    QJsonObject data;
    const bool result = penObject->inputDeviceRelease(mouseUuid, data, -1);
    data.insert(QStringLiteral("messageid"), messageid);
    penChanged(data);
    mouseUuid = QUuid();
    return result;
}

bool KvPenCore::releaseTouch(int id, const QUuid &uuid)
{
    const QString messageid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    sendMouse(id, QPointF(), kRelease, uuid, messageid);
    QJsonObject data;
    const bool result = penObject->inputDeviceRelease(uuid, data, id);
    data.insert(QStringLiteral("messageid"), messageid);
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
        qDebug() << "KvPenCore::remoteData"
                 << "refused: no scene";
        return;
    }
    KvPenObject *engine = remoteEngine(key);
    if (!engine)
        return;
    engine->setScene(scene());
    if (type == kLiveInkMessage)
        replayInk(engine, data);
    else if (type == kLiveEraserMessage)
        replayEraser(engine, data);
    else
        qDebug() << "KvPenCore::remoteData"
                 << "refused: unknown type" << type;
}

KvPenObject *KvPenCore::remoteEngine(const QString &key)
{
    if (KvPenObject *engine = remoteEngines.value(key))
        return engine;
    if (remoteEngines.size() >= kMaxRemoteSenders || key.size() > kMaxSenderKeyLength) {
        qDebug() << "KvPenCore::remoteData"
                 << "refused: no engine for another sender";
        return nullptr;
    }
    KvPenObject *engine = createEngine();
    remoteEngines.insert(key, engine);
    return engine;
}

KvPenObject *KvPenCore::createEngine()
{
    auto *engine = new KvPenObject(this);
    connect(engine, &KvPenObject::sig_eraseItem, this,
            [this](const QString &uuid) { emit sig_eraseItem(uuid); });
    return engine;
}

void KvPenCore::replayInk(KvPenObject *engine, const QJsonObject &data)
{
    const bool pen = data.value(QStringLiteral("pen")).toBool(false);
    const QString colorName = data.value(QStringLiteral("color")).toString();
    // QColor warns about names it does not know; those give the invalid colour quietly.
    const QColor color = QColor::isValidColor(colorName) ? QColor(colorName) : QColor();
    const int width
        = boundedWidth(jsonInt(data.value(QStringLiteral("width"))), "KvPenCore::remoteData");
    engine->setStylus(pen ? kPen : kMarker);
    if (pen) {
        engine->setPenWidth(width);
        engine->setPenColor(color);
    } else {
        engine->setMarkerWidth(width);
        engine->setMarkerColor(color);
    }
    const int pointerId = pen ? jsonInt(data.value(QStringLiteral("id"))) : -1;
    if (replayPressOrMove(engine, data, pointerId))
        return;
    QJsonObject snapshot;
    engine->inputDeviceRelease(messageUuid(data), snapshot, pointerId);
    snapshot.insert(QStringLiteral("messageid"), messageId(data));
    emit sig_penChanged(snapshot);
}

void KvPenCore::replayEraser(KvPenObject *engine, const QJsonObject &data)
{
    engine->setStylus(kEraser);
    engine->setEraserWidth(
        boundedWidth(jsonInt(data.value(QStringLiteral("width"))), "KvPenCore::remoteData"));
    if (replayPressOrMove(engine, data, -1))
        return;
    QJsonObject dropped {{QStringLiteral("messageid"), messageId(data)}};
    engine->inputDeviceRelease(messageUuid(data), dropped, -1);
    emit sig_removeItem(engine->removedItemUuids());
}

void KvPenCore::sendMouse(int id, const QPointF &pos, int mousetype, const QUuid &uuid,
                          const QString &messageid)
{
    if (!isCanRemote)
        return;
    const int tool = stylus();
    const QString uuidText = uuid.toString(QUuid::WithoutBraces);
    if (!isPenOrMarker(tool)) {
        const QJsonObject data {{QStringLiteral("mousetype"), mousetype},
                                {QStringLiteral("x"), pos.x()},
                                {QStringLiteral("y"), pos.y()},
                                {QStringLiteral("width"), penObject->eraserWidth()},
                                {QStringLiteral("id"), id},
                                {QStringLiteral("uuid"), uuidText}};
        emit sig_sendRemoteData(uuid, kLiveEraserMessage, data, messageid);
        return;
    }
    const bool pen = tool == kPen;
    const QJsonObject data {
        {QStringLiteral("x"), pos.x()},
        {QStringLiteral("y"), pos.y()},
        {QStringLiteral("mousetype"), mousetype},
        {QStringLiteral("id"), id},
        {QStringLiteral("width"), pen ? penObject->penWidth() : penObject->markerWidth()},
        {QStringLiteral("color"), (pen ? penObject->penColor() : penObject->markerColor()).name()},
        {QStringLiteral("pen"), pen},
        {QStringLiteral("uuid"), uuidText}};
    emit sig_sendRemoteData(uuid, kLiveInkMessage, data, messageid);
}

void KvPenCore::penChanged(QJsonObject &data)
{
    const int tool = stylus();
    if (isPenOrMarker(tool))
        emit sig_penChanged(data);
    else if (tool == kEraser)
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
        const QString messageid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        sendMouse(touch.key(), QPointF(), kRelease, touch.value(), messageid);
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

QString KvPenCore::exportName()
{
    return QStringLiteral("penCore");
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
        qDebug() << "KvPenCore::paintPen"
                 << "refused: no scene";
        return;
    }
    double scale = 1.0;
    if (!replayScale(scene(), data, &scale))
        return;
    QList<QPointF> points;
    if (!replayPoints(data, scale, &points))
        return;

    const QColor savedPenColor = penObject->penColor();
    const int savedPenWidth = penObject->penWidth();
    const QColor savedMarkerColor = penObject->markerColor();
    const int savedMarkerWidth = penObject->markerWidth();
    const int savedStylus = penObject->stylus();

    const int type = jsonInt(data.value(QStringLiteral("type")));
    const QColor color = KvQtConvert::stringToColor(data.value(QStringLiteral("color")).toString());
    const int width
        = boundedWidth(jsonInt(data.value(QStringLiteral("width"))), "KvPenCore::paintPen");
    const double scaled = std::trunc(width * scale);
    const int scaledWidth = scaled > 2 ? int(qMin(scaled, double(kMaxRemoteWidth))) : width;
    if (type == kPen) {
        penObject->setPenWidth(scaledWidth);
        penObject->setPenColor(color);
    } else if (type == kMarker) {
        penObject->setMarkerWidth(scaledWidth);
        penObject->setMarkerColor(color);
    }
    penObject->setStylus(type);

    if (!points.isEmpty()) {
        if (KvGraphicsStrokesGroup *group = penObject->createGroupFromPoints(points)) {
            group->setUuid(QUuid::fromString(data.value(QStringLiteral("dataid")).toString()));
            group->setColor(color);
            group->setZValue(replayZValue(data));
        }
    }

    penObject->setPenColor(savedPenColor);
    penObject->setPenWidth(savedPenWidth);
    penObject->setMarkerColor(savedMarkerColor);
    penObject->setMarkerWidth(savedMarkerWidth);
    penObject->setStylus(savedStylus);
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
        qDebug() << "KvPenCore::showFrameItems"
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

bool KvPenCore::isMainShowFrames()
{
    return false;
}

KvGraphicsItemDelegate *KvPenCore::getItemDelegate(QGraphicsItem *item)
{
    if (!item || item->type() != kStrokesGroupType)
        return nullptr;
    const auto *group = dynamic_cast<KvGraphicsItem *>(item);
    return group ? group->delegate() : nullptr;
}
