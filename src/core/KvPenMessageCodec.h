#pragma once

#include <QColor>
#include <QJsonObject>
#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QString>
#include <QUuid>

struct KvToolSettings;

// The JSON messages that mirror drawing between participants: the live pointer message and the
// whole-stroke message. Pure functions on values; they know the keys and the limits on remote
// input, and leave the board to the core and the engine.
namespace KvPenMessageCodec {

// One step of a pointer: what every live pointer message carries.
struct LiveStep
{
    int mousetype = 0;
    QPointF pos;
    int id = 0;
    QUuid uuid;
};

// One live pointer message as received, of either type.
struct LiveMessage : LiveStep
{
    int width = 0; // held to the remote limit
    int sentWidth = 0; // as sent
    QColor color; // invalid for a name QColor does not know
    bool pen = false; // pen rather than highlighter
    QString messageid; // the sender passes it beside the data
};

// The ink message (type 2) for the pen or the highlighter, by `stylus`.
QJsonObject encodeLiveInk(const LiveStep &step, int stylus, const KvToolSettings &settings);
// The eraser message (type 3).
QJsonObject encodeLiveEraser(const LiveStep &step, const KvToolSettings &settings);
// Missing or mistyped values take their defaults: 0, false, an invalid colour, a null uuid.
LiveMessage decodeLive(const QJsonObject &data);
// Whether a remote position lies within the range this board replays.
bool isReplayablePosition(const QPointF &pos);

// One whole-stroke message as the replay reads it.
struct StrokeMessage
{
    QString pos;
    int dx = 0;
    int dy = 0;
    double boardWidth = 0; // as sent; 0 means the receiver's own view width
    int type = 0;
    QColor color;
    int width = 0; // held to the remote limit
    int sentWidth = 0;
    QUuid dataid;
    double zValue = 0; // 0 for text that is no finite number
};

StrokeMessage decodeStroke(const QJsonObject &data);

// The factor from the sender's board to a receiver view of `viewWidth` pixels at horizontal
// scale `viewZoom`, with the values it was made from.
struct ReplayScale
{
    double scale = 1.0;
    int boardWidth = 0;
    double viewScale = 1.0;
};
bool isUsableBoardWidth(double boardWidth);
ReplayScale replayScale(double boardWidth, double viewZoom, int viewWidth);

// The message's points, offset, truncated and scaled: the first kMaxReplayPoints, with the count
// of those beyond in `dropped`. Empty, with the reason in `refusal`, when one lies outside the
// board's range.
QList<QPointF> replayPoints(const StrokeMessage &message, double scale, QString *refusal,
                            int *dropped);
// The stroke width on this board: scaled when the scaled width is above 2.
int replayWidth(int width, double scale);

// A finished stroke as the whole-stroke message describes it.
struct Snapshot
{
    QUuid uuid;
    QPolygonF points; // the pieces' input points, in stroke order
    double zValue = 0;
    QColor color;
    int stylus = 0;
    int width = 0;
    QPointF pos; // the group's position
};

// Writes the whole-stroke keys into `json`, keeping its other keys.
void encodeSnapshot(QJsonObject *json, const Snapshot &snapshot);

} // namespace KvPenMessageCodec
