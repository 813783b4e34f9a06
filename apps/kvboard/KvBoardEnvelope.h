#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// kvboard's frame on the wire: one compact JSON object {"kind", "sender", "payload"} in a text
// frame. A snapshot part travels in a binary frame: the JSON object's length (4 bytes, big-endian),
// the JSON object, then the body: some strokes' save records, compressed (a part made by
// KvBoardDocument::packRecords).
//
// Kinds and their payloads:
//   live      {"type": int, "data": {...}}  a live pointer or eraser message of the plug-in
//   stroke    {"data": {...}}               a whole-stroke message of the plug-in
//   remove    {"uuids": ["...", ...]}       strokes erased, cleared or undone
//   restore   {"xml": "<kvboard ...>"}      strokes brought back or added, as a board document;
//             with "merge": true, strokes the relay lacked when a participant reconnected
//   document  {"xml": "<kvboard ...>"}      the board replaced by this document
//   welcome   {"id": "...", "count": int}   relay to a newcomer: its identity, heads in the room
//   snapshot  {"last": bool, "removed": [...]} and a body  relay to a newcomer: the room's board in
//             parts, in board order; the last part lists the uuids erased from the board
//   presence  {"count": int}                relay: heads in the room changed
// "sender" is the participant the relay stamped on the frame; empty on the way to the relay.
struct KvBoardEnvelope
{
    enum Kind { Live, Stroke, Remove, Restore, Document, Welcome, Snapshot, Presence };
    enum Fault { NoFault, Oversized, Malformed, UnknownKind };

    // Frames above this are refused unread.
    static constexpr int kMaxFrameBytes = 1 << 20;
    static constexpr int kMaxSenderLength = 64;

    KvBoardEnvelope() = default;
    KvBoardEnvelope(Kind kind, const QString &sender, const QJsonObject &payload,
                    const QByteArray &body = {})
        : kind(kind)
        , sender(sender)
        , payload(payload)
        , body(body)
    { }

    Kind kind = Live;
    QString sender;
    QJsonObject payload;
    // Only a snapshot has one, and it is never empty.
    QByteArray body;

    QJsonObject toJson() const;
    // A text frame's bytes, or a binary frame's for an envelope with a body.
    QByteArray encode() const;
    bool isBinary() const;
    // Checks size, JSON, kind and the payload's shape; `envelope` is set only without a fault.
    static Fault decode(const QByteArray &bytes, KvBoardEnvelope *envelope);
    // The same for a binary frame; the body is left to its reader.
    static Fault decodeBinary(const QByteArray &bytes, KvBoardEnvelope *envelope);
    static QString kindName(Kind kind);
    // Kinds a participant may send; the others come only from the relay.
    static bool isParticipantKind(Kind kind);
};
