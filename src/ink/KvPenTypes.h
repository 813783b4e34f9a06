#pragma once

#include <QGraphicsItem>
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

// Limits on loaded ink. They lie far beyond what drawing produces (a piece outlines about a
// hundred points, one piece per 10 scene units of stroke) and keep hostile input from flooding
// the board or the raster engine.
constexpr double kMaxCoordinate = 1e6; // largest coordinate magnitude, scene units
constexpr int kMaxPointsPerPiece = 10000;
constexpr int kMaxPiecesPerGroup = 10000;

// Limits on what a remote participant may ask of this board, far beyond anything a real board
// sends. Widest remote pen, highlighter or eraser; the tool widgets offer a few dozen.
constexpr int kMaxRemoteWidth = 500;
// Largest scene coordinate replayed: ink drawn there, a half width further out, still lies
// within what a saved board loads back, and every later conversion to int stays exact.
constexpr double kMaxRemoteCoordinate = kMaxCoordinate - kMaxRemoteWidth;
// Widest sender board view, in pixels (several 8K screens side by side).
constexpr int kMaxRemoteBoardWidth = 1 << 16;
// Most points in one whole-stroke message: no more than a saved group loads pieces, as each
// point may make one.
constexpr int kMaxReplayPoints = kMaxPiecesPerGroup;
// Most remote senders with an engine of their own, and the longest sender key kept.
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
