#pragma once

#include <QGraphicsItem>
#include <QPointF>
#include <QString>

// The vocabulary that kvpen shares with its hosts and between its parts: tools, the item type
// and item data, pointer ids, the limits on untrusted input, and the keys of its messages.
namespace KvPen {

// The tool a pointer works with; it alone decides what input does.
enum Stylus : int { PenStylus = 0, EraserStylus = 1, MarkerStylus = 2 };

constexpr bool isInkStylus(int stylus)
{
    return stylus == PenStylus || stylus == MarkerStylus;
}

// KvGraphicsStrokesGroup's item type.
constexpr int kStrokesGroupType = QGraphicsItem::UserType + 14;

// QGraphicsItem::setData keys that the host reads, and the values kvpen puts under them.
enum DataKey : int {
    StyleKey = 0, // kStyledPiece on an ink-styled piece, kGroupStyle on a strokes group
    HostKey = 1, // the host's own, copied with a group
    KindKey = 4, // kPieceKind or kGroupKind
    UuidKey = 5, // the item's QUuid
    SelectableInkKey = 10, // true on a strokes group
    TemporaryKey = -2, // kTemporaryItem on the capsule that follows a pointer
};
constexpr int kStyledPiece = 0;
constexpr int kGroupStyle = -1000;
constexpr int kPieceKind = 2;
constexpr int kGroupKind = 3;
inline const QString kTemporaryItem = QStringLiteral("temp_item");

// Pointer ids besides the host's touch ids.
constexpr int kSinglePointerId = -1;
constexpr int kAreaEraserId = -101;

// One range for ink, the same at every door: what the engine draws from local or remote input,
// what paintPen rebuilds, what a save holds and what loading accepts. A whole-stroke replay reads
// coordinates as 32-bit floats, which land every point within one unit only up to 2^24; ink at
// ten million units still fits. Input whose ink would reach beyond is refused at the door.
constexpr double kMaxCoordinate = 16777216.0; // largest coordinate magnitude, scene units
// A piece outlines about a hundred points; more only comes from hostile files.
constexpr int kMaxPointsPerPiece = 10000;
// Most points of a translucent piece cut by the earlier pieces of its stroke (see
// KvStrokeInk::addSegmentItem).
constexpr int kMaxCutPiecePoints = 512;
// The engine closes a group at this many pieces and goes on with the same stroke in a new group,
// so every group it makes loads back whole.
constexpr int kMaxPiecesPerGroup = 10000;

// Limits on what a remote participant may ask of this board, far beyond anything a real board
// sends. Widest remote pen, highlighter or eraser; the tool widgets offer a few dozen.
constexpr int kMaxRemoteWidth = 500;

// Whether ink of full `width` drawn through `pos` keeps within the range: a piece reaches no
// further than its width from its input points, and every board keeps the margin of the widest
// remote pen, so that a mirror draws what its sender drew. False for a non-finite point.
inline bool isWithinInkRange(const QPointF &pos, double width)
{
    const double reach = kMaxCoordinate - qMax(width, double(kMaxRemoteWidth));
    return qAbs(pos.x()) <= reach && qAbs(pos.y()) <= reach;
}

// Largest scene coordinate replayed: that reach for every remote width.
constexpr double kMaxRemoteCoordinate = kMaxCoordinate - kMaxRemoteWidth;
// Widest sender board view, in pixels (several 8K screens side by side).
constexpr int kMaxRemoteBoardWidth = 1 << 16;
// Most points of one whole-stroke message that are replayed: no more than a group holds pieces,
// as each point may make one. Later points are dropped, the rest is replayed.
constexpr int kMaxReplayPoints = kMaxPiecesPerGroup;
// Most remote senders drawing at once: the engine of the sender idle longest (no stroke or
// eraser open) makes room for a new one. And the longest sender key kept.
constexpr int kMaxRemoteSenders = 256;
constexpr int kMaxSenderKeyLength = 1024;

// The live pointer message: its types (by the sender's stylus) and mousetypes.
enum MessageType : int { LiveInkMessage = 2, LiveEraserMessage = 3 };
enum MouseType : int { MousePress = 0, MouseMove = 1, MouseRelease = 2 };

// Keys of the live pointer message and of the whole-stroke message.
namespace Key {
inline const QString X = QStringLiteral("x");
inline const QString Y = QStringLiteral("y");
inline const QString MouseType = QStringLiteral("mousetype");
inline const QString Id = QStringLiteral("id");
inline const QString Width = QStringLiteral("width");
inline const QString Color = QStringLiteral("color");
inline const QString Pen = QStringLiteral("pen");
inline const QString Uuid = QStringLiteral("uuid");
inline const QString MessageId = QStringLiteral("messageid");
inline const QString DataId = QStringLiteral("dataid");
inline const QString Pos = QStringLiteral("pos");
inline const QString ZValue = QStringLiteral("zValue");
inline const QString Type = QStringLiteral("type");
inline const QString Dx = QStringLiteral("dx");
inline const QString Dy = QStringLiteral("dy");
inline const QString FirstY = QStringLiteral("firstY");
inline const QString BoardWidth = QStringLiteral("boardWidth");
} // namespace Key

} // namespace KvPen
