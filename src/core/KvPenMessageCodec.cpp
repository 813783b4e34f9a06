#include "KvPenMessageCodec.h"

#include "KvPenTypes.h"
#include "KvQtConvert.h"
#include "KvToolSettings.h"

#include <QJsonValue>
#include <QStringList>

#include <cmath>
#include <limits>

using namespace KvPen;

namespace {

// A JSON number that is a whole number in int range, else 0; never converts an out-of-range
// double to int.
int jsonInt(const QJsonValue &value)
{
    if (!value.isDouble())
        return 0;
    const double number = value.toDouble();
    if (!(number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
        || std::trunc(number) != number)
        return 0;
    return int(number);
}

bool isReplayableCoordinate(double value)
{
    return std::isfinite(value) && std::abs(value) <= kMaxRemoteCoordinate;
}

int remoteWidth(int width)
{
    return qBound(0, width, kMaxRemoteWidth);
}

} // namespace

namespace KvPenMessageCodec {

QJsonObject encodeLiveInk(const LiveStep &step, int stylus, const KvToolSettings &settings)
{
    const bool pen = stylus == PenStylus;
    return {{Key::X, step.pos.x()},
            {Key::Y, step.pos.y()},
            {Key::MouseType, step.mousetype},
            {Key::Id, step.id},
            {Key::Width, pen ? settings.penWidth : settings.markerWidth},
            {Key::Color, (pen ? settings.penColor : settings.markerColor).name()},
            {Key::Pen, pen},
            {Key::Uuid, step.uuid.toString(QUuid::WithoutBraces)}};
}

QJsonObject encodeLiveEraser(const LiveStep &step, const KvToolSettings &settings)
{
    return {{Key::MouseType, step.mousetype},
            {Key::X, step.pos.x()},
            {Key::Y, step.pos.y()},
            {Key::Width, settings.eraserWidth},
            {Key::Id, step.id},
            {Key::Uuid, step.uuid.toString(QUuid::WithoutBraces)}};
}

LiveMessage decodeLive(const QJsonObject &data)
{
    LiveMessage message;
    message.mousetype = jsonInt(data.value(Key::MouseType));
    message.pos = QPointF(data.value(Key::X).toDouble(), data.value(Key::Y).toDouble());
    message.id = jsonInt(data.value(Key::Id));
    message.sentWidth = jsonInt(data.value(Key::Width));
    message.width = remoteWidth(message.sentWidth);
    // QColor warns about names it does not know; those give the invalid colour quietly.
    const QString colorName = data.value(Key::Color).toString();
    message.color = QColor::isValidColor(colorName) ? QColor(colorName) : QColor();
    message.pen = data.value(Key::Pen).toBool(false);
    message.uuid = QUuid::fromString(data.value(Key::Uuid).toString());
    message.messageid = data.value(Key::MessageId).toString();
    return message;
}

bool isReplayablePosition(const QPointF &pos)
{
    return isReplayableCoordinate(pos.x()) && isReplayableCoordinate(pos.y());
}

StrokeMessage decodeStroke(const QJsonObject &data)
{
    StrokeMessage message;
    message.pos = data.value(Key::Pos).toString();
    message.dx = jsonInt(data.value(Key::Dx));
    message.dy = jsonInt(data.value(Key::Dy));
    message.boardWidth = data.value(Key::BoardWidth).toDouble();
    message.type = jsonInt(data.value(Key::Type));
    message.color = KvQtConvert::stringToColor(data.value(Key::Color).toString());
    message.sentWidth = jsonInt(data.value(Key::Width));
    message.width = remoteWidth(message.sentWidth);
    message.dataid = QUuid::fromString(data.value(Key::DataId).toString());
    const double z = data.value(Key::ZValue).toVariant().toString().toDouble();
    message.zValue = std::isfinite(z) ? z : 0.0;
    return message;
}

bool isUsableBoardWidth(double boardWidth)
{
    return std::isfinite(boardWidth) && boardWidth >= 0 && boardWidth <= kMaxRemoteBoardWidth;
}

ReplayScale replayScale(double boardWidth, double viewZoom, int viewWidth)
{
    ReplayScale result;
    result.viewScale = QString::number(viewZoom, 'f', 2).toDouble();
    // A view turned a quarter or zoomed out past 1:200 has no usable zoom; it counts as 1.
    if (result.viewScale == 0.0)
        result.viewScale = 1.0;
    result.boardWidth = int(boardWidth);
    if (result.boardWidth == 0)
        result.boardWidth = viewWidth;
    // A board of the receiver's own width is the ratio 1, also for a view not laid out yet.
    const double widthRatio = result.boardWidth == 0 ? 1.0 : double(viewWidth) / result.boardWidth;
    result.scale = widthRatio / result.viewScale;
    return result;
}

QList<QPointF> replayPoints(const StrokeMessage &message, double scale, QString *refusal,
                            int *dropped)
{
    QList<QPointF> points;
    *dropped = 0;
    const QString &text = message.pos;
    int parts = 0;
    for (int start = 0; start <= text.size(); ++parts) {
        int end = text.indexOf(QLatin1Char(';'), start);
        if (end < 0)
            end = text.size();
        // A group holds no more pieces than this, and each point may make one.
        if (parts == kMaxReplayPoints) {
            *dropped = text.midRef(start).count(QLatin1Char(';')) + 1;
            break;
        }
        const QStringRef part = text.midRef(start, end - start);
        start = end + 1;
        const QVector<QStringRef> fields = part.split(QLatin1Char(','));
        if (fields.size() < 2)
            continue;
        const float x = fields.at(0).toFloat() + message.dx;
        const float y = fields.at(1).toFloat() + message.dy;
        if (!isReplayableCoordinate(x) || !isReplayableCoordinate(y)
            || !isReplayableCoordinate(int(x) * scale) || !isReplayableCoordinate(int(y) * scale)) {
            *refusal = QStringLiteral("refused: point out of range ") + part.left(64);
            return {};
        }
        points.append(QPointF(int(x) * scale, int(y) * scale));
    }
    return points;
}

int replayWidth(int width, double scale)
{
    const double scaled = std::trunc(width * scale);
    return scaled > 2 ? int(qMin(scaled, double(kMaxRemoteWidth))) : width;
}

void encodeSnapshot(QJsonObject *json, const Snapshot &snapshot)
{
    const int firstY = snapshot.points.isEmpty() ? 0 : int(snapshot.points.first().y());
    json->insert(Key::DataId, snapshot.uuid.toString(QUuid::WithoutBraces));
    // "x,y;x,y": the polygon's text form.
    json->insert(Key::Pos, KvQtConvert::polygonFToString(snapshot.points));
    json->insert(Key::ZValue, QString::number(snapshot.zValue, 'g', 6));
    json->insert(Key::Color, KvQtConvert::colorToString(snapshot.color));
    json->insert(Key::Type, snapshot.stylus);
    json->insert(Key::Width, snapshot.width);
    json->insert(Key::Dx, snapshot.pos.x());
    json->insert(Key::Dy, snapshot.pos.y());
    json->insert(Key::FirstY, firstY);
}

} // namespace KvPenMessageCodec
