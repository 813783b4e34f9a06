#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// kvboard's frame on the wire: one compact JSON object {"kind", "sender", "payload"}.
//
// Kinds and their payloads:
//   live      {"type": int, "data": {...}}  a live pointer or eraser message of the plug-in
//   stroke    {"data": {...}}               a whole-stroke message of the plug-in
//   remove    {"uuids": ["...", ...]}       strokes erased, cleared or undone
//   restore   {"xml": "<kvboard ...>"}      strokes brought back or added, as a board document;
//             with "merge": true, strokes the relay lacked when a participant reconnected
//   document  {"xml": "<kvboard ...>"}      the board replaced by this document
//   welcome   {"id": "...", "count": int}   relay to a newcomer: its identity, heads in the room
//   snapshot  {"xml": "...", "last": bool, "removed": [...]}  relay to a newcomer: the room's
//             board in parts; the last part lists the uuids erased from the board
//   presence  {"count": int}                relay: heads in the room changed
// "sender" is the participant the relay stamped on the frame; empty on the way to the relay.
struct KvBoardEnvelope
{
    enum Kind { Live, Stroke, Remove, Restore, Document, Welcome, Snapshot, Presence };
    enum Fault { NoFault, Oversized, Malformed, UnknownKind };

    // Frames above this are refused unread.
    static constexpr int kMaxFrameBytes = 1 << 20;
    static constexpr int kMaxSenderLength = 64;

    Kind kind = Live;
    QString sender;
    QJsonObject payload;

    QJsonObject toJson() const;
    QByteArray encode() const;
    // Checks size, JSON, kind and the payload's shape; `envelope` is set only without a fault.
    static Fault decode(const QByteArray &bytes, KvBoardEnvelope *envelope);
    static QString kindName(Kind kind);
    // Kinds a participant may send; the others come only from the relay.
    static bool isParticipantKind(Kind kind);
};
